#pragma once
// The desktop services the windows need, on Qt and the freedesktop
// conventions: the folder picker, file type names and icons (the shared MIME
// database and the icon theme), opening addresses and files, and the
// property window of a file.
//
// No state: every member is static. Main thread only (Qt widgets, QLocale).
// Paths and texts are Windows-form CP932 strings as everywhere inside the
// program. Nothing here ever builds a shell command line: addresses come
// from web pages and go to the desktop as one URL (QDesktopServices).
#include <string>
#include <string_view>

class QIcon;
class QWidget;

class TShellObject {
public:
    // The folder picker over `owner`, opened at `startFolder` (at the root
    // when that folder no longer exists), with `title` as its caption. The
    // chosen folder with a trailing "\", or empty when the user cancels.
    static std::string SelectFolder(QWidget* owner, std::string_view startFolder,
                                    std::string_view title);

    enum TSpecialFolder { sfAppData, sfPersonal, sfDesktop };
    // A folder of the desktop with a trailing "\"; empty when unknown.
    // Nothing is created.
    static std::string GetSpecialFolderPath(TSpecialFolder folder);

    // The type of a file extension: `name` is "txt" or ".txt" (the same),
    // or "<dir>" for folders. True when the desktop knows the type; then
    // `typeName` is its description in Japanese (in the language the
    // database has, else its default text). An unknown extension gives
    // false and an empty `typeName` (the caller names it after the
    // extension). `icon` is always usable: the type's icon from the theme,
    // else its generic icon, else a generic file icon (`genericIcon` set),
    // a folder icon for "<dir>".
    static bool GetFileTypeInfo(std::string_view name, std::string& typeName, bool& genericIcon,
                                QIcon& icon);

    // Opens a web address (http, https, ftp) or a local file in the
    // browser of the desktop. False when the address is none of these or
    // the desktop refuses it.
    static bool OpenByBrowser(std::string_view address);
    // Opens a local file or folder with its program. False when the path is
    // not on our drive or the desktop refuses it.
    static bool Execute(std::string_view path);
    // The property window of a file or folder (non-modal, over `owner`).
    static void ShowProperty(QWidget* owner, std::string_view path);

    // Names a fallback icon theme when the desktop gives no theme that has
    // the file-type icons (bare X sessions, Xvfb); the desktop's own theme
    // still wins where it has an icon. Call once at start.
    static void PrepareIconTheme();
};
