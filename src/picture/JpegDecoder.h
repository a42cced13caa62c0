#pragma once
// The built-in JPEG decoder (libjpeg) of the preview window, from memory.
// libjpeg's errors return here through its error manager instead of
// ending the process; its warnings are dropped. Pictures beyond the
// plug-in limits (plugins/VorlenPlugin.h) and progressive files with an
// absurd number of scans are refused before they cost memory or time.
#include "picture/PictureBitmap.h"

#include <cstddef>
#include <string>

class TJpegDecoder {
public:
    // Best quality (accurate integer DCT, smooth upsampling), into 24-bit
    // colour held as opaque BGRA. False with `out` cleared and `error` set
    // (libjpeg's message) when the data is no JPEG or is broken.
    static bool Decode(const char* data, size_t size, TPictureBitmap& out, std::string& error);
};
