#include "engine/OptionCheck.h"

#include "platform/CodePage.h"
#include "platform/StringTable.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

tagOPTIONNUMBERTEXTS Valid() {
    return {.HistoryDay = "14", .CacheSize = "5", .LoadCount = "5", .UnreachSave = "14",
            .RetryWait = "10", .ModifyLimit = "3", .Timeout = "30"};
}

TEST(OptionCheckTest, ReadNumber) {
    struct Case { const char* Text; int Value; };
    const Case cases[] = {
        {"0", 0}, {"999", 999}, {" 12 ", 12}, {"+3", 3}, {"-4", -4}, {"", -1}, {"8o", -1},
        {"1 2", -1}, {"0x10", -1}, {"99999999999", -1}, {"+", -1},
    };
    for (const Case& c : cases) EXPECT_EQ(TOptionCheck::ReadNumber(c.Text), c.Value) << c.Text;
}

// Each field at its bounds, one at a time, and the message it gives.
TEST(OptionCheckTest, EachFieldsRangeAndMessage) {
    const std::string unreach = SJ("未完了ファイルリストへの保持期限は 0 から 999 の間で指定してください。");
    const std::string retry = SJ("リトライウェイトは 0 から 999 の間で指定してください。");
    struct Case {
        const char* Name;
        std::string tagOPTIONNUMBERTEXTS::*Field;
        const char *Low, *High;
        std::string Message;
    };
    const Case cases[] = {
        {"HistoryDay", &tagOPTIONNUMBERTEXTS::HistoryDay, "0", "999", TStringTable::Get(46)},
        {"CacheSize", &tagOPTIONNUMBERTEXTS::CacheSize, "1", "999", TStringTable::Get(49)},
        {"LoadCount", &tagOPTIONNUMBERTEXTS::LoadCount, "1", "9", TStringTable::Get(24)},
        {"UnreachSave", &tagOPTIONNUMBERTEXTS::UnreachSave, "0", "999", unreach},
        {"RetryWait", &tagOPTIONNUMBERTEXTS::RetryWait, "0", "999", retry},
        {"ModifyLimit", &tagOPTIONNUMBERTEXTS::ModifyLimit, "0", "999", TStringTable::Get(52)},
        {"Timeout", &tagOPTIONNUMBERTEXTS::Timeout, "1", "999", TStringTable::Get(25)},
    };
    EXPECT_EQ(TOptionCheck::Check(Valid()), "");
    for (const Case& c : cases) {
        ASSERT_FALSE(c.Message.empty()) << c.Name;
        tagOPTIONNUMBERTEXTS texts = Valid();
        texts.*c.Field = c.Low;
        EXPECT_EQ(TOptionCheck::Check(texts), "") << c.Name;
        texts.*c.Field = c.High;
        EXPECT_EQ(TOptionCheck::Check(texts), "") << c.Name;
        texts.*c.Field = std::to_string(std::stoi(c.Low) - 1);
        EXPECT_EQ(TOptionCheck::Check(texts), c.Message) << c.Name;
        texts.*c.Field = std::to_string(std::stoi(c.High) + 1);
        EXPECT_EQ(TOptionCheck::Check(texts), c.Message) << c.Name;
        texts.*c.Field = "abc";
        EXPECT_EQ(TOptionCheck::Check(texts), c.Message) << c.Name;
    }
}

// Several failing fields: only the message of the last one in the order.
TEST(OptionCheckTest, OnlyTheLastFailingMessage) {
    struct Case {
        const char* Name;
        std::function<void(tagOPTIONNUMBERTEXTS&)> Edit;
        int Message;
    };
    const Case cases[] = {
        {"cache 0 and time-out 0", [](auto& t) { t.CacheSize = "0"; t.Timeout = "0"; }, 25},
        {"history and cache", [](auto& t) { t.HistoryDay = "-1"; t.CacheSize = "1000"; }, 49},
        {"count before notice days", [](auto& t) { t.LoadCount = "x"; t.ModifyLimit = "1000"; }, 52},
        {"all but time-out up to count", [](auto& t) { t.HistoryDay = ""; t.CacheSize = ""; t.LoadCount = "10"; }, 24},
    };
    for (const Case& c : cases) {
        tagOPTIONNUMBERTEXTS texts = Valid();
        c.Edit(texts);
        EXPECT_EQ(TOptionCheck::Check(texts), TStringTable::Get(c.Message)) << c.Name;
    }
}

TEST(OptionCheckTest, MessagesHoldTheirOddBlanks) {
    EXPECT_NE(TStringTable::Get(46).find(SJ("999　日")), std::string::npos);
    EXPECT_EQ(TStringTable::Get(25).back(), ' ');
}

} // namespace
