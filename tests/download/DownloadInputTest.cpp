#include "download/DownloadInput.h"

#include "platform/CodePage.h"

#include <gtest/gtest.h>

namespace {

TEST(DownloadInputTest, ParallelCountBelowOneCountsAsOne) {
    const struct {
        const char* text;
        int count;
    } cases[] = {{"3", 3}, {" 5 ", 5}, {"0", 1}, {"-2", 1}, {"", 1}, {"x", 1}, {"2x", 1}, {"99", 99}};
    for (const auto& c : cases) EXPECT_EQ(TDownloadInput::LoadCountValue(c.text), c.count) << c.text;
}

TEST(DownloadInputTest, SizeLimitInKilobytesOrOff) {
    uint64_t bytes = 0;
    EXPECT_TRUE(TDownloadInput::LimitSizeValue("100", bytes));
    EXPECT_EQ(bytes, 102400u);
    EXPECT_TRUE(TDownloadInput::LimitSizeValue("9999999", bytes));
    EXPECT_EQ(bytes, 9999999ull * 1024);
    EXPECT_FALSE(TDownloadInput::LimitSizeValue("", bytes));
    EXPECT_FALSE(TDownloadInput::LimitSizeValue("1k", bytes));
    EXPECT_FALSE(TDownloadInput::LimitSizeValue("-1", bytes));
}

TEST(DownloadInputTest, RunCountBetweenOneAnd9999) {
    const struct {
        const char* text;
        bool ok;
    } cases[] = {{"0", false}, {"1", true}, {"9999", true}, {"10000", false}, {"", false},
                 {"-3", false}, {"abc", false}, {" 12 ", true}, {"99999999999", false}};
    for (const auto& c : cases) {
        int count = 0;
        std::string message;
        EXPECT_EQ(TDownloadInput::RunCountValue(c.text, count, message), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(count, std::stoi(c.text));
            EXPECT_TRUE(message.empty());
        } else {
            EXPECT_EQ(TCodePage::ToUtf8(message), "実行回数は 1 回から 9999 回の間で指定してください。") << c.text;
        }
    }
    EXPECT_EQ(TDownloadInput::RunCountText(0), "");
    EXPECT_EQ(TDownloadInput::RunCountText(-1), "");
    EXPECT_EQ(TDownloadInput::RunCountText(999), "999");
}

} // namespace
