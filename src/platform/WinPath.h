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

    // Path text helpers. They work on characters: the second byte of a
    // double-byte character ("\x95\x5C" is one) is never a separator. The
    // separators are "\" and, for the drive, ":".

    // Appends "\" unless the text already ends in one ("" gives "\").
    static std::string IncludeTrailingBackslash(std::string_view path);
    // Drops one final "\" if there is one.
    static std::string ExcludeTrailingBackslash(std::string_view path);
    // "C:\a\b.txt" -> "C:\a\" (up to and including the last separator;
    // empty when there is none).
    static std::string ExtractFilePath(std::string_view path);
    // "C:\a\b.txt" -> "C:\a"; "C:\b.txt" -> "C:\" (a root keeps its "\").
    static std::string ExtractFileDir(std::string_view path);
    // "C:\a\b.txt" -> "b.txt" (after the last separator).
    static std::string ExtractFileName(std::string_view path);
    // "C:\a\b.tar.gz" -> ".gz"; "" when the name has no ".", even when a
    // folder name has one ("C:\a.d\b" -> "").
    static std::string ExtractFileExt(std::string_view path);
    // Replaces the extension found as ExtractFileExt does, or appends `ext`
    // when there is none; `ext` includes its "." ("" removes the extension).
    static std::string ChangeFileExt(std::string_view path, std::string_view ext);
};
