#include "inet/CharCodeConv.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/CodePage.h"

namespace {

using namespace std::string_literals;

const std::string kEsc = "\x1B";
const std::string kJisIn = kEsc + "$B";
const std::string kAsciiIn = kEsc + "(B";
const std::string kJis212In = kEsc + "$(D";

struct TypeCase {
    const char* name;
    std::string text;
    int type;
};

const TypeCase kTypeCases[] = {
    {.name = "jis83", .text = "a" + kEsc + "$Bxx", .type = 0},
    {.name = "jis78", .text = kEsc + "$@", .type = 0},
    {.name = "jis90", .text = kEsc + "&@" + kEsc + "$B", .type = 0},
    {.name = "jis212", .text = kEsc + "$(D", .type = 0},
    {.name = "jisWinsOverSjis", .text = "\x82\xA0" + kEsc + "$B", .type = 0},
    {.name = "jisAfterZero", .text = "a\0"s + kEsc + "$B", .type = 0},
    {.name = "otherEscapes", .text = kEsc + "(J" + kEsc + "$A" + kEsc + "$", .type = 2},
    {.name = "sjisLead", .text = "\x82\xA0", .type = 1},
    {.name = "sjisLowest", .text = "x\x80", .type = 1},
    {.name = "sjisA0", .text = "\xA0", .type = 1},
    {.name = "eucPair", .text = "\xA4\xA2\xA1\xA1", .type = 2},
    {.name = "sjisAfterZero", .text = "\xA4\xA2\0\x82\xA0"s, .type = 2},
    {.name = "ascii", .text = "<html>", .type = 2},
    {.name = "empty", .text = "", .type = 2},
};

TEST(CharCodeConvTest, GetCodeType) {
    for (const TypeCase& c : kTypeCases) EXPECT_EQ(TCharCodeConv::GetCodeType(c.text), c.type) << c.name;
}

struct ConvCase {
    const char* name;
    std::string in;
    std::string out;
};

const ConvCase kJisCases[] = {
    {.name = "closed", .in = kJisIn + "0!" + kAsciiIn, .out = "\x88\x9F"},
    {.name = "asciiAround", .in = "a" + kJisIn + "0!$\"" + kAsciiIn + "b", .out = "a\x88\x9F\x82\xA0" "b"},
    {.name = "unclosedRunsToEnd", .in = kJisIn + "0!$\"", .out = "\x88\x9F\x82\xA0"},
    {.name = "emptyRun", .in = "a" + kJisIn + kAsciiIn + "b", .out = "ab"},
    {.name = "twoRuns", .in = kJisIn + "$\"" + kAsciiIn + "x" + kJisIn + "$$" + kAsciiIn, .out = "\x82\xA0x\x82\xA2"},
    // Row above 0x5E, and the odd-row trail limit 0x7E/0x7F.
    {.name = "highRow", .in = kJisIn + "`!" + kAsciiIn, .out = "\xE0\x9F"},
    {.name = "oddRowBelowLimit", .in = kJisIn + "1_" + kAsciiIn, .out = "\x89\x7E"},
    {.name = "oddRowSkips7F", .in = kJisIn + "1`" + kAsciiIn, .out = "\x89\x80"},
    {.name = "closedByRoman", .in = kJisIn + "$\"" + kEsc + "(Jab", .out = "\x82\xA0" "ab"},
    {.name = "closedByKana", .in = kJisIn + "$\"" + kEsc + "(Ib", .out = "\x82\xA0" "b"},
    {.name = "runsClosedByRoman",
     .in = kJisIn + "$\"" + kEsc + "(Jx" + kJisIn + "$$" + kEsc + "(Jy",
     .out = "\x82\xA0x\x82\xA2y"},
    // A later ESC "(B" wins over an earlier ESC "(J": the ESC "(J" is
    // converted as part of the run (0x1B 0x28 -> 0x7E 0x47, 0x4A 0x24 -> 0x95 0xA2).
    {.name = "asciiCloserWinsOverEarlierRoman",
     .in = kJisIn + "$\"" + kEsc + "(J$$" + kAsciiIn + "z",
     .out = "\x82\xA0\x7E\x47\x95\xA2z"},
    // ESC "(H" before ESC "(I" in the order; the run "$\" ESC ( I" has an
    // odd length and its last byte is dropped.
    {.name = "oldRomanBeforeKana",
     .in = kJisIn + "$\"" + kEsc + "(I" + kEsc + "(Hb",
     .out = "\x82\xA0\x7E\x47" "b"},
    {.name = "oddRunDropsLoneByte", .in = kJisIn + "$\"$" + kAsciiIn + "x", .out = "\x82\xA0x"},
    {.name = "oddUnclosedRun", .in = "a" + kJisIn + "$", .out = "a"},
    {.name = "zeroEndsRun", .in = kJisIn + "$\"\0$\""s + kAsciiIn + "x", .out = "\x82\xA0x"},
    {.name = "zeroOutsideKept", .in = "a\0b"s, .out = "a\0b"s},
    {.name = "otherSequencesKept", .in = kEsc + "$@0!" + kEsc + "(J", .out = kEsc + "$@0!" + kEsc + "(J"},
    {.name = "truncatedOpener", .in = "ab" + kEsc + "$", .out = "ab" + kEsc + "$"},
    // JIS X 0212: "丨" (0x3029) has a CP932 form, "丂" (0x3021) only the escape.
    {.name = "jisX0212", .in = "a" + kJis212In + "0)0!" + kAsciiIn + "b", .out = "a\xFA\x68\xFD\xA0\xA4\xD8\xA2" "b"},
    {.name = "jisX0212Unassigned", .in = kJis212In + "!!" + kAsciiIn + "b", .out = "?b"},
    {.name = "jisX0208ThenX0212",
     .in = kJisIn + "$\"" + kAsciiIn + kJis212In + "0)" + kAsciiIn + "<p>",
     .out = "\x82\xA0\xFA\x68<p>"},
    {.name = "empty", .in = "", .out = ""},
};

TEST(CharCodeConvTest, JIStoSJIS) {
    for (const ConvCase& c : kJisCases) EXPECT_EQ(TCharCodeConv::JIStoSJIS(c.in), c.out) << c.name;
}

const ConvCase kEucCases[] = {
    {.name = "hiraganaA", .in = "\xA4\xA2", .out = "\x82\xA0"},
    {.name = "firstKanji", .in = "\xB0\xA1", .out = "\x88\x9F"},
    {.name = "ideographicSpace", .in = "\xA1\xA1", .out = "\x81\x40"},
    {.name = "oddRowBelowLimit", .in = "\xA1\xDF", .out = "\x81\x7E"},
    {.name = "oddRowSkips7F", .in = "\xA1\xE0", .out = "\x81\x80"},
    {.name = "highRow", .in = "\xDF\xA1", .out = "\xE0\x40"},
    {.name = "asciiAround", .in = "a\xA4\xA2 b", .out = "a\x82\xA0 b"},
    {.name = "asciiOnly", .in = "<p>x\\y</p>", .out = "<p>x\\y</p>"},
    // 0x8E and a byte 0xA1-0xDF is that half-width katakana; a lone 0x8E
    // is dropped and never pairs with what follows.
    {.name = "halfWidthKana", .in = "\x8E\xB1\x41\x8E\xDF", .out = "\xB1\x41\xDF"},
    {.name = "halfWidthKanaBeforeTag", .in = "\x8E\xB1<p>", .out = "\xB1<p>"},
    {.name = "lone8EKeepsTag", .in = "\x8E<p>\x8E\xE0\xA1\x8E", .out = "<p>\xE0\x9F"},
    {.name = "A0IsALead", .in = "\xA0\xA1", .out = "\x80\x9F"},
    {.name = "leadAtEndDropped", .in = "a\xA4", .out = "a"},
    {.name = "leadBeforeZeroDropped", .in = "a\xA4\0\xA4\xA2"s, .out = "a"},
    {.name = "zeroEndsText", .in = "a\0b"s, .out = "a"},
    // JIS X 0212 (0x8F and two bytes) is one character, its CP932 form or
    // its escape; "?" when the code has no character.
    {.name = "jisX0212WithSjisForm", .in = "\x8F\xB0\xA9", .out = "\xFA\x68"},
    {.name = "jisX0212WithoutSjisForm", .in = "<\x8F\xB0\xA1>", .out = "<\xFD\xA0\xA4\xD8\xA2>"},
    {.name = "jisX0212Unassigned", .in = "a\x8F\xA1\xA1" "b", .out = "a?b"},
    {.name = "jisX0212AmongKanji", .in = "\xC6\xFC\x8F\xB0\xA9\xCB\xDC", .out = "\x93\xFA\xFA\x68\x96\x7B"},
    // An incomplete 0x8F sequence never takes the "<" after it.
    {.name = "lone8FKeepsTag", .in = "\x8F<p>", .out = "<p>"},
    {.name = "truncated8FKeepsTag", .in = "\x8F\xB0<p>", .out = "<p>"},
    {.name = "truncated8FAtEnd", .in = "a\x8F\xB0", .out = "a"},
    {.name = "lone8FAtEnd", .in = "a\x8F", .out = "a"},
    {.name = "empty", .in = "", .out = ""},
};

TEST(CharCodeConvTest, EUCtoSJIS) {
    for (const ConvCase& c : kEucCases) EXPECT_EQ(TCharCodeConv::EUCtoSJIS(c.in), c.out) << c.name;
}

TEST(CharCodeConvTest, ValidSequences) {
    const struct {
        const char* name;
        std::string text;
        bool sjis, euc;
    } cases[] = {
        {"ascii", "<p>a\0b</p>"s, true, true},
        {"sjisKanjiAndKana", "\x93\xFA\xB1\x95\x5C", true, false},
        {"eucKanji", "\xC6\xFC\xCB\xDC\xB8\xEC<", false, true},
        {"eucKanaAndX0212", "\x8E\xB1\x8F\xB0\xA1", true, true},
        {"sjisLeadAtEnd", "a\x93", false, false},
        {"sjisBadTrail", "\x93\x7F", false, false},
        {"sjisA0", "\xA0", false, false},
        {"eucTruncatedX0212", "\x8F\xB0<", true, false},
        {"eucKanaOutOfRange", "\x8E\xE0\xA1", true, false},
        {"eucBrokenAfterZeroIsUnread", "\xA4\xA2\0\xA4"s, true, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TCharCodeConv::IsValidSJIS(c.text), c.sjis) << c.name;
        EXPECT_EQ(TCharCodeConv::IsValidEUC(c.text), c.euc) << c.name;
    }
}

// Over the whole JIS X 0208 square, both converters must agree, give a
// well-formed Shift-JIS double-byte character and never give the same one
// twice.
TEST(CharCodeConvTest, JisAndEucAgreeOverTheWholeTable) {
    std::set<std::string> seen;
    for (int j1 = 0x21; j1 <= 0x7E; ++j1) {
        for (int j2 = 0x21; j2 <= 0x7E; ++j2) {
            std::string jis = kJisIn + static_cast<char>(j1) + static_cast<char>(j2) + kAsciiIn;
            std::string euc = {static_cast<char>(j1 | 0x80), static_cast<char>(j2 | 0x80)};
            std::string a = TCharCodeConv::JIStoSJIS(jis);
            std::string b = TCharCodeConv::EUCtoSJIS(euc);
            ASSERT_EQ(a, b) << std::hex << j1 << ' ' << j2;
            ASSERT_EQ(a.size(), 2u);
            unsigned char s1 = a[0], s2 = a[1];
            EXPECT_TRUE((s1 >= 0x81 && s1 <= 0x9F) || (s1 >= 0xE0 && s1 <= 0xEF)) << std::hex << j1 << ' ' << j2;
            EXPECT_TRUE(s2 >= 0x40 && s2 <= 0xFC && s2 != 0x7F) << std::hex << j1 << ' ' << j2;
            EXPECT_TRUE(seen.insert(a).second) << std::hex << j1 << ' ' << j2;
        }
    }
}

// Real Japanese text, checked through the code page layer.
TEST(CharCodeConvTest, ConvertsJapaneseText) {
    // "日本語" in JIS X 0208: 0x467C 0x4B5C 0x386C.
    EXPECT_EQ(TCharCodeConv::JIStoSJIS("<" + kJisIn + "F|K\\8l" + kAsciiIn + ">"), SJ("<日本語>"));
    EXPECT_EQ(TCharCodeConv::EUCtoSJIS("<\xC6\xFC\xCB\xDC\xB8\xEC>"), SJ("<日本語>"));
    // "表" (0x955C in Shift-JIS) has "\" as its second byte.
    EXPECT_EQ(TCharCodeConv::EUCtoSJIS("\xC9\xBD"), "\x95\x5C");
}

} // namespace
