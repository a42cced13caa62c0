#pragma once
// The checks of the option dialog's number fields when it is confirmed,
// apart from the window so that their order can be tested: every field is
// read as an integer (a text that is no number counts as -1) and tested in
// a fixed order, and only the message of the last failing test is shown.
#include <string>
#include <string_view>

// The texts of the number fields as the user left them.
struct tagOPTIONNUMBERTEXTS {
    std::string HistoryDay;  // 0 to 999
    std::string CacheSize;   // 1 to 999
    std::string LoadCount;   // 1 to 9
    std::string UnreachSave; // 0 to 999
    std::string RetryWait;   // 0 to 999
    std::string ModifyLimit; // 0 to 999
    std::string Timeout;     // 1 to 999
};

class TOptionCheck {
public:
    // A decimal integer with optional blanks around it and an optional
    // sign; -1 for any other text (and for a number too big for int).
    static int ReadNumber(std::string_view text);
    // The message (CP932) of the last failing test, in the order of the
    // fields above; empty when every field is in range.
    static std::string Check(const tagOPTIONNUMBERTEXTS& texts);
};
