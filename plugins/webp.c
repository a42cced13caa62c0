/* WebP plug-in: still images with libwebp, as 32-bit BGRA. */
#include "SpiCommon.h"

#include <webp/decode.h>

VORLEN_SPI_EXPORT int32_t GetPluginInfo(int32_t infono, char* buf, int32_t buflen) {
    return spi_info(infono, buf, buflen, "Vorlen WebP plug-in (libwebp)", "*.webp", "WebP");
}

VORLEN_SPI_EXPORT int32_t IsSupported(const char* filename, const void* dw) {
    const char* p = (const char*)dw;
    return p && memcmp(p, "RIFF", 4) == 0 && memcmp(p + 8, "WEBP", 4) == 0;
}

VORLEN_SPI_EXPORT int32_t GetPicture(const char* buf, int32_t len, uint32_t flag,
                                     VorlenSpiHandle* pHBInfo, VorlenSpiHandle* pHBm,
                                     VorlenSpiProgress progress, int32_t lData) {
    if (!spi_args_ok(buf, len, flag, pHBInfo, pHBm)) return VORLEN_SPI_UNSUPPORTED;
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config)) return VORLEN_SPI_INTERNAL_ERROR;
    const uint8_t* data = (const uint8_t*)buf;
    if (WebPGetFeatures(data, (size_t)len, &config.input) != VP8_STATUS_OK)
        return VORLEN_SPI_UNKNOWN_FORMAT;
    if (config.input.has_animation) return VORLEN_SPI_UNKNOWN_FORMAT;
    SpiPicture pic;
    if (!spi_alloc(&pic, config.input.width, config.input.height, 32, 0))
        return VORLEN_SPI_NO_MEMORY;
    config.output.colorspace = MODE_BGRA;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = pic.bits;
    config.output.u.RGBA.stride = (int)pic.stride;
    config.output.u.RGBA.size = pic.stride * (size_t)pic.height;
    config.options.flip = 1; /* bottom-up rows */
    if (WebPDecode(data, (size_t)len, &config) != VP8_STATUS_OK) {
        WebPFreeDecBuffer(&config.output);
        spi_free(&pic);
        return VORLEN_SPI_BROKEN_DATA;
    }
    WebPFreeDecBuffer(&config.output);
    return spi_give(&pic, pHBInfo, pHBm);
}
