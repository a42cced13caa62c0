#pragma once
// The numbers a download window and its run-count dialog take from their
// fields, read the one way everywhere: decimal digits with an optional sign,
// blanks around them ignored, nothing else.
#include <cstdint>
#include <string>
#include <string_view>

class TDownloadInput {
public:
    static constexpr int kRunCountMax = 9999;

    // False for anything that is not a decimal integer in the int range.
    static bool ToInt(std::string_view text, int& value);
    // The parallel count: a text that is not a number, or a count below 1,
    // is 1 (a queue of 0 would start nothing and report itself done).
    static int LoadCountValue(std::string_view text);
    // The size limit in bytes (the field holds KB). False when the text is
    // not a number or is negative: the size filter is then off.
    static bool LimitSizeValue(std::string_view text, uint64_t& bytes);
    // The run-count field: true with the count for 1 to 9999, else false with
    // the message of the dialog.
    static bool RunCountValue(std::string_view text, int& count, std::string& message);
    // The field's text for a count: empty for 0 or less (several rows, or
    // none preset).
    static std::string RunCountText(int count);
};
