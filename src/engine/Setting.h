#pragma once
// Where the program keeps its files, and which running instance this is.
// The main window creates one in its constructor and keeps it for its life.
//
// The constructor finds the folders and creates any that are missing:
//   DataFolder    the application-data folder + "Vorlen\"
//                 ($XDG_CONFIG_HOME, else $HOME/.config; see TSystemFolders)
//   CacheFolder   DataFolder + "Temporary\": page cache and download work files
//   HistoryFolder DataFolder + "History\": history files
//   PluginFolder  the executable's folder + "Plugin\": image plug-ins
// and sets InitError when one of them cannot be created (or the
// application-data or executable folder cannot be found at all; then the
// folders it would hold stay empty). The window stops the program when it
// finds InitError set.
//
// Instances are numbered so that each keeps its window positions in its own
// file, DataFolder + "vorlenpos" + number + ".ini": every instance runs, the
// first one takes 0, one started while it runs 1, and so on. The number is a
// lock file "vorlen-semaphoneobject.<number>.lock" in the data folder held
// for the object's life (TInstanceLock), so the smallest free number is
// taken and an instance that ends in any way, crashed or killed too, frees
// its number for the next one. When no number can be held (the data folder
// is missing, or 999 instances run) the instance uses 0 without holding it.
//
// The window-position defaults centre the main window on the screen; this
// layer has no screen, so the constructor takes the screen's size in pixels
// and passes it to PosInfo.
//
// Threads: main thread only.
#include "engine/ProxyManager.h"
#include "engine/WindowPosInfo.h"
#include "platform/InstanceLock.h"

#include <memory>
#include <string>

class TSetting {
public:
    // The most instances that get a number of their own.
    static constexpr int MaxInstances = 999;

    TSetting(int screenWidth, int screenHeight);
    ~TSetting(); // frees PosInfo, the proxy list and the instance number
    TSetting(const TSetting&) = delete;
    TSetting& operator=(const TSetting&) = delete;

    std::string DataFolder;    // Windows form, trailing "\"
    std::string CacheFolder;
    std::string HistoryFolder;
    std::string PluginFolder;
    // The proxy list; empty until the main window reads proxy.dat into it.
    std::unique_ptr<TProxyManager> ProxyManager = std::make_unique<TProxyManager>();
    bool InitError = false;
    int InstanceNumber = 0;
    std::unique_ptr<TInstanceLock> InstanceLock; // none when the data folder is unknown
    // This instance's window positions, defaults set and nothing read yet;
    // none when the data folder is unknown.
    std::unique_ptr<TWindowPosInfo> PosInfo;
};
