#pragma once
// The main window's rules for one page load, from the request to the end
// of OnLoaded, as functions of plain values: the window applies them to its
// views. Texts are CP932.
//
// Threads: any (no state); AskDownload is asked on the page load thread.
#include "inet/CharsetType.h"

#include <string>
#include <string_view>
#include <vector>

class TInetURLEx;
class TQorFile;

// Why a load was started.
enum TLoadOrigin : int {
    loNone = 0,
    loNewRoot = 1,
    loTreePage = 2,
    loHistory = 3,
    loBackForward = 6,
    loCharset = 7,
};

class TLoadCycleRules {
public:
    static constexpr const char* AppTitle = "Vorlen Tiram";

    // The address opened at start: the arguments after the program's own
    // path joined by one blank, trimmed.
    static std::string StartURL(const std::vector<std::string>& arguments);

    // "ページ <plain URL> を開いています..."
    static std::string OpeningText(const TQorFile& file);
    // "場所: <plain URL>"; empty for none.
    static std::string LocationText(const TQorFile* file);

    // The download question of a response header: a status below 400, a
    // body that is not text, and a file whose extension is not one of the
    // playlists (.asx .wax .wvx, read as pages to list their entries).
    static bool AskDownload(int status, std::string_view fileName, bool textData);
    // "<file name>\n" + "このファイルをダウンロードしますか？"
    static std::string AskDownloadText(const TQorFile& file);

    // Whether OpenAddress loads the record as a page (a web address, a local
    // folder or local page) rather than handing it to the desktop.
    static bool OpensAsPage(const TQorFile& file);
    // A record that becomes a child node of its page: a web record without
    // an extension or with a page extension, a local folder or local page.
    static bool IsPageLink(const TQorFile& file);

    // The origin of the update command: history stays history.
    static TLoadOrigin UpdateOrigin(int lastOrigin) {
        return lastOrigin == loHistory ? loHistory : loTreePage;
    }
    // Whether a completed load goes into the back/forward list.
    static bool AddsBackForward(int origin) {
        return origin != loHistory && origin != loCharset && origin != loBackForward;
    }
    // A re-opened page keeps its children when it was reached from the tree
    // or back/forward, was served from the cache and was loaded before.
    static bool KeepChildren(int savedOrigin, bool fromCache, bool loadedBefore) {
        return (savedOrigin == loTreePage || savedOrigin == loBackForward) && fromCache && loadedBefore;
    }
    // Whether a child of a kept page takes the page's user name, password
    // and port: its comparable URL starts with the page's comparable folder,
    // both with their port (so a page of :8080 does not hand its
    // credentials to links of the same host on another port).
    static bool SharesFolder(const TInetURLEx& page, const TInetURLEx& child);
    // Copies the page URL's user name, password and port into the child.
    static void InheritCredentials(const TInetURLEx& page, TInetURLEx& child);

    // Image of the page: 3 failed (error or status 400 and above), 4 from
    // the cache, 2 loaded.
    static int PageIcon(int state, int reply, bool fromCache);
    // The node caption after a load: "[open fail] " / "[time out] " + the
    // plain URL for a failed connection, "[<status>] " + the caption for a
    // status of 400 and above, else the caption as it is. A failed
    // connection's reason, when there is one (TConnectReason), follows the
    // URL in parentheses.
    static std::string NodeCaption(int state, int reply, const std::string& caption,
                                   const std::string& planeURL, const std::string& reason = {});
    // Status text after a load: "open fail <URL>", "time out <URL>" or
    // "ステータス : <status>"; the reason as for NodeCaption.
    static std::string StatusText(int state, int reply, const std::string& planeURL,
                                  const std::string& reason = {});
    // "<caption> - Vorlen Tiram", the caption being the page title or, when
    // empty, its plain URL.
    static std::string WindowTitle(const std::string& title, const std::string& planeURL);
    // The "文字コード(&C)" item of a detected character set: 0 シフトJIS
    // (also for an unknown one), 1 EUC, 2 JIS, 3 UTF-8.
    static int CharsetItem(TCharsetType charset);
    // Whether a finished local load gets a folder monitor: a local listing
    // (status 200) of a path other than the drive root.
    static bool MonitorsFolder(bool local, int reply, const std::string& localPath);
    // The address shown in the address bar: the full form with its port,
    // without the user name and password.
    static std::string AddressText(const TQorFile& page);
};
