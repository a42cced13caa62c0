#include "inet/ExRegexp.h"

#include <gtest/gtest.h>

#include <random>
// GCC 12 reports a false "maybe uninitialized" inside std::regex in
// sanitizer builds.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <regex>
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
#include <string>
#include <vector>

#include "platform/CodePage.h"

namespace {

using namespace std::string_literals;

struct FindCase {
    const char* name;
    std::string pattern;
    std::string text;
    size_t start = 0;
    int pos;           // expected result of Find
    std::string match = {}; // expected Match when pos > 0
};

const std::string kHyou = "\x95\x5C"; // second byte is "\"
const std::string kSo = "\x83\x7C";   // second byte is "|"
const std::string kA = "\x82\xA0";    // hiragana a

const FindCase kCases[] = {
    // Patterns the program itself uses.
    {.name = "statusCode", .pattern = "\\s[0-9]+", .text = "HTTP/1.0 302 Found", .pos = 9, .match = " 302"},
    {.name = "charsetQuoted",
     .pattern = "charset\\s*=\\s*[a-zA-Z0-9_\\-\\\"]+",
     .text = "text/html; charset=\"Shift_JIS\"",
     .pos = 12,
     .match = "charset=\"Shift_JIS\""},
    {.name = "charsetSpaced",
     .pattern = "charset\\s*=\\s*[a-zA-Z0-9_\\-\\\"]+",
     .text = "text/html; charset = x-sjis;",
     .pos = 12,
     .match = "charset = x-sjis"},
    {.name = "charsetTabIsNotSpace",
     .pattern = "charset\\s*=\\s*[a-zA-Z0-9_\\-\\\"]+",
     .text = "charset\t=euc",
     .pos = 0},
    {.name = "percentEscape", .pattern = "%[0-9A-Fa-f][0-9A-Fa-f]", .text = "a%2Gb%2fc", .pos = 6, .match = "%2f"},
    {.name = "plusSign", .pattern = "\\+", .text = "a+b", .pos = 2, .match = "+"},
    {.name = "tag", .pattern = "<[^>]*>", .text = "x<a href=\"1\">y</a>", .pos = 2, .match = "<a href=\"1\">"},
    {.name = "tagFromStart", .pattern = "<[^>]*>", .text = "x<a href=\"1\">y</a>", .start = 13, .pos = 15, .match = "</a>"},
    {.name = "tagHoldsDoubleByte", .pattern = "<[^>]*>", .text = "<" + kHyou + kA + ">", .pos = 1, .match = "<" + kHyou + kA + ">"},
    // "<" after one, two or three lead bytes: second byte, first byte, second byte.
    {.name = "tagAfterOneLead", .pattern = "<[^>]*>", .text = "\x82<a>", .pos = 0},
    {.name = "tagAfterTwoLeads", .pattern = "<[^>]*>", .text = "\x82\x82<a>", .pos = 3, .match = "<a>"},
    {.name = "tagAfterThreeLeads", .pattern = "<[^>]*>", .text = "x\x82\x82\x82<a><b>", .pos = 8, .match = "<b>"},
    {.name = "tagUnclosed", .pattern = "<[^>]*>", .text = "a<b<c", .pos = 0},

    // Anchors.
    {.name = "anchorAtStart", .pattern = "^[a-zA-Z0-9_/]+", .text = "ab cd/ef g", .start = 3, .pos = 4, .match = "cd/ef"},
    {.name = "anchorNotAtStart", .pattern = "^[a-zA-Z0-9_/]+", .text = "ab  cd", .start = 2, .pos = 0},
    {.name = "anchorNoLaterTry", .pattern = "^b", .text = "ab", .pos = 0},
    {.name = "dollarAtEnd", .pattern = "c$", .text = "abc", .pos = 3, .match = "c"},
    {.name = "dollarBeforeLineFeed", .pattern = "b$", .text = "ab\ncb", .pos = 2, .match = "b"},
    {.name = "dollarNeedsEnd", .pattern = "b$", .text = "ab c", .pos = 0},
    {.name = "dollarNotLastIsPlain", .pattern = "a$b", .text = "xa$b", .pos = 2, .match = "a$b"},
    {.name = "caretNotFirstIsPlain", .pattern = "a^", .text = "xa^", .pos = 2, .match = "a^"},
    {.name = "onlyDollar", .pattern = "$", .text = "ab\nc", .pos = 3, .match = ""},

    // Repetition is greedy and gives back one character at a time.
    {.name = "greedyBacktrack", .pattern = "a.*b", .text = "a1b2b3", .pos = 1, .match = "a1b2b"},
    {.name = "givesBackToLiteral", .pattern = "x[0-9]*0", .text = "x1000", .pos = 1, .match = "x1000"},
    {.name = "optional", .pattern = "colou?r", .text = "color colour", .pos = 1, .match = "color"},
    {.name = "optionalTaken", .pattern = "colou?r", .text = "color colour", .start = 1, .pos = 7, .match = "colour"},
    {.name = "plusNeedsOne", .pattern = "ab+", .text = "a ab", .pos = 3, .match = "ab"},
    {.name = "starOfDoubleByte", .pattern = "x" + kA + "*y", .text = "x" + kA + kA + "y", .pos = 1, .match = "x" + kA + kA + "y"},
    {.name = "backtrackOverDoubleBytes", .pattern = ".*" + kHyou, .text = kHyou + "a" + kHyou + "b", .pos = 1, .match = kHyou + "a" + kHyou},

    // Double-byte characters: one character, never split.
    {.name = "trail5CIsNotBackslash", .pattern = "\\\\", .text = kHyou + "\\", .pos = 3, .match = "\\"},
    {.name = "trail7CIsNotBar", .pattern = "|", .text = kSo + "|", .pos = 3, .match = "|"},
    {.name = "trailLetterIsNotLetter", .pattern = "A", .text = "\x83\x41" "A", .pos = 3, .match = "A"},
    {.name = "doubleByteLiteral", .pattern = kA + "+", .text = "x" + kA + kA + "y", .pos = 2, .match = kA + kA},
    {.name = "doubleByteNotOnTrail", .pattern = kA, .text = "\x81\x82\xA0", .pos = 0},
    {.name = "dotTakesDoubleByte", .pattern = "a.c", .text = "a" + kA + "c", .pos = 1, .match = "a" + kA + "c"},
    {.name = "dotNotLineFeed", .pattern = "a.c", .text = "a\nc abc", .pos = 5, .match = "abc"},
    {.name = "setNeverHoldsDoubleByte", .pattern = "[" + kA + "]", .text = kA, .pos = 0},
    {.name = "setSkipsDoubleByteMember", .pattern = "[a" + kA + "]+", .text = kA + "a", .pos = 3, .match = "a"},
    {.name = "negatedSetTakesDoubleByte", .pattern = "[^a]", .text = "a" + kA, .pos = 2, .match = kA},
    {.name = "negatedSetTakesDoubleByteMember", .pattern = "[^" + kA + "]", .text = kA, .pos = 1, .match = kA},
    {.name = "loneLeadAtEndIsOneChar", .pattern = "[^a]$", .text = "a\x82", .pos = 2, .match = "\x82"},
    {.name = "loneLeadByEscape", .pattern = "\\x82", .text = "\x82\xA0\x82", .pos = 3, .match = "\x82"},
    {.name = "loneLeadInPattern", .pattern = "a\x82", .text = "a\x82", .pos = 1, .match = "a\x82"},
    {.name = "loneLeadInPatternVsPair", .pattern = "a\x82", .text = "a\x82\xA0", .pos = 0},

    // Sets.
    {.name = "leadingDash", .pattern = "[-a]+", .text = "x-a-", .pos = 2, .match = "-a-"},
    {.name = "trailingDash", .pattern = "[a-]+", .text = "x-a-", .pos = 2, .match = "-a-"},
    {.name = "escapedDash", .pattern = "[a\\-c]+", .text = "b-ac", .pos = 2, .match = "-ac"},
    {.name = "escapedBracket", .pattern = "[\\]x]+", .text = "a]x]", .pos = 2, .match = "]x]"},
    {.name = "rangeOfEscapes", .pattern = "[\\x41-\\x43]+", .text = "ABCD", .pos = 1, .match = "ABC"},
    {.name = "escapesInSet", .pattern = "[\\t\\s]+", .text = "a \t b", .pos = 2, .match = " \t "},
    {.name = "writtenControlsInSet", .pattern = "[\r\n\t]+", .text = "a\r\n\tb", .pos = 2, .match = "\r\n\t"},
    {.name = "negatedSet", .pattern = "[^0-9]+", .text = "12ab3", .pos = 3, .match = "ab"},
    {.name = "halfWidthKanaIsSingleByte", .pattern = "[\\xA1-\\xDF]+", .text = "a\xB1\xB2", .pos = 2, .match = "\xB1\xB2"},
    {.name = "reversedRangeEmpty", .pattern = "[z-a]", .text = "m", .pos = 0},
    {.name = "emptySetNeverMatches", .pattern = "a[]", .text = "a]", .pos = 0},
    {.name = "emptyNegatedSetAny", .pattern = "a[^]", .text = "a\n", .pos = 1, .match = "a\n"},

    // Escapes.
    {.name = "controls", .pattern = "\\t\\n\\r\\b\\e\\f", .text = "x\t\n\r\b\x1B\f", .pos = 2, .match = "\t\n\r\b\x1B\f"},
    {.name = "bigSIsSpace", .pattern = "a\\Sb", .text = "a\tb a b", .pos = 5, .match = "a b"},
    {.name = "hexOctalControl", .pattern = "\\x41\\101\\^A\\^z", .text = "AA\x01\x1A", .pos = 1, .match = "AA\x01\x1A"},
    {.name = "hexThreeDigitsLowByte", .pattern = "\\x141", .text = "A", .pos = 1, .match = "A"},
    {.name = "octalThreeDigits", .pattern = "\\1011", .text = "A1", .pos = 1, .match = "A1"},
    {.name = "hexWithoutDigitIsX", .pattern = "\\xg", .text = "xg", .pos = 1, .match = "xg"},
    {.name = "caretWithoutLetter", .pattern = "\\^1", .text = "^1", .pos = 1, .match = "^1"},
    {.name = "signsStandForThemselves", .pattern = "\\.\\*\\?\\-\\$", .text = "a.*?-$", .pos = 2, .match = ".*?-$"},
    {.name = "escapedDoubleByte", .pattern = "\\" + kHyou, .text = "a" + kHyou, .pos = 2, .match = kHyou},

    // Malformed patterns.
    {.name = "backslashAtEnd", .pattern = "a\\", .text = "xa\\", .pos = 2, .match = "a\\"},
    {.name = "hexAtEnd", .pattern = "a\\x", .text = "ax", .pos = 1, .match = "ax"},
    {.name = "bracketAtEnd", .pattern = "a[", .text = "a[", .pos = 1, .match = "a["},
    {.name = "unterminatedSet", .pattern = "x[ab", .text = "xb", .pos = 1, .match = "xb"},
    {.name = "unterminatedSetAtBackslash", .pattern = "x[\\", .text = "x\\", .pos = 1, .match = "x\\"},
    {.name = "strayQuantifier", .pattern = "*a", .text = "x*a", .pos = 2, .match = "*a"},
    {.name = "quantifierAfterCaret", .pattern = "^+", .text = "+", .pos = 1, .match = "+"},
    {.name = "doubleQuantifier", .pattern = "a**", .text = "baa*", .pos = 2, .match = "aa*"},
    {.name = "lineFeedEndsPattern", .pattern = "ab\ncd", .text = "xabx", .pos = 2, .match = "ab"},
    {.name = "lineFeedAfterDollar", .pattern = "ab$\ncd", .text = "ab", .pos = 1, .match = "ab"},
    {.name = "lineFeedAfterBackslash", .pattern = "a\\\nb", .text = "a\\b", .pos = 1, .match = "a\\"},

    // Zero bytes are ordinary characters.
    {.name = "zeroInPattern", .pattern = "a\0b"s, .text = "xa\0b"s, .pos = 2, .match = "a\0b"s},
    {.name = "zeroByEscape", .pattern = "a\\0b", .text = "a\0b"s, .pos = 1, .match = "a\0b"s},
    {.name = "zeroInTag", .pattern = "<[^>]*>", .text = "<a\0b>"s, .pos = 1, .match = "<a\0b>"s},

    // Empty matches and limits.
    {.name = "emptyPattern", .pattern = "", .text = "abc", .start = 1, .pos = 2, .match = ""},
    {.name = "emptyMatchAtEnd", .pattern = "x*", .text = "abc", .start = 3, .pos = 4, .match = ""},
    {.name = "startPastEnd", .pattern = "x*", .text = "abc", .start = 4, .pos = 0},
    {.name = "emptyText", .pattern = "a", .text = "", .pos = 0},
};

TEST(ExRegexpTest, FindTable) {
    for (const FindCase& c : kCases) {
        TExRegexp re;
        re.SetPattern(c.pattern);
        re.Match = "unchanged";
        EXPECT_EQ(re.Find(c.text, c.start), c.pos) << c.name;
        EXPECT_EQ(re.Match, c.pos > 0 ? c.match : "unchanged") << c.name;
    }
}

TEST(ExRegexpTest, PatternStateAndFailures) {
    TExRegexp re;
    EXPECT_EQ(re.Find("abc"), -1);
    EXPECT_EQ(re.Pattern, "");
    re.SetPattern("b+");
    EXPECT_EQ(re.Pattern, "b+");
    EXPECT_EQ(re.Find("abbc"), 2);
    EXPECT_EQ(re.Match, "bb");
    EXPECT_EQ(re.Find("xyz"), 0);
    EXPECT_EQ(re.Match, "bb"); // a failed search keeps the last match
    re.SetPattern("c\nignored");
    EXPECT_EQ(re.Pattern, "c\nignored"); // kept as given
    EXPECT_EQ(re.Find("abbc"), 4);
    EXPECT_EQ(re.Match, "c");
}

// A page scanned tag by tag, each search starting after the last match:
// Shift-JIS text whose second bytes are "\" or "|" must not disturb it.
TEST(ExRegexpTest, ScansPageTagByTag) {
    std::string page = SJ("<html><p class=\"x\">表示|ソフト</p>\n<a href='表.html'>能</a>< unclosed");
    TExRegexp re;
    re.SetPattern("<[^>]*>");
    std::vector<std::string> tags;
    size_t start = 0;
    for (int pos; (pos = re.Find(page, start)) > 0;) {
        tags.push_back(TCodePage::ToUtf8(re.Match));
        start = pos - 1 + re.Match.size();
    }
    EXPECT_EQ(tags, (std::vector<std::string>{"<html>", "<p class=\"x\">", "</p>", "<a href='表.html'>", "</a>"}));
}

// On ASCII text the dialect agrees with ECMAScript for single items with
// greedy repetition, so random patterns are checked against std::regex.
TEST(ExRegexpTest, AgreesWithStdRegexOnAscii) {
    const char* atoms[] = {"a", "b", ".", "[ab]", "[^a]", "[a-b]", "\\n"};
    const char* reps[] = {"", "", "*", "+", "?"};
    std::mt19937 rng(12345);
    auto pick = [&](size_t n) { return static_cast<size_t>(rng() % n); };
    for (int round = 0; round < 3000; ++round) {
        std::string pat;
        bool anchored = pick(4) == 0;
        bool dollar = pick(4) == 0;
        size_t count = 1 + pick(5);
        for (size_t i = 0; i < count; ++i) pat += std::string(atoms[pick(7)]) + reps[pick(5)];
        std::string text;
        size_t len = pick(14);
        for (size_t i = 0; i < len; ++i) text += "abc\n"[pick(4)];
        size_t start = pick(text.size() + 1);

        TExRegexp re;
        re.SetPattern((anchored ? "^" : "") + pat + (dollar ? "$" : ""));
        int got = re.Find(text, start);

        std::regex ref(pat + (dollar ? "(?=\\n|$)" : ""), std::regex::ECMAScript);
        std::smatch m;
        std::string rest = text.substr(start);
        auto flags = anchored ? std::regex_constants::match_continuous : std::regex_constants::match_default;
        bool found = std::regex_search(rest, m, ref, flags);
        std::string where = "pattern " + re.Pattern + " text " + text + " start " + std::to_string(start);
        if (!found) {
            EXPECT_EQ(got, 0) << where;
            continue;
        }
        EXPECT_EQ(got, static_cast<int>(start + m.position(0) + 1)) << where;
        if (got > 0) {
            EXPECT_EQ(re.Match, m.str(0)) << where;
        }
    }
}

// Remembered failures must not change results when one object searches
// many texts and starts in turn.
TEST(ExRegexpTest, RepeatedFindsOnOneObject) {
    TExRegexp re;
    re.SetPattern("a*a*b");
    EXPECT_EQ(re.Find("aaaaac"), 0);
    EXPECT_EQ(re.Find("aaaaab"), 1);
    EXPECT_EQ(re.Match, "aaaaab");
    EXPECT_EQ(re.Find("aaaaab", 3), 4);
    EXPECT_EQ(re.Match, "aab");
    EXPECT_EQ(re.Find("aacaab", 1), 4);
    EXPECT_EQ(re.Match, "aab");
}

} // namespace
