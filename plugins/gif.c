/* GIF plug-in: the first frame with giflib, as 32-bit BGRA on the logical
 * screen (transparent where the frame does not reach or its transparent
 * colour is). */
#include "SpiCommon.h"

#include <gif_lib.h>

VORLEN_SPI_EXPORT int32_t GetPluginInfo(int32_t infono, char* buf, int32_t buflen) {
    return spi_info(infono, buf, buflen, "Vorlen GIF plug-in (giflib, first frame)", "*.gif", "GIF");
}

VORLEN_SPI_EXPORT int32_t IsSupported(const char* filename, const void* dw) {
    const char* p = (const char*)dw;
    return p && (memcmp(p, "GIF87a", 6) == 0 || memcmp(p, "GIF89a", 6) == 0);
}

typedef struct GifSource {
    const uint8_t* data;
    size_t size;
    size_t pos;
} GifSource;

static int gif_read(GifFileType* gif, GifByteType* out, int count) {
    GifSource* src = (GifSource*)gif->UserData;
    if (count < 0) return 0;
    size_t left = src->size - src->pos;
    size_t n = (size_t)count < left ? (size_t)count : left;
    memcpy(out, src->data + src->pos, n);
    src->pos += n;
    return (int)n;
}

/* Reads up to the first image descriptor, noting the transparent colour of
 * a graphic control block before it. 1 when a frame follows. */
static int gif_seek_frame(GifFileType* gif, int* transparent) {
    for (;;) {
        GifRecordType type;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR) return 0;
        if (type == IMAGE_DESC_RECORD_TYPE) return DGifGetImageDesc(gif) != GIF_ERROR;
        if (type == TERMINATE_RECORD_TYPE) return 0;
        if (type != EXTENSION_RECORD_TYPE) continue;
        int code;
        GifByteType* ext;
        if (DGifGetExtension(gif, &code, &ext) == GIF_ERROR) return 0;
        if (code == GRAPHICS_EXT_FUNC_CODE && ext && ext[0] >= 4)
            *transparent = (ext[1] & 1) ? ext[4] : -1;
        while (ext) {
            if (DGifGetExtensionNext(gif, &ext) == GIF_ERROR) return 0;
        }
    }
}

static int32_t gif_decode(GifFileType* gif, SpiPicture* pic) {
    int transparent = -1;
    if (!gif_seek_frame(gif, &transparent)) return VORLEN_SPI_BROKEN_DATA;
    const GifImageDesc* d = &gif->Image;
    const ColorMapObject* map = d->ColorMap ? d->ColorMap : gif->SColorMap;
    if (!map || !map->Colors || d->Width <= 0 || d->Height <= 0 || d->Left < 0 || d->Top < 0)
        return VORLEN_SPI_BROKEN_DATA;
    int64_t width = gif->SWidth, height = gif->SHeight;
    if ((int64_t)d->Left + d->Width > width) width = (int64_t)d->Left + d->Width;
    if ((int64_t)d->Top + d->Height > height) height = (int64_t)d->Top + d->Height;
    if (!spi_size_ok(width, height) || !spi_alloc(pic, (int32_t)width, (int32_t)height, 32, 0))
        return VORLEN_SPI_NO_MEMORY;

    GifPixelType* line = (GifPixelType*)malloc((size_t)d->Width);
    if (!line) return VORLEN_SPI_NO_MEMORY;
    static const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
    const int passes = d->Interlace ? 4 : 1;
    int32_t result = VORLEN_SPI_OK;
    for (int pass = 0; pass < passes && result == VORLEN_SPI_OK; ++pass) {
        for (int y = d->Interlace ? start[pass] : 0; y < d->Height; y += d->Interlace ? step[pass] : 1) {
            if (DGifGetLine(gif, line, d->Width) == GIF_ERROR) {
                result = VORLEN_SPI_BROKEN_DATA;
                break;
            }
            uint8_t* out = spi_row(pic, d->Top + y) + (size_t)d->Left * 4;
            for (int x = 0; x < d->Width; ++x, out += 4) {
                int index = line[x];
                if (index == transparent || index >= map->ColorCount) continue;
                const GifColorType* c = &map->Colors[index];
                out[0] = c->Blue;
                out[1] = c->Green;
                out[2] = c->Red;
                out[3] = 255;
            }
        }
    }
    free(line);
    return result;
}

VORLEN_SPI_EXPORT int32_t GetPicture(const char* buf, int32_t len, uint32_t flag,
                                     VorlenSpiHandle* pHBInfo, VorlenSpiHandle* pHBm,
                                     VorlenSpiProgress progress, int32_t lData) {
    if (!spi_args_ok(buf, len, flag, pHBInfo, pHBm)) return VORLEN_SPI_UNSUPPORTED;
    GifSource src = {(const uint8_t*)buf, (size_t)len, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&src, gif_read, &error);
    if (!gif) return VORLEN_SPI_UNKNOWN_FORMAT;
    SpiPicture pic;
    memset(&pic, 0, sizeof pic);
    int32_t result = gif_decode(gif, &pic);
    DGifCloseFile(gif, &error);
    if (result != VORLEN_SPI_OK) {
        spi_free(&pic);
        return result;
    }
    return spi_give(&pic, pHBInfo, pHBm);
}
