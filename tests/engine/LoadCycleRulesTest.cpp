#include "engine/LoadCycleRules.h"

#include "engine/QorFile.h"
#include "platform/CodePage.h"

#include <gtest/gtest.h>

namespace {

std::string U(std::string_view utf8) { return TCodePage::ToUtf8(std::string(utf8)); }

TEST(LoadCycleRulesTest, DownloadQuestionOnlyForNonTextBelow400) {
    struct Case { const char* name; int status; const char* file; bool text; bool ask; };
    const Case cases[] = {
        {.name = "binary", .status = 200, .file = "a.zip", .text = false, .ask = true},
        {.name = "text", .status = 200, .file = "a.html", .text = true, .ask = false},
        {.name = "error page", .status = 404, .file = "a.zip", .text = false, .ask = false},
        {.name = "redirect body", .status = 302, .file = "a.bin", .text = false, .ask = true},
        {.name = "playlist asx", .status = 200, .file = "list.ASX", .text = false, .ask = false},
        {.name = "playlist wax", .status = 200, .file = "list.wax", .text = false, .ask = false},
        {.name = "playlist wvx", .status = 200, .file = "list.wvx", .text = false, .ask = false},
        {.name = "no name", .status = 200, .file = "", .text = false, .ask = true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TLoadCycleRules::AskDownload(c.status, c.file, c.text), c.ask) << c.name;
}

TEST(LoadCycleRulesTest, CaptionsStatusAndIconAfterALoad) {
    const std::string url = "http://h/a.html";
    EXPECT_EQ(TLoadCycleRules::NodeCaption(0, 404, "Title", url), "[404] Title");
    EXPECT_EQ(TLoadCycleRules::NodeCaption(2, 0, "Title", url), "[open fail] http://h/a.html");
    EXPECT_EQ(TLoadCycleRules::NodeCaption(3, 0, "Title", url), "[time out] http://h/a.html");
    EXPECT_EQ(TLoadCycleRules::NodeCaption(0, 200, "Title", url), "Title");

    EXPECT_EQ(U(TLoadCycleRules::StatusText(0, 404, url)), "ステータス : 404");
    EXPECT_EQ(TLoadCycleRules::StatusText(2, 0, url), "open fail http://h/a.html");
    EXPECT_EQ(TLoadCycleRules::StatusText(3, 0, url), "time out http://h/a.html");
    // A failed connection's reason follows the address; no other text takes one.
    EXPECT_EQ(TLoadCycleRules::NodeCaption(2, 0, "Title", url, "why"), "[open fail] http://h/a.html (why)");
    EXPECT_EQ(TLoadCycleRules::StatusText(2, 0, url, "why"), "open fail http://h/a.html (why)");
    EXPECT_EQ(TLoadCycleRules::NodeCaption(3, 0, "Title", url, "why"), "[time out] http://h/a.html");

    EXPECT_EQ(TLoadCycleRules::PageIcon(0, 200, false), 2);
    EXPECT_EQ(TLoadCycleRules::PageIcon(0, 200, true), 4);
    EXPECT_EQ(TLoadCycleRules::PageIcon(0, 500, true), 3);
    EXPECT_EQ(TLoadCycleRules::PageIcon(2, 0, false), 3);

    EXPECT_EQ(TLoadCycleRules::WindowTitle("", url), "http://h/a.html - Vorlen Tiram");
    EXPECT_EQ(TLoadCycleRules::WindowTitle("T", url), "T - Vorlen Tiram");
    TQorFile page("http://h:8080/d/a.html");
    EXPECT_EQ(U(TLoadCycleRules::OpeningText(page)), "ページ http://h/d/a.html を開いています...");
}

TEST(LoadCycleRulesTest, KeepChildrenOnlyForACachedReopenFromTreeOrBackForward) {
    EXPECT_TRUE(TLoadCycleRules::KeepChildren(loTreePage, true, true));
    EXPECT_TRUE(TLoadCycleRules::KeepChildren(loBackForward, true, true));
    EXPECT_FALSE(TLoadCycleRules::KeepChildren(loTreePage, false, true)); // Shift: past the cache
    EXPECT_FALSE(TLoadCycleRules::KeepChildren(loTreePage, true, false)); // first load
    EXPECT_FALSE(TLoadCycleRules::KeepChildren(loNewRoot, true, true));
    EXPECT_FALSE(TLoadCycleRules::KeepChildren(loCharset, true, true));
}

TEST(LoadCycleRulesTest, KeptChildrenShareCredentialsOnlyOnTheSamePort) {
    TQorFile page("http://me:pw@Host:8080/dir/index.html");
    TQorFile same("http://host:8080/dir/sub/a.html");
    TQorFile otherPort("http://host/dir/a.html");
    TQorFile otherPort2("http://host:8081/dir/a.html");
    TQorFile outside("http://host:8080/other/a.html");
    EXPECT_TRUE(TLoadCycleRules::SharesFolder(*page.URL, *same.URL));
    EXPECT_FALSE(TLoadCycleRules::SharesFolder(*page.URL, *otherPort.URL));
    EXPECT_FALSE(TLoadCycleRules::SharesFolder(*page.URL, *otherPort2.URL));
    EXPECT_FALSE(TLoadCycleRules::SharesFolder(*page.URL, *outside.URL));

    TLoadCycleRules::InheritCredentials(*page.URL, *same.URL);
    EXPECT_EQ(same.URL->GetURL(), "http://me:pw@host:8080/dir/sub/a.html");
}

TEST(LoadCycleRulesTest, AddressBarKeepsThePortAndDropsThePassword) {
    TQorFile page("http://me:pw@host:8080/d/a.html?q=1");
    EXPECT_EQ(TLoadCycleRules::AddressText(page), "http://host:8080/d/a.html?q=1");
}

TEST(LoadCycleRulesTest, PageLinksAndPagesOpened) {
    struct Case { const char* url; bool link; bool opens; };
    const Case cases[] = {
        {"http://h/d/", true, true},
        {"http://h/d/page", true, true},
        {"http://h/d/a.php", true, true},
        {"http://h/d/a.jpg", false, true},
        {"file:///C:\\tmp/", true, true},
        {"file:///C:\\tmp\\a.htm", true, true},
        {"file:///C:\\tmp\\a.php", false, false},
        {"file:///C:\\tmp\\a.txt", false, false},
    };
    for (const Case& c : cases) {
        TQorFile file(c.url);
        EXPECT_EQ(TLoadCycleRules::IsPageLink(file), c.link) << c.url;
        EXPECT_EQ(TLoadCycleRules::OpensAsPage(file), c.opens) << c.url;
    }
    TQorFile mail("me@h");
    mail.Kind = TQorFile::kMail;
    EXPECT_FALSE(TLoadCycleRules::IsPageLink(mail));
    EXPECT_FALSE(TLoadCycleRules::OpensAsPage(mail));
}

TEST(LoadCycleRulesTest, OriginsStartURLCharsetAndMonitor) {
    EXPECT_EQ(TLoadCycleRules::UpdateOrigin(loHistory), loHistory);
    EXPECT_EQ(TLoadCycleRules::UpdateOrigin(loNewRoot), loTreePage);
    EXPECT_TRUE(TLoadCycleRules::AddsBackForward(loNewRoot));
    EXPECT_TRUE(TLoadCycleRules::AddsBackForward(loTreePage));
    EXPECT_FALSE(TLoadCycleRules::AddsBackForward(loHistory));
    EXPECT_FALSE(TLoadCycleRules::AddsBackForward(loBackForward));
    EXPECT_FALSE(TLoadCycleRules::AddsBackForward(loCharset));

    EXPECT_EQ(TLoadCycleRules::StartURL({"vorlen"}), "");
    EXPECT_EQ(TLoadCycleRules::StartURL({"vorlen", " http://h/ "}), "http://h/");
    EXPECT_EQ(TLoadCycleRules::StartURL({"vorlen", "C:\\My", "Pages\\a.htm"}), "C:\\My Pages\\a.htm");

    EXPECT_EQ(TLoadCycleRules::CharsetItem(ctUnknown), 0);
    EXPECT_EQ(TLoadCycleRules::CharsetItem(ctSjis), 0);
    EXPECT_EQ(TLoadCycleRules::CharsetItem(ctEuc), 1);
    EXPECT_EQ(TLoadCycleRules::CharsetItem(ctJis), 2);
    EXPECT_EQ(TLoadCycleRules::CharsetItem(ctUtf8), 3);

    EXPECT_TRUE(TLoadCycleRules::MonitorsFolder(true, 200, "C:\\tmp\\"));
    EXPECT_FALSE(TLoadCycleRules::MonitorsFolder(true, 200, "C:\\"));
    EXPECT_FALSE(TLoadCycleRules::MonitorsFolder(true, 200, "c:\\"));
    EXPECT_FALSE(TLoadCycleRules::MonitorsFolder(true, 900, "C:\\tmp\\"));
    EXPECT_FALSE(TLoadCycleRules::MonitorsFolder(false, 200, "C:\\tmp\\"));
    EXPECT_FALSE(TLoadCycleRules::MonitorsFolder(true, 200, ""));
}

} // namespace
