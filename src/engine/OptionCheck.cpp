#include "engine/OptionCheck.h"

#include "platform/CodePage.h"
#include "platform/SjisText.h"
#include "platform/StringTable.h"

#include <charconv>

int TOptionCheck::ReadNumber(std::string_view text) {
    std::string trimmed = TSjisText::Trim(text);
    const char* begin = trimmed.data();
    const char* end = begin + trimmed.size();
    if (begin != end && *begin == '+') ++begin;
    int value = -1;
    auto [stop, ec] = std::from_chars(begin, end, value);
    if (begin == end || ec != std::errc() || stop != end) return -1;
    return value;
}

std::string TOptionCheck::Check(const tagOPTIONNUMBERTEXTS& texts) {
    // Two of the messages have no number in the string table.
    static const std::string unreachMessage =
        SJ("未完了ファイルリストへの保持期限は 0 から 999 の間で指定してください。");
    static const std::string retryMessage = SJ("リトライウェイトは 0 から 999 の間で指定してください。");
    struct Test {
        const std::string* Text;
        int Low, High;
        const std::string* Message;
    };
    const Test tests[] = {
        {&texts.HistoryDay, 0, 999, &TStringTable::Get(46)},
        {&texts.CacheSize, 1, 999, &TStringTable::Get(49)},
        {&texts.LoadCount, 1, 9, &TStringTable::Get(24)},
        {&texts.UnreachSave, 0, 999, &unreachMessage},
        {&texts.RetryWait, 0, 999, &retryMessage},
        {&texts.ModifyLimit, 0, 999, &TStringTable::Get(52)},
        {&texts.Timeout, 1, 999, &TStringTable::Get(25)},
    };
    std::string message;
    for (const Test& test : tests) {
        int value = ReadNumber(*test.Text);
        if (value < test.Low || value > test.High) message = *test.Message;
    }
    return message;
}
