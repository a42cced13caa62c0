#include "picture/DibReader.h"

#include "VorlenPlugin.h"

#include <cstring>

namespace {

uint32_t Le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

bool Fail(TPictureBitmap& out, std::string& error, const char* why) {
    out.Clear();
    error = why;
    return false;
}

} // namespace

bool TDibReader::Read(const void* infoBlock, size_t infoSize, const void* bitsBlock, size_t bitsSize,
                      TPictureBitmap& out, std::string& error) {
    const auto* info = static_cast<const uint8_t*>(infoBlock);
    const auto* bits = static_cast<const uint8_t*>(bitsBlock);
    if (!info || !bits) return Fail(out, error, "missing block");
    if (infoSize < sizeof(VorlenBitmapInfoHeader) || Le32(info) != sizeof(VorlenBitmapInfoHeader))
        return Fail(out, error, "header size");
    const int64_t width = int32_t(Le32(info + 4));
    const int64_t height = int32_t(Le32(info + 8));
    const unsigned depth = Le16(info + 14);
    const uint32_t compression = Le32(info + 16);
    uint64_t colors = Le32(info + 32);
    if (width <= 0 || height <= 0 || width > VORLEN_SPI_MAX_DIMENSION ||
        height > VORLEN_SPI_MAX_DIMENSION || width * height > VORLEN_SPI_MAX_PIXELS)
        return Fail(out, error, "dimensions");
    if ((depth != 1 && depth != 4 && depth != 8 && depth != 24 && depth != 32) || compression != 0)
        return Fail(out, error, "bit depth");
    const bool indexed = depth <= 8;
    if (indexed) {
        if (colors == 0) colors = 1u << depth;
        if (colors > (1u << depth)) return Fail(out, error, "palette size");
        if ((infoSize - sizeof(VorlenBitmapInfoHeader)) / 4 < colors)
            return Fail(out, error, "palette size");
    }
    const uint64_t stride = (uint64_t(width) * depth + 31) / 32 * 4;
    if (bitsSize / stride < uint64_t(height)) return Fail(out, error, "pixel block size");

    // Indexed pixels go through a full table; entries past the plug-in's
    // are opaque black.
    uint8_t table[256][4] = {};
    if (indexed) {
        const uint8_t* entry = info + sizeof(VorlenBitmapInfoHeader);
        for (unsigned i = 0; i < (1u << depth); ++i) {
            table[i][3] = 255;
            if (i < colors) std::memcpy(table[i], entry + 4 * i, 3);
        }
    }

    out.Width = int(width);
    out.Height = int(height);
    out.Bits.assign(size_t(width * height * 4), 0);
    for (int64_t y = 0; y < height; ++y) {
        const uint8_t* in = bits + (height - 1 - y) * stride; // rows are bottom-up
        uint8_t* o = out.Bits.data() + y * width * 4;
        for (int64_t x = 0; x < width; ++x, o += 4) {
            switch (depth) {
            case 32:
                std::memcpy(o, in + x * 4, 4);
                break;
            case 24:
                std::memcpy(o, in + x * 3, 3);
                o[3] = 255;
                break;
            default: {
                const unsigned perByte = 8 / depth;
                const unsigned shift = 8 - depth * (1 + unsigned(x) % perByte);
                const unsigned index = (in[x / perByte] >> shift) & ((1u << depth) - 1);
                std::memcpy(o, table[index], 4);
            }
            }
        }
    }
    error.clear();
    return true;
}
