#pragma once
// Lists of files on the system clipboard, in the forms file managers
// exchange: text/uri-list, with the cut/copy mark that GNOME-style managers
// read (x-special/gnome-copied-files) and the one KDE reads
// (application/x-kde-cutselection), plus the paths as plain text for text
// editors. Reading takes what Nautilus (old and new), Dolphin and Thunar put
// there. Paths are Windows-form CP932 full paths.
//
// No state: every member is static. Main thread only.
#include <string>
#include <vector>

class QMimeData;
class QWidget;

class TClipFileObject {
public:
    // Drop effects, as bits.
    enum : int { deNone = 0, deCopy = 1, deMove = 2, deLink = 4 };

    // Replaces the clipboard with `paths`; `effect` with the move bit marks
    // them as cut (the paste moves them), anything else as copied. `owner`
    // is only the window the request comes from.
    static void ToClipboard(QWidget* owner, const std::vector<std::string>& paths, int effect);
    // The files on the clipboard, in order (the list is emptied first);
    // true when there is at least one.
    static bool GetClipFiles(std::vector<std::string>& list);
    // deMove when the files were cut, deCopy when they were copied, deNone
    // when the clipboard carries no mark.
    static int GetCopyType();
    // Empties the clipboard.
    static void Clear();

    // The same on a QMimeData, for drag and drop and tests. MakeMimeData
    // gives a new object for the caller (or the clipboard) to own.
    static QMimeData* MakeMimeData(const std::vector<std::string>& paths, int effect);
    static bool ReadFiles(const QMimeData* data, std::vector<std::string>& list);
    static int ReadCopyType(const QMimeData* data);
};
