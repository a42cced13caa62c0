#include "inet/InetTagObjectEx.h"

#include "platform/CodePage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

using TPairs = std::vector<std::pair<std::string, std::string>>;

TPairs PairsOf(const TTagAttributes& attributes) {
    TPairs out;
    for (const TTagAttribute& a : attributes.List()) out.emplace_back(a.Name, a.Value);
    return out;
}

const std::string kHyou = "\x95\x5C"; // a character whose second byte is "\"
const std::string kSo = "\x83\x5C";   // another one

struct TagCase {
    const char* name;
    std::string source;
    std::string tagName;
    TPairs attributes = {};
};

std::vector<TagCase> TagCases() {
    return {
        // Names
        {.name = "NameIsLowerCased", .source = "<IMG SRC=\"A.PNG\">", .tagName = "img", .attributes = {{"src", "A.PNG"}}},
        {.name = "ClosingTag", .source = "</A>", .tagName = "/a"},
        {.name = "SlashBelongsToTheName", .source = "<br/>", .tagName = "br/"},
        {.name = "BlanksAfterTheBracket", .source = "< \tp class=x>", .tagName = "p", .attributes = {{"class", "x"}}},
        {.name = "Comment", .source = "<!-- a href=\"x\" -->", .tagName = ""},
        {.name = "Declaration", .source = "<!DOCTYPE html>", .tagName = ""},
        {.name = "EmptyTag", .source = "<>", .tagName = ""},
        {.name = "LoneBracket", .source = "<", .tagName = ""},
        // Values
        {.name = "SpacesAroundEquals", .source = "<a href = \"x y\">", .tagName = "a", .attributes = {{"href", "x y"}}},
        {.name = "SingleQuoted", .source = "<a href='a.html'>", .tagName = "a", .attributes = {{"href", "a.html"}}},
        {.name = "Unquoted", .source = "<a href=a.html>", .tagName = "a", .attributes = {{"href", "a.html"}}},
        {.name = "Backquoted", .source = "<a href=`a b`>", .tagName = "a", .attributes = {{"href", "a b"}}},
        {.name = "LineBreaksInsideQuotesDropped",
         .source = "<a href=\"a\r\n\tb.html\">",
         .tagName = "a",
         .attributes = {{"href", "ab.html"}}},
        {.name = "QuotedValueTrimmed", .source = "<a title=\"  x  \">", .tagName = "a", .attributes = {{"title", "x"}}},
        {.name = "UnquotedKeepsQuotesInside", .source = "<a href=a\"b'c>", .tagName = "a", .attributes = {{"href", "a\"b'c"}}},
        {.name = "UnclosedQuoteReadsUnquoted", .source = "<a href=\"abc>", .tagName = "a", .attributes = {{"href", "\"abc"}}},
        {.name = "OtherQuoteInsideValue",
         .source = "<a onclick=\"f('x')\" id=1>",
         .tagName = "a",
         .attributes = {{"onclick", "f('x')"}, {"id", "1"}}},
        {.name = "EmptyQuotedValueNotKept", .source = "<a alt=\"\" id=1>", .tagName = "a", .attributes = {{"id", "1"}}},
        {.name = "EqualsAtTheEnd", .source = "<a href=>", .tagName = "a"},
        // A tag over several lines
        {.name = "TagOverSeveralLines",
         .source = "<img\r\nsrc=\"a.png\"\n\twidth=10\nalt\n=\n'b'>",
         .tagName = "img",
         .attributes = {{"src", "a.png"}, {"width", "10"}, {"alt", "b"}}},
        // Attribute list rules
        {.name = "NoValueNotKept", .source = "<option selected value=1>", .tagName = "option", .attributes = {{"value", "1"}}},
        {.name = "LaterValueReplacesInPlace",
         .source = "<a id=1 href=x id=2>",
         .tagName = "a",
         .attributes = {{"id", "2"}, {"href", "x"}}},
        {.name = "EmptyValueRemovesEarlier", .source = "<a href=x id=1 href>", .tagName = "a", .attributes = {{"id", "1"}}},
        {.name = "NamesLowerCased", .source = "<a HREF=X>", .tagName = "a", .attributes = {{"href", "X"}}},
        {.name = "TwoSpacesBetweenAttributes", .source = "<a x=1   y=2>", .tagName = "a", .attributes = {{"x", "1"}, {"y", "2"}}},
        // Unanchored name search with an anchored equals test
        {.name = "LaterHyphenatedNameSplits",
         .source = "<img alt=\"a\" data-src=\"b\" src=\"c\">",
         .tagName = "img",
         .attributes = {{"alt", "a"}}},
        {.name = "FirstHyphenatedNameKept",
         .source = "<img data-src=\"b\" src=\"c\">",
         .tagName = "img",
         .attributes = {{"data-src", "b"}, {"src", "c"}}},
        {.name = "LaterUnderscoreSplits", .source = "<a x=1 my_id=2 y=3>", .tagName = "a", .attributes = {{"x", "1"}}},
        {.name = "JunkBeforeTheFirstName", .source = "<a \"x\" href=\"y\">", .tagName = "a"},
        // What stands before a name stays in front of the text, so an "=" there
        // gives the name the value that follows.
        {.name = "EqualsBeforeTheFirstName", .source = "<a = x y>", .tagName = "a", .attributes = {{"x", "y"}}},
        {.name = "EqualsBeforeALaterName", .source = "<a x=1 =y z>", .tagName = "a", .attributes = {{"x", "1"}, {"y", "z"}}},
        {.name = "ValueReadAcrossTheLeftovers",
         .source = "<a  = \x83\x41</a>",
         .tagName = "a",
         .attributes = {{"a", "\x83\x41</"}}},
        {.name = "QuotedValueFromTheLeftovers", .source = "<a =\"v\" x>", .tagName = "a"},
        {.name = "SelfClosingSlashIsJunk", .source = "<img src=a.png / alt=b>", .tagName = "img", .attributes = {{"src", "a.png"}}},
        {.name = "UnquotedRunsToTheSlash", .source = "<img src=a.png/>", .tagName = "img", .attributes = {{"src", "a.png/"}}},
        // Shift-JIS
        {.name = "ValueWith5CSecondBytes",
         .source = "<a title=\"" + kHyou + kSo + "\" href=" + kHyou + ".html>",
         .tagName = "a",
         .attributes = {{"title", kHyou + kSo}, {"href", kHyou + ".html"}}},
        {.name = "DoubleByteQuotedValue",
         .source = "<img alt=\"" + SJ("表示　テスト") + "\">",
         .tagName = "img",
         .attributes = {{"alt", SJ("表示　テスト")}}},
        // 0x83 0x41 has "A" as its second byte; it is no name.
        {.name = "SecondByteIsNoName", .source = "<a \x83\x41=1>", .tagName = "a"},
        // A space after a lead byte belongs to that character.
        {.name = "SpaceAfterLeadByteInsideValue",
         .source = "<a title=x\x81 y>",
         .tagName = "a",
         .attributes = {{"title", "x\x81 y"}}},
        {.name = "QuoteAfterLeadByteDoesNotClose",
         .source = "<a title=\"x\x81\"y\" id=1>",
         .tagName = "a",
         .attributes = {{"title", "x\x81\"y"}, {"id", "1"}}},
        {.name = "NulInsideValue",
         .source = std::string("<a href=\"x\0y\">", 14),
         .tagName = "a",
         .attributes = {{"href", std::string("x\0y", 3)}}},
        // The made-up link of the scanner
        {.name = "FakeLink",
         .source = "<_fake_a href=\"http://h/a.zip\"></_fake_a>",
         .tagName = "_fake_a",
         .attributes = {{"href", "http://h/a.zip"}}},
    };
}

