#include "platform/StringTable.h"

#include "platform/CodePage.h"

#include <gtest/gtest.h>

namespace {

struct Sample {
    int id;
    const char* utf8;
};

const Sample kSamples[] = {
    {1, "ページ"},
    {2, "を開いています..."},
    {6, "open fail"},
    {14, "エラー"},
    {15, "cancel"},
    {25, "タイムアウト時間は 1 秒から 999 秒の間で指定してください。 "}, // final blank kept
    {29, "file I/O"},
    {35, "（使わない）"},
    {46, "ページの保存日数は 0 日から 999　日の間で指定してください。"}, // U+3000 kept
    {55, "初期処理でエラーが発生しました。プログラムの実行を継続できません。"},
    {59, "このファイルは実行できません。"},
    {1005, "アドレス(&D)"},
    {1009, "ユーザーID:"},
    {1026, "%d 月 %d日（%s）"},
    {1027, "日"},
    {1033, "土"},
    {1035, "ローカルルート"},
};

TEST(StringTableTest, SampleTextsAreExact) {
    for (const auto& s : kSamples) {
        SCOPED_TRACE(s.id);
        EXPECT_EQ(TCodePage::ToUtf8(TStringTable::Get(s.id)), s.utf8);
    }
    // The full-width space is the CP932 pair 0x81 0x40.
    EXPECT_NE(TStringTable::Get(46).find("999\x81\x40"), std::string::npos);
}

TEST(StringTableTest, UnusedAndUnknownIdsAreEmpty) {
    for (int id : {0, -1, 5, 16, 61, 62, 999, 1001, 1016, 1034, 1036, 100000})
        EXPECT_EQ(TStringTable::Get(id), "") << id;
}

TEST(StringTableTest, EveryTextHasACp932Form) {
    int found = 0;
    for (int id = 0; id <= 1100; ++id) {
        const std::string& text = TStringTable::Get(id);
        if (text.empty()) continue;
        ++found;
        // A character without a CP932 form would have become "?".
        EXPECT_EQ(text.find('?'), std::string::npos) << id;
        EXPECT_EQ(TCodePage::FromUtf8(TCodePage::ToUtf8(text)), text) << id;
    }
    EXPECT_EQ(found, 66);
    EXPECT_EQ(&TStringTable::Get(14), &TStringTable::Get(14)); // one copy, converted once
}

} // namespace
