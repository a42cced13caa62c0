#include "platform/CodePage.h"

#include <gtest/gtest.h>

namespace {

struct RoundTrip {
    const char* name;
    std::string cp932;
    std::string utf8;
};

// Shift-JIS texts whose second bytes are "\" (0x5C), "|" (0x7C) and other
// ASCII signs must come through untouched.
const RoundTrip kRoundTrips[] = {
    {.name = "ascii", .cp932 = "abc\\~/", .utf8 = "abc\\~/"},
    {.name = "hiragana", .cp932 = "\x82\xA0\x82\xA2", .utf8 = "あい"},
    {.name = "trail_5c", .cp932 = "\x95\x5C\x83\x5C\x94\x5C", .utf8 = "表ソ能"},
    {.name = "trail_7c", .cp932 = "\x83\x7C", .utf8 = "ポ"},
    {.name = "nec_special", .cp932 = "\x87\x40", .utf8 = "①"},
    {.name = "halfwidth_kana", .cp932 = "\xB1", .utf8 = "ｱ"},
    {.name = "embedded_nul", .cp932 = std::string("a\0\x82\xA0", 4), .utf8 = std::string("a\0あ", 5)},
};

TEST(CodePageTest, RoundTripsThroughUtf8AndUtf16) {
    for (const auto& c : kRoundTrips) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TCodePage::ToUtf8(c.cp932), c.utf8);
        EXPECT_EQ(TCodePage::FromUtf8(c.utf8), c.cp932);
        EXPECT_EQ(TCodePage::FromUtf16(TCodePage::ToUtf16(c.cp932)), c.cp932);
    }
}

TEST(CodePageTest, UnmappableAndInvalidInputIsReplacedNotLost) {
    // No CP932 form: one "?" per character, the rest kept.
    EXPECT_EQ(TCodePage::FromUtf8("a😀b\xC3\xA9"), "a?b?");
    // Broken UTF-8 (lone continuation, truncated sequence at the end).
    EXPECT_EQ(TCodePage::FromUtf8("x\x80y\xE3\x81"), "x?y?");
    // A lone lead byte at the end and an invalid pair become U+FFFD.
    EXPECT_EQ(TCodePage::ToUtf8("a\x82"), "a\xEF\xBF\xBD");
    EXPECT_EQ(TCodePage::ToUtf16("\x82"), std::u16string(1, u'\xFFFD'));
    // A lone surrogate cannot be converted.
    EXPECT_EQ(TCodePage::FromUtf16(std::u16string(1, u'\xD800') + u"a"), "?a");
    EXPECT_EQ(TCodePage::ToUtf8(""), "");
}

// UTF-8 and UTF-16 are decoded before the code page conversion: each
// sequence that is not well formed is one "?", and so is each character
// outside CP932 (surrogate pairs included).
TEST(CodePageTest, MalformedUnicodeIsOneQuestionMarkPerUnit) {
    EXPECT_EQ(TCodePage::FromUtf8("\xED\xA0\x80|\xC0\x80|\xE0\x80\x80|\xF4\x90\x80\x80|\xF8\x88\x80\x80\x80"),
              "?|?|?|?|??");
    EXPECT_EQ(TCodePage::FromUtf8("\xE3\x81x\xE6\x97\xA5"), "?x\x93\xFA");
    EXPECT_EQ(TCodePage::FromUtf8("한국어 日本"), "??? \x93\xFA\x96\x7B");
    EXPECT_EQ(TCodePage::FromUtf16(u"a\U0001F600b\xDC00"), "a?b?");
    EXPECT_EQ(TCodePage::FromUtf16(u"日\u00E9"), "\x93\xFA?");
}

TEST(CodePageTest, LargeTextKeepsEveryCharacter) {
    std::string sjis;
    for (int i = 0; i < 100000; ++i) sjis += "\x95\x5C" "a";
    std::string utf8 = TCodePage::ToUtf8(sjis);
    EXPECT_EQ(utf8.size(), 100000u * 4);
    EXPECT_EQ(TCodePage::FromUtf8(utf8), sjis);
}

} // namespace