class TagParseTest : public testing::TestWithParam<TagCase> {};

TEST_P(TagParseTest, ReadsNameAndAttributes) {
    const TagCase& c = GetParam();
    TInetTagObjectEx item(c.source);
    EXPECT_EQ(item.Source, c.source);
    EXPECT_EQ(item.TagName, c.tagName);
    EXPECT_EQ(PairsOf(item.Attributes), c.attributes);
    EXPECT_EQ(item.Text, "");
}

INSTANTIATE_TEST_SUITE_P(Cases, TagParseTest, testing::ValuesIn(TagCases()),
                         [](const auto& info) { return std::string(info.param.name); });

struct TextCase {
    const char* name;
    std::string source;
    std::string text;
};

class TextItemTest : public testing::TestWithParam<TextCase> {};

TEST_P(TextItemTest, KeepsTheTextWithoutLineBreaksAndTabs) {
    TInetTagObjectEx item(GetParam().source);
    EXPECT_EQ(item.Text, GetParam().text);
    EXPECT_EQ(item.TagName, "");
    EXPECT_EQ(item.Attributes.Count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextItemTest,
    testing::Values(TextCase{.name = "Plain", .source = "hello", .text = "hello"},
                    TextCase{.name = "BreaksRemovedThenTrimmed", .source = "\t a\r\nb \n", .text = "ab"},
                    TextCase{.name = "InnerSpacesKept", .source = "a  b", .text = "a  b"},
                    TextCase{.name = "TabInsideDoubleByteKept", .source = "\x81\tx", .text = "\x81\tx"},
                    TextCase{.name = "Japanese", .source = SJ("表示") + "\r\n", .text = SJ("表示")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TagObjectTest, SetAttributeListReplacesEarlierResults) {
    TInetTagObjectEx item("<a href=x>");
    item.SetAttributeList("text");
    EXPECT_EQ(item.TagName, "");
    EXPECT_EQ(item.Attributes.Count(), 0u);
    EXPECT_EQ(item.Text, "text");
    item.SetAttributeList("<img src=y>");
    EXPECT_EQ(item.TagName, "img");
    EXPECT_EQ(item.Text, "");
    EXPECT_EQ(item.Attributes.Value("src"), "y");
    EXPECT_EQ(item.Source, "<a href=x>");
}

TEST(TagAttributesTest, LookupIgnoresCaseAndMissingReadsEmpty) {
    TInetTagObjectEx item("<a href=x>");
    EXPECT_EQ(item.Attributes.Value("href"), "x");
    EXPECT_EQ(item.Attributes.Value("HREF"), "x");
    EXPECT_TRUE(item.Attributes.Contains("Href"));
    EXPECT_EQ(item.Attributes.Value("src"), "");
    EXPECT_FALSE(item.Attributes.Contains("src"));
}

// Enough names to go past the small linear list, with removals, re-adds and
// replacements, checked against the plain rules.
TEST(TagAttributesTest, ManyNamesKeepListRules) {
    TTagAttributes attributes;
    TPairs expected;
    auto set = [&](const std::string& name, const std::string& value) {
        attributes.SetValue(name, value);
        auto it = std::find_if(expected.begin(), expected.end(), [&](const auto& p) { return p.first == name; });
        if (value.empty()) {
            if (it != expected.end()) expected.erase(it);
        } else if (it != expected.end()) {
            it->second = value;
        } else {
            expected.emplace_back(name, value);
        }
    };
    for (int i = 0; i < 40; ++i) set("n" + std::to_string(i), "v" + std::to_string(i));
    for (int i = 0; i < 40; i += 2) set("n" + std::to_string(i), "");
    for (int i = 0; i < 40; i += 4) set("n" + std::to_string(i), "again");
    for (int i = 1; i < 40; i += 3) set("n" + std::to_string(i), "new");
    for (int i = 0; i < 37; ++i) set("n" + std::to_string(i), "");
    EXPECT_EQ(PairsOf(attributes), expected);
    EXPECT_EQ(attributes.Count(), expected.size());
    for (int i = 0; i < 40; ++i) {
        std::string name = "n" + std::to_string(i);
        auto it = std::find_if(expected.begin(), expected.end(), [&](const auto& p) { return p.first == name; });
        EXPECT_EQ(attributes.Value(name), it == expected.end() ? "" : it->second) << name;
    }
}

// A huge tag with very many removals must stay fast (linear); a quadratic
// list would take minutes here.
TEST(TagAttributesTest, HugeTagWithManyRemovals) {
    std::string tag = "<a ";
    const int n = 100000;
    for (int i = 0; i < n; ++i) tag += "n" + std::to_string(i) + "=1 ";
    for (int i = 0; i < n; ++i) tag += "n" + std::to_string(i) + " ";
    tag += "last=2>";
    TInetTagObjectEx item(tag);
    ASSERT_EQ(item.Attributes.Count(), 1u);
    EXPECT_EQ(item.Attributes.Value("last"), "2");
}

// Leftovers that stay in front (white space, then a sign) while very many
// names follow: each equals test must not walk the leftovers again.
TEST(TagAttributesTest, HugeLeftoversStayLinear) {
    const size_t n = 200000;
    std::string tag = "<a " + std::string(n, ' ') + "?";
    for (size_t i = 0; i < n; ++i) tag += "b ";
    tag += "=c>";
    TInetTagObjectEx item(tag);
    EXPECT_EQ(item.TagName, "a");
    EXPECT_EQ(item.Attributes.Count(), 0u);
}

} // namespace
