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
    // No CP932 form, asked for plain CP932: one "?" per character, the rest kept.
    EXPECT_EQ(TCodePage::FromUtf8("a😀b\xC3\xA9", TCodePage::umQuestion), "a?b?");
    // Broken UTF-8 (lone continuation, truncated sequence at the end).
    EXPECT_EQ(TCodePage::FromUtf8("x\x80y\xE3\x81"), "x?y?");
    // A lone lead byte at the end and an invalid pair become U+FFFD.
    EXPECT_EQ(TCodePage::ToUtf8("a\x82"), "a\xEF\xBF\xBD");
    EXPECT_EQ(TCodePage::ToUtf16("\x82"), std::u16string(1, u'\xFFFD'));
    // A lone surrogate cannot be converted.
    EXPECT_EQ(TCodePage::FromUtf16(std::u16string(1, u'\xD800') + u"a"), "?a");
    EXPECT_EQ(TCodePage::ToUtf8(""), "");
}

std::string Utf8Of(std::u16string_view utf16) {
    std::string out;
    for (size_t i = 0; i < utf16.size(); ++i) {
        char32_t cp = utf16[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < utf16.size()) cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[++i] - 0xDC00);
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

// UTF-8 comes from a table learnt from the converter, UTF-16 from the
// converter itself: both give the same characters for every single byte,
// every pair of a lead byte and any byte (mapped, unmapped or invalid), a
// lead byte at the very end, and escapes among them.
TEST(CodePageTest, Utf8TableAgreesWithTheConverter) {
    std::string text;
    for (unsigned c = 0; c < 256; ++c) {
        text += static_cast<char>(c);
        text += 'x';
    }
    for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
        if (lead > 0x9F && lead < 0xE0) continue;
        for (unsigned trail = 0; trail < 256; ++trail) {
            text += static_cast<char>(lead);
            text += static_cast<char>(trail);
            text += 'y';
        }
    }
    // ASCII runs of every length between the characters (read eight at a time).
    std::string runs;
    for (int k = 0; k < 40; ++k) runs += std::string(static_cast<size_t>(k), static_cast<char>('a' + k % 26)) + "\x82\xA0\xB1";
    text += runs;
    const std::string escaped = TCodePage::FromUtf8("\xF0\x9F\x98\x80", TCodePage::umEscape); // no CP932 form
    for (const std::string& sample : {text, text + escaped + "\x82\xA0" + escaped, text + "\x82", std::string("\xE0")})
        EXPECT_EQ(TCodePage::ToUtf8(sample), Utf8Of(TCodePage::ToUtf16(sample)));
}

// UTF-8 and UTF-16 are decoded before the code page conversion: each
// sequence that is not well formed is one "?", and so is each character
// outside CP932 (surrogate pairs included) when plain CP932 is asked for.
TEST(CodePageTest, MalformedUnicodeIsOneQuestionMarkPerUnit) {
    EXPECT_EQ(TCodePage::FromUtf8("\xED\xA0\x80|\xC0\x80|\xE0\x80\x80|\xF4\x90\x80\x80|\xF8\x88\x80\x80\x80"),
              "?|?|?|?|??");
    EXPECT_EQ(TCodePage::FromUtf8("\xE3\x81x\xE6\x97\xA5"), "?x\x93\xFA");
    EXPECT_EQ(TCodePage::FromUtf8("한국어 日本", TCodePage::umQuestion), "??? \x93\xFA\x96\x7B");
    EXPECT_EQ(TCodePage::FromUtf16(u"a\U0001F600b\xDC00", TCodePage::umQuestion), "a?b?");
    EXPECT_EQ(TCodePage::FromUtf16(u"日\u00E9", TCodePage::umQuestion), "\x93\xFA?");
    // A lone surrogate is no character: "?" even when escapes are allowed.
    EXPECT_EQ(TCodePage::FromUtf16(u"a\xDC00"), "a?");
}

// A character without a CP932 form is kept as 0xFD + four bytes 0xA0 + six
// bits, and comes back whole through UTF-8 and UTF-16.
struct EscapeCase {
    const char* name;
    std::string utf8;
    std::string cp932;
};

const EscapeCase kEscapes[] = {
    {.name = "eAcute", .utf8 = "\xC3\xA9", .cp932 = "\xFD\xA0\xA0\xA3\xC9"},         // U+00E9
    {.name = "nbsp", .utf8 = "\xC2\xA0", .cp932 = "\xFD\xA0\xA0\xA2\xC0"},           // U+00A0
    {.name = "trademark", .utf8 = "\xE2\x84\xA2", .cp932 = "\xFD\xA0\xA2\xA4\xC2"},   // U+2122
    {.name = "emoji", .utf8 = "\xF0\x9F\x98\x80", .cp932 = "\xFD\xA0\xBF\xB8\xA0"},  // U+1F600
    {.name = "lastCodePoint", .utf8 = "\xF4\x8F\xBF\xBF", .cp932 = "\xFD\xA4\xAF\xDF\xDF"},
    {.name = "amongKanji", .utf8 = "日à本", .cp932 = "\x93\xFA\xFD\xA0\xA0\xA3\xC0\x96\x7B"},
    {.name = "hangul", .utf8 = "한", .cp932 = "\xFD\xA0\xAD\xB5\xBC"},                 // U+D55C
};

