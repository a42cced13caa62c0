#pragma once
// Guessing and converting the Japanese encodings of page bytes to Shift-JIS.
#include <string>
#include <string_view>

class TCharCodeConv {
public:
    // 0 ISO-2022-JP, 1 Shift-JIS, 2 EUC-JP (a scale of its own).
    static int GetCodeType(std::string_view text);
    static std::string JIStoSJIS(std::string_view text);
    static std::string EUCtoSJIS(std::string_view text);
};
