/* PNG plug-in: libpng's simplified reader, every PNG as 32-bit BGRA. */
#include "SpiCommon.h"

#include <png.h>

VORLEN_SPI_EXPORT int32_t GetPluginInfo(int32_t infono, char* buf, int32_t buflen) {
    return spi_info(infono, buf, buflen, "Vorlen PNG plug-in (libpng)", "*.png", "PNG");
}

VORLEN_SPI_EXPORT int32_t IsSupported(const char* filename, const void* dw) {
    return dw && png_sig_cmp((png_const_bytep)dw, 0, 8) == 0;
}

VORLEN_SPI_EXPORT int32_t GetPicture(const char* buf, int32_t len, uint32_t flag,
                                     VorlenSpiHandle* pHBInfo, VorlenSpiHandle* pHBm,
                                     VorlenSpiProgress progress, int32_t lData) {
    if (!spi_args_ok(buf, len, flag, pHBInfo, pHBm)) return VORLEN_SPI_UNSUPPORTED;
    png_image image;
    memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, buf, (size_t)len)) {
        png_image_free(&image);
        return VORLEN_SPI_UNKNOWN_FORMAT;
    }
    SpiPicture pic;
    if (!spi_alloc(&pic, (int64_t)image.width > INT32_MAX ? 0 : (int32_t)image.width,
                   (int64_t)image.height > INT32_MAX ? 0 : (int32_t)image.height, 32, 0)) {
        png_image_free(&image);
        return VORLEN_SPI_NO_MEMORY;
    }
    image.format = PNG_FORMAT_BGRA;
    /* A negative stride makes libpng write the rows bottom-up. */
    if (!png_image_finish_read(&image, NULL, pic.bits, -(png_int_32)pic.stride, NULL)) {
        png_image_free(&image);
        spi_free(&pic);
        return VORLEN_SPI_BROKEN_DATA;
    }
    return spi_give(&pic, pHBInfo, pHBm);
}
