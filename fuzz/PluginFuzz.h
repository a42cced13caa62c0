#pragma once
// The body of every plug-in fuzz target: the decoder linked in directly
// (one per target), fed arbitrary bytes as the plug-in manager feeds it,
// and whatever it returns checked as the manager checks it.
#include "VorlenPlugin.h"
#include "picture/DibReader.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include <malloc.h>

inline int FuzzPlugin(const uint8_t* data, size_t size) {
    if (size == 0 || size > (1u << 20)) return 0;
    char probe[VORLEN_SPI_PROBE_SIZE] = {};
    std::memcpy(probe, data, std::min(size, sizeof probe));
    IsSupported(nullptr, probe);
    VorlenSpiHandle info = nullptr;
    VorlenSpiHandle bits = nullptr;
    // Ask even when IsSupported says no: a plug-in must not crash either way.
    const int32_t answer = GetPicture(reinterpret_cast<const char*>(data), int32_t(size),
                                      VORLEN_SPI_MEMORY, &info, &bits, nullptr, 0);
    if (answer == VORLEN_SPI_OK) {
        // What the plug-in returns must always pass the manager's checks.
        TPictureBitmap picture;
        std::string error;
        if (!TDibReader::Read(info, malloc_usable_size(info), bits, malloc_usable_size(bits), picture, error))
            std::abort();
    } else if (info || bits) {
        std::abort(); // a failure hands over no blocks
    }
    std::free(info);
    std::free(bits);
    return 0;
}
