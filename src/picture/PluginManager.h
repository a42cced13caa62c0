#pragma once
// The image plug-ins of one folder (see plugins/VorlenPlugin.h) and the
// last picture one of them decoded.
//
// The constructor loads every file of the folder, in name order, with
// dlopen; a file that is no library, lacks GetPluginInfo, or whose
// GetPluginInfo(0) answers anything but "00IN" is closed again and
// ignored. LoadPicture asks the plug-ins in that order whether they take
// the data (IsSupported with the first 2 KiB), lets the first that does
// decode it (GetPicture from memory), checks both blocks it returns with
// TDibReader and frees them with free() in every case.
//
// Main thread only (the plug-ins are not known to be reentrant).
#include "picture/PictureBitmap.h"

#include "VorlenPlugin.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class TPluginManager {
public:
    struct TPlugin {
        void* Module = nullptr; // from dlopen
        std::string FileName;   // the file's name in the folder
        VorlenIsSupportedFunc IsSupported = nullptr; // may be missing
        VorlenGetPictureFunc GetPicture = nullptr;   // may be missing
    };

    // `folder`: a Windows-form path ("C:\...\Plugin\"); a missing folder
    // gives no plug-ins.
    explicit TPluginManager(std::string_view folder);
    ~TPluginManager();
    TPluginManager(const TPluginManager&) = delete;
    TPluginManager& operator=(const TPluginManager&) = delete;

    // Decodes the bytes into Bitmap with the first plug-in that accepts
    // them. False when none does, when it fails, or when what it returns
    // does not hold up (LastError says why); Bitmap is then empty.
    bool LoadPicture(const char* bytes, size_t size);

    std::string PluginFolder; // ends with "\"
    TPictureBitmap Bitmap;
    std::vector<TPlugin> Plugins;
    std::string LastError;
};
