#pragma once
// File operations on Windows-form CP932 paths (see TWinPath). Every
// operation catches its errors and answers with a boolean or an empty value;
// a path on a drive other than "C:" is an error like a missing file. All of
// them may be called from any thread; none keeps state between calls.
#include "platform/DateTime.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// One entry of a folder listing.
struct TFolderEntry {
    std::string Name;      // CP932; a name byte sequence that is not UTF-8 shows "?"
    bool IsFolder = false; // links are followed; a dangling link is a file
    int64_t Size = 0;      // bytes; 0 for a folder
    TDateTime Time = 0;    // modification time, local
};

class TFileOps {
public:
    static bool FileExists(std::string_view winPath);      // an existing regular file
    static bool DirectoryExists(std::string_view winPath); // an existing folder

    // Creates the folder and every missing parent. True when the folder
    // exists afterwards (also when it existed before).
    static bool ForceDirectories(std::string_view winPath);
    // Creates one folder; false when it exists already or its parent is missing.
    static bool CreateDir(std::string_view winPath);
    // Removes an empty folder.
    static bool RemoveDir(std::string_view winPath);
    // Removes a file (not a folder).
    static bool DeleteFile(std::string_view winPath);
    // Moves a file or folder, replacing an existing file at the target. A
    // file moves across file systems too (copied, then the source removed);
    // the target never shows a partial file.
    static bool RenameFile(std::string_view fromPath, std::string_view toPath);
    // Copies a regular file with its modification time. With `failIfExists`
    // an existing target is an error; otherwise it is overwritten. Copying a
    // file onto itself is an error.
    static bool CopyFile(std::string_view fromPath, std::string_view toPath, bool failIfExists);

    // True when nothing is at the path or a regular file there can be read:
    // a settings file may be missing, but one that is there and cannot be
    // read must not be taken for an empty one.
    static bool MissingOrReadable(std::string_view winPath);

    // Size of a regular file in bytes; -1 when it is missing or not a file.
    static int64_t FileSize(std::string_view winPath);
    // Modification time (local) of a file or folder.
    static bool FileAge(std::string_view winPath, TDateTime& time);
    static bool SetFileAge(std::string_view winPath, TDateTime time);

    // Reads a whole file into `data` (replaced; emptied on failure).
    static bool ReadWholeFile(std::string_view winPath, std::string& data);
    // Creates or truncates the file and writes `data`. A failure half-way
    // leaves a partial file; use WriteFileAtomically where that matters.
    static bool WriteWholeFile(std::string_view winPath, std::string_view data);
    // Replaces the file with `data` so that a crash or power loss leaves
    // either the old or the new content: a temporary file in the same folder
    // is written and flushed, renamed over the target, and the folder is
    // flushed. An existing target keeps its permissions.
    static bool WriteFileAtomically(std::string_view winPath, std::string_view data);

    // Lists a folder ("." and ".." left out) in the order the system gives.
    // False (and no entries) when the folder cannot be opened; an error while
    // reading ends the list with the entries read so far.
    static bool ListFolder(std::string_view winPath, std::vector<TFolderEntry>& entries);
};
