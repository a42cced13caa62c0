#include "engine/QorUncachePage.h"

#include "engine/QorFileProtector.h"
#include "platform/FileOps.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

using Entry = std::pair<std::string, bool>;

std::vector<Entry> EntriesOf(const TQorUncachePage& list) {
    std::vector<Entry> entries;
    for (int i = 0; i < list.GetCount(); ++i) {
        auto item = list.GetItem(i);
        entries.emplace_back(item->URL, item->All);
    }
    return entries;
}

TEST(QorUncachePageTest, AddKeepsTheEntityFormAndGetItemChecksRange) {
    TQorUncachePage list;
    auto added = list.Add("http://user:pw@WWW.A.com:8080/Dir/X.html?q=1#f", false);
    EXPECT_EQ(added.URL, "http://www.a.com:8080/Dir/X.html");
    list.Add("b.com/", true); // no scheme: taken as http
    EXPECT_EQ(EntriesOf(list),
              std::vector<Entry>({{"http://www.a.com:8080/Dir/X.html", false}, {"http://b.com/", true}}));
    EXPECT_FALSE(list.GetItem(-1));
    EXPECT_FALSE(list.GetItem(2));
    list.Clear();
    EXPECT_EQ(list.GetCount(), 0);
}

TEST(QorUncachePageTest, Covers) {
    TQorUncachePage list;
    list.Add("http://A.com/page.html", false);
    list.Add("http://b.com/dir/", true);
    struct Case {
        const char* address;
        bool covered;
    };
    const Case cases[] = {
        {"http://a.com/page.html", true},
        {"http://a.com/page.html?q=1", false}, // a query makes another page
        {"http://a.com/Page.html", false},     // exact, case-sensitive
        {"http://a.com/page.html5", false},
        {"http://b.com/dir/", true},
        {"http://b.com/dir/sub/x.cgi?a=1", true},
        {"http://c/?go=http://b.com/dir/", true}, // contained anywhere
        {"http://b.com/Dir/", false},
        {"http://b.com/", false},
    };
    for (const Case& c : cases) EXPECT_EQ(list.Covers(c.address), c.covered) << c.address;
    EXPECT_FALSE(TQorUncachePage().Covers("http://a.com/page.html"));
}

// uncache.dat in a fresh folder.
class QorUncachePageFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(temp_.Ok());
        list.FilePath = temp_.Win("uncache.dat");
    }

    TTempFolder temp_{"uncache"};
    TQorUncachePage list;
};

TEST_F(QorUncachePageFileTest, SaveAndLoadRoundTrip) {
    const std::string hyou = "\x95\x5C"; // 表: its second byte is "\"
    list.Add("http://a.com/" + hyou + "/x.html", false);
    list.Add("http://b.com/", true);
    ASSERT_TRUE(list.SaveToFile());

    std::string text;
    ASSERT_TRUE(TQorFileProtector::LoadEncryptionText(list.FilePath, text));
    EXPECT_EQ(text, "http://a.com/" + hyou + "/x.html\t0\r\nhttp://b.com/\t1");

    TQorUncachePage loaded;
    loaded.FilePath = list.FilePath;
    loaded.Add("http://old/", false);
    ASSERT_TRUE(loaded.LoadFromFile()); // appends
    EXPECT_EQ(EntriesOf(loaded), std::vector<Entry>({{"http://old/", false},
                                                     {"http://a.com/" + hyou + "/x.html", false},
                                                     {"http://b.com/", true}}));

    list.Clear();
    ASSERT_TRUE(list.SaveToFile());
    std::string data = "x";
    ASSERT_TRUE(TFileOps::ReadWholeFile(list.FilePath, data));
    EXPECT_EQ(data, "");
}

TEST_F(QorUncachePageFileTest, LoadSkipsLinesWithoutTabAndReadsOnlyExactOne) {
    ASSERT_TRUE(TQorFileProtector::SaveEncryptionText(list.FilePath,
                                                      "http://a/\t1\n"           // LF only
                                                      "no tab\r\n"               // skipped
                                                      "\r\n"                     // skipped
                                                      "http://B/?q\t1 \r"        // "1 " is not "1"
                                                      "http://c/\t1\tmore\r\n"   // nor "1\tmore"
                                                      "http://d/\t0"));
    ASSERT_TRUE(list.LoadFromFile());
    EXPECT_EQ(EntriesOf(list), std::vector<Entry>({{"http://a/", true},
                                                   {"http://b/", false},
                                                   {"http://c/", false},
                                                   {"http://d/", false}}));
}

TEST_F(QorUncachePageFileTest, MissingFileLoadsNothing) {
    list.Add("http://keep/", true);
    EXPECT_FALSE(list.LoadFromFile());
    EXPECT_EQ(EntriesOf(list), std::vector<Entry>({{"http://keep/", true}}));
}

// A cache load thread asks while the main thread rewrites the list, as the
// uncache dialog does on OK. The sanitizer builds catch a race here; each
// answer is one of the states the list went through.
TEST(QorUncachePageThreadTest, CoversWhileTheListChanges) {
    TQorUncachePage list;
    std::atomic<bool> stop{false};
    std::atomic<int> asked{0};
    std::thread reader([&] {
        while (!stop) {
            list.Covers("http://a/x");
            list.GetItem(0);
            ++asked;
        }
    });
    for (int i = 0; i < 2000 || asked == 0; ++i) {
        list.Clear();
        list.Add("http://a/", true);
        list.Add("http://b/", false);
    }
    stop = true;
    reader.join();
    EXPECT_TRUE(list.Covers("http://a/x"));
}

} // namespace
