#include "engine/Setting.h"

#include "platform/FileOps.h"
#include "platform/SystemFolders.h"

TSetting::TSetting(int screenWidth, int screenHeight) {
    try {
        std::string appData = TSystemFolders::AppDataFolder();
        if (appData.empty()) {
            InitError = true;
        } else {
            DataFolder = appData + "Vorlen\\";
            CacheFolder = DataFolder + "Temporary\\";
            HistoryFolder = DataFolder + "History\\";
            for (const std::string* folder : {&DataFolder, &CacheFolder, &HistoryFolder})
                if (!TFileOps::ForceDirectories(*folder)) InitError = true;
        }
        std::string exeFolder = TSystemFolders::ExeFolder();
        if (exeFolder.empty()) {
            InitError = true;
        } else {
            PluginFolder = exeFolder + "Plugin\\";
            // An installed program usually sits in a folder the user cannot
            // write to; without the plug-in folder only the image plug-ins
            // are missing, which is no reason to stop the program.
            TFileOps::ForceDirectories(PluginFolder);
        }

        if (DataFolder.empty()) return;
        InstanceLock = std::make_unique<TInstanceLock>(DataFolder, "vorlen-semaphoneobject", MaxInstances);
        InstanceNumber = InstanceLock->Number() >= 0 ? InstanceLock->Number() : 0;
        PosInfo = std::make_unique<TWindowPosInfo>(
            DataFolder + "vorlenpos" + std::to_string(InstanceNumber) + ".ini", screenWidth, screenHeight);
    } catch (...) {
        // Out of memory while starting: the window cannot go on either.
        InitError = true;
    }
}

TSetting::~TSetting() = default;
