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

TEST(CodePageTest, LargeTextKeepsEveryCharacter) {
    std::string sjis;
    for (int i = 0; i < 100000; ++i) sjis += "\x95\x5C" "a";
    std::string utf8 = TCodePage::ToUtf8(sjis);
    EXPECT_EQ(utf8.size(), 100000u * 4);
    EXPECT_EQ(TCodePage::FromUtf8(utf8), sjis);
}

} // namespace
