#include "platform/SjisText.h"

#include <gtest/gtest.h>

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

} // namespace
