// Page item extraction: which records a page yields, in which order, with
// which link texts, and how the page's text is converted.
#include "engine/QorPageItems.h"

#include "engine/QorURLReplace.h"
#include "inet/InetHTTPResponseHeader.h"
#include "platform/CodePage.h"
#include "platform/SjisText.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr const char* kPage = "http://h/d/p.html";

// "url|text", "mail:address|text" for a mail record, "@" in front for the
// Location target.
std::string Describe(const TQorFile& f) {
    std::string out = f.FromLocation ? "@" : "";
    if (f.Kind == TQorFile::kMail)
        out += "mail:" + f.URL->FileName;
    else
        out += f.URL->GetURL();
    return out + "|" + f.AnchorString;
}

std::vector<std::string> Records(const TQorPageItems& items) {
    std::vector<std::string> out;
    for (int i = 0; i < items.GetCount(); ++i) out.push_back(Describe(*items.GetFile(i)));
    return out;
}

struct PageCase {
    const char* name;
    std::string html;
    std::vector<std::string> records;
    std::string page = kPage;
    bool searchAnchor = false;
    bool duplicateAnchor = false;
    bool searchAnchorStr = true;
};

class ExtractionTest : public testing::TestWithParam<PageCase> {};

TEST_P(ExtractionTest, Records) {
    const PageCase& c = GetParam();
    TQorPageItems items;
    items.SetPageFile(TQorFile(c.page));
    items.SearchAnchor = c.searchAnchor;
    items.DuplicateAnchor = c.duplicateAnchor;
    items.SearchAnchorStr = c.searchAnchorStr;
    items.SetSource(c.html);
    EXPECT_EQ(Records(items), c.records);
    EXPECT_EQ(items.FileKeys.size(), items.Files.size());
    for (int i = 0; i < items.GetCount(); ++i) EXPECT_FALSE(items.GetFile(i)->Post);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExtractionTest,
    testing::Values(
        PageCase{.name = "Empty", .html = "", .records = {}},
        PageCase{.name = "EveryKindInOrder",
                 .html = "<body background=\"bg.gif\"><a href=\"a.html\">A</a><img src=\"i.gif\">"
                         "<frame src=\"f.html\"><iframe src=\"if.html\"><layer background=\"l.gif\">"
                         "<link rel=stylesheet href=\"s.css\"><map><area href=\"m.html\" alt=\"M\"></map>"
                         "<ref href=\"r.asf\"><param name=\"Movie\" value=\"m.swf\"><param name=\"quality\" "
                         "value=\"high\"><param name=\"src\" value=\"v.mov\"><script src=\"s.js\"></script>"
                         "<embed src=\"e.swf\"><object data=\"o.swf\">",
                 .records = {"http://h/d/bg.gif|", "http://h/d/a.html|A", "http://h/d/i.gif|", "http://h/d/f.html|",
                             "http://h/d/if.html|", "http://h/d/l.gif|", "http://h/d/s.css|", "http://h/d/m.html|M",
                             "http://h/d/r.asf|", "http://h/d/m.swf|", "http://h/d/v.mov|", "http://h/d/s.js|",
                             "http://h/d/e.swf|", "http://h/d/o.swf|"}},
        // Duplicates and link texts
        PageCase{.name = "DuplicateKeepsFirstText",
                 .html = "<a href=\"x.html\">one</a><a href=\"x.html\">two</a>",
                 .records = {"http://h/d/x.html|one"}},
        PageCase{.name = "SecondTextWhenFirstHasNone",
                 .html = "<a href=\"x.html\"><img src=\"i.gif\"></a><a href=\"x.html\">two</a>",
                 .records = {"http://h/d/x.html|two", "http://h/d/i.gif|"}},
        PageCase{.name = "LetterCaseAnywhereIsOneRecord",
                 .html = "<a href=\"http://H/X.html\">1</a><a href=\"http://h/x.HTML\">2</a><a href=\"HTTP://h/X.html?Q\">3</a>"
                         "<a href=\"http://h/x.html?q\">4</a>",
                 .records = {"http://H/X.html|1", "http://h/X.html?Q|3"}},
        PageCase{.name = "EveryOccurrenceWithDuplicateAnchor",
                 .html = "<a href=\"x.html\">one</a><a href=\"X.html\">two</a>",
                 .records = {"http://h/d/x.html|one", "http://h/d/X.html|two"},
                 .duplicateAnchor = true},
        // Pieces join with one blank where the page has white space
        // between them, and with none where it has none.
        PageCase{.name = "TextsAndAltJoinAsThePageSpacesThem",
                 .html = "<a href=\"x.html\">Hello <b>big</b><img src=\"w.gif\" alt=\"World\"> !</a> after",
                 .records = {"http://h/d/x.html|Hello bigWorld !", "http://h/d/w.gif|"}},
        PageCase{.name = "BlanksAndLineBreaksBetweenPieces",
                 .html = "<a href=\"1.html\">Text with <b>bold</b> part</a><a href=\"2.html\">\n  <span>two</span>\n"
                         "  <span>spans</span>\n</a><a href=\"3.html\">wrapped\r\nline\tand tab</a><a href=\"4.html\">" +
                         SJ("日本") + "\n" + SJ("語") + "\n(JP)</a><a href=\"5.html\">a <!-- c --> b</a>",
                 .records = {"http://h/d/1.html|Text with bold part", "http://h/d/2.html|two spans",
                             "http://h/d/3.html|wrapped line and tab", "http://h/d/4.html|" + SJ("日本語") + " (JP)", "http://h/d/5.html|a b"}},
        PageCase{.name = "ImageLinkGetsAlt",
                 .html = "<a href=\"x.html\"><img src=\"i.gif\" alt=\"Pic\"></a>",
                 .records = {"http://h/d/x.html|Pic", "http://h/d/i.gif|"}},
        PageCase{.name = "TextFolded",
                 .html = "<a href=\"x.html\">a  b</a>",
                 .records = {"http://h/d/x.html|a b"}},
        PageCase{.name = "NestedAnchorStartsAnew",
                 .html = "<a href=\"1.html\">one<a href=\"2.html\">two</a>three",
                 .records = {"http://h/d/1.html|one", "http://h/d/2.html|two"}},
        PageCase{.name = "DuplicateWithTextEndsAnchor",
                 .html = "<a href=\"x.html\">first</a><a href=\"x.html\">again<img src=\"y.gif\" alt=\"Y\"></a>",
                 .records = {"http://h/d/x.html|first", "http://h/d/y.gif|"}},
        PageCase{.name = "AnchorInsideImageKeepsCollecting",
                 .html = "<a href=\"x.html\"><img src=\"x.html\" alt=\"A\">B</a>",
                 .records = {"http://h/d/x.html|AB"}},
        PageCase{.name = "UnclosedAnchorCollectsToTheNext",
                 .html = "<a href=\"x.html\">a<p>b</p>c<a href=\"y.html\">d</a>",
                 .records = {"http://h/d/x.html|abc", "http://h/d/y.html|d"}},
        PageCase{.name = "NoTextsWhenOff",
                 .html = "<a href=\"x.html\">one</a><area href=\"m.html\" alt=\"M\">",
                 .records = {"http://h/d/x.html|", "http://h/d/m.html|"},
                 .searchAnchorStr = false},
        PageCase{.name = "DoublyEscapedText",
                 .html = "<a href=\"x.html\">a &amp;amp; b &amp;lt;c&amp;gt;</a>",
                 .records = {"http://h/d/x.html|a & b <c>"}},
        // The attribute after a hyphenated one loses its value.
        PageCase{.name = "HyphenatedAttributeSplitsLaterOnes",
                 .html = "<img alt=\"a\" data-src=\"d.gif\" src=\"s.gif\"><img data-src=\"d.gif\" src=\"t.gif\">",
                 .records = {"http://h/d/t.gif|"}},
        // Fragments, queries, entities
        PageCase{.name = "FragmentOnlyIsThePage",
                 .html = "<a href=\"#top\">top</a><a href=\"r.html#sec\">r</a><a href=\"q.cgi?a=1#x\">q</a>",
                 .records = {"http://h/d/p.html|top", "http://h/d/r.html|r", "http://h/d/q.cgi?a=1#x|q"}},
        // References are decoded before the fragment is cut.
        PageCase{.name = "EntitiesInAddress",
                 .html = "<a href=\"a.cgi?x=1&amp;y=2\">a</a><img src=\"&#98;.gif\"><img src=\"c.cgi?&#98;\">"
                         "<a href=\"a&#64;b.html\">at</a><a href=\"s&#35;frag\">s</a><a href=\"&#46;&#46;/up.html\">up</a>",
                 .records = {"http://h/d/a.cgi?x=1&y=2|a", "http://h/d/b.gif|", "http://h/d/c.cgi?b|",
                             "http://h/d/a@b.html|at", "http://h/d/s|s", "http://h/up.html|up"}},
        // Mail addresses
        PageCase{.name = "MailAddress",
                 .html = "<a href=\"mailto:Foo@Example.com\">mail</a><a href=\"MAILTO:foo@example.COM\">again</a>",
                 .records = {"mail:Foo@Example.com|mail"}},
        // Pages hide mail addresses behind references and escapes; "+" is
        // part of an address, and the query stays as written.
        PageCase{.name = "MailAddressBehindReferences",
                 .html = "<a href=\"mailto:docs&#37;&#52;&#48;python&#46;org\">docs</a>"
                         "<a href=\"mailto:a+b%40x.org?subject=Hi%20there\">ab</a><a href=\"mailto:\">none</a>",
                 .records = {"mail:docs@python.org|docs", "mail:a+b@x.org?subject=Hi%20there|ab"}},
        // Scripts
        PageCase{.name = "NothingInsideScriptButItsSource",
                 .html = "<script src=\"s.js\"><a href=\"in.html\">in</a><img src=\"in.gif\"></script>"
                         "<script>document.write('<img src=\"w.gif\">');</script><a href=\"out.html\">out</a>",
                 .records = {"http://h/d/s.js|", "http://h/d/out.html|out"}},
        PageCase{.name = "FakeLinksListedEvenInScript",
                 .html = "<a href=\"z.html\">z</a><script>var u = 'http://e/a.zip'; var p = 'img/p.jpg';",
                 .records = {"http://h/d/z.html|z", "http://e/a.zip|", "http://h/d/img/p.jpg|"},
                 .searchAnchor = true},
        PageCase{.name = "ScriptLinksIgnoredWithoutSearch",
                 .html = "<script>var u = 'http://e/a.zip';</script>",
                 .records = {}},
        PageCase{.name = "BareAddressesComeLast",
                 .html = "<p>see http://e/a.zip now</p><img src=\"i.gif\">",
                 .records = {"http://h/d/i.gif|", "http://e/a.zip|"},
                 .searchAnchor = true},
        PageCase{.name = "RangesExpand",
                 .html = "<p>http://e/i[1-3].jpg</p>",
                 .records = {"http://e/i1.jpg|", "http://e/i2.jpg|", "http://e/i3.jpg|"},
                 .searchAnchor = true},
        PageCase{.name = "LocalPageNeverSearchesText",
                 .html = "<p>http://e/a.zip</p><a href=\"x.html\">x</a>",
                 .records = {"file:///C|/nowhere-vorlen/x.html|x"},
                 .page = "file:///C|/nowhere-vorlen/p.html",
                 .searchAnchor = true},
        PageCase{.name = "JavascriptEndsAnchor",
                 .html = "<a href=\"javascript:go()\">ignored<img src=\"i.gif\" alt=\"alt\"></a>"
                         "<a href=\"x.html\">x<a href=\"VBScript:f\">y</a>",
                 .records = {"http://h/d/i.gif|", "http://h/d/x.html|x"}},
        // Forms
        PageCase{.name = "HiddenOnlyForm",
                 .html = "<img src=\"before.gif\"><form action=\"f.cgi\" method=\"post\"><input type=\"hidden\" "
                         "name=\"a\" value=\"1\"><input type=\"HIDDEN\" name=\"b\" value=\"x y\"><input "
                         "type=\"submit\" value=\"Go\"></form><img src=\"after.gif\">",
                 .records = {"http://h/d/before.gif|", "http://h/d/f.cgi?a=1&b=x y|Go", "http://h/d/after.gif|"}},
        // The button's picture is listed; its alt still names the target.
        PageCase{.name = "ImageButtonForm",
                 .html = "<form action=\"/g.cgi\"><input type=\"hidden\" name=\"k\" value=\"v\"><input "
                         "type=\"image\" src=\"b.gif\" alt=\"Send\"></form><input type=\"image\" src=\"c.gif\">",
                 .records = {"http://h/d/b.gif|", "http://h/g.cgi?k=v|Send", "http://h/d/c.gif|"}},
        PageCase{.name = "SubmitOnlyForm",
                 .html = "<form action=\"s.cgi\"><input type=\"submit\" value=\"Go\"></form>",
                 .records = {"http://h/d/s.cgi|Go"}},
        PageCase{.name = "FormsNeedingInput",
                 .html = "<form action=\"1.cgi\"><input type=\"text\" name=\"q\"></form>"
                         "<form action=\"2.cgi\"><input type=\"checkbox\" name=\"c\"></form>"
                         "<form action=\"3.cgi\"><select name=\"s\"><option>a</select></form>"
                         "<form action=\"4.cgi\"><input name=\"untyped\"></form>",
                 .records = {}},
        PageCase{.name = "ButtonTextGoesToNextRecord",
                 .html = "<form action=\"f.cgi\"><input type=\"submit\" value=\"Go\"><img src=\"i.gif\"></form>",
                 .records = {"http://h/d/i.gif|Go", "http://h/d/f.cgi|"}},
        // Meta refresh and base
        PageCase{.name = "MetaRefresh",
                 .html = "<meta http-equiv=\"Refresh\" content=\"5; URL=next.html\"><meta name=\"x\" "
                         "content=\"0;url=../Up.html\"><meta name=\"description\" content=\"no address\">",
                 .records = {"http://h/d/next.html|", "http://h/Up.html|"}},
        PageCase{.name = "BaseAffectsLaterTagsOnly",
                 .html = "<img src=\"a.gif\"><base href=\"http://b/x/y.html\"><img src=\"c.gif\"><img "
                         "src=\"/r.gif\"><img src=\"../u.gif\">",
                 .records = {"http://h/d/a.gif|", "http://b/x/c.gif|", "http://b/r.gif|", "http://b/u.gif|"}},
        // An address written again after a base is another address; written
        // again under the same base it is the same record.
        PageCase{.name = "SameTextAfterABaseIsAnotherAddress",
                 .html = "<img src=\"a.gif\"><base href=\"http://b/x/\"><img src=\"a.gif\"><a href=\"a.gif\">t</a>"
                         "<a href=\"../a.gif\">u</a><a href=\"../a.gif\">v</a>",
                 .records = {"http://h/d/a.gif|", "http://b/x/a.gif|t", "http://b/a.gif|u"}},
        PageCase{.name = "BaseFromSrc",
                 .html = "<base src=\"http://b/s/\"><img src=\"c.gif\">",
                 .records = {"http://b/s/c.gif|"}},
        // References the folder-relative expansion gets wrong.
        PageCase{.name = "OtherHostOnTheSameScheme",
                 .html = "<script src=\"//cdn.example/x.js\"></script><base href=\"https://b/x/\"><img src=\"//c/y.gif\">",
                 .records = {"http://cdn.example/x.js|", "https://c/y.gif|"}},
        PageCase{.name = "QueryOfTheSamePage",
                 .html = "<a href=\"?page=2\">2</a><a href=\"?\">self</a><base href=\"http://b/x/y.html\"><a href=\"?q\">q</a>",
                 .records = {"http://h/d/p.html?page=2|2", "http://h/d/p.html|self", "http://b/x/y.html?q|q"}},
        PageCase{.name = "RelativeBaseCountsFromThePage",
                 .html = "<base href=\"sub/\"><img src=\"a.gif\"><base href=\"/r/\"><img src=\"b.gif\"><base "
                         "href=\"../up/x.html\"><img src=\"c.gif\"><a href=\"?q\">q</a>",
                 .records = {"http://h/d/sub/a.gif|", "http://h/r/b.gif|", "http://h/up/c.gif|", "http://h/up/x.html?q|q"}},
        PageCase{.name = "DrivePathBaseUsedAsGiven",
                 .html = "<base href=\"C:\\nowhere-vorlen\\\"><img src=\"a.gif\">",
                 .records = {"file:///C|/nowhere-vorlen/a.gif|"},
                 .page = "file:///C|/nowhere-vorlen/p.html"},
        PageCase{.name = "SchemesThatAreNotFetched",
                 .html = "<a href=\"data:text/plain,hi\">d</a><a href=\"tel:+123\">t</a><img src=\"data:image/png;base64,AA\">"
                         "<a href=\"about:blank\">a</a><a href=\"blob:x\">b</a><a href=\"sms:1\">s</a><a href=\"gopher://g/\">g</a>"
                         "<a href=\"ftp://f/x.zip\">f</a><a href=\"https://s/\">s</a><a href=\"rtsp://r/m\">r</a>"
                         "<a href=\"tel:1\">call<img src=\"i.gif\" alt=\"A\"></a>",
                 .records = {"ftp://f/x.zip|f", "https://s/|s", "rtsp://r/m|r", "http://h/d/i.gif|"}},
        PageCase{.name = "Ipv6Host",
                 .html = "<a href=\"y.html\">y</a><a href=\"http://[::1]:8080/d/y.html\">again</a><img src=\"//[::2]/z.gif\">",
                 .records = {"http://[::1]:8080/d/y.html|y", "http://[::2]/z.gif|"},
                 .page = "http://[::1]:8080/d/p.html"},
        // Link kinds beyond the classic ones, in page order, with the usual
        // duplicate rules; they give no link text and leave the anchor alone.
        PageCase{.name = "ModernLinkKinds",
                 .html = "<picture><source srcset=\"a.webp 1x, a2.webp 2x\" type=\"image/webp\"><img src=\"a.png\" "
                         "srcset=\"a.png 1x,a@2x.png 2x\"></picture><video><source src=\"v.mp4\"></video>"
                         "<object data=\"o.svg\"></object><embed src=\"e.swf\"><div style=\"background: url('bg.png')\">"
                         "</div><style>.x { background-image: url(s1.png) } /* url(no.png) */ .y{ background:URL( \"s2.png\" ) }"
                         " .z{filter:url(#f)} .w{content:\"url(str.png)\"} .v{background:myurl(f.png)}</style>"
                         "<a href=\"x.html\"><img src=\"i.png\" srcset=\"i.png 1x, x.html 2x\" style=\"background:url(bg.png)\"> Text</a>",
                 .records = {"http://h/d/a.webp|", "http://h/d/a2.webp|", "http://h/d/a.png|", "http://h/d/a@2x.png|",
                             "http://h/d/v.mp4|", "http://h/d/o.svg|", "http://h/d/e.swf|", "http://h/d/bg.png|",
                             "http://h/d/s1.png|", "http://h/d/s2.png|", "http://h/d/x.html|Text", "http://h/d/i.png|"}},
        // The standard's candidate parsing: commas inside an address, a
        // trailing comma, descriptors with commas in parentheses.
        PageCase{.name = "SrcsetCandidates",
                 .html = "<img srcset=\"x,1.png 1x, y.png, z.png 100w (a,b) , w.png,,\"><img srcset=\"data:image/gif;base64,R0 1x\">",
                 .records = {"http://h/d/x,1.png|", "http://h/d/y.png|", "http://h/d/z.png|", "http://h/d/w.png|"}},
        // References are markup: decoded in a style attribute, not in a style element.
        PageCase{.name = "StyleReferences",
                 .html = "<p style=\"background:url(a&amp;b.png)\"><style>p{background:url(c&amp;d.png)}</style>",
                 .records = {"http://h/d/a&b.png|", "http://h/d/c&amp;d.png|"}},
        PageCase{.name = "NoMoreAddressesInsideScript",
                 .html = "<script>document.write('<img srcset=\"s.png\" style=\"background:url(u.png)\">');</script>",
                 .records = {}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------

TEST(QorPageItemsTest, TitleIsTheFirstTextInTheFirstTitle) {
    TQorPageItems items;
    items.SetPageFile(TQorFile(kPage));
    items.SetSource("<title></title><title>First &amp; Best</title><title>Second</title>");
    EXPECT_EQ(items.Title, "First & Best");
    // An empty text leaves the title; a new text clears it.
    items.SetSource("");
    EXPECT_EQ(items.Title, "First & Best");
    EXPECT_EQ(items.Source, "");
    items.SetSource("<p>no title</p>");
    EXPECT_EQ(items.Title, "");
    // Comments and tags inside give none; breaks and tabs go, blanks around.
    items.SetSource("<title><!-- c --><b>\r\n Fir\tst \n</b></title>");
    EXPECT_EQ(items.Title, "First");
}

TEST(QorPageItemsTest, LocationTargetComesFirst) {
    TInetHTTPResponseHeader header;
    header.SetHeader("HTTP/1.0 302 Found\r\nLocation:  /moved/../new.html \r\nContent-Type: text/html; "
                     "charset=EUC-JP\r\n\r\n");
    TQorPageItems items;
    items.SetPageFile(TQorFile(kPage));
    items.SetHeaderInfo(&header);
    EXPECT_EQ(items.Charset, ctEuc);
    EXPECT_EQ(items.Header, &header);
    items.SetSource("<a href=\"x.html\">x</a><a href=\"/new.html\">again</a>");
    EXPECT_EQ(Records(items), (std::vector<std::string>{"@http://h/new.html|again", "http://h/d/x.html|x"}));
    EXPECT_EQ(items.Header, nullptr);

    items.SetHeaderInfo(&header);
    items.SetHeaderInfo(nullptr);
    EXPECT_EQ(items.Charset, ctUnknown);
    EXPECT_EQ(items.Header, nullptr);

    // Another host, and the same page with a query.
    for (const char* location : {"//o/x.html", "?page=2"}) {
        TQorPageItems moved;
        moved.SetPageFile(TQorFile(kPage));
        header.SetHeader(std::string("HTTP/1.0 302 Found\r\nLocation: ") + location + "\r\n\r\n");
        moved.SetHeaderInfo(&header);
        ASSERT_EQ(moved.GetCount(), 1);
        EXPECT_EQ(Describe(*moved.GetFile(0)), location[0] == '/' ? "@http://o/x.html|" : "@http://h/d/p.html?page=2|");
    }
}

TEST(QorPageItemsTest, RecordsCarryRefererAndThePagesCredentials) {
    TQorPageItems items;
    items.SetPageFile(TQorFile("http://u:p@h/d/p.html?q=1"));
    items.SetSource("<a href=\"x.html\"></a><a href=\"../up.html\"></a><a href=\"http://o/d/y.html\"></a>"
                    "<a href=\"mailto:m@h\"></a>");
    ASSERT_EQ(items.GetCount(), 4);
    EXPECT_EQ(items.GetFile(0)->URL->GetURL(), "http://u:p@h/d/x.html");
    EXPECT_EQ(items.GetFile(0)->Referer, "http://h/d/p.html?q=1");
    EXPECT_EQ(items.GetFile(1)->URL->GetURL(), "http://h/up.html");
    EXPECT_EQ(items.GetFile(2)->URL->GetURL(), "http://o/d/y.html");
    EXPECT_EQ(items.GetFile(2)->Referer, "http://h/d/p.html?q=1");
    EXPECT_EQ(items.GetFile(3)->Referer, "");
    EXPECT_EQ(items.GetFile(3)->Kind, TQorFile::kMail);

    TQorPageItems noReferer;
    noReferer.AutoReferer = false;
    noReferer.SetPageFile(TQorFile("http://u:p@h/d/p.html"));
    noReferer.SetSource("<a href=\"x.html\"></a>");
    EXPECT_EQ(noReferer.GetFile(0)->Referer, "");
    EXPECT_EQ(noReferer.GetFile(0)->URL->GetURL(), "http://u:p@h/d/x.html");
}

// A page on its own port: records of the same host take the port, and
// those under the page's folder its credentials as well.
TEST(QorPageItemsTest, PageOnAPortPassesPortAndCredentials) {
    TQorPageItems items;
    items.SetPageFile(TQorFile("http://u:p@h:8080/d/p.html"));
    items.SetSource("<a href=\"x.html\"></a><a href=\"http://h/d/z.html\"></a><a href=\"http://h:9090/d/y.html\"></a>"
                    "<a href=\"/top.html\"></a><a href=\"http://o/d/w.html\"></a>"
                    "<a href=\"http://h:8080/d/e.html\"></a><a href=\"http://h:8080/d/x.html\"></a>"
                    "<a href=\"http://hx/d/v.html\"></a>");
    EXPECT_EQ(Records(items), (std::vector<std::string>{"http://u:p@h:8080/d/x.html|", "http://u:p@h:8080/d/z.html|",
                                                         "http://h:9090/d/y.html|", "http://h:8080/top.html|",
                                                         "http://o/d/w.html|", "http://u:p@h:8080/d/e.html|",
                                                         // "hx" begins with "h": it takes the port too.
                                                         "http://hx:8080/d/v.html|"}));
    EXPECT_EQ(items.FileKeys[0], "http://h:8080/d/x.html");
}

TEST(QorPageItemsTest, ReplacementRulesApplyAndChain) {
    TQorURLReplace rules;
    rules.Add("http://H/d/", "http://mirror/m/");
    rules.Add("http://mirror/m/old/", "http://new/");
    TQorPageItems items;
    items.Replacer = &rules;
    items.SetPageFile(TQorFile(kPage));
    items.SetSource("<img src=\"a.gif\"><img src=\"http://mirror/m/a.gif\"><img src=\"old/b.gif\"><img src=\"/c.gif\">");
    EXPECT_EQ(Records(items), (std::vector<std::string>{"http://mirror/m/a.gif|", "http://new/b.gif|", "http://h/c.gif|"}));
}

// The index finds the first record under a key, as a search of FileKeys
// from the front would, also when earlier texts listed the key twice.
TEST(QorPageItemsTest, LookupFindsTheFirstRecordOfAKey) {
    TQorPageItems items;
    items.SetPageFile(TQorFile(kPage));
    items.DuplicateAnchor = true;
    items.SetSource("<a href=\"x.html\"><img src=\"i.gif\"></a><a href=\"x.html\">two</a>");
    items.DuplicateAnchor = false;
    items.SetSource("<a href=\"X.HTML\">three</a><a href=\"i.gif\">four</a><a href=\"I.GIF\">five</a>");
    EXPECT_EQ(Records(items), (std::vector<std::string>{"http://h/d/x.html|three", "http://h/d/i.gif|four",
                                                         "http://h/d/x.html|two"}));
}

TEST(QorPageItemsTest, ManyAddressesStayInOrderWithoutDuplicates) {
    std::string html;
    for (int i = 0; i < 3000; ++i) {
        std::string n = std::to_string(i % 1000);
        html += "<a href=\"" + std::string(i % 2 ? "P" : "p") + n + ".html\">t" + std::to_string(i) + "</a>";
    }
    TQorPageItems items;
    items.SetPageFile(TQorFile(kPage));
    items.SetSource(html);
    ASSERT_EQ(items.GetCount(), 1000);
    for (int i = 0; i < 1000; ++i) {
        std::string n = std::to_string(i);
        EXPECT_EQ(Describe(*items.GetFile(i)), "http://h/d/" + std::string(i % 2 ? "P" : "p") + n + ".html|t" + n);
    }
}

TEST(QorPageItemsTest, ListAccessAndClearing) {
    TQorPageItems items;
    items.SetPageFile(TQorFile(kPage));
    items.SetSource("<img src=\"a.gif\">");
    items.SetSource("<img src=\"b.gif\"><img src=\"a.gif\">");
    EXPECT_EQ(items.GetCount(), 2);
    EXPECT_EQ(items.GetFile(-1), nullptr);
    EXPECT_EQ(items.GetFile(2), nullptr);
    items.ClearFileList();
    EXPECT_EQ(items.GetCount(), 0);
    EXPECT_TRUE(items.FileKeys.empty());
    items.SetSource("<img src=\"a.gif\">");
    EXPECT_EQ(items.GetCount(), 1);
}

TEST(QorPageItemsTest, RangesPerPageAreBounded) {
    const size_t limit = TQorPageItems::kMaxRangeAddressesPerPage;
    const std::string first = "http://e/a[1-" + std::to_string(limit - 10) + "].jpg";
    const std::string second = "http://e/b[1-11].jpg";
    TQorPageItems items;
    items.SetPageFile(TQorFile(kPage));
    items.SearchAnchor = true;
    items.SetSource("<p>" + first + " " + second + " http://e/c[1-10].jpg</p>");
    ASSERT_EQ(items.GetCount(), static_cast<int>(limit - 10 + 1 + 10));
    EXPECT_EQ(items.GetFile(static_cast<int>(limit - 10))->URL->GetURL(), second);
    EXPECT_EQ(items.GetFile(items.GetCount() - 1)->URL->GetURL(), "http://e/c10.jpg");
}

TEST(QorPageItemsTest, CancelFromAnotherThreadStopsTheWalk) {
    std::string html;
    const int total = 100000;
    for (int i = 0; i < total; ++i) html += "<img src=\"i" + std::to_string(i) + ".gif\">";
    TQorPageItems items;
    items.SetPageFile(TQorFile(kPage));
    std::atomic<bool> done{false};
    std::thread worker([&] {
        items.SetSource(html);
        done = true;
    });
    while (!done) {
        items.Cancel();
        std::this_thread::yield();
    }
    worker.join();
    EXPECT_LT(items.GetCount(), total);
    // The next text starts afresh.
    items.SetSource("<img src=\"z.gif\">");
    EXPECT_EQ(items.GetFile(items.GetCount() - 1)->URL->GetURL(), "http://h/d/z.gif");
}

// ---------------------------------------------------------------------------
// Character sets: one page in four encodings, declared three ways, gives
// the same Shift-JIS text and the same records.

// JIS X 0208 bytes of a Shift-JIS double-byte character (the inverse of
// the converter's arithmetic).
std::pair<unsigned, unsigned> SjisToJisPair(unsigned s1, unsigned s2) {
    unsigned t = s1 - (s1 >= 0xE0 ? 0x40 : 0) - 0x81;
    if (s2 >= 0x9F) return {2 * t + 0x22, s2 - 0x7E};
    return {2 * t + 0x21, s2 - (s2 >= 0x80 ? 0x20 : 0x1F)};
}

// Shift-JIS text without half-width kana to EUC-JP (jis = false) or
// ISO-2022-JP (jis = true).
std::string FromSjis(const std::string& sjis, bool jis) {
    std::string out;
    bool inJis = false;
    for (size_t i = 0; i < sjis.size();) {
        auto c = static_cast<unsigned char>(sjis[i]);
        if (TSjisText::IsLeadByte(c) && i + 1 < sjis.size()) {
            auto [j1, j2] = SjisToJisPair(c, static_cast<unsigned char>(sjis[i + 1]));
            if (jis && !inJis) out += "\x1B$B";
            inJis = jis;
            out.push_back(static_cast<char>(jis ? j1 : j1 | 0x80));
            out.push_back(static_cast<char>(jis ? j2 : j2 | 0x80));
            i += 2;
        } else {
            if (inJis) out += "\x1B(B";
            inJis = false;
            out.push_back(sjis[i++]);
        }
    }
    if (inJis) out += "\x1B(B";
    return out;
}

enum class TDeclared { Header, Meta, None };

struct CharsetCase {
    const char* name;
    TCharsetType encoding;
    TDeclared declared;
};

std::string PageFor(const std::string& declaration) {
    return SJ("<html><head>" + declaration +
              "<title>表示テスト</title></head>\n<body><a href=\"ソフト/表.html\">機能の説明 ～ソース～</a>"
              "<img src=\"画像.gif\" alt=\"予定表\"><a href=\"mailto:会員@example.jp\">連絡</a></body></html>\n");
}

class CharsetTest : public testing::TestWithParam<CharsetCase> {};

TEST_P(CharsetTest, SameTextAndRecords) {
    const CharsetCase& c = GetParam();
    const char* name = c.encoding == ctSjis ? "Shift_JIS" : c.encoding == ctEuc ? "EUC-JP" : c.encoding == ctJis ? "ISO-2022-JP" : "UTF-8";
    const std::string declaration =
        c.declared == TDeclared::Meta ? std::string("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=") + name + "\">" : "";
    const std::string sjis = PageFor(declaration);
    std::string bytes = c.encoding == ctSjis ? sjis
                        : c.encoding == ctEuc ? FromSjis(sjis, false)
                        : c.encoding == ctJis ? FromSjis(sjis, true)
                                              : TCodePage::ToUtf8(sjis);
    if (c.encoding != ctSjis) {
        ASSERT_NE(bytes, sjis);
    }

    TQorPageItems baseline;
    baseline.SetPageFile(TQorFile(kPage));
    baseline.DetectCharset = false;
    baseline.SetSource(sjis);

    TQorPageItems items;
    items.SetPageFile(TQorFile(kPage));
    TInetHTTPResponseHeader header;
    if (c.declared == TDeclared::Header) {
        header.SetHeader(std::string("HTTP/1.0 200 OK\r\nContent-Type: text/html; charset=") + name + "\r\n\r\n");
        items.SetHeaderInfo(&header);
    }
    items.SetSource(bytes);
    EXPECT_EQ(items.Source, sjis);
    EXPECT_EQ(items.Charset, c.encoding);
    EXPECT_EQ(items.Title, SJ("表示テスト"));
    EXPECT_EQ(Records(items), Records(baseline));
    ASSERT_EQ(items.GetCount(), 3);
    EXPECT_EQ(Describe(*items.GetFile(0)), SJ("http://h/d/ソフト/表.html|機能の説明 ～ソース～"));
    EXPECT_EQ(Describe(*items.GetFile(2)), SJ("mail:会員@example.jp|連絡"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CharsetTest,
    testing::Values(CharsetCase{"SjisHeader", ctSjis, TDeclared::Header}, CharsetCase{"SjisMeta", ctSjis, TDeclared::Meta},
                    CharsetCase{"SjisNone", ctSjis, TDeclared::None}, CharsetCase{"EucHeader", ctEuc, TDeclared::Header},
                    CharsetCase{"EucMeta", ctEuc, TDeclared::Meta}, CharsetCase{"EucNone", ctEuc, TDeclared::None},
                    CharsetCase{"JisHeader", ctJis, TDeclared::Header}, CharsetCase{"JisMeta", ctJis, TDeclared::Meta},
                    CharsetCase{"JisNone", ctJis, TDeclared::None}, CharsetCase{"Utf8Header", ctUtf8, TDeclared::Header},
                    CharsetCase{"Utf8Meta", ctUtf8, TDeclared::Meta}, CharsetCase{"Utf8None", ctUtf8, TDeclared::None}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Characters without a Shift-JIS form: the same page in the four encodings,
// each writing such a character raw where it can (JIS X 0212 in EUC-JP and
// ISO-2022-JP, anything in UTF-8) and as a character reference where it
// cannot. Every character reaches the title, the link texts and the source
// (as the code page's escape), and the addresses are the percent-encoded
// UTF-8 a browser requests.

// How each encoding writes a non-ASCII character of the fixture: its bytes,
// or a reference (a text starting with "&#"). The ISO-2022-JP form comes
// from the EUC-JP bytes.
struct TGlyph {
    std::string utf8, sjis, euc;
};

const std::vector<TGlyph>& Glyphs() {
    static const std::vector<TGlyph> glyphs = {
        {"é", "&#233;", "\x8F\xAB\xB1"},     {"à", "&#224;", "\x8F\xAB\xA2"},   {"ï", "&#239;", "\x8F\xAB\xC1"},
        {"ü", "&#252;", "\x8F\xAB\xE4"},     {"™", "&#8482;", "\x8F\xA2\xEF"}, {"©", "&#169;", "\x8F\xA2\xED"},
        {"–", "&#8211;", "&#8211;"},         {"«", "&#171;", "&#171;"},         {"»", "&#187;", "&#187;"},
        {"\u00A0", "&#160;", "&#160;"},      {"丂", "&#x4E02;", "\x8F\xB0\xA1"}, {"丨", "\xFA\x68", "\x8F\xB0\xA9"},
        {"表", "\x95\x5C", "\xC9\xBD"},      {"日", "\x93\xFA", "\xC6\xFC"},    {"本", "\x96\x7B", "\xCB\xDC"},
        {"語", "\x8C\xEA", "\xB8\xEC"},
    };
    return glyphs;
}

// The page in `encoding`; with `asText`, the same page as UTF-8 text, with
// the references the encoding needs (what its source must read as). A
// Shift-JIS page writes its addresses percent-encoded: a reference's "#"
// would start a fragment there.
std::string NonJisPage(TCharsetType encoding, bool asText, const std::string& declaration) {
    const bool sjis = encoding == ctSjis;
    const std::string page = "<html><head>" + declaration +
                             "<title>Café – «été» 丂丨表 日本語</title></head>\n<body>"
                             "<a href=\"img/Balance_" + (sjis ? "%C3%A0" : "à") + "_tabac_1850.JPG\">Balance à tabac™</a>\n"
                             "<a href=\"x.cgi?q=na" + (sjis ? "%C3%AF" : "ï") + "ve&amp;r=" + (sjis ? "%E4%B8%82" : "丂") +
                             "\">表\u00A0ü©</a></body></html>\n";
    std::string out;
    for (size_t i = 0; i < page.size();) {
        const auto c = static_cast<unsigned char>(page[i]);
        const size_t len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        const std::string ch = page.substr(i, len);
        i += len;
        if (len == 1 || encoding == ctUtf8) {
            out += ch;
            continue;
        }
        const TGlyph* g = nullptr;
        for (const TGlyph& each : Glyphs())
            if (each.utf8 == ch) g = &each;
        if (g == nullptr) ADD_FAILURE() << "no glyph for " << ch;
        const std::string& form = encoding == ctSjis ? g->sjis : g->euc;
        if (form.starts_with("&#") || asText) {
            out += form.starts_with("&#") ? form : ch;
        } else if (encoding == ctJis) {
            const bool x0212 = form.size() == 3;
            out += x0212 ? "\x1B$(D" : "\x1B$B";
            for (size_t k = x0212 ? 1 : 0; k < form.size(); ++k) out.push_back(static_cast<char>(form[k] & 0x7F));
            out += "\x1B(B";
        } else {
            out += form;
        }
    }
    return out;
}

class NonJisCharacterTest : public testing::TestWithParam<CharsetCase> {};

TEST_P(NonJisCharacterTest, EveryCharacterAndAddressSurvives) {
    const CharsetCase& c = GetParam();
    const char* name = c.encoding == ctSjis ? "Shift_JIS" : c.encoding == ctEuc ? "EUC-JP" : c.encoding == ctJis ? "ISO-2022-JP" : "UTF-8";
    const std::string declaration =
        c.declared == TDeclared::Meta ? std::string("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=") + name + "\">" : "";
    TQorPageItems items;
    items.SetPageFile(TQorFile(kPage));
    TInetHTTPResponseHeader header;
    if (c.declared == TDeclared::Header) {
        header.SetHeader(std::string("HTTP/1.0 200 OK\r\nContent-Type: text/html; charset=") + name + "\r\n\r\n");
        items.SetHeaderInfo(&header);
    }
    items.SetSource(NonJisPage(c.encoding, false, declaration));
    EXPECT_EQ(items.Charset, c.encoding);
    EXPECT_EQ(TCodePage::ToUtf8(items.Source), NonJisPage(c.encoding, true, declaration));
    EXPECT_EQ(TCodePage::ToUtf8(items.Title), "Café – «été» 丂丨表 日本語");
    ASSERT_EQ(items.GetCount(), 2);
    EXPECT_EQ(items.GetFile(0)->URL->GetURL(), "http://h/d/img/Balance_%C3%A0_tabac_1850.JPG");
    EXPECT_EQ(TCodePage::ToUtf8(items.GetFile(0)->AnchorString), "Balance à tabac™");
    EXPECT_EQ(items.GetFile(1)->URL->GetURL(), "http://h/d/x.cgi?q=na%C3%AFve&r=%E4%B8%82");
    EXPECT_EQ(TCodePage::ToUtf8(items.GetFile(1)->AnchorString), "表\u00A0ü©");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NonJisCharacterTest,
    testing::Values(CharsetCase{"SjisHeader", ctSjis, TDeclared::Header}, CharsetCase{"SjisNone", ctSjis, TDeclared::None},
                    CharsetCase{"EucMeta", ctEuc, TDeclared::Meta}, CharsetCase{"EucNone", ctEuc, TDeclared::None},
                    CharsetCase{"JisHeader", ctJis, TDeclared::Header}, CharsetCase{"JisNone", ctJis, TDeclared::None},
                    CharsetCase{"Utf8Meta", ctUtf8, TDeclared::Meta}, CharsetCase{"Utf8None", ctUtf8, TDeclared::None}),
    [](const auto& info) { return std::string(info.param.name); });

// Emoji and the like exist in UTF-8 pages only.
TEST(NonJisCharacterTest, EmojiInUtf8Page) {
    TQorPageItems items;
    items.SetPageFile(TQorFile(kPage));
    items.SetSource("<title>\xF0\x9F\x98\x80 ok</title><body><a href=\"\xF0\x9F\x98\x80.png\">\xF0\x9F\x8E\x89!</a>");
    EXPECT_EQ(TCodePage::ToUtf8(items.Title), "\xF0\x9F\x98\x80 ok");
    ASSERT_EQ(items.GetCount(), 1);
    EXPECT_EQ(items.GetFile(0)->URL->GetURL(), "http://h/d/%F0%9F%98%80.png");
    EXPECT_EQ(TCodePage::ToUtf8(items.GetFile(0)->AnchorString), "\xF0\x9F\x8E\x89!");
}

struct DecisionCase {
    const char* name;
    std::string text;
    TCharsetType header = ctUnknown;
    bool detect = true;
    TCharsetType force = ctUnknown;
    TCharsetType charset;
    std::string source = ""; // empty: the text unchanged
};

class CharsetDecisionTest : public testing::TestWithParam<DecisionCase> {};

TEST_P(CharsetDecisionTest, Decides) {
    const DecisionCase& c = GetParam();
    TQorPageItems items;
    items.SetPageFile(TQorFile(kPage));
    TInetHTTPResponseHeader header;
    header.Charset = c.header;
    items.SetHeaderInfo(&header);
    items.DetectCharset = c.detect;
    items.ForceCharset = c.force;
    items.SetSource(c.text);
    EXPECT_EQ(items.Charset, c.charset);
    EXPECT_EQ(items.Source, c.source.empty() ? c.text : c.source);
}

const std::string kEucHyou = "\xC9\xBD"; // "表" in EUC-JP
const std::string kEucNihongo = "\xC6\xFC\xCB\xDC\xB8\xEC"; // "日本語" in EUC-JP

INSTANTIATE_TEST_SUITE_P(
    Cases, CharsetDecisionTest,
    testing::Values(
        DecisionCase{.name = "PlainAsciiReadsAsEuc", .text = "<p>abc</p>", .charset = ctEuc},
        DecisionCase{.name = "DetectionOffIsShiftJis", .text = "<p>" + kEucHyou, .detect = false, .charset = ctSjis},
        DecisionCase{.name = "ForcedConvertsEvenWithDetectionOff",
                     .text = kEucHyou, .detect = false, .force = ctEuc, .charset = ctEuc, .source = "\x95\x5C"},
        DecisionCase{.name = "ForceBeatsMeta",
                     .text = "<meta charset=utf-8><body>" + kEucHyou, .force = ctEuc, .charset = ctEuc,
                     .source = "<meta charset=utf-8><body>\x95\x5C"},
        DecisionCase{.name = "MetaBeatsHeader",
                     .text = "<meta charset=euc-jp><body>" + kEucHyou, .header = ctSjis, .charset = ctEuc,
                     .source = "<meta charset=euc-jp><body>\x95\x5C"},
        DecisionCase{.name = "UnknownMetaKeepsHeader",
                     .text = "<meta charset=x-sjis><body>" + kEucHyou, .header = ctSjis, .charset = ctSjis},
        DecisionCase{.name = "MetaAfterBodyKeepsHeader",
                     .text = "<body><meta charset=euc-jp>" + kEucHyou, .header = ctSjis, .charset = ctSjis},
        DecisionCase{.name = "UnhyphenatedIsoNameIsJis",
                     .text = "<meta charset=iso2022-jp><body>\x1B$B9=\x1B(B", .header = ctSjis, .charset = ctJis,
                     .source = "<meta charset=iso2022-jp><body>\x8D\x5C"},
        // Undeclared: half-width kana (0x8E) or JIS X 0212 (0x8F) make the
        // guess Shift-JIS, which breaks at "語<"; EUC-JP reads it all.
        DecisionCase{.name = "UndeclaredEucWithKanaIsEuc", .text = "<p>\x8E\xB1" + kEucNihongo + "</p>",
                     .charset = ctEuc, .source = "<p>\xB1" + SJ("日本語") + "</p>"},
        DecisionCase{.name = "UndeclaredEucWithX0212IsEuc", .text = "<p>\x8F\xB0\xA9" + kEucNihongo + "</p>",
                     .charset = ctEuc, .source = "<p>\xFA\x68" + SJ("日本語") + "</p>"},
        // Shift-JIS kana look like EUC-JP pairs until the "<" after them.
        DecisionCase{.name = "ShiftJisKanaRunIsShiftJis", .text = "<p>\xB1\xB2\xB3</p>", .charset = ctSjis},
        // Clean in the guessed code, or broken in both: the guess stands.
        DecisionCase{.name = "CleanShiftJisStays", .text = "<p>\x8E\xB1</p>", .charset = ctSjis},
        DecisionCase{.name = "CleanEucStays", .text = "<p>\xB1\xB2</p>", .charset = ctEuc, .source = "<p>\x89Q</p>"},
        DecisionCase{.name = "BrokenInBothKeepsGuess", .text = "<p>\x80\xFD</p>", .charset = ctSjis},
        DecisionCase{.name = "DeclaredShiftJisStays", .text = "<p>\x8E\xB1" + kEucNihongo + "</p>", .header = ctSjis,
                     .charset = ctSjis}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
