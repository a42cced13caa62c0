// The PNG plug-in on arbitrary bytes (see PluginFuzz.h).
#include "PluginFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { return FuzzPlugin(data, size); }
