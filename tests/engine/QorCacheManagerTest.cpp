#include "engine/QorCacheManager.h"

#include "engine/QorUncachePage.h"
#include "inet/InetURLEx.h"
#include "inet/XMD5.h"
#include "platform/DateTime.h"
#include "platform/FileOps.h"
#include "platform/WinPath.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr size_t kMB = 1048576;

std::string Comp(const std::string& address) { return TInetURLEx(address).GetCompURL(); }

// A cache manager on a fresh folder.
class QorCacheManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(temp_.Ok());
        native = temp_.Native();
        win = temp_.Win();
        cache.CachePath = win;
    }

    bool Save(const std::string& address, std::string text) {
        cache.Text = std::move(text);
        return cache.Save(address);
    }
    std::string Loaded(const std::string& address) {
        cache.Text = "stale";
        EXPECT_TRUE(cache.Load(address)) << address;
        return cache.Text;
    }
    bool Exists(const std::string& address) {
        return fs::exists(native + "/" + TXMD5::Get(address) + ".pcx");
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(native)) names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }
    // Sets a file's modification time to `minutes` after a fixed past moment.
    void Age(const std::string& address, int minutes) {
        static const TDateTime base = TDateTimeText::Now() - 1;
        ASSERT_TRUE(TFileOps::SetFileAge(cache.GetCacheFileName(address), base + minutes / 1440.0));
    }

    TTempFolder temp_{"cache"};
    std::string native;
    std::string win;
    TQorCacheManager cache;
};

TEST_F(QorCacheManagerTest, FileNameIsTheDigestOfTheComparisonForm) {
    const std::string address = "http://a.com/x.html";
    EXPECT_EQ(cache.GetCacheFileName(address), win + TXMD5::Get(address) + ".pcx");
    cache.CachePath = TWinPath::FromNative(native); // no trailing "\"
    EXPECT_EQ(cache.GetCacheFileName(address), win + TXMD5::Get(address) + ".pcx");

    ASSERT_TRUE(Save(Comp("http://WWW.A.com/p/x.html"), "page"));
    struct Case {
        const char* address;
        bool shared;
    };
    const Case cases[] = {
        {"http://www.a.com/p/x.html", true},
        {"http://www.A.COM/p/x.html", true},
        {"http://www.a.com/p/X.html", false}, // the path's case counts
        {"http://www.a.com/p/x.html?q", false},
        {"http://www.a.com:80/p/x.html", false},
    };
    for (const Case& c : cases) {
        std::string path = "untouched";
        EXPECT_EQ(cache.IsCached(Comp(c.address), path), c.shared) << c.address;
        EXPECT_EQ(path, c.shared ? cache.GetCacheFileName(Comp(c.address)) : "") << c.address;
    }
}

TEST_F(QorCacheManagerTest, SaveAndLoadRoundTrip) {
    struct Case {
        const char* name;
        std::string text;
        std::string read;
    };
    const Case cases[] = {
        {"sjis", "<title>\x95\x5C\x8E\xA6</title>\r\n", "<title>\x95\x5C\x8E\xA6</title>\r\n"},
        {"empty", "", ""},
        {"cutAtZero", std::string("ab\0cd", 5), "ab"},
        {"zeroFirst", std::string("\0cd", 3), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(Save("http://a/", c.text));
        EXPECT_EQ(fs::file_size(native + "/" + TXMD5::Get("http://a/") + ".pcx"), c.text.size());
        EXPECT_EQ(Loaded("http://a/"), c.read);
    }

    cache.Text = "stale";
    EXPECT_FALSE(cache.Load("http://missing/"));
    EXPECT_EQ(cache.Text, "");
    // No leftovers of the replacing writes.
    EXPECT_EQ(Names(), std::vector<std::string>({TXMD5::Get("http://a/") + ".pcx"}));
}

TEST_F(QorCacheManagerTest, NeverCacheEntriesBlockReadingNotSaving) {
    TQorUncachePage uncache;
    uncache.Add("http://a.com/page.html", false);
    uncache.Add("http://b.com/dir/", true);
    cache.UncachePage = &uncache;

    const std::string pages[] = {"http://a.com/page.html", "http://a.com/page.html?q=1",
                                 "http://b.com/dir/x.html", "http://b.com/other.html"};
    for (const std::string& page : pages) ASSERT_TRUE(Save(page, page));
    for (const std::string& page : pages) EXPECT_TRUE(Exists(page)) << page;

    std::string path = "untouched";
    EXPECT_FALSE(cache.IsCached("http://a.com/page.html", path));
    EXPECT_EQ(path, "untouched");
    EXPECT_FALSE(cache.IsCached("http://b.com/dir/x.html", path));
    EXPECT_EQ(path, "untouched");
    cache.Text = "stale";
    EXPECT_FALSE(cache.Load("http://b.com/dir/x.html"));
    EXPECT_EQ(cache.Text, "");

    EXPECT_EQ(Loaded("http://a.com/page.html?q=1"), "http://a.com/page.html?q=1");
    EXPECT_EQ(Loaded("http://b.com/other.html"), "http://b.com/other.html");
}

TEST_F(QorCacheManagerTest, TrimKeepsFiveOneMegabytePages) {
    const std::string page(kMB, 'p');
    auto address = [](int i) { return "http://a/" + std::to_string(i); };
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(Save(address(i), page));
        Age(address(i), i);
    }
    // Exactly at the limit: nothing goes.
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(Exists(address(i))) << i;

    // Work files and other files neither count nor go.
    ASSERT_TRUE(TFileOps::WriteWholeFile(win + "work.pcf", std::string(kMB, 'w')));
    ASSERT_TRUE(TFileOps::WriteWholeFile(win + "note.txt", "x"));

    for (int i = 5; i < 8; ++i) {
        ASSERT_TRUE(Save(address(i), page));
        Age(address(i), i);
        for (int j = 0; j <= i; ++j) EXPECT_EQ(Exists(address(j)), j > i - 5) << i << " " << j;
    }
    EXPECT_TRUE(fs::exists(native + "/work.pcf"));
    EXPECT_TRUE(fs::exists(native + "/note.txt"));
}

