/* A test plug-in that returns whatever blocks its data describes:
 * "LIAR", the info block's size and the bits block's size (32-bit
 * little-endian each), then the bytes of both. A size of 0xFFFFFFFF
 * makes GetPicture fail instead. */
#include "VorlenPlugin.h"

#include <stdlib.h>
#include <string.h>

VORLEN_SPI_EXPORT int32_t GetPluginInfo(int32_t infono, char* buf, int32_t buflen) {
    if (infono != 0 || buflen < 5) return 0;
    memcpy(buf, "00IN", 5);
    return 4;
}

VORLEN_SPI_EXPORT int32_t IsSupported(const char* filename, const void* dw) {
    return memcmp(dw, "LIAR", 4) == 0;
}

VORLEN_SPI_EXPORT int32_t GetPicture(const char* buf, int32_t len, uint32_t flag,
                                     VorlenSpiHandle* pHBInfo, VorlenSpiHandle* pHBm,
                                     VorlenSpiProgress progress, int32_t lData) {
    uint32_t sizes[2];
    if (len < 12) return VORLEN_SPI_BROKEN_DATA;
    memcpy(sizes, buf + 4, 8);
    if (sizes[0] == 0xFFFFFFFFu) return VORLEN_SPI_BROKEN_DATA;
    if ((uint64_t)sizes[0] + sizes[1] + 12 > (uint64_t)len) return VORLEN_SPI_BROKEN_DATA;
    void* info = malloc(sizes[0]);
    void* bits = malloc(sizes[1]);
    memcpy(info, buf + 12, sizes[0]);
    memcpy(bits, buf + 12 + sizes[0], sizes[1]);
    *pHBInfo = info;
    *pHBm = bits;
    return VORLEN_SPI_OK;
}
