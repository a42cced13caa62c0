#pragma once
// The one place where text crosses between the program's inner code page
// (CP932, Shift-JIS with the Windows extensions) and the outside world
// (file names, terminals, Qt, the clipboard). Nothing else calls iconv.
//
// Every function is thread-safe and total: it never fails and never reads
// past the given view. A byte sequence that is not valid in the source
// becomes "?" in CP932 output and U+FFFD in Unicode output.
//
// A character that CP932 cannot hold is kept as an escape inside the CP932
// text: the byte 0xFD (never a lead byte, never produced by the code page
// itself) followed by four bytes 0xA0 + six bits of the code point, most
// significant first. Every character-aware CP932 walker sees five single-byte
// characters that match nothing ASCII, so parsers, case folding and trimming
// leave the escape whole. The conversions back to Unicode turn a well-formed
// escape of a code point without a CP932 form into that character; any other
// 0xFD stays what it always was (invalid, U+FFFD).
#include <cstddef>
#include <string>
#include <string_view>

class TCodePage {
public:
    // What a character without a CP932 form becomes on the way in: the
    // escape, or "?" for output that must be plain CP932 for someone else.
    enum TUnmappable { umEscape, umQuestion };

    static constexpr unsigned char kEscapeByte = 0xFD;
    static constexpr size_t kEscapeLength = 5;

    static std::string ToUtf8(std::string_view cp932);
    static std::string FromUtf8(std::string_view utf8, TUnmappable unmappable = umEscape);
    static std::u16string ToUtf16(std::string_view cp932);
    static std::string FromUtf16(std::u16string_view utf16, TUnmappable unmappable = umEscape);

    // Whether the bytes are well-formed UTF-8 (no overlong forms, no
    // surrogates, nothing above U+10FFFF).
    static bool IsUtf8(std::string_view text);

    // One code point as CP932: its CP932 form, else the escape (or "?");
    // a value that is no code point (a surrogate, above U+10FFFF) is "?".
    static std::string FromCodePoint(char32_t cp, TUnmappable unmappable = umEscape);
    // The code point of the JIS X 0212 character at row/cell bytes b1 b2
    // (0xA1-0xFE each, the EUC-JP form after 0x8F); 0 when none is assigned.
    static char32_t FromJisX0212(unsigned char b1, unsigned char b2);

    // Length of the well-formed escape at `pos` (kEscapeLength), with its
    // code point in `cp`; 0 when none starts there.
    static size_t EscapeAt(std::string_view text, size_t pos, char32_t& cp);
    // Every escape becomes the percent-encoded UTF-8 of its character (what
    // a browser requests for it); the rest is copied. Escapes only count on
    // character boundaries.
    static std::string EscapesToPercent(std::string_view cp932);
};

// A UTF-8 literal of the source code as CP932, for the texts the program
// compares with or shows. Call sites keep the result in a static when it is
// used often.
inline std::string SJ(std::string_view utf8) { return TCodePage::FromUtf8(utf8); }
