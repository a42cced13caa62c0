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
};