TEST(CodePageTest, CharactersWithoutCp932FormAreEscapedAndComeBack) {
    for (const EscapeCase& c : kEscapes) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TCodePage::FromUtf8(c.utf8), c.cp932);
        EXPECT_EQ(TCodePage::ToUtf8(c.cp932), c.utf8);
        EXPECT_EQ(TCodePage::FromUtf16(TCodePage::ToUtf16(c.cp932)), c.cp932);
        EXPECT_EQ(TCodePage::ToUtf8(TCodePage::FromUtf16(TCodePage::ToUtf16(c.cp932))), c.utf8);
    }
    EXPECT_EQ(TCodePage::ToUtf16("\xFD\xA0\xBF\xB8\xA0"), u"\U0001F600");
    EXPECT_EQ(TCodePage::FromCodePoint(0xE9), "\xFD\xA0\xA0\xA3\xC9");
    EXPECT_EQ(TCodePage::FromCodePoint(0x65E5), "\x93\xFA");
    EXPECT_EQ(TCodePage::FromCodePoint(0xE9, TCodePage::umQuestion), "?");
    EXPECT_EQ(TCodePage::FromCodePoint(0xD800), "?");
}

// Only a well-formed escape of a character without a CP932 form is one:
// any other 0xFD stays invalid, and an 0xFD that is a lead byte's second
// byte starts nothing.
TEST(CodePageTest, OtherFdBytesStayInvalid) {
    const std::string fffd = "\xEF\xBF\xBD";
    struct Case {
        const char* name;
        std::string cp932;
        std::string utf8;
    };
    const Case cases[] = {
        {.name = "lone", .cp932 = "\xFD" "a", .utf8 = fffd + "a"},
        {.name = "truncated", .cp932 = "\xFD\xA0\xA0\xA3", .utf8 = fffd + fffd + fffd + "\xEF\xBD\xA3"},
        {.name = "byteOutOfRange", .cp932 = "\xFD\xA0\xA0\xA3\x41", .utf8 = fffd + fffd + fffd + "\xEF\xBD\xA3" "A"},
        // U+0041 and U+3042 have CP932 forms: not the spelling of any escape.
        {.name = "ascii", .cp932 = "\xFD\xA0\xA0\xA1\xA1", .utf8 = fffd + fffd + fffd + "\xEF\xBD\xA1\xEF\xBD\xA1"},
        {.name = "kana", .cp932 = "\xFD\xA0\xA3\xA1\xA2", .utf8 = fffd + fffd + "\xEF\xBD\xA3\xEF\xBD\xA1\xEF\xBD\xA2"},
        {.name = "aboveUnicode", .cp932 = "\xFD\xC5\xA0\xA0\xA0", .utf8 = fffd + "\xEF\xBE\x85" + fffd + fffd + fffd},
        {.name = "trailOfLead", .cp932 = "\x82\xFD\xA0\xA0\xA3\xC9", .utf8 = fffd + fffd + fffd + "\xEF\xBD\xA3\xEF\xBE\x89"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TCodePage::ToUtf8(c.cp932), c.utf8);
        char32_t cp = 0;
        if (c.cp932[0] == '\xFD') { EXPECT_EQ(TCodePage::EscapeAt(c.cp932, 0, cp), 0u); }
    }
}

TEST(CodePageTest, EscapesBecomePercentEncodedUtf8) {
    EXPECT_EQ(TCodePage::EscapesToPercent(TCodePage::FromUtf8("/Balance_à_tabac_1850.JPG")),
              "/Balance_%C3%A0_tabac_1850.JPG");
    EXPECT_EQ(TCodePage::EscapesToPercent(TCodePage::FromUtf8("a😀b?日")), "a%F0%9F%98%80b?\x93\xFA");
    // Not an escape: copied as it stands.
    EXPECT_EQ(TCodePage::EscapesToPercent("\x82\xFD\xA0\xA0\xA3\xC9"), "\x82\xFD\xA0\xA0\xA3\xC9");
    EXPECT_EQ(TCodePage::EscapesToPercent("plain%20text"), "plain%20text");
}

TEST(CodePageTest, JisX0212Characters) {
    EXPECT_EQ(TCodePage::FromJisX0212(0xB0, 0xA1), U'\u4E02');  // 丂
    EXPECT_EQ(TCodePage::FromJisX0212(0xA2, 0xAF), U'\u02D8');  // breve
    EXPECT_EQ(TCodePage::FromJisX0212(0xA1, 0xA1), 0u);        // unassigned
    EXPECT_EQ(TCodePage::FromJisX0212(0x41, 0xA1), 0u);
}

TEST(CodePageTest, LargeTextKeepsEveryCharacter) {
    std::string sjis;
    for (int i = 0; i < 100000; ++i) sjis += "\x95\x5C" "a";
    std::string utf8 = TCodePage::ToUtf8(sjis);
    EXPECT_EQ(utf8.size(), 100000u * 4);
    EXPECT_EQ(TCodePage::FromUtf8(utf8), sjis);
}

} // namespace
