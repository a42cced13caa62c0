#pragma once
// Output of the commands: texts inside are Shift-JIS, the terminal gets UTF-8.
#include "platform/CodePage.h"

#include <cstdio>
#include <string>
#include <string_view>

struct TCliText {
    static void Write(FILE* f, std::string_view cp932) {
        const std::string utf8 = TCodePage::ToUtf8(cp932);
        std::fwrite(utf8.data(), 1, utf8.size(), f);
    }
    // The text of the run's language, in the program's code page (both
    // are written in UTF-8 in the source).
    static std::string Pick(bool japanese, std::string_view ja, std::string_view en) {
        return TCodePage::FromUtf8(japanese ? ja : en);
    }
    // "vorlen-cli: " + a message (program code page) + a line end.
    static void Error(FILE* f, std::string_view cp932) { Write(f, "vorlen-cli: " + std::string(cp932) + "\n"); }
};
