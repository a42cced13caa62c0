#include "platform/HalfWidth.h"

#include "platform/CodePage.h"

#include "platform/SjisText.h"

#include <gtest/gtest.h>

#include <random>

namespace {

struct HalfWidthCase {
    const char* name;
    std::string input; // CP932
    std::string expected;
};

std::vector<HalfWidthCase> Cases() {
    return {
        {.name = "AsciiUnchanged", .input = "http://h/a.zip?x=1", .expected = "http://h/a.zip?x=1"},
        {.name = "FullWidthAddress",
         .input = SJ("ｈｔｔｐ：／／ｈ／ａ．ｚｉｐ"),
         .expected = "http://h/a.zip"},
        {.name = "FirstAndLastOfTheRange", .input = SJ("！～"), .expected = "!~"},
        {.name = "DigitsAndCapitals", .input = SJ("０９ＡＺ"), .expected = "09AZ"},
        {.name = "IdeographicSpace", .input = SJ("a　b"), .expected = "a b"},
        {.name = "FullWidthBackslashAndQuotes", .input = SJ("＼＂＇"), .expected = "\\\"'"},
        // The NEC-selected codes of the full-width quote and apostrophe.
        {.name = "SecondCodesOfQuotes", .input = "\xEE\xFC\xEE\xFB", .expected = "\"'"},
        {.name = "KanaAndKanjiUnchanged", .input = SJ("あア表示"), .expected = SJ("あア表示")},
        // 0x81 0x82 is one character, so the 0x82 0x60 ("Ａ") seen from the
        // second byte is not one.
        {.name = "PairsAreReadFromCharacterBoundaries", .input = "\x81\x82\x60", .expected = "\x81\x82\x60"},
        {.name = "SecondByte5CStays", .input = "\x95\x5C\x82\x60", .expected = "\x95\x5C" "A"},
        {.name = "HalfWidthKanaUnchanged", .input = "\xB1\xB2", .expected = "\xB1\xB2"},
        {.name = "LoneLeadByteAtTheEnd", .input = "a\x82", .expected = "a\x82"},
        {.name = "NulInside", .input = std::string("\x82\x60\0\x82\x61", 5), .expected = std::string("A\0B", 3)},
        {.name = "Empty", .input = "", .expected = ""},
    };
}

class HalfWidthTest : public testing::TestWithParam<HalfWidthCase> {};

TEST_P(HalfWidthTest, Converts) {
    EXPECT_EQ(THalfWidth::Convert(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, HalfWidthTest, testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(HalfWidthRangeTest, EveryFullWidthFormHasItsAsciiByte) {
    for (char16_t wide = 0xFF01; wide <= 0xFF5E; ++wide) {
        std::string cp932 = TCodePage::FromUtf16(std::u16string(1, wide));
        ASSERT_EQ(cp932.size(), 2u) << std::hex << int(wide);
        EXPECT_EQ(THalfWidth::Convert(cp932), std::string(1, char(wide - 0xFF01 + 0x21))) << std::hex << int(wide);
    }
}

// The quick test must answer exactly whether Convert changes a text: for
// every double-byte code, behind ASCII runs of every length (the test reads
// eight ASCII bytes at a time) and as a lone lead byte at the end.
TEST(HalfWidthRangeTest, ChangesTellsWhetherConvertChangesTheText) {
    for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
        for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
            const std::string pair{static_cast<char>(lead), static_cast<char>(trail)};
            const std::string text = std::string((lead + trail) % 11, 'a') + pair + "xyz";
            ASSERT_EQ(THalfWidth::Changes(text), THalfWidth::Convert(text) != text) << std::hex << lead << " " << trail;
        }
        const std::string lone = "abcdefghij" + std::string(1, static_cast<char>(lead));
        ASSERT_EQ(THalfWidth::Changes(lone), THalfWidth::Convert(lone) != lone) << std::hex << lead;
    }
}

// Long mixed texts (ASCII runs of every length, kana, kanji, folding
// characters, half-width kana) fold as their characters do one by one: the
// unchanged stretches between folding characters are copied in one go, and
// ASCII is read eight bytes at a time; folding again from the recorded
// places gives the same.
TEST(HalfWidthRangeTest, LongTextsFoldAsTheirCharacters) {
    const std::string pieces[] = {"a", "http://h/", "0123456789abcdef", SJ("ｈ"), SJ("／"), SJ("　"),
                                  SJ("表示"), SJ("あ"), "\xB1", "\x95\x5C", "\x81\x82", "\xEE\xFC"};
    std::mt19937 rng(7);
    for (int round = 0; round < 200; ++round) {
        std::string text;
        const int count = static_cast<int>(rng() % 300);
        for (int k = 0; k < count; ++k) text += pieces[rng() % std::size(pieces)];
        if (round % 3 == 0) text.push_back('\x82'); // a lone lead byte at the end
        std::string expected;
        for (size_t i = 0; i < text.size();) {
            const size_t length = i + 1 < text.size() ? TSjisText::CharLength(text, i) : 1;
            expected += THalfWidth::Convert(std::string_view(text).substr(i, length));
            i += length;
        }
        ASSERT_EQ(THalfWidth::Convert(text), expected) << "round " << round;
        ASSERT_EQ(THalfWidth::Changes(text), expected != text) << "round " << round;
        // Folded again from where the first folding found its characters.
        std::vector<uint32_t> at;
        ASSERT_EQ(THalfWidth::Convert(text, at), expected) << "round " << round;
        ASSERT_EQ(THalfWidth::ConvertAt(text, at), expected) << "round " << round;
    }
}

} // namespace
