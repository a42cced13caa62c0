// The text helpers of the page item extractor: reference decoding, the
// meta charset declaration, token positions, relative addresses, and the
// link text that grows while an anchor is read.
#include "engine/QorPageItems.h"

#include "LiteralPageText.h"
#include "platform/CodePage.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

const std::string kHyou = "\x95\x5C"; // "表": its second byte is "\"

// ---------------------------------------------------------------------------
// ChangeHTMLSymbol

struct SymbolCase {
    const char* name;
    std::string in;
    std::string out;
};

class ChangeHTMLSymbolTest : public testing::TestWithParam<SymbolCase> {};

TEST_P(ChangeHTMLSymbolTest, Decodes) {
    EXPECT_EQ(TQorPageItems::ChangeHTMLSymbol(GetParam().in), GetParam().out);
    EXPECT_EQ(literal::ChangeHTMLSymbol(GetParam().in), GetParam().out) << "the literal reading disagrees";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ChangeHTMLSymbolTest,
    testing::Values(
        SymbolCase{.name = "Amp", .in = "a &amp; b", .out = "a & b"},
        SymbolCase{.name = "DecimalAndHex", .in = "&#65; and &#x41;", .out = "A and A"},
        SymbolCase{.name = "DoublyEscapedLt", .in = "&amp;lt;", .out = "<"},
        SymbolCase{.name = "DoublyEscapedAmp", .in = "&amp;amp;", .out = "&"},
        SymbolCase{.name = "TriplyEscaped", .in = "&amp;amp;quot;", .out = "\""},
        SymbolCase{.name = "UnreadableNumberStays", .in = "&#abc; then &#66;", .out = "&#abc; then B"},
        SymbolCase{.name = "OtherNames", .in = "&quot;q&quot; &gt; &lt; a&nbsp;b", .out = "\"q\" > < a b"},
        SymbolCase{.name = "UnknownNameStays", .in = "&copy; &AMP; &amp", .out = "&copy; &AMP; &amp"},
        // Named references first: the "&" they leave may open a numeric one.
        SymbolCase{.name = "NamedThenNumeric", .in = "&amp;#65;", .out = "A"},
        // A character made by a reference can open the next one...
        SymbolCase{.name = "MadeAmpersandOpensReference", .in = "&#38;#66;", .out = "B"},
        // ... or complete one with the "&" in front of it.
        SymbolCase{.name = "MadeHashCompletesReference", .in = "&&#35;67;", .out = "C"},
        SymbolCase{.name = "RemovedZeroJoinsNeighbours", .in = "&&#0;#68;", .out = "D"},
        SymbolCase{.name = "RemovedZerosChain", .in = "&&&#0;#0;#69;", .out = "E"},
        SymbolCase{.name = "MadeHashBeforeUnreadable", .in = "&&#35;&#66;", .out = "&#&#66;"},
        SymbolCase{.name = "ZeroRemoves", .in = "a&#0;b", .out = "ab"},
        SymbolCase{.name = "LowSixteenBitsOnly", .in = "&#65601;|&#65536;|", .out = "A||"},
        SymbolCase{.name = "NumberForms", .in = "&# 65;&#+66;&#$43;&#0x44;&#X45;&#-0;", .out = "ABCDE"},
        SymbolCase{.name = "NegativeWraps", .in = "&#-65471;", .out = "A"},
        // 2147483647 leaves U+FFFF, which has no Shift-JIS form: its escape.
        SymbolCase{.name = "DecimalOverflowStays", .in = "&#2147483648;&#2147483647;", .out = "&#2147483648;\xFD\xA0\xAF\xDF\xDF"},
        SymbolCase{.name = "HexThirtyTwoBits", .in = "&#xFFFF0041;&#x100000041;", .out = "A&#x100000041;"},
        SymbolCase{.name = "TrailingSpaceUnreadable", .in = "&#65 ;", .out = "&#65 ;"},
        SymbolCase{.name = "EmptyNumber", .in = "&#;x", .out = "&#;x"},
        SymbolCase{.name = "NoSemicolon", .in = "&#65 &#66", .out = "&#65 &#66"},
        // An unreadable reference runs to the first ";" and hides what is inside.
        SymbolCase{.name = "UnreadableSwallowsInner", .in = "&#6&#65;", .out = "&#6&#65;"},
        SymbolCase{.name = "Japanese", .in = "&#12354;&#x8868;", .out = SJ("あ表")},
        // A character without a Shift-JIS form is kept as its escape; half a
        // surrogate pair is no character at all.
        SymbolCase{.name = "NoShiftJisFormIsEscaped", .in = "&#233;&#xD800;", .out = "\xFD\xA0\xA0\xA3\xC9?"},
        // "&" after a lead byte is that character's second byte.
        SymbolCase{.name = "LeadByteSwallowsAmpersand", .in = "\x81&amp;" + kHyou + "&amp;", .out = "\x81&amp;" + kHyou + "&"},
        SymbolCase{.name = "NothingToDo", .in = SJ("表示 a<b"), .out = SJ("表示 a<b")}),
    [](const auto& info) { return std::string(info.param.name); });

