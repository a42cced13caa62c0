/* BMP plug-in: our own strict reader of uncompressed Windows and OS/2
 * bitmaps. 1, 4 and 8 bits keep their colour table, 24 bits stay as they
 * are, 16 and 32 bits (plain or with bit fields) become 32-bit BGRA. Run
 * length compression, a file cut short, a colour table or pixel data
 * outside the file: refused. */
#include "SpiCommon.h"

VORLEN_SPI_EXPORT int32_t GetPluginInfo(int32_t infono, char* buf, int32_t buflen) {
    return spi_info(infono, buf, buflen, "Vorlen BMP plug-in", "*.bmp", "BMP");
}

enum { kFileHeader = 14 };

VORLEN_SPI_EXPORT int32_t IsSupported(const char* filename, const void* dw) {
    const uint8_t* p = (const uint8_t*)dw;
    if (!p || p[0] != 'B' || p[1] != 'M') return 0;
    const uint32_t size = spi_le32(p + kFileHeader);
    return size == 12 || size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

typedef struct BmpChannel {
    uint32_t mask;
    int shift;
    uint32_t max; /* the largest value of the field */
} BmpChannel;

static BmpChannel bmp_channel(uint32_t mask) {
    BmpChannel c = {mask, 0, 0};
    if (!mask) return c;
    while (!(mask & 1u)) {
        mask >>= 1;
        ++c.shift;
    }
    c.max = mask;
    return c;
}

static uint8_t bmp_field(const BmpChannel* c, uint32_t v, uint8_t none) {
    if (!c->mask) return none;
    return (uint8_t)(((uint64_t)((v & c->mask) >> c->shift) * 255u + c->max / 2) / c->max);
}

VORLEN_SPI_EXPORT int32_t GetPicture(const char* buf, int32_t len, uint32_t flag,
                                     VorlenSpiHandle* pHBInfo, VorlenSpiHandle* pHBm,
                                     VorlenSpiProgress progress, int32_t lData) {
    if (!spi_args_ok(buf, len, flag, pHBInfo, pHBm)) return VORLEN_SPI_UNSUPPORTED;
    const uint8_t* p = (const uint8_t*)buf;
    const size_t size = (size_t)len;
    if (size < kFileHeader + 12 || p[0] != 'B' || p[1] != 'M') return VORLEN_SPI_UNKNOWN_FORMAT;
    const size_t offBits = spi_le32(p + 10);
    const uint8_t* h = p + kFileHeader;
    const size_t headerSize = spi_le32(h);

    int64_t width, height;
    unsigned bits, compression = 0, colors = 0, entrySize = 4;
    uint32_t masks[4] = {0, 0, 0, 0};
    size_t tableAt = kFileHeader + headerSize;
    if (headerSize == 12) {
        width = spi_le16(h + 4);
        height = spi_le16(h + 6);
        if (spi_le16(h + 8) != 1) return VORLEN_SPI_BROKEN_DATA;
        bits = spi_le16(h + 10);
        entrySize = 3;
    } else if (headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 108 ||
               headerSize == 124) {
        if (size < kFileHeader + headerSize) return VORLEN_SPI_BROKEN_DATA;
        width = (int32_t)spi_le32(h + 4);
        height = (int32_t)spi_le32(h + 8);
        if (spi_le16(h + 12) != 1) return VORLEN_SPI_BROKEN_DATA;
        bits = spi_le16(h + 14);
        compression = spi_le32(h + 16);
        colors = spi_le32(h + 32);
        if (compression == 3 || compression == 6) {
            /* Bit fields: inside a larger header, else the three (or four)
             * masks follow a 40-byte one. */
            const unsigned count = compression == 6 ? 4 : 3;
            const uint8_t* m = h + 40;
            if (headerSize == 40) {
                if (size < tableAt + 4 * count) return VORLEN_SPI_BROKEN_DATA;
                tableAt += 4 * count;
            } else if (headerSize < 40 + 4 * count) {
                return VORLEN_SPI_BROKEN_DATA;
            }
            for (unsigned i = 0; i < count; ++i) masks[i] = spi_le32(m + 4 * i);
            if (headerSize >= 56) masks[3] = spi_le32(m + 12);
        }
    } else {
        return VORLEN_SPI_UNKNOWN_FORMAT;
    }

    const int topDown = height < 0;
    if (topDown) height = -height;
    if (!spi_size_ok(width, height)) return VORLEN_SPI_BROKEN_DATA;
    const int indexed = bits == 1 || bits == 4 || bits == 8;
    if (indexed || bits == 24) {
        if (compression != 0) return VORLEN_SPI_UNKNOWN_FORMAT;
    } else if (bits == 16 || bits == 32) {
        if (compression == 0) {
            masks[0] = bits == 16 ? 0x7C00u : 0xFF0000u;
            masks[1] = bits == 16 ? 0x03E0u : 0x00FF00u;
            masks[2] = bits == 16 ? 0x001Fu : 0x0000FFu;
            masks[3] = bits == 16 ? 0 : 0xFF000000u;
        } else if (compression != 3 && compression != 6) {
            return VORLEN_SPI_UNKNOWN_FORMAT;
        }
    } else {
        return VORLEN_SPI_UNKNOWN_FORMAT;
    }

    if (indexed) {
        if (colors == 0) colors = 1u << bits;
        if (colors > (1u << bits)) return VORLEN_SPI_BROKEN_DATA;
    } else {
        colors = 0; /* a table beside direct colours only advises */
    }
    const size_t tableEnd = tableAt + (size_t)colors * entrySize;
    if (tableEnd > size || (indexed && offBits < tableEnd)) return VORLEN_SPI_BROKEN_DATA;
    const size_t stride = (((size_t)width * bits + 31) / 32) * 4;
    if (offBits > size || (size - offBits) / stride < (size_t)height) return VORLEN_SPI_BROKEN_DATA;

    SpiPicture pic;
    const int outBits = (bits == 16 || bits == 32) ? 32 : (int)bits;
    if (!spi_alloc(&pic, (int32_t)width, (int32_t)height, outBits, colors))
        return VORLEN_SPI_NO_MEMORY;
    uint8_t* table = spi_palette(&pic);
    for (unsigned i = 0; i < colors; ++i) {
        const uint8_t* e = p + tableAt + (size_t)i * entrySize;
        table[4 * i] = e[0];
        table[4 * i + 1] = e[1];
        table[4 * i + 2] = e[2];
    }

    BmpChannel ch[4];
    for (int i = 0; i < 4; ++i) ch[i] = bmp_channel(masks[i]);
    int anyAlpha = 0;
    for (int64_t y = 0; y < height; ++y) {
        /* Row y of the file, counted in its own order. */
        const uint8_t* in = p + offBits + (size_t)y * stride;
        uint8_t* out = topDown ? spi_row(&pic, (int32_t)y) : pic.bits + (size_t)y * pic.stride;
        if (bits <= 24) {
            memcpy(out, in, stride);
            continue;
        }
        for (int64_t x = 0; x < width; ++x) {
            const uint32_t v = bits == 16 ? spi_le16(in + 2 * x) : spi_le32(in + 4 * x);
            uint8_t* o = out + 4 * x;
            o[0] = bmp_field(&ch[2], v, 0);
            o[1] = bmp_field(&ch[1], v, 0);
            o[2] = bmp_field(&ch[0], v, 0);
            o[3] = bmp_field(&ch[3], v, 255);
            anyAlpha |= o[3];
        }
    }
    /* Most 32-bit files leave the fourth byte zero: they mean opaque. */
    if (outBits == 32 && ch[3].mask && !anyAlpha) {
        for (int64_t y = 0; y < height; ++y) {
            uint8_t* out = pic.bits + (size_t)y * pic.stride;
            for (int64_t x = 0; x < width; ++x) out[4 * x + 3] = 255;
        }
    }
    return spi_give(&pic, pHBInfo, pHBm);
}
