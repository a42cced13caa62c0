#pragma once
// Copy, move and delete of native paths for the file list's paste and
// delete, with the guards a file manager keeps: an existing target is never
// replaced without asking, a folder never goes into itself, a move across
// file systems copies and then deletes, and a copy onto itself is refused.
// Each source that fails is reported with its problem; the rest go on.
// Main thread; nothing is kept between calls except the problem list.
#include <functional>
#include <string>
#include <vector>

enum class TOverwriteAnswer { Yes, No, Cancel };

enum class TFileProblem {
    Missing,     // the source is gone
    IntoItself,  // a folder into itself or one of its sub-folders
    SameFile,    // a copy onto itself
    KindClash,   // a file onto a folder or a folder onto a file
    Failed,      // the system refused (Detail says why)
};

struct TFileProblemEntry {
    std::string Path; // native
    TFileProblem Problem = TFileProblem::Failed;
    std::string Detail; // the system's message (UTF-8), for Failed
};

class TLocalFileOperation {
public:
    // Copies (or moves) every source into `folder` under its own name. An
    // existing target is asked about through OnOverwrite (none bound: never
    // replaced); Yes replaces a file and merges into a folder, Cancel stops
    // before the rest. True when nothing failed and nothing was canceled (a
    // target the user chose to keep is no failure).
    bool CopyInto(const std::vector<std::string>& sources, const std::string& folder, bool move);
    // Removes each path for good (folders with their content).
    bool DeleteForever(const std::vector<std::string>& paths);

    // Asked with the native target path.
    std::function<TOverwriteAnswer(const std::string& target)> OnOverwrite;
    std::vector<TFileProblemEntry> Problems;
    bool Canceled = false;
};
