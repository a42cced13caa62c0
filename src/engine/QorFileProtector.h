#pragma once
// The scrambled storage of the user's list files (address, proxy, favorite,
// unfinished, never-cache and history files). Each byte of the file is the
// byte of the text with its bit order reversed (bit 0 <-> 7, 1 <-> 6,
// 2 <-> 5, 3 <-> 4); the mapping is its own inverse, with no key and no
// header, so "abc" is stored as 86 46 C6.
//
// Stateless: every call may come from any thread. Two saves of one file at
// the same moment are not serialised here (the callers never do that).
#include <string>
#include <string_view>

class TQorFileProtector {
public:
    // The text with every byte's bit order reversed; also the way back.
    static std::string Scramble(std::string_view text);

    // Stores `text` scrambled at `path` (Windows form). An existing file is
    // first copied to the first free name "~N~" + its name in the same
    // folder, N = 1 to 100; when no copy can be made (all 100 names taken,
    // or the copy fails) nothing is written and the answer is false. The new
    // content then replaces the file atomically: a failure, a crash or a
    // power loss at any moment leaves the old or the new content at `path`.
    // The backup is deleted after a successful save and kept after a failed
    // one. True when the new content is in place.
    static bool SaveEncryptionText(std::string_view path, std::string_view text);

    // Reads and unscrambles the file at `path`; the text ends before the
    // first zero byte. False (and `text` empty) when the file is missing or
    // cannot be read.
    static bool LoadEncryptionText(std::string_view path, std::string& text);
};
