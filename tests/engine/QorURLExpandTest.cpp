#include "engine/QorURLExpand.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

const std::string kHyou = "\x95\x5C"; // 表: its second byte is "\"
const std::string kSo = "\x83\x5C";   // ソ: the same

struct ExpandCase {
    const char* name;
    std::string text;
    Lines lines;
    bool expanded = true;
};

const ExpandCase kCases[] = {
    {.name = "plainRange", .text = "a[1-3].jpg", .lines = {"a1.jpg", "a2.jpg", "a3.jpg"}},
    // The brackets of an IPv6 host are no range.
    {.name = "ipv6Host", .text = "http://[::1]:81/a[1-2].jpg", .lines = {"http://[::1]:81/a1.jpg", "http://[::1]:81/a2.jpg"}},
    {.name = "ipv6HostAlone", .text = "http://[fe80::1-2]/", .lines = {"http://[fe80::1-2]/"}, .expanded = false},
    {.name = "zeroFill", .text = "a[08-10].jpg", .lines = {"a08.jpg", "a09.jpg", "a10.jpg"}},
    {.name = "reversed", .text = "a[3-1].jpg", .lines = {"a1.jpg", "a2.jpg", "a3.jpg"}},
    // The fill comes from the low text after the swap.
    {.name = "reversedZeroFill", .text = "a[10-08].jpg", .lines = {"a08.jpg", "a09.jpg", "a10.jpg"}},
    {.name = "reversedFillLost", .text = "a[08-1].jpg", .lines = {"a1.jpg", "a2.jpg", "a3.jpg", "a4.jpg",
                                                                    "a5.jpg", "a6.jpg", "a7.jpg", "a8.jpg"}},
    {.name = "fillOnlyFromLow", .text = "[9-010]", .lines = {"9", "10"}},
    {.name = "singleValue", .text = "a[5-5]", .lines = {"a5"}},
    {.name = "firstRangeSlowest", .text = "x[1-2]y[1-2]", .lines = {"x1y1", "x1y2", "x2y1", "x2y2"}},
    {.name = "escapedBefore", .text = "a\\[1-3].jpg", .lines = {"a[1-3].jpg"}, .expanded = false},
    {.name = "escapedBeforeClose", .text = "a[1-3\\].jpg", .lines = {"a[1-3].jpg"}, .expanded = false},
    {.name = "escapedThenExpanded", .text = "a\\[1-2]b[3-4]", .lines = {"a[1-2]b3", "a[1-2]b4"}},
    {.name = "letters", .text = "a[a-c].jpg", .lines = {}, .expanded = false},
    {.name = "digitThenLetter", .text = "a[1-3x].jpg", .lines = {}, .expanded = false},
    {.name = "hexIsNoNumber", .text = "a[0x1-0x3].jpg", .lines = {}, .expanded = false},
    {.name = "over64Bits", .text = "a[1-9223372036854775808]", .lines = {}, .expanded = false},
    {.name = "top64Bits",
     .text = "a[9223372036854775806-9223372036854775807]",
     .lines = {"a9223372036854775806", "a9223372036854775807"}},
    {.name = "lettersInSecondRangeDropAll", .text = "x[1-2]y[a-b]", .lines = {}},
    {.name = "notARange", .text = "a[1-]b[-2]c[12]", .lines = {"a[1-]b[-2]c[12]"}, .expanded = false},
    {.name = "sizeAfterSpace", .text = "http://h/a.jpg 12KB", .lines = {"http://h/a.jpg"}, .expanded = false},
    // Each number's line is trimmed and cut again, like an input line.
    {.name = "cutAtLastTab", .text = " a[1-2]\tb\tc ", .lines = {"a1", "a2"}},
    {.name = "expandedLineTrimmed", .text = "x[1-2]  y", .lines = {"x1", "x2"}},
    {.name = "expandedLineCutAgain", .text = "a b[1-2]c d", .lines = {"a", "a"}},
    // Replacing a range can complete another one around it.
    {.name = "rangeMadeByExpansion", .text = "[1-[2-3]]", .lines = {"1", "2", "1", "2", "3"}},
    {.name = "backslashesGo", .text = "a\\b\\", .lines = {"ab"}, .expanded = false},
    {.name = "linesKeepOrder",
     .text = "a[1-2]\r\n\nb\rc[3-4]\n",
     .lines = {"a1", "a2", "", "b", "c3", "c4"}},
    {.name = "emptyText", .text = "", .lines = {}, .expanded = false},
    // Shift-JIS: a 0x5C second byte is no backslash, neither before the
    // range nor in the final removal; a real one after it still escapes.
    {.name = "sjisBeforeRange", .text = kHyou + "[1-2]" + kSo, .lines = {kHyou + "1" + kSo, kHyou + "2" + kSo}},
    {.name = "sjisThenBackslash", .text = kHyou + "\\[1-2]" + kSo, .lines = {kHyou + "[1-2]" + kSo}, .expanded = false},
    {.name = "sjisThenEscapedClose", .text = kSo + "[1-2\\]", .lines = {kSo + "[1-2]"}, .expanded = false},
    // "ー" (0x81 0x5B) ends in "[": not the start of a range.
    {.name = "sjisSecondByteBracket", .text = "\x81\x5B" "1-2]", .lines = {"\x81\x5B" "1-2]"}, .expanded = false},
};

