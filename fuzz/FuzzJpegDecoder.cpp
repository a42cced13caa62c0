// The built-in JPEG decoder on arbitrary bytes: libjpeg's errors must come
// back as a false answer, never end the process.
#include "picture/JpegDecoder.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TPictureBitmap picture;
    std::string error;
    const bool ok = TJpegDecoder::Decode(reinterpret_cast<const char*>(data), size, picture, error);
    if (ok && picture.Bits.size() != size_t(picture.Width) * picture.Height * 4) std::abort();
    if (!ok && !picture.Empty()) std::abort();
    return 0;
}
