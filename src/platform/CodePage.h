#pragma once
// The one place where text crosses between the program's inner code page
// (CP932, Shift-JIS with the Windows extensions) and the outside world
// (file names, terminals, Qt, the clipboard). Nothing else calls iconv.
//
// Every function is thread-safe and total: it never fails and never reads
// past the given view. A character that the target cannot hold becomes "?"
// (as the Windows conversion does); a byte sequence that is not valid in the
// source becomes "?" in CP932 output and U+FFFD in Unicode output.
#include <string>
#include <string_view>

class TCodePage {
public:
    static std::string ToUtf8(std::string_view cp932);
    static std::string FromUtf8(std::string_view utf8);
    static std::u16string ToUtf16(std::string_view cp932);
    static std::string FromUtf16(std::u16string_view utf16);
};

// A UTF-8 literal of the source code as CP932, for the texts the program
// compares with or shows. Call sites keep the result in a static when it is
// used often.
inline std::string SJ(std::string_view utf8) { return TCodePage::FromUtf8(utf8); }
