#pragma once
// When the main window's commands are shown and enabled, as functions of a
// plain snapshot of the window's state. The window takes a snapshot when a
// menu is about to open, when a shortcut fires and after the state changed;
// menus, tool bars and shortcuts all ask the same rule.
//
// No state; any thread.
#include <string>

// What the window looks like at one moment.
struct TYarvCommandState {
    enum TFocus { fcOther, fcTree, fcHistory, fcFileList, fcSource, fcUnreach, fcAddress };
    enum TRightTab { rtFile, rtSource, rtUnreach };
    enum TNaviTab { ntPage, ntHistory };

    bool NoPage = true;
    bool MailPage = false; // the page shown is a mail address
    TFocus Focus = fcOther;
    TRightTab RightTab = rtFile;
    TNaviTab NaviTab = ntPage;
    int FileSelected = 0;          // selected rows of the file list
    bool FileFirstOpens = false;   // its first selected row is a page name or a mail address
    int UnreachSelected = 0;
    bool TreeNodeFile = false;     // the page tree's selected node has a record
    int TreeNodeDepth = 0;         // 1: a top-level page; 0: none or the root
    bool HistoryPage = false;      // the history's selected node is a page
    bool SourceSelection = false;  // text selected in the source view
    bool SourceEmpty = true;
    bool Local = false;            // the page shown is local
    bool LocalList = false;        // ... and a generated folder listing
    bool ClipboardFiles = false;
    bool CanBack = false;
    bool CanForward = false;
    int DownloadWindows = 0;

    // The selected record of the focused view.
    bool HasSelectedRecord() const;
};

enum TYarvCommand {
    ycOpen,           // "開く(&O)"
    ycOpenThis,       // "現在のページをWWWブラウザで開く(&N)"
    ycOpenBrowser,
    ycPreview,
    ycProperty,
    ycPageProperty,
    ycURLExport,
    ycDownload,       // the action (menu, tool bar, Ctrl+L)
    ycPopDownload,    // the context menu's item
    ycWndSelDownload, // the run menu's submenu
    ycPopWndSelDownload,
    ycPopCascade,
    ycMakeRoot,
    ycCopy,
    ycCut,
    ycPaste,
    ycDelete,
    ycSelAll,
    ycAddFavorite,
    ycPopAddFavorite,
    ycUpdate,
    ycPopUpdate,
    ycBack,
    ycForward,
    ycCharset,
    ycFilterDropDown, // a hidden command with a condition
    ycAlways,         // every command without a rule
    ycCommandCount
};

struct TYarvCommandRule {
    bool Visible = true;
    bool Enabled = true;
    // Whether its shortcut runs it.
    bool Runs() const { return Visible && Enabled; }
};

class TYarvCommandRules {
public:
    static TYarvCommandRule Rule(TYarvCommand command, const TYarvCommandState& state);
    // The caption of a window-specific download entry: "&" index ": " for
    // the first ten windows (CP932 captions).
    static std::string WindowEntryCaption(int index, const std::string& caption);
};
