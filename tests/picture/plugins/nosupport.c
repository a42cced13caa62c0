/* A test plug-in of the right version without IsSupported: it is loaded
 * and passed over when a picture is decoded. */
#include "VorlenPlugin.h"

#include <string.h>

VORLEN_SPI_EXPORT int32_t GetPluginInfo(int32_t infono, char* buf, int32_t buflen) {
    if (infono != 0 || buflen < 5) return 0;
    memcpy(buf, "00IN", 5);
    return 4;
}
