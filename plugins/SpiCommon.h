/*
 * Pieces every shipped plug-in shares: the info texts and the allocation of
 * the two picture blocks. Compiled into each plug-in (they are separate
 * shared objects with nothing in common at run time).
 */
#ifndef VORLEN_SPI_COMMON_H
#define VORLEN_SPI_COMMON_H

#include "VorlenPlugin.h"

#include <stdlib.h>
#include <string.h>

typedef struct SpiPicture {
    VorlenBitmapInfoHeader* info; /* the info block; the colour table follows it */
    uint8_t* bits;
    size_t stride; /* bytes per row, padded to 4 */
    int32_t width;
    int32_t height;
} SpiPicture;

/* Answers GetPluginInfo from the plug-in's texts. */
static inline int32_t spi_info(int32_t infono, char* buf, int32_t buflen, const char* description,
                               const char* pattern, const char* name) {
    const char* text = 0;
    switch (infono) {
    case 0: text = VORLEN_SPI_VERSION; break;
    case 1: text = description; break;
    case 2: text = pattern; break;
    case 3: text = name; break;
    default: return 0;
    }
    if (!buf || buflen <= 0) return 0;
    size_t n = strlen(text);
    if (n >= (size_t)buflen) n = (size_t)buflen - 1;
    memcpy(buf, text, n);
    buf[n] = '\0';
    return (int32_t)n;
}

static inline int spi_size_ok(int64_t width, int64_t height) {
    return width > 0 && height > 0 && width <= VORLEN_SPI_MAX_DIMENSION &&
           height <= VORLEN_SPI_MAX_DIMENSION && width * height <= VORLEN_SPI_MAX_PIXELS;
}

/* Allocates both blocks for a picture of the given size and depth with
 * `colors` table entries (zeroed; bits zeroed too, so rows a broken file
 * never reaches stay black or transparent). 0 when the size is refused or
 * memory runs out. */
static inline int spi_alloc(SpiPicture* pic, int32_t width, int32_t height, int bitCount,
                            uint32_t colors) {
    memset(pic, 0, sizeof *pic);
    if (!spi_size_ok(width, height) || colors > 256) return 0;
    size_t stride = (((size_t)width * (size_t)bitCount + 31) / 32) * 4;
    size_t infoSize = sizeof(VorlenBitmapInfoHeader) + (size_t)colors * 4;
    pic->info = (VorlenBitmapInfoHeader*)calloc(1, infoSize);
    pic->bits = (uint8_t*)calloc(height, stride);
    if (!pic->info || !pic->bits) {
        free(pic->info);
        free(pic->bits);
        memset(pic, 0, sizeof *pic);
        return 0;
    }
    pic->info->biSize = sizeof(VorlenBitmapInfoHeader);
    pic->info->biWidth = width;
    pic->info->biHeight = height;
    pic->info->biPlanes = 1;
    pic->info->biBitCount = (uint16_t)bitCount;
    pic->info->biSizeImage = (uint32_t)(stride * (size_t)height);
    pic->info->biClrUsed = colors;
    pic->stride = stride;
    pic->width = width;
    pic->height = height;
    return 1;
}

static inline uint8_t* spi_palette(SpiPicture* pic) { return (uint8_t*)(pic->info + 1); }

/* The row `y` counted from the top (the blocks hold them bottom-up). */
static inline uint8_t* spi_row(SpiPicture* pic, int32_t y) {
    return pic->bits + (size_t)(pic->height - 1 - y) * pic->stride;
}

static inline void spi_free(SpiPicture* pic) {
    free(pic->info);
    free(pic->bits);
    memset(pic, 0, sizeof *pic);
}

/* Hands the blocks to the caller of GetPicture. */
static inline int32_t spi_give(SpiPicture* pic, VorlenSpiHandle* pHBInfo, VorlenSpiHandle* pHBm) {
    *pHBInfo = pic->info;
    *pHBm = pic->bits;
    memset(pic, 0, sizeof *pic);
    return VORLEN_SPI_OK;
}

static inline int spi_args_ok(const char* buf, int32_t len, uint32_t flag, VorlenSpiHandle* pHBInfo,
                              VorlenSpiHandle* pHBm) {
    if (!pHBInfo || !pHBm) return 0;
    *pHBInfo = 0;
    *pHBm = 0;
    return buf && len > 0 && (flag & 7u) == VORLEN_SPI_MEMORY;
}

static inline uint16_t spi_le16(const uint8_t* p) { return (uint16_t)(p[0] | (p[1] << 8)); }
static inline uint32_t spi_le32(const uint8_t* p) {
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}

#endif
