#pragma once
// File lists as other desktop programs exchange them (clipboard and drag and
// drop): text/uri-list (RFC 2483) of file:// addresses, and the cut/copy
// mark of GNOME-style file managers (x-special/gnome-copied-files, and the
// older Nautilus form of it as plain text). Paths on our side are
// Windows-form CP932 paths (see TWinPath); the addresses carry the native
// UTF-8 path, percent-encoded.
//
// Reading is lenient: CR LF, LF or CR end lines, "#" lines and blank lines
// are skipped, and only local file addresses (empty host or "localhost")
// give paths; anything else on a line is ignored, never an error.
#include <string>
#include <string_view>
#include <vector>

class TFileUriList {
public:
    // "C:\home\me\a b.txt" -> "file:///home/me/a%20b.txt". A trailing "\"
    // is dropped (except for the root). Empty for a path on another drive.
    static std::string PathToUri(std::string_view winPath);
    // "file:///home/me/a%20b.txt" (also "file://localhost/..." and
    // "file:/...") -> "C:\home\me\a b.txt". False for anything that is not
    // a local file address.
    static bool UriToPath(std::string_view uri, std::string& winPath);

    // A text/uri-list body: one address per path, each ended by CR LF.
    static std::string FromPaths(const std::vector<std::string>& winPaths);
    // The local paths of a text/uri-list body, in order.
    static std::vector<std::string> ToPaths(std::string_view uriList);

    // The body of x-special/gnome-copied-files: "cut" or "copy", then one
    // address per line (LF, no final line end, as file managers write it).
    static std::string GnomeCopiedFiles(const std::vector<std::string>& winPaths, bool cut);
    // Reads that body, or the plain-text form of older Nautilus versions
    // ("x-special/nautilus-clipboard", then the same lines). False when the
    // text is neither; `cut` is true for "cut", false for "copy".
    static bool ParseGnomeCopiedFiles(std::string_view text, bool& cut,
                                      std::vector<std::string>& winPaths);
};