// Random texts made of the pieces references are built from; the one-pass
// decoder must agree with the literal restart-from-the-front reading.
TEST(ChangeHTMLSymbolTest, AgreesWithLiteralReading) {
    const std::vector<std::string> parts = {"&",  "amp;", "#",    ";",   "0",  "6",  "5",  "x", "3",  "8",
                                            "lt;", "quot;", "&#",  "\x81", kHyou, " ",  "a",  "-", "$",  "nbsp;",
                                            "4",  "&#38;", "&#35;", "&#0;", "F",  "\x82\xA0"};
    std::mt19937 rng(7);
    std::string reused = "left over from the text before";
    for (int round = 0; round < 20000; ++round) {
        std::string s;
        int n = static_cast<int>(rng() % 12);
        for (int k = 0; k < n; ++k) s += parts[rng() % parts.size()];
        const std::string expected = literal::ChangeHTMLSymbol(s);
        ASSERT_EQ(TQorPageItems::ChangeHTMLSymbol(s), expected) << "input: " << s;
        // Into a buffer that still holds the last result.
        TQorPageItems::ChangeHTMLSymbol(s, reused);
        ASSERT_EQ(reused, expected) << "input: " << s;
    }
}

// ---------------------------------------------------------------------------
// GetMetaCharSet and GetTokenPos

struct MetaCase {
    const char* name;
    std::string page;
    std::string meta;
};

class GetMetaCharSetTest : public testing::TestWithParam<MetaCase> {};

TEST_P(GetMetaCharSetTest, Finds) { EXPECT_EQ(TQorPageItems::GetMetaCharSet(GetParam().page), GetParam().meta); }