class ExpandTable : public ::testing::TestWithParam<ExpandCase> {};

TEST_P(ExpandTable, GivesLines) {
    const ExpandCase& c = GetParam();
    TQorURLExpand expand(c.text);
    EXPECT_EQ(expand.Lines, c.lines);
    EXPECT_EQ(expand.Expanded, c.expanded);
}

INSTANTIATE_TEST_SUITE_P(QorURLExpand, ExpandTable, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(QorURLExpandTest, ExpandReplacesLinesButNeverClearsExpanded) {
    TQorURLExpand expand("a[1-2]");
    ASSERT_TRUE(expand.Expanded);
    expand.Expand("b\nc[x-y]");
    EXPECT_EQ(expand.Lines, Lines({"b"}));
    EXPECT_TRUE(expand.Expanded);
}

TEST(QorURLExpandTest, HugeRangeYieldsNothingAtOnce) {
    // Refused before a single address is built, so this is immediate.
    TQorURLExpand expand("before\na[1-999999999999].jpg\nafter[1-2]");
    EXPECT_EQ(expand.Lines, Lines({"before", "after1", "after2"}));
    expand.Expand("a[0-9223372036854775807]");
    EXPECT_TRUE(expand.Lines.empty());

    TQorURLExpand alone("a[1-999999999999].jpg");
    EXPECT_TRUE(alone.Lines.empty());
    EXPECT_FALSE(alone.Expanded);
}

TEST(QorURLExpandTest, AddressBoundPerLine) {
    ASSERT_EQ(TQorURLExpandLimits().AddressesPerLine, 100000u);

    TQorURLExpand expand("[1-100000]");
    ASSERT_EQ(expand.Lines.size(), 100000u);
    EXPECT_EQ(expand.Lines.front(), "1");
    EXPECT_EQ(expand.Lines.back(), "100000");

    // Nested ranges reach the bound only part-way: what was built goes again.
    expand.Expand("a\n[1-100][1-1001]\nb");
    EXPECT_EQ(expand.Lines, Lines({"a", "b"}));
    expand.Expand("[1-100][1-1000]");
    EXPECT_EQ(expand.Lines.size(), 100000u);
    EXPECT_EQ(expand.Lines.back(), "1001000");
}

TEST(QorURLExpandTest, LinesThatBuildOnlyDeadEndsAreBounded) {
    // 9^7 lines, each ending in a letter range: no address, but the work is
    // cut off by the text bound.
    TQorURLExpand expand("[1-9][1-9][1-9][1-9][1-9][1-9][1-9][a-b]\nz");
    EXPECT_EQ(expand.Lines, Lines({"z"}));
    EXPECT_FALSE(expand.Expanded);
}

TEST(QorURLExpandTest, TextBounds) {
    const size_t cost = TQorURLExpand::kLineCost;
    // [10-29] builds 20 lines of 2 bytes.
    TQorURLExpandLimits limits{.TextPerLine = 20 * (2 + cost), .TextPerCall = 50 * (2 + cost)};
    TQorURLExpand expand("[10-29]\n[10-29]\n[10-29]\nplain", limits);
    ASSERT_EQ(expand.Lines.size(), 41u); // the third line no longer fits the call
    EXPECT_EQ(expand.Lines[39], "29");
    EXPECT_EQ(expand.Lines[40], "plain");

    expand.Limits.TextPerLine -= 1;
    expand.Expand("[10-29]");
    EXPECT_TRUE(expand.Lines.empty());

    // The first line passes its address bound at "22", its eleventh, after
    // building 1[1-9], 2[1-9] and eleven addresses, and keeps that spent.
    // What the call has left then holds seven one-digit lines, not eight.
    const size_t spent = 2 * (6 + cost) + 11 * (2 + cost);
    limits = {.AddressesPerLine = 10, .TextPerCall = spent + 7 * (2 + cost)};
    TQorURLExpand bounded("[1-2][1-9]\n[1-8]\n[1-7]", limits);
    EXPECT_EQ(bounded.Lines, Lines({"1", "2", "3", "4", "5", "6", "7"}));
}

} // namespace
