#include "inet/InetHTMLEx.h"

#include "LiteralTagScan.h"
#include "platform/CodePage.h"

#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>
#include <vector>

namespace {

// "text:..." for a text item, "tag:name a=v b=w" for a tag item.
std::string Describe(const std::string& tagName, const std::string& text, const std::vector<TTagAttribute>& attrs) {
    if (!text.empty()) return "text:" + text;
    std::string out = "tag:" + tagName;
    for (const TTagAttribute& a : attrs) out += " " + a.Name + "=" + a.Value;
    return out;
}

std::vector<std::string> Scan(const std::string& page, bool searchURL, bool searchFile) {
    TInetHTMLEx html;
    html.HTML = page;
    html.SearchURL = searchURL;
    html.SearchFile = searchFile;
    html.UpdateTagList();
    std::vector<std::string> out;
    for (int i = 0; i < html.GetCount(); ++i) {
        const TInetTagObjectEx* item = html.GetTag(i);
        out.push_back(Describe(item->TagName, item->Text, item->Attributes.List()));
    }
    return out;
}

const std::string kHyou = "\x95\x5C"; // a character whose second byte is "\"

struct ScanCase {
    const char* name;
    std::string page;
    bool searchURL = false;
    bool searchFile = false;
    std::vector<std::string> items;
};

std::vector<ScanCase> ScanCases() {
    return {
        // Tags and text
        {.name = "TextAndTags", .page = "a<b>c</b> d", .items = {"text:a", "tag:b", "text:c", "tag:/b"}},
        {.name = "TextTrimmedBlankRunsDropped",
         .page = "  <p>\r\n\t</p>  x  <br>",
         .items = {"tag:p", "tag:/p", "text:x", "tag:br"}},
        {.name = "TagOverSeveralLines",
         .page = "<a\r\nhref=\"x.html\"\r\ntarget=_top\r\n>link</a>",
         .items = {"tag:a href=x.html target=_top", "text:link", "tag:/a"}},
        {.name = "CommentHasNoName", .page = "<!-- c --><p>", .items = {"tag:", "tag:p"}},
        {.name = "CommentEndsAtFirstBracket",
         .page = "<!-- a > b --><i>",
         .items = {"tag:", "text:b -->", "tag:i"}},
        {.name = "UnterminatedBracketAtTheEnd", .page = "<a>x<b", .items = {"tag:a"}},
        {.name = "OnlyBrackets", .page = "<<<<", .items = {}},
        {.name = "BracketsThenClose", .page = "<<<<>", .items = {"tag:"}},
        {.name = "CloseBeforeOpen", .page = "> a <b>", .items = {"text:> a", "tag:b"}},
        {.name = "Empty", .page = "", .items = {}},
        {.name = "NulInside",
         .page = std::string("x\0<a href=\"p\0q\">", 16),
         .items = {"text:x", "tag:a href=" + std::string("p\0q", 3)}},
        {.name = "ShiftJisText", .page = kHyou + "<b>" + SJ("表示") + "</b>", .items = {"text:" + kHyou, "tag:b", "text:" + SJ("表示"), "tag:/b"}},
        // 0x81 followed by "<" is one character: no tag starts there.
        {.name = "LeadByteSwallowsBracket", .page = "\x81<a><b>", .items = {"text:\x81<a>", "tag:b"}},
        {.name = "ValueWith5CSecondBytes",
         .page = "<img src=\"" + kHyou + "/" + kHyou + ".jpg\" alt='" + kHyou + "'>",
         .items = {"tag:img src=" + kHyou + "/" + kHyou + ".jpg alt=" + kHyou}},
        // Bare addresses
        {.name = "BareAddress",
         .page = "see http://h/x.zip now",
         .searchURL = true,
         .items = {"tag:_fake_a href=http://h/x.zip"}},
        {.name = "AddressesComeAfterTags",
         .page = "<a href=\"http://h/a.html\">x</a> ftp://h/b.zip<br>",
         .searchURL = true,
         .items = {"tag:a href=http://h/a.html", "text:x", "tag:/a", "text:ftp://h/b.zip", "tag:br",
                   "tag:_fake_a href=http://h/a.html", "tag:_fake_a href=ftp://h/b.zip"}},
        {.name = "NotWithoutSearchURL", .page = "see http://h/x.zip now", .items = {}},
        {.name = "AddressEndsAtSignsOutsideTheSet",
         .page = "(http://h/a?x=1&y=[2]) <http://h/b> 'http://h/c' http://h/d\"e",
         .searchURL = true,
         .items = {"text:(http://h/a?x=1&y=[2])", "tag:http", "tag:_fake_a href=http://h/a?x=1&y=[2]", "tag:_fake_a href=http://h/b",
                   "tag:_fake_a href=http://h/c", "tag:_fake_a href=http://h/d"}},
        {.name = "AddressEndsAtDoubleByte",
         .page = "http://h/" + SJ("表") + "x",
         .searchURL = true,
         .items = {"tag:_fake_a href=http://h/"}},
        {.name = "SchemeIsTheWholeLowerCaseRun",
         .page = "xhttp://a Http://b HTTP://c",
         .searchURL = true,
         .items = {"tag:_fake_a href=xhttp://a", "tag:_fake_a href=ttp://b"}},
        {.name = "NothingAfterTheSlashes", .page = "http:// x http://", .searchURL = true, .items = {}},
        {.name = "FullWidthAddress",
         .page = SJ("ｈｔｔｐ：／／ｈ／ａ．ｚｉｐ"),
         .searchURL = true,
         .items = {"tag:_fake_a href=http://h/a.zip"}},
        // 0x82 0x68 swallows the "h"; the address starts after it.
        {.name = "SecondByteIsNoSchemeLetter",
         .page = "\x82hxtp://h",
         .searchURL = true,
         .items = {"tag:_fake_a href=xtp://h"}},
        // Quoted file names
        {.name = "QuotedFileName",
         .page = "<script>img = 'img/pic.jpg';</script>",
         .searchURL = true,
         .searchFile = true,
         .items = {"tag:script", "text:img = 'img/pic.jpg';", "tag:/script", "tag:_fake_a href=img/pic.jpg"}},
        {.name = "FileNamesSkipped",
         .page = "'a.b()' 'x.y+' \"x.y=\" '.ab' 'ab.' 'ab'",
         .searchURL = true,
         .searchFile = true,
         .items = {}},
        {.name = "FileNameQuotesMayDiffer",
         .page = "\"a.b' 'c.d\"",
         .searchURL = true,
         .searchFile = true,
         .items = {"tag:_fake_a href=a.b", "tag:_fake_a href=c.d"}},
        {.name = "ClosingQuoteIsUsedUp",
         .page = "'a.b'c.d' 'abc' 'x.y'",
         .searchURL = true,
         .searchFile = true,
         .items = {"tag:_fake_a href=a.b", "tag:_fake_a href=x.y"}},
        {.name = "AddressesAreTakenOut",
         .page = "'http://h/a.js' \"a.1http://h/\"",
         .searchURL = true,
         .searchFile = true,
         .items = {"tag:_fake_a href=http://h/a.js", "tag:_fake_a href=http://h/", "tag:_fake_a href=a.1"}},
        {.name = "FileNamesNeedSearchURL", .page = "'img/pic.jpg'", .searchFile = true, .items = {}},
        {.name = "FullWidthFileName",
         .page = SJ("’ａ．ｊｐｇ’ ＇ｃ．ｐｎｇ＇ \"ｂ．ｇｉｆ\""),
         .searchURL = true,
         .searchFile = true,
         .items = {"tag:_fake_a href=c.png", "tag:_fake_a href=b.gif"}},
        {.name = "QuoteAfterLeadByteOpensNothing",
         .page = "\x81'a.b'",
         .searchURL = true,
         .searchFile = true,
         .items = {}},
    };
}

class ScanTest : public testing::TestWithParam<ScanCase> {};

TEST_P(ScanTest, Items) {
    const ScanCase& c = GetParam();
    EXPECT_EQ(Scan(c.page, c.searchURL, c.searchFile), c.items);
}

INSTANTIATE_TEST_SUITE_P(Cases, ScanTest, testing::ValuesIn(ScanCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(InetHTMLExTest, ItemsKeepTheirSource) {
    TInetHTMLEx html;
    html.HTML = " a <b\nc=1> ";
    html.UpdateTagList();
    ASSERT_EQ(html.GetCount(), 2);
    EXPECT_EQ(html.GetTag(0)->Source, "a");
    EXPECT_EQ(html.GetTag(1)->Source, "<b\nc=1>");
    EXPECT_EQ(html.GetTag(-1), nullptr);
    EXPECT_EQ(html.GetTag(2), nullptr);
}

// Which items had white space trimmed away in front of them.
TEST(InetHTMLExTest, ItemsTellOfTheSpaceBeforeThem) {
    TInetHTMLEx html;
    html.HTML = "<a>x <b>y</b>\n<i>\tz<u>w</u>";
    html.UpdateTagList();
    std::string marks;
    for (const auto& item : html.Items) marks += item->SpaceBefore ? '1' : '0';
    // <a> x <b> y </b> <i> z <u> w </u>
    EXPECT_EQ(marks, "0010011000");
}

TEST(InetHTMLExTest, RescanReplacesItemsAndClearEmpties) {
    TInetHTMLEx html;
    html.HTML = "<a><b>";
    html.UpdateTagList();
    EXPECT_EQ(html.GetCount(), 2);
    html.HTML = "<c>";
    html.UpdateTagList();
    ASSERT_EQ(html.GetCount(), 1);
    EXPECT_EQ(html.GetTag(0)->TagName, "c");
    html.ClearTagList();
    EXPECT_EQ(html.GetCount(), 0);
}

TEST(InetHTMLExTest, CancelBeforeTheScanIsForgotten) {
    TInetHTMLEx html;
    html.HTML = "<a><b>";
    html.Cancel();
    html.UpdateTagList();
    EXPECT_FALSE(html.Cancelled);
    EXPECT_EQ(html.GetCount(), 2);
}

// Cancel from another thread while a long page is scanned: the scan stops
// early and the items found so far are the page's first items, unharmed.
struct CancelCase {
    const char* name;
    std::string unit; // repeated to make the page
    bool searchURL;
    std::vector<std::string> unitItems; // the items of one unit, in order
};

class CancelTest : public testing::TestWithParam<CancelCase> {};

TEST_P(CancelTest, StopsAndKeepsTheItemsSoFar) {
    const CancelCase& c = GetParam();
    const size_t units = 200000;
    TInetHTMLEx html;
    html.HTML.reserve(c.unit.size() * units);
    for (size_t i = 0; i < units; ++i) html.HTML += c.unit;
    html.SearchURL = c.searchURL;

    std::atomic<bool> done{false};
    std::thread worker([&] {
        html.UpdateTagList();
        done = true;
    });
    // The scan clears Cancelled when it starts, so keep asking until it ends.
    while (!done) {
        html.Cancel();
        std::this_thread::yield();
    }
    worker.join();

    const size_t count = static_cast<size_t>(html.GetCount());
    EXPECT_LT(count, units * c.unitItems.size());
    for (size_t i = 0; i < count; ++i) {
        const TInetTagObjectEx* item = html.GetTag(static_cast<int>(i));
        ASSERT_EQ(Describe(item->TagName, item->Text, item->Attributes.List()), c.unitItems[i % c.unitItems.size()])
            << "item " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CancelTest,
    testing::Values(CancelCase{.name = "Tags",
                               .unit = "<a href=\"p.html\">x</a>\n",
                               .searchURL = false,
                               .unitItems = {"tag:a href=p.html", "text:x", "tag:/a"}},
                    CancelCase{.name = "Addresses",
                               .unit = "see http://h/p.zip and ftp://h/q.zip\n",
                               .searchURL = true,
                               .unitItems = {"tag:_fake_a href=http://h/p.zip", "tag:_fake_a href=ftp://h/q.zip"}}),
    [](const auto& info) { return std::string(info.param.name); });

// The scanner against the literal reading with the pattern engine, over
// random pages built from the pieces that matter.
TEST(InetHTMLExTest, SameItemsAsTheLiteralPatternScan) {
    const std::vector<std::string> pieces = {
        "<", ">", "<a ", "<img ", "</a>", "<!-- ", " -->", "href", "src", "data-src", "_id", "=", " = ", "\"",
        "'", "`", " ", "  ", "\t", "\r\n", "\n", "x", "A", "-", "_", "/", ".", "(", ")", "+", "http://", "ftp://",
        "h/a.zip", "a.js", "?q=1&r=2", "\x95\x5C", "\x82\xA0", "\x83\x41", "\x81", "\x82", std::string(1, '\0'),
        SJ("ｈｔｔｐ：／／"), SJ("ａ．ｂ"), SJ("＇"), "selected", "HREF",
    };
    std::mt19937 rng(12345);
    std::uniform_int_distribution<size_t> pick(0, pieces.size() - 1);
    std::uniform_int_distribution<int> length(0, 40);
    for (int round = 0; round < 3000; ++round) {
        std::string page;
        for (int i = length(rng); i > 0; --i) page += pieces[pick(rng)];
        for (int mode = 0; mode < 3; ++mode) {
            bool searchURL = mode >= 1, searchFile = mode == 2;
            std::vector<std::string> expected;
            for (const TLiteralItem& item : LiteralScan(page, searchURL, searchFile))
                expected.push_back(Describe(item.TagName, item.Text, item.Attributes));
            ASSERT_EQ(Scan(page, searchURL, searchFile), expected) << "page: " << testing::PrintToString(page);
        }
    }
}

TEST(InetHTMLExTest, FakeItemsReadLikeTheLiteralOnes) {
    TInetHTMLEx html;
    html.HTML = "x http://h/a.zip 'b.jpg'";
    html.SearchURL = html.SearchFile = true;
    html.UpdateTagList();
    std::vector<TLiteralItem> literal = LiteralScan(html.HTML, true, true);
    ASSERT_EQ(static_cast<size_t>(html.GetCount()), literal.size());
    for (size_t i = 0; i < literal.size(); ++i) EXPECT_EQ(html.GetTag(static_cast<int>(i))->Source, literal[i].Source);
}

// The item-by-item scan reuses one item and reads the text between the
// addresses piece by piece; over long pages (the file-name search drops
// what it has read once that passes a few KiB) it must still give the
// listed items, and those the literal reading gives, each tag with only its
// own attributes.
TEST(InetHTMLExTest, ItemByItemScanOfLongPagesGivesTheListedItems) {
    const std::vector<std::string> pieces = {
        "<a href=x.html title='t' id=1 class=c>", "<img src=\"p.jpg\">", "<br>", "</a>", " text ", "\r\n",
        "'a.js'", "\"b.c(1)\"", "'x.y+'", " http://h/a.zip ", "'img/http://h/q.gif ", "'", "\"", ".", "k",
        "\x95\x5C", "\x82\xA0", "\x81", SJ("ａ．ｂ"), "<p a=1 b=2 c=3 d=4 e=5 f=6 g=7 h=8 i=9 j=10>", "<p>",
        "'" + std::string(5000, 'w') + ".js'", "(http://h/b", "<!-- c -->",
    };
    std::mt19937 rng(777);
    std::uniform_int_distribution<size_t> pick(0, pieces.size() - 1);
    for (int round = 0; round < 6; ++round) {
        std::string page;
        for (int i = 0; i < 3000; ++i) page += pieces[pick(rng)];
        if (round % 2 == 1) page += "\x81"; // a lead byte at the very end
        for (const bool searchFile : {false, true}) {
            const std::vector<std::string> listed = Scan(page, true, searchFile);
            std::vector<std::string> expected;
            for (const TLiteralItem& item : LiteralScan(page, true, searchFile))
                expected.push_back(Describe(item.TagName, item.Text, item.Attributes));
            ASSERT_EQ(listed, expected) << "round " << round;

            TInetHTMLEx html;
            html.SearchURL = true;
            html.SearchFile = searchFile;
            std::vector<std::string> walked;
            html.ScanItems(page, [&](const TInetTagObjectEx& item) {
                walked.push_back(Describe(item.TagName, item.Text, item.Attributes.List()));
                return true;
            });
            ASSERT_EQ(walked, listed) << "round " << round;
        }
    }
}

TEST(InetHTMLExTest, ItemByItemScanStopsWhenAsked) {
    TInetHTMLEx html;
    html.SearchURL = html.SearchFile = true;
    std::vector<std::string> seen;
    html.ScanItems("<a href=1>x</a> http://h/a 'b.js'", [&](const TInetTagObjectEx& item) {
        seen.push_back(item.TagName);
        return seen.size() < 4;
    });
    EXPECT_EQ(seen, (std::vector<std::string>{"a", "", "/a", "_fake_a"}));
}

} // namespace
