#include "picture/PluginManager.h"

#include "picture/DibReader.h"
#include "platform/FileOps.h"
#include "platform/WinPath.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

#include <dlfcn.h>
#include <malloc.h>

TPluginManager::TPluginManager(std::string_view folder)
    : PluginFolder(TWinPath::IncludeTrailingBackslash(folder)) {
    std::vector<TFolderEntry> entries;
    TFileOps::ListFolder(PluginFolder, entries);
    std::sort(entries.begin(), entries.end(),
              [](const TFolderEntry& a, const TFolderEntry& b) { return a.Name < b.Name; });
    for (const TFolderEntry& entry : entries) {
        if (entry.IsFolder) continue;
        const std::string path = TWinPath::ToNative(PluginFolder + entry.Name);
        void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!module) continue;
        auto info = reinterpret_cast<VorlenGetPluginInfoFunc>(::dlsym(module, "GetPluginInfo"));
        char text[VORLEN_SPI_INFO_SIZE] = {};
        if (info) info(0, text, sizeof text);
        text[sizeof text - 1] = '\0';
        if (!info || std::strcmp(text, VORLEN_SPI_VERSION) != 0) {
            ::dlclose(module);
            continue;
        }
        TPlugin plugin;
        plugin.Module = module;
        plugin.FileName = entry.Name;
        plugin.IsSupported = reinterpret_cast<VorlenIsSupportedFunc>(::dlsym(module, "IsSupported"));
        plugin.GetPicture = reinterpret_cast<VorlenGetPictureFunc>(::dlsym(module, "GetPicture"));
        Plugins.push_back(std::move(plugin));
    }
}

TPluginManager::~TPluginManager() {
    for (TPlugin& plugin : Plugins) ::dlclose(plugin.Module);
}

bool TPluginManager::LoadPicture(const char* bytes, size_t size) {
    Bitmap.Clear();
    LastError.clear();
    if (!bytes || size == 0 || size > size_t(INT32_MAX)) {
        LastError = "no data";
        return false;
    }
    char probe[VORLEN_SPI_PROBE_SIZE] = {};
    std::memcpy(probe, bytes, std::min(size, sizeof probe));
    const TPlugin* chosen = nullptr;
    for (const TPlugin& plugin : Plugins) {
        if (plugin.IsSupported && plugin.IsSupported(nullptr, probe) != 0) {
            chosen = &plugin;
            break;
        }
    }
    if (!chosen) {
        LastError = "no plug-in takes the data";
        return false;
    }
    if (!chosen->GetPicture) {
        LastError = chosen->FileName + ": no GetPicture";
        return false;
    }
    VorlenSpiHandle info = nullptr;
    VorlenSpiHandle bits = nullptr;
    const int32_t answer = chosen->GetPicture(bytes, int32_t(size), VORLEN_SPI_MEMORY, &info, &bits,
                                              nullptr, 0);
    bool ok = false;
    if (answer != VORLEN_SPI_OK) {
        LastError = chosen->FileName + ": error " + std::to_string(answer);
    } else {
        // The blocks come from malloc, so their size is what the allocator
        // knows of them.
        const size_t infoSize = info ? ::malloc_usable_size(info) : 0;
        const size_t bitsSize = bits ? ::malloc_usable_size(bits) : 0;
        std::string why;
        ok = TDibReader::Read(info, infoSize, bits, bitsSize, Bitmap, why);
        if (!ok) LastError = chosen->FileName + ": " + why;
    }
    std::free(info);
    std::free(bits);
    return ok;
}
