#pragma once
// A decoded picture as the preview window shows it: rows top-down, four
// bytes per pixel in the order blue, green, red, alpha (not premultiplied),
// no padding. On a little-endian machine that is QImage::Format_ARGB32.
#include <cstddef>
#include <cstdint>
#include <vector>

struct TPictureBitmap {
    int Width = 0;
    int Height = 0;
    std::vector<uint8_t> Bits; // Width * Height * 4 bytes

    bool Empty() const { return Width <= 0 || Height <= 0; }
    void Clear() {
        Width = Height = 0;
        Bits.clear();
        Bits.shrink_to_fit();
    }
    const uint8_t* Pixel(int x, int y) const {
        return Bits.data() + (static_cast<size_t>(y) * Width + x) * 4;
    }
};
