/* A test plug-in of another interface version: it would take any data. */
#include "VorlenPlugin.h"

#include <string.h>

VORLEN_SPI_EXPORT int32_t GetPluginInfo(int32_t infono, char* buf, int32_t buflen) {
    if (infono != 0 || buflen < 5) return 0;
    memcpy(buf, "00AM", 5);
    return 4;
}

VORLEN_SPI_EXPORT int32_t IsSupported(const char* filename, const void* dw) { return 1; }

VORLEN_SPI_EXPORT int32_t GetPicture(const char* buf, int32_t len, uint32_t flag,
                                     VorlenSpiHandle* pHBInfo, VorlenSpiHandle* pHBm,
                                     VorlenSpiProgress progress, int32_t lData) {
    return VORLEN_SPI_INTERNAL_ERROR;
}