INSTANTIATE_TEST_SUITE_P(
    Cases, GetMetaCharSetTest,
    testing::Values(
        MetaCase{.name = "HttpEquiv",
                 .page = "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\"><body>",
                 .meta = "charset=shift_jis\""},
        MetaCase{.name = "QuotesKept", .page = "<meta charset=\"UTF-8\">\n<BODY>", .meta = "charset=\"utf-8\""},
        MetaCase{.name = "SpacesAroundEquals", .page = "charset = euc-jp;<Body>", .meta = "charset = euc-jp"},
        MetaCase{.name = "XmlEncoding",
                 .page = "<?xml version=\"1.0\" encoding=\"EUC-JP\"?><html><body>",
                 .meta = "encoding=\"euc-jp\""},
        MetaCase{.name = "CharsetBeforeEncoding",
                 .page = "encoding=\"a\" charset=b<body>",
                 .meta = "charset=b"},
        MetaCase{.name = "NoBodyTag", .page = "<meta charset=utf-8><p>x</p>", .meta = ""},
        MetaCase{.name = "AfterBodyTag", .page = "<body><meta charset=utf-8>", .meta = ""},
        MetaCase{.name = "CapitalKeyNotFound", .page = "<meta content=\"text/html; Charset=EUC-JP\"><body>", .meta = ""},
        // "\s" stands for one space only.
        MetaCase{.name = "TabIsNoSpace", .page = "charset=\teuc-jp<body>", .meta = ""},
        // "<" after a lead byte is its second byte: that is no body tag.
        MetaCase{.name = "BodyAfterLeadByte", .page = "charset=x\x81<body>", .meta = ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(GetTokenPosTest, StopTokenBeforeTokenGivesZero) {
    EXPECT_EQ(TQorPageItems::GetTokenPos("a#b?c", "#", "?"), 2);
    EXPECT_EQ(TQorPageItems::GetTokenPos("a?b#c", "#", "?"), 0);
    EXPECT_EQ(TQorPageItems::GetTokenPos("abc", "#", "?"), 0);
    EXPECT_EQ(TQorPageItems::GetTokenPos("http://h/?u=http://x", "://", "?"), 5);
    EXPECT_EQ(TQorPageItems::GetTokenPos("?u=http://x", "://", "?"), 0);
    // "#" after a lead byte is not a "#".
    EXPECT_EQ(TQorPageItems::GetTokenPos("\x81#x#", "#", "?"), 4);
}

// ---------------------------------------------------------------------------
// ExpandRelativePath

struct PathCase {
    const char* name;
    std::string address;
    std::string base = "";
    std::string result;
};

class ExpandRelativePathTest : public testing::TestWithParam<PathCase> {};

TEST_P(ExpandRelativePathTest, Expands) {
    TQorPageItems items;
    items.SetPageFile(TQorFile("http://h/a/b/c.html"));
    EXPECT_EQ(items.ExpandRelativePath(GetParam().address, GetParam().base), GetParam().result);
    std::string reused = "http://left/over/from/an/address/before/x.gif";
    items.ExpandRelativePath(GetParam().address, GetParam().base, reused);
    EXPECT_EQ(reused, GetParam().result);
    EXPECT_EQ(literal::ExpandRelativePath(GetParam().address, GetParam().base, *items.PageFile->URL), GetParam().result);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExpandRelativePathTest,
    testing::Values(
        PathCase{.name = "Parent", .address = "../x.gif", .result = "http://h/a/x.gif"},
        PathCase{.name = "Root", .address = "/x.gif", .result = "http://h/x.gif"},
        PathCase{.name = "Sibling", .address = "x.gif", .result = "http://h/a/b/x.gif"},
        PathCase{.name = "Dot", .address = "./x.gif", .result = "http://h/a/b/x.gif"},
        PathCase{.name = "NeverAboveHost", .address = "../../../x.gif", .result = "http://h/x.gif"},
        PathCase{.name = "BareQueryIsFolderRelative", .address = "?q=1", .result = "http://h/a/b/?q=1"},
        PathCase{.name = "Absolute", .address = "https://o/p/./q/../r", .result = "https://o/p/r"},
        PathCase{.name = "SchemeInQueryIsRelative", .address = "x.cgi?u=http://o/", .result = "http://h/a/b/x.cgi?u=http://o/"},
        // Dot segments are removed in the query too.
        PathCase{.name = "QueryNotSpared", .address = "x.cgi?p=../y", .result = "http://h/a/b/y"},
        // A dot before a slash inside a name goes as well.
        PathCase{.name = "FolderEndingInDot", .address = "v1./x.gif", .result = "http://h/a/b/v1x.gif"},
        PathCase{.name = "DoubleSlashIsPath", .address = "//cdn/x.js", .result = "http://h//cdn/x.js"},
        PathCase{.name = "ShiftJisSegment", .address = kHyou + "/../" + kHyou + "/x.gif", .result = "http://h/a/b/" + kHyou + "/x.gif"},
        PathCase{.name = "Base", .address = "x.gif", .base = "http://b/d/", .result = "http://b/d/x.gif"},
        PathCase{.name = "BaseUsedAsGiven", .address = "x.gif", .base = "http://b/d", .result = "http://b/dx.gif"},
        PathCase{.name = "RootAgainstBaseDropsPort", .address = "/x.gif", .base = "http://b:81/d/", .result = "http://b/x.gif"},
        PathCase{.name = "ParentOfBase", .address = "../x.gif", .base = "http://b/d/e/", .result = "http://b/d/x.gif"},
        // Climbing above a host keeps the host and its "/"; when the host
        // ends in a dot, that "./" goes in the next pass.
        PathCase{.name = "HostEndingInDot", .address = "http://h.x../y", .result = "http://hy"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ExpandRelativePathTest, PortIsLeftOut) {
    TQorPageItems items;
    items.SetPageFile(TQorFile("http://h:8080/a/p.html"));
    EXPECT_EQ(items.ExpandRelativePath("x.gif", ""), "http://h/a/x.gif");
    EXPECT_EQ(items.ExpandRelativePath("/x.gif", ""), "http://h/x.gif");
}

TEST(ExpandRelativePathTest, CanceledLeavesDotSegments) {
    TQorPageItems items;
    items.SetPageFile(TQorFile("http://h/a/b/c.html"));
    items.Cancel();
    EXPECT_EQ(items.ExpandRelativePath("./x/../y.gif", ""), "http://h/a/b/./x/../y.gif");
}

// Random addresses of dots, slashes and names; the one-pass removal must
// agree with the literal one that searches from the front after each step.
TEST(ExpandRelativePathTest, AgreesWithLiteralRemoval) {
    const std::vector<std::string> parts = {".", "/", "./", "../", "a", "b.c", "://", ":", "?", "\x81", kHyou, "h"};
    const std::vector<std::string> bases = {"", "http://b/d/", "b", "http://b.c../"};
    std::mt19937 rng(11);
    TQorPageItems items;
    items.SetPageFile(TQorFile("http://h/a/b/c.html"));
    for (int round = 0; round < 20000; ++round) {
        std::string s;
        int n = static_cast<int>(rng() % 14);
        for (int k = 0; k < n; ++k) s += parts[rng() % parts.size()];
        const std::string& base = bases[rng() % bases.size()];
        ASSERT_EQ(items.ExpandRelativePath(s, base), literal::ExpandRelativePath(s, base, *items.PageFile->URL))
            << "address: " << s << " base: " << base;
    }
}

// ---------------------------------------------------------------------------
// TQorAnchorText

std::string Folded(const std::vector<std::string>& pieces) {
    TQorFile record;
    for (const std::string& p : pieces) literal::AppendAnchor(record, p);
    return record.AnchorString;
}

std::string Grown(const std::vector<std::string>& pieces) {
    TQorAnchorText text;
    for (const std::string& p : pieces) text.Append(p);
    return text.Text();
}

struct AnchorCase {
    const char* name;
    std::vector<std::string> pieces;
    std::string text;
};

class AnchorTextTest : public testing::TestWithParam<AnchorCase> {};

TEST_P(AnchorTextTest, FoldsLikeTheRecord) {
    EXPECT_EQ(Grown(GetParam().pieces), GetParam().text);
    EXPECT_EQ(Folded(GetParam().pieces), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AnchorTextTest,
    testing::Values(AnchorCase{.name = "JoinedWithoutSeparator", .pieces = {"Hello", "World", "!"}, .text = "HelloWorld!"},
                    AnchorCase{.name = "InnerRunsFold", .pieces = {"a  b", "\tc"}, .text = "a b c"},
                    AnchorCase{.name = "TrailingSpaceKept", .pieces = {"a ", ""}, .text = "a "},
                    AnchorCase{.name = "LeadingSpaceKept", .pieces = {"  a"}, .text = " a"},
                    AnchorCase{.name = "BothEnds", .pieces = {" a ", " b "}, .text = "a b "},
                    AnchorCase{.name = "OnlySpaces", .pieces = {"   ", "  "}, .text = " "},
                    AnchorCase{.name = "ControlBytesTrimmedBeforeGap", .pieces = {"a\r", " b"}, .text = "a b"},
                    AnchorCase{.name = "LeadByteAcrossPieces", .pieces = {"a \x95", "\x5C b"}, .text = "a \x95\x5C b"},
                    // A lead byte left bare by the cut takes the joining space:
                    // the next fold sees one word there.
                    AnchorCase{.name = "BareLeadTakesSpace", .pieces = {"x\x81\x01 y", "", " z\t"}, .text = "x\x81 y z "},
                    AnchorCase{.name = "AllBareLeads", .pieces = {"\x81\x01 \x82\x02 ", "q"}, .text = "\x81 \x82 q"}),
    [](const auto& info) { return std::string(info.param.name); });

// Random pieces of blanks, gaps, words, lead bytes and broken pairs, with
// the text compared after every piece, and restarts from a folded text.
TEST(AnchorTextTest, AgreesWithFoldingAfterEveryPiece) {
    const std::vector<std::string> parts = {" ",  "\t", "a",      "bc",   "\x01", "\r",       "\x81",   "\x81\x01",
                                            kHyou, "\x81 ", "\xE0", "  ", "\x81\t", "\x82\xA0", "\x01 ", "x\x81"};
    std::mt19937 rng(3);
    for (int round = 0; round < 5000; ++round) {
        TQorFile record;
        TQorAnchorText text;
        int steps = static_cast<int>(rng() % 10) + 1;
        for (int s = 0; s < steps; ++s) {
            if (rng() % 8 == 0) {
                std::string fresh;
                for (int k = static_cast<int>(rng() % 4); k > 0; --k) fresh += parts[rng() % parts.size()];
                record.SetAnchorString(fresh);
                text.Reset(record.AnchorString);
                ASSERT_EQ(text.Text(), record.AnchorString) << "reset from: " << fresh;
            }
            std::string piece;
            for (int k = static_cast<int>(rng() % 5); k > 0; --k) piece += parts[rng() % parts.size()];
            literal::AppendAnchor(record, piece);
            text.Append(piece);
            ASSERT_EQ(text.Text(), record.AnchorString) << "round " << round << " step " << s;
            ASSERT_EQ(text.Empty(), record.AnchorString.empty());
        }
    }
}

} // namespace