TEST_F(QorCacheManagerTest, TrimOrderAmongTimes) {
    cache.CacheSize = 1;
    const std::string half(kMB / 2 + 1, 'h');

    // An older page goes before a newer one even when written later.
    ASSERT_TRUE(Save("http://new/", half));
    Age("http://new/", 10);
    ASSERT_TRUE(Save("http://old/", half));
    Age("http://old/", 5);
    ASSERT_TRUE(Save("http://x/", half)); // written now: the newest
    EXPECT_FALSE(Exists("http://old/"));
    EXPECT_FALSE(Exists("http://new/"));
    EXPECT_TRUE(Exists("http://x/"));

    // The same second as the page just written: the older one still goes,
    // whatever the names' order.
    ASSERT_TRUE(TFileOps::SetFileAge(cache.GetCacheFileName("http://x/"), TDateTimeText::Now()));
    std::string b;
    for (int i = 1; b.empty() || TXMD5::Get(b) > TXMD5::Get("http://x/"); ++i)
        b = "http://b/" + std::to_string(i);
    ASSERT_TRUE(Save(b, half));
    EXPECT_FALSE(Exists("http://x/"));
    EXPECT_TRUE(Exists(b));

    // A page larger than the whole cache does not stay.
    ASSERT_TRUE(Save("http://big/", std::string(kMB + 1, 'b')));
    EXPECT_FALSE(Exists("http://big/"));
    EXPECT_FALSE(Exists(b));
}

TEST_F(QorCacheManagerTest, ClearRemovesCacheAndWorkFiles) {
    const char* gone[] = {"a.pcx", "B.PCX", "c.pcxold", "d.pcf", "e.PcF"};
    const char* kept[] = {"f.pcfx", "g.txt", "pcx", "h.pcx.bak"};
    for (const char* name : gone) ASSERT_TRUE(TFileOps::WriteWholeFile(win + name, "x"));
    for (const char* name : kept) ASSERT_TRUE(TFileOps::WriteWholeFile(win + name, "x"));
    ASSERT_TRUE(fs::create_directory(native + "/folder.pcx"));

    EXPECT_TRUE(cache.Clear());
    EXPECT_EQ(Names(), std::vector<std::string>({"f.pcfx", "folder.pcx", "g.txt", "h.pcx.bak", "pcx"}));

    fs::remove_all(native + "/folder.pcx");
    EXPECT_TRUE(cache.Clear()); // nothing to delete
    cache.CachePath = win + "missing\\";
    EXPECT_TRUE(cache.Clear());
}

TEST_F(QorCacheManagerTest, NoFolderNoCache) {
    cache.CachePath.clear();
    EXPECT_EQ(cache.GetCacheFileName("http://a/"), "");
    EXPECT_FALSE(Save("http://a/", "x"));
    std::string path = "x";
    EXPECT_FALSE(cache.IsCached("http://a/", path));
    EXPECT_EQ(path, "");
    EXPECT_TRUE(cache.Clear());

    cache.CachePath = win + "missing\\";
    EXPECT_FALSE(Save("http://a/", "x"));
}

} // namespace
