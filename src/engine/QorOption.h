#pragma once
// The user's options, kept in option.dat in the data folder. The main window
// owns one, reads it at creation, lets the option dialog edit it and writes
// it when the dialog is confirmed; it hands the values on to its load
// manager, page item extractor, views and new download windows.
//
// Threads: main thread only (workers get copies of the values they need).
#include <string>
#include <string_view>

// How a new download window starts.
enum TQorLoadStartType : int {
    qlstSuspend = 0,   // paused
    qlstSelFolder = 1, // ask for the save folder, then run
    qlstFixFolder = 2, // run into LoadFolder
};

// What a double-click in the file list does.
enum TQorDblClickType : int {
    qdctOpenByBrowser = 0,
    qdctPreview = 1,
    qdctOpen = 2, // only a hand-written option.dat sets it; the dialog offers the first two
};

class TQorOption {
public:
    bool UseCache = true;                     // the load manager's UseCache
    unsigned int CacheSize = 5;               // the load manager's CacheSize, megabytes
    int HistoryDay = 14;                      // days the history keeps pages
    TQorLoadStartType LoadStart = qlstSelFolder;
    std::string LoadFolder;                   // the save folder for qlstFixFolder
    int LoadCount = 5;                        // parallel downloads of a new download window
    bool AutoClose = false;                   // new download windows close when done
    bool DirReapp = false;                    // new download windows re-create the site's folders
    int UnreachSave = 14;                     // days the unfinished-file list keeps entries
    int RetryWait = 10;                       // seconds between download attempts
    TQorDblClickType DblClk = qdctPreview;
    bool SearchAnchor = true;                 // the page item extractor's SearchAnchor
    bool SearchFile = true;                   // the page item extractor's SearchFile
    int ModifyLimit = 3;                      // the load manager's ModifyLimit, days
    bool ShowAnchor = true;                   // anchor texts in the page tree and file list
    bool HideStart = false;                   // the main window is not shown at start
    bool ShowTray = true;                     // the tray icon is shown
    std::string LastSaveDir;                  // the save folder chosen last

    // Reads option.dat: section "Setting", one key per member above, named
    // as the member; LoadFolder and LastSaveDir are strings, the rest
    // integers (booleans as 0 and 1, any non-zero integer true; the
    // enumerations as their numbers).
    // A missing key, or one whose value is not an integer where one is
    // expected, keeps the member's current value. So does a value the
    // program could not use: an enumeration number outside the enumeration,
    // or a number outside the range the option dialog accepts (HistoryDay,
    // UnreachSave, RetryWait, ModifyLimit 0 to 999; CacheSize 1 to 999;
    // LoadCount 1 to 9), since a damaged file must not, say, start a
    // thousand parallel downloads.
    // A missing file reads as empty and answers true. False when the file is
    // there but cannot be read (a folder in its place, no permission): then
    // nothing changes.
    bool LoadFromFile(std::string_view path);
    // Writes all 18 keys in the order "UseCache", "CacheSize", "HistoryDay",
    // "LoadStart", "LoadFolder", "LoadCount", "AutoClose", "DirReapp",
    // "UnreachSave", "RetryWait", "DblClk", "SearchAnchor", "SearchFile",
    // "LastSaveDir", "ModifyLimit", "ShowAnchor", "HideStart", "ShowTray",
    // and nothing else. The file is replaced in one step: on failure (false)
    // the old file stays as it was.
    bool SaveToFile(std::string_view path) const;
};
