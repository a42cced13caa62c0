#include "TestImages.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>
#include <webp/encode.h>

TTestPixels Gradient(int width, int height, bool alpha) {
    TTestPixels p{width, height, {}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            p.Pixels.push_back({uint8_t(x * 40 + 3), uint8_t(y * 60 + 5), uint8_t(100 + 7 * x + 11 * y),
                                uint8_t(alpha ? 255 - x * 50 : 255)});
    return p;
}

TRgba PixelOf(const TPictureBitmap& bitmap, int x, int y) {
    const uint8_t* p = bitmap.Pixel(x, y);
    return {p[2], p[1], p[0], p[3]};
}

namespace {

std::string WritePng(png_image& image, const void* buffer, const void* colormap) {
    png_alloc_size_t size = 0;
    if (!png_image_write_get_memory_size(image, size, 0, buffer, 0, colormap))
        throw std::runtime_error("png size");
    std::string out(size, '\0');
    if (!png_image_write_to_memory(&image, out.data(), &size, 0, buffer, 0, colormap))
        throw std::runtime_error("png write");
    out.resize(size);
    return out;
}

int GifWrite(GifFileType* gif, const GifByteType* data, int count) {
    static_cast<std::string*>(gif->UserData)->append(reinterpret_cast<const char*>(data), count);
    return count;
}

void Put16(std::string& s, uint32_t v) {
    s.push_back(char(v & 255));
    s.push_back(char(v >> 8 & 255));
}
void Put32(std::string& s, uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

} // namespace

std::string MakePng(const TTestPixels& pixels) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = pixels.Width;
    image.height = pixels.Height;
    image.format = PNG_FORMAT_RGBA;
    return WritePng(image, pixels.Pixels.data(), nullptr);
}

std::string MakePalettePng(int width, int height, const std::vector<TRgba>& palette,
                           const std::vector<uint8_t>& indices) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = width;
    image.height = height;
    image.format = PNG_FORMAT_RGBA_COLORMAP;
    image.colormap_entries = palette.size();
    return WritePng(image, indices.data(), palette.data());
}

std::string MakeGif(int width, int height, const std::vector<TRgba>& palette,
                    const std::vector<uint8_t>& indices, int transparent, bool interlace,
                    bool secondFrame) {
    std::string out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, GifWrite, &error);
    if (!gif) throw std::runtime_error("gif open");
    int size = 2;
    while (size < int(palette.size())) size *= 2;
    ColorMapObject* map = GifMakeMapObject(size, nullptr);
    for (size_t i = 0; i < palette.size(); ++i)
        map->Colors[i] = GifColorType{palette[i][0], palette[i][1], palette[i][2]};
    EGifSetGifVersion(gif, true);
    EGifPutScreenDesc(gif, width, height, 8, 0, map);
    auto frame = [&](const std::vector<uint8_t>& rows) {
        if (transparent >= 0) {
            GraphicsControlBlock gcb{};
            gcb.TransparentColor = transparent;
            GifByteType ext[4];
            EGifGCBToExtension(&gcb, ext);
            EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, ext);
        }
        EGifPutImageDesc(gif, 0, 0, width, height, interlace, nullptr);
        // An interlaced frame is written in pass order.
        static const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
        for (int pass = 0; pass < (interlace ? 4 : 1); ++pass)
            for (int y = interlace ? start[pass] : 0; y < height; y += interlace ? step[pass] : 1)
                EGifPutLine(gif, const_cast<GifPixelType*>(rows.data() + size_t(y) * width), width);
    };
    frame(indices);
    if (secondFrame) frame(std::vector<uint8_t>(indices.size(), 0));
    GifFreeMapObject(map);
    if (EGifCloseFile(gif, &error) != GIF_OK) throw std::runtime_error("gif close");
    return out;
}

std::string MakeWebp(const TTestPixels& pixels) {
    uint8_t* data = nullptr;
    const size_t size = WebPEncodeLosslessRGBA(reinterpret_cast<const uint8_t*>(pixels.Pixels.data()),
                                               pixels.Width, pixels.Height, pixels.Width * 4, &data);
    std::string out(reinterpret_cast<const char*>(data), size);
    WebPFree(data);
    return out;
}

std::string MakeJpeg(const TTestPixels& pixels, int quality, bool gray, bool progressive) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* mem = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &mem, &size);
    cinfo.image_width = pixels.Width;
    cinfo.image_height = pixels.Height;
    cinfo.input_components = gray ? 1 : 3;
    cinfo.in_color_space = gray ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    if (progressive) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<uint8_t> row;
    for (int y = 0; y < pixels.Height; ++y) {
        row.clear();
        for (int x = 0; x < pixels.Width; ++x) {
            const TRgba p = pixels.At(x, y);
            if (gray) row.push_back(p[1]);
            else row.insert(row.end(), p.begin(), p.begin() + 3);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::string out(reinterpret_cast<const char*>(mem), size);
    std::free(mem);
    return out;
}

std::string MakeBmp(int bits, const TTestPixels& pixels, const std::vector<TRgba>& palette,
                    const std::vector<uint8_t>& indices, bool topDown) {
    const int w = pixels.Width, h = pixels.Height;
    const size_t stride = (size_t(w) * bits + 31) / 32 * 4;
    const size_t colors = bits <= 8 ? palette.size() : 0;
    const size_t off = 14 + 40 + colors * 4;
    std::string s = "BM";
    Put32(s, uint32_t(off + stride * h));
    Put32(s, 0);
    Put32(s, uint32_t(off));
    Put32(s, 40);
    Put32(s, uint32_t(w));
    Put32(s, uint32_t(topDown ? -h : h));
    Put16(s, 1);
    Put16(s, uint32_t(bits));
    Put32(s, 0);
    Put32(s, uint32_t(stride * h));
    Put32(s, 2835);
    Put32(s, 2835);
    Put32(s, uint32_t(colors));
    Put32(s, 0);
    for (size_t i = 0; i < colors; ++i) {
        s.push_back(char(palette[i][2]));
        s.push_back(char(palette[i][1]));
        s.push_back(char(palette[i][0]));
        s.push_back(0);
    }
    for (int r = 0; r < h; ++r) {
        const int y = topDown ? r : h - 1 - r;
        std::string row(stride, '\0');
        for (int x = 0; x < w; ++x) {
            if (bits <= 8) {
                const int perByte = 8 / bits;
                const int shift = 8 - bits * (1 + x % perByte);
                row[x / perByte] = char(uint8_t(row[x / perByte]) | indices[size_t(y) * w + x] << shift);
            } else {
                const TRgba p = pixels.At(x, y);
                const size_t at = size_t(x) * (bits / 8);
                row[at] = char(p[2]);
                row[at + 1] = char(p[1]);
                row[at + 2] = char(p[0]);
                if (bits == 32) row[at + 3] = char(p[3]);
            }
        }
        s += row;
    }
    return s;
}
