#pragma once
// The recently used save folders of the download windows ("savedir.dat" in
// the data folder, shared by every window): plain text, one folder a line,
// CR LF, the most recent first, at most eight. Also the checks of a folder
// typed as a queue's default folder or as one row's own folder.
//
// Only absolute folders are taken: "C:\..." whose drive exists, or a POSIX
// path ("/home/me/dl"), which is the same folder in Windows form
// ("C:\home\me\dl"). A relative folder ("dl") would land under the root.
// Folders are compared exactly (two folders may differ in letter case
// here), a trailing "\" aside.
//
// Main thread only.
#include <string>
#include <string_view>
#include <vector>

class TSaveDirList {
public:
    static constexpr size_t kMaxItems = 8;

    std::vector<std::string> Items;

    // Replaces Items with the file's lines (empty lines skipped, at most
    // eight). A missing or unreadable file leaves the list empty; false then.
    bool LoadFromFile(std::string_view path);
    // Writes the file in one step; false when it could not be written.
    bool SaveToFile(std::string_view path) const;

    // Puts `folder` at the top (moving it when the list holds it already)
    // and drops the entries beyond the eighth.
    void Use(const std::string& folder);
    int IndexOf(std::string_view folder) const;

    // The check before a window runs: true with the folder (trimmed, in
    // Windows form), or false with the message to show.
    static bool CheckSaveDir(std::string_view text, std::string& folder, std::string& message);
    // The check of a row's own folder (the folder dialog's OK): with
    // `useDefault`, or an empty text, the result is empty (the queue's
    // default); otherwise the folder must exist. False with the message.
    static bool CheckRowDir(std::string_view text, bool useDefault, std::string& folder, std::string& message);
    // A typed folder in Windows form: trimmed, a POSIX path converted.
    static std::string Normalize(std::string_view text);
    // "C:\..." with a drive that exists.
    static bool IsAbsolute(std::string_view folder);
};
