#include "platform/SjisText.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

const std::string kHyou = "\x95\x5C"; // a character whose second byte is "\"

TEST(SjisTextTest, SecondByteIsNeverASign) {
    std::string text = "a" + kHyou + "\\b";
    EXPECT_EQ(TSjisText::FindChar(text, '\\'), 3u);
    EXPECT_EQ(TSjisText::FindLastChar(text, '\\'), 3u);
    EXPECT_EQ(TSjisText::ReplaceChar(text, '\\', '/'), "a" + kHyou + "/b");
    EXPECT_EQ(TSjisText::RemoveChars(kHyou + "\\|" + "\x83\x7C", "\\|"), kHyou + "\x83\x7C");
    EXPECT_EQ(TSjisText::ReplaceAll(kHyou + "\\\\", "\\", "/"), kHyou + "//");
    EXPECT_EQ(TSjisText::Find(kHyou + "\\x", "\\x"), 2u);
    EXPECT_EQ(TSjisText::Find(kHyou, "\\"), std::string::npos);
}

TEST(SjisTextTest, CaseMappingLeavesDoubleByteCharactersAlone) {
    // 0x82 0x60 is the full-width "A"; its second byte is not a letter, but
    // 0x83 0x41 has "A" as second byte and must stay.
    EXPECT_EQ(TSjisText::LowerCase("AbC\x83\x41Z"), "abc\x83\x41z");
    EXPECT_EQ(TSjisText::UpperCase("ab\x83\x61z"), "AB\x83\x61Z");
}

TEST(SjisTextTest, LoneLeadByteAtTheEndIsOneCharacter) {
    std::string text = "ab\x82";
    EXPECT_EQ(TSjisText::CharLength(text, 2), 1u);
    EXPECT_EQ(TSjisText::LowerCase("A\x82"), "a\x82");
    EXPECT_EQ(TSjisText::FindChar("\x82", '\\'), std::string::npos);
}

TEST(SjisTextTest, TrimRemovesControlsAndBlanks) {
    EXPECT_EQ(TSjisText::Trim(" \t\r\na b\x01 "), "a b");
    EXPECT_EQ(TSjisText::TrimLeft("  a "), "a ");
    EXPECT_EQ(TSjisText::TrimRight("  a \n"), "  a");
    EXPECT_EQ(TSjisText::Trim("   "), "");
}

// The searches test a hit by looking back over the lead bytes before it,
// and case mapping takes eight ASCII bytes at a time: over random texts
// full of lead bytes, second bytes in A-Z and "/" and escape bytes they must
// agree with a plain walk from the front, character by character.
// One byte of 0x80 or above anywhere, in texts of every length around the
// eight-byte steps, makes a text not ASCII.
TEST(SjisTextTest, IsAsciiLooksAtEveryByte) {
    for (size_t n = 0; n <= 20; ++n) {
        const std::string plain(n, 'a');
        EXPECT_TRUE(TSjisText::IsAscii(plain)) << n;
        for (size_t at = 0; at < n; ++at) {
            for (const char high : {'\x80', '\xFF', '\x95'}) {
                std::string text = plain;
                text[at] = high;
                EXPECT_FALSE(TSjisText::IsAscii(text)) << n << " " << at;
            }
        }
    }
    EXPECT_TRUE(TSjisText::IsAscii(std::string("\x7F\x00\x01 ~", 5)));
}

TEST(SjisTextTest, FastPathsAgreeWithTheCharacterWalk) {
    const std::vector<std::string> pieces = {"a", "Z", "AbCdEfGhIj", "/", "#", "?", ".", "://", "\x83\x41", "\x83\x5A",
                                             "\x95\x5C", "\x81\x2F", "\x81", "\xE0", "\xFC", "\x9F\x81", "\xFD\xA0\xA1\xA2\xA3",
                                             "\xA6", "ABCDEFGHIJKLMNOPQRSTUVWXYZ", "0123456789"};
    std::mt19937 rng(99);
    std::uniform_int_distribution<size_t> pick(0, pieces.size() - 1);
    std::uniform_int_distribution<int> length(0, 30);
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        for (int i = length(rng); i > 0; --i) text += pieces[pick(rng)];
        // The character starts, walked from the front.
        std::vector<size_t> starts;
        std::string lower = text;
        for (size_t i = 0; i < text.size(); i += TSjisText::CharLength(text, i)) {
            starts.push_back(i);
            if (TSjisText::CharLength(text, i) == 1 && text[i] >= 'A' && text[i] <= 'Z') lower[i] = static_cast<char>(text[i] + 32);
        }
        ASSERT_EQ(TSjisText::LowerCase(text), lower) << testing::PrintToString(text);
        for (const std::string needle : {"/", "://", "\x41", "\x5C", "?", "\x81\x2F"}) {
            size_t first = std::string::npos;
            for (size_t at : starts)
                if (text.compare(at, needle.size(), needle) == 0) {
                    first = at;
                    break;
                }
            ASSERT_EQ(TSjisText::Find(text, needle), first) << testing::PrintToString(text) << " " << needle;
        }
        for (const char c : {'/', '\x5C', 'A', '?'}) {
            size_t first = std::string::npos, last = std::string::npos;
            for (size_t at : starts)
                if (TSjisText::CharLength(text, at) == 1 && text[at] == c) {
                    if (first == std::string::npos) first = at;
                    last = at;
                }
            ASSERT_EQ(TSjisText::FindChar(text, c), first) << testing::PrintToString(text);
            ASSERT_EQ(TSjisText::FindLastChar(text, c), last) << testing::PrintToString(text);
        }
    }
}

} // namespace
