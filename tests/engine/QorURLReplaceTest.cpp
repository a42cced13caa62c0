#include "engine/QorURLReplace.h"
#include "support/TempFolder.h"

#include "inet/InetURLEx.h"
#include "platform/FileOps.h"
#include "platform/WinPath.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

const std::string kHyou = "\x95\x5C"; // 表: its second byte is "\"

using Rule = std::pair<std::string, std::string>;

std::vector<Rule> RulesOf(const TQorURLReplace& rep) {
    std::vector<Rule> rules;
    for (int i = 0; i < rep.GetCount(); ++i) {
        auto item = rep.GetItem(i);
        rules.emplace_back(item->Target, item->Replace);
    }
    return rules;
}

struct ApplyCase {
    const char* name;
    std::vector<Rule> rules;
    std::string address;
    std::string result = {}; // the address text after the rules; empty: unchanged
};

const ApplyCase kApplyCases[] = {
    {.name = "prefixReplaced",
     .rules = {{"http://a.com/img/", "http://b.net/pic/"}},
     .address = "http://a.com/img/x.jpg",
     .result = "http://b.net/pic/x.jpg"},
    {.name = "upperCaseHostInTarget",
     .rules = {{"http://WWW.A.com/img/", "http://b.net/"}},
     .address = "http://www.a.com/img/x.jpg?q=1",
     .result = "http://b.net/x.jpg?q=1"},
    {.name = "upperCaseHostInAddress",
     .rules = {{"http://a.com/", "ftp://b/"}},
     .address = "http://A.COM/x.jpg",
     .result = "ftp://b/x.jpg"},
    {.name = "targetWithoutScheme",
     .rules = {{"a.com/img", "http://b/"}},
     .address = "http://a.com/img/x.jpg",
     .result = "http://b//x.jpg"},
    // The prefix is cut where it matched, not shifted by the credentials,
    // and the credentials do not travel to the rewritten address.
    {.name = "addressWithCredentials",
     .rules = {{"http://a.com/img/", "http://b.net/pic/"}},
     .address = "http://u:p@a.com/img/x.jpg",
     .result = "http://b.net/pic/x.jpg"},
    {.name = "targetWithCredentials",
     .rules = {{"http://u:p@a.com/img/", "http://b.net/"}},
     .address = "http://a.com/img/x.jpg",
     .result = "http://b.net/x.jpg"},
    {.name = "pathCaseMatters", .rules = {{"http://a.com/IMG/", "http://b/"}}, .address = "http://a.com/img/x.jpg"},
    {.name = "otherHost", .rules = {{"http://a.com/", "http://b/"}}, .address = "http://a.co/x"},
    {.name = "portMatters", .rules = {{"http://a.com/", "http://b/"}}, .address = "http://a.com:8080/x"},
    {.name = "chained",
     .rules = {{"http://a/", "http://b/"}, {"http://b/", "http://c/"}},
     .address = "http://a/x",
     .result = "http://c/x"},
    {.name = "eachRuleOnceInOrder",
     .rules = {{"http://b/", "http://c/"}, {"http://a/", "http://b/"}},
     .address = "http://a/x",
     .result = "http://b/x"},
    {.name = "ruleIntoItsOwnTarget",
     .rules = {{"http://a/", "http://a/a/"}},
     .address = "http://a/x",
     .result = "http://a/a/x"},
    {.name = "sjisPath",
     .rules = {{"http://h/" + kHyou + "/", "http://r/"}},
     .address = "http://h/" + kHyou + "/" + kHyou + ".jpg",
     .result = "http://r/" + kHyou + ".jpg"},
};

class ApplyTable : public ::testing::TestWithParam<ApplyCase> {};

TEST_P(ApplyTable, RewritesAddress) {
    const ApplyCase& c = GetParam();
    TQorURLReplace rep;
    for (const auto& [target, replace] : c.rules) rep.Add(target, replace);
    TInetURLEx url(c.address);
    std::string address = c.address;
    const std::string expected = c.result.empty() ? c.address : c.result;
    EXPECT_EQ(rep.Apply(url, &address), !c.result.empty());
    EXPECT_EQ(address, expected);
    EXPECT_EQ(url.GetURL(), TInetURLEx(expected).GetURL());
}

