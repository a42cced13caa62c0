#pragma once
// Character-aware helpers over CP932 byte strings. A double-byte character
// (lead byte 0x81-0x9F or 0xE0-0xFC followed by any byte) is one character:
// its second byte, which may be "\" (0x5C), "|" or another ASCII sign, is
// never taken for that sign. A lead byte at the very end of a text counts
// as a character of its own. Nothing here reads outside the given text.
#include <cstddef>
#include <string>
#include <string_view>

class TSjisText {
public:
    static bool IsLeadByte(unsigned char c) {
        return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    }
    // Byte length (1 or 2) of the character starting at `pos` (< text.size()).
    static size_t CharLength(std::string_view text, size_t pos) {
        return (IsLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size()) ? 2 : 1;
    }

    // Lower/upper case of the single-byte letters A-Z; double-byte characters
    // are left alone (the Japanese locale's case mapping).
    static std::string LowerCase(std::string_view text);
    static void LowerCaseInPlace(std::string& text);
    static std::string UpperCase(std::string_view text);

    // Remove the bytes up to and including the blank (every byte <= 0x20)
    // from both ends, or from one end.
    static std::string Trim(std::string_view text);
    static std::string TrimLeft(std::string_view text);
    static std::string TrimRight(std::string_view text);

    // Position (0-based) of the first `needle` that starts on a character
    // boundary at or after `from` (itself a character boundary); npos when
    // there is none.
    // No byte of 0x80 or above: every byte a character, so the searches
    // below find what a plain byte search finds.
    static bool IsAscii(std::string_view text);
    static size_t Find(std::string_view text, std::string_view needle, size_t from = 0);
    static size_t FindChar(std::string_view text, char c, size_t from = 0);
    // Position of the last single-byte character `c`; npos when none.
    static size_t FindLastChar(std::string_view text, char c);

    // Every single-byte character `from` becomes `to`.
    static std::string ReplaceChar(std::string_view text, char from, char to);
    // Every occurrence of `what` on a character boundary becomes `with`.
    static std::string ReplaceAll(std::string_view text, std::string_view what, std::string_view with);
    // Drops every single-byte character found in `chars`.
    static std::string RemoveChars(std::string_view text, std::string_view chars);
};
