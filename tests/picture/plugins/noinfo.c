/* A test plug-in without GetPluginInfo: it would take any data. */
#include "VorlenPlugin.h"

VORLEN_SPI_EXPORT int32_t IsSupported(const char* filename, const void* dw) { return 1; }

VORLEN_SPI_EXPORT int32_t GetPicture(const char* buf, int32_t len, uint32_t flag,
                                     VorlenSpiHandle* pHBInfo, VorlenSpiHandle* pHBm,
                                     VorlenSpiProgress progress, int32_t lData) {
    return VORLEN_SPI_INTERNAL_ERROR;
}
