#pragma once
// Small pictures made in the tests with the encoders of the libraries the
// plug-ins decode with, and BMP files written by hand.
#include "picture/PictureBitmap.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

using TRgba = std::array<uint8_t, 4>;

struct TTestPixels {
    int Width = 0;
    int Height = 0;
    std::vector<TRgba> Pixels; // top row first

    TRgba At(int x, int y) const { return Pixels[size_t(y) * Width + x]; }
};

// A picture whose every pixel differs: red from x, green from y, blue from
// both, and alpha from x when `alpha` is set (else 255).
TTestPixels Gradient(int width, int height, bool alpha = false);
// The pixel of a decoded picture as RGBA.
TRgba PixelOf(const TPictureBitmap& bitmap, int x, int y);

std::string MakePng(const TTestPixels& pixels);
// A palette PNG: `palette` (RGBA, alpha giving a tRNS chunk) and one
// index per pixel.
std::string MakePalettePng(int width, int height, const std::vector<TRgba>& palette,
                           const std::vector<uint8_t>& indices);
// A GIF of one frame (two when `secondFrame`), its colours from `palette`
// (alpha ignored), `transparent` the transparent index or -1.
std::string MakeGif(int width, int height, const std::vector<TRgba>& palette,
                    const std::vector<uint8_t>& indices, int transparent, bool interlace,
                    bool secondFrame = false);
std::string MakeWebp(const TTestPixels& pixels); // lossless
std::string MakeJpeg(const TTestPixels& pixels, int quality, bool gray = false,
                     bool progressive = false);
// A BMP of `bits` 1, 4, 8 (palette + indices), 24 or 32 (from `pixels`),
// bottom-up or top-down.
std::string MakeBmp(int bits, const TTestPixels& pixels, const std::vector<TRgba>& palette,
                    const std::vector<uint8_t>& indices, bool topDown);