INSTANTIATE_TEST_SUITE_P(QorURLReplace, ApplyTable, ::testing::ValuesIn(kApplyCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(QorURLReplaceTest, RewrittenAddressIsParsedAgain) {
    TQorURLReplace rep;
    rep.Add("http://a/", "https://B:81/p/");
    std::vector<std::string> schemes;
    TInetURLEx url("http://a/x.jpg");
    url.OnChangeScheme = [&](TInetURLEx*, const std::string& scheme) { schemes.push_back(scheme); };
    ASSERT_TRUE(rep.Apply(url));
    EXPECT_EQ(url.Host, "B");
    EXPECT_EQ(url.Port, "81");
    EXPECT_EQ(url.GetCompURL(), "https://b:81/p/x.jpg");
    EXPECT_EQ(schemes, std::vector<std::string>({"https"}));
}

TEST(QorURLReplaceTest, ListOperations) {
    TQorURLReplace rep;
    EXPECT_EQ(rep.GetCount(), 0);
    EXPECT_FALSE(rep.GetItem(0));
    auto added = rep.Add("", "");
    EXPECT_EQ(added.Target, "");
    rep.Add("t", "r");
    EXPECT_EQ(rep.GetCount(), 2);
    EXPECT_EQ(rep.GetItem(1)->Replace, "r");
    EXPECT_FALSE(rep.GetItem(-1));
    EXPECT_FALSE(rep.GetItem(2));

    TQorURLReplace copy;
    copy.Assign(&rep);
    rep.Clear();
    EXPECT_EQ(rep.GetCount(), 0);
    EXPECT_EQ(RulesOf(copy), std::vector<Rule>({{"", ""}, {"t", "r"}}));
    copy.Assign(&copy);
    EXPECT_EQ(copy.GetCount(), 2);
}

// A fresh folder under $TMPDIR, removed afterwards.
class QorURLReplaceFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(temp_.Ok());
        native = temp_.Native();
        path = TWinPath::FromNative(native) + "\\urlrep.dat";
    }
    TTempFolder temp_{"urlrep"};
    std::string native;
    std::string path;
};

TEST_F(QorURLReplaceFileTest, SaveAndLoadRoundTrip) {
    TQorURLReplace rep;
    rep.Add("http://a/" + kHyou + "/", "http://b/");
    rep.Add("http://c/", "x\ty"); // further tabs belong to the replacement
    ASSERT_TRUE(rep.SaveToFile(path));

    std::string data;
    ASSERT_TRUE(TFileOps::ReadWholeFile(path, data));
    EXPECT_EQ(data, "http://a/" + kHyou + "/\thttp://b/\r\nhttp://c/\tx\ty\r\n");

    TQorURLReplace loaded;
    loaded.Add("old", "rule");
    ASSERT_TRUE(loaded.LoadFromFile(path));
    EXPECT_EQ(RulesOf(loaded), RulesOf(rep));

    // No rules: an empty file, which loads as no rules.
    ASSERT_TRUE(TQorURLReplace().SaveToFile(path));
    ASSERT_TRUE(loaded.LoadFromFile(path));
    EXPECT_EQ(loaded.GetCount(), 0);
}

TEST_F(QorURLReplaceFileTest, LoadTrimsAndSkipsLines) {
    ASSERT_TRUE(TFileOps::WriteWholeFile(path,
                                         "  a\tb  \n"  // LF only, blanks trimmed
                                         "\n"          // empty
                                         "no tab\r\n"  // skipped
                                         "\tlead\n"    // the tab is trimmed away
                                         "empty\t \n"  // so is an empty replacement's
                                         "c\t\td\te"));  // no line end at the last line
    TQorURLReplace rep;
    ASSERT_TRUE(rep.LoadFromFile(path));
    EXPECT_EQ(RulesOf(rep), std::vector<Rule>({{"a", "b"}, {"c", "\td\te"}}));
}

TEST_F(QorURLReplaceFileTest, FailuresKeepRules) {
    TQorURLReplace rep;
    rep.Add("t", "r");
    EXPECT_FALSE(rep.LoadFromFile(path)); // missing
    EXPECT_FALSE(rep.LoadFromFile(TWinPath::FromNative(native))); // a folder
    EXPECT_EQ(RulesOf(rep), std::vector<Rule>({{"t", "r"}}));

    EXPECT_FALSE(rep.SaveToFile(TWinPath::FromNative(native) + "\\missing\\urlrep.dat"));
    EXPECT_FALSE(rep.SaveToFile(TWinPath::FromNative(native))); // a folder is not replaced
    EXPECT_TRUE(std::filesystem::is_directory(native));
}

// A load thread applies the rules while the main thread replaces them: each
// pass sees one whole list.
TEST(QorURLReplaceTest, ApplySeesWholeListsWhileRulesChange) {
    TQorURLReplace rep;
    rep.Add("http://a/", "http://b/");
    rep.Add("http://b/", "http://c/");
    std::atomic<bool> stop{false};
    std::atomic<int> bad{0};
    std::thread loader([&] {
        while (!stop) {
            TInetURLEx url("http://a/x");
            rep.Apply(url);
            std::string got = url.GetURL();
            if (got != "http://c/x" && got != "http://a/x") ++bad;
        }
    });
    for (int i = 0; i < 2000; ++i) {
        TQorURLReplace edited;
        if (i % 2 == 0) {
            edited.Add("http://a/", "http://b/");
            edited.Add("http://b/", "http://c/");
        }
        rep.Assign(&edited);
        rep.GetItem(0);
    }
    stop = true;
    loader.join();
    EXPECT_EQ(bad, 0);
}

} // namespace
