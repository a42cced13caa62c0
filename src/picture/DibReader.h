#pragma once
// Reads the two blocks an image plug-in returns (a BITMAPINFOHEADER with
// its colour table, and the pixel rows; see plugins/VorlenPlugin.h) into a
// TPictureBitmap. Nothing is read before it is known to lie inside its
// block: the header size must be 40, width and height positive and within
// the plug-in limits, the depth 1, 4, 8, 24 or 32 bits without compression,
// the colour table inside the info block, and the pixel block at least the
// padded rows times the height. An index past the colour table shows black.
#include "picture/PictureBitmap.h"

#include <cstddef>
#include <string>

class TDibReader {
public:
    // False (with `out` cleared and `error` saying why) when the blocks do
    // not hold what the header declares.
    static bool Read(const void* info, size_t infoSize, const void* bits, size_t bitsSize,
                     TPictureBitmap& out, std::string& error);
};
