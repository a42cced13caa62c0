#pragma once
// Windows-form paths on the one virtual drive "C:", which is the Linux root.
// Inside the program a path is CP932 with backslashes ("C:\home\me\a.html",
// folders with a trailing "\"); the file system sees UTF-8 native paths.
#include <string>
#include <string_view>

class TWinPath {
public:
    // "C:\home\me\a.html" -> "/home/me/a.html" (UTF-8). Also accepts "C:/..."
    // and "C|\..."; a path without a drive is taken relative to the root.
    // A drive other than C gives an empty result (no such drive here).
    static std::string ToNative(std::string_view winPath);
    // "/home/me/a.html" (UTF-8) -> "C:\home\me\a.html" (CP932). A relative
    // native path is made absolute against the current folder first.
    static std::string FromNative(std::string_view nativePath);
    // True for "C:" / "c:" drive paths (second character ":" or "|").
    static bool HasDrive(std::string_view winPath);
};
