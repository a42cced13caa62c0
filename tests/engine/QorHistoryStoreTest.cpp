#include "engine/QorHistoryStore.h"

#include "engine/QorFileProtector.h"
#include "inet/XMD5.h"
#include "platform/CodePage.h"
#include "platform/FileOps.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

TDateTime At(int year, int month, int day, int hour = 12) {
    TDateTime value = 0;
    TDateTimeText::TryEncode(year, month, day, hour, 0, 0, value);
    return value;
}

mode_t ModeOf(const fs::path& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 0777;
}

class QorHistoryStoreTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(temp_.Ok());
        store.Path = temp_.Win();
        SetToday(2024, 3, 20);
    }
    void SetToday(int year, int month, int day) {
        const TDateTime now = At(year, month, day);
        store.Clock = [now] { return now; };
    }
    void MakeFolder(const std::string& name) { fs::create_directories(temp_.NativePath(name)); }
    std::vector<std::string> Captions() const {
        std::vector<std::string> out;
        for (int i = 0; i < store.DayCount(); ++i) out.push_back(TCodePage::ToUtf8(store.Day(i)->Caption));
        return out;
    }
    std::vector<std::string> Titles(const TQorHistoryDate* day) const {
        std::vector<std::string> out;
        for (const auto& page : day->Pages) out.push_back(page->Title);
        return out;
    }
    // Every .phs file of today's folder, unscrambled.
    std::vector<std::string> TodayRecords() const {
        std::vector<std::string> out;
        for (const auto& entry : fs::directory_iterator(temp_.NativePath("20240320"))) {
            std::string text;
            TQorFileProtector::LoadEncryptionText(TWinPath::FromNative(entry.path().string()), text);
            out.push_back(text);
        }
        return out;
    }

    TTempFolder temp_{"history"};
    TQorHistoryStore store;
};

TEST_F(QorHistoryStoreTest, DayFoldersKeptAndDeletedAtTheBoundary) {
    for (const char* name : {"20240306", "20240305", "20240319", "20240321", "2024031", "2024-031",
                             "20240231", "20020101", "20310101", "x2024030"})
        MakeFolder(name);
    std::ofstream(temp_.NativePath("20240301")) << "a plain file"; // old, not a folder
    std::ofstream(temp_.NativePath("20240305") / "a.phs") << "x";

    ASSERT_TRUE(store.Read());
    EXPECT_EQ(Captions(), (std::vector<std::string>{"3 月 6日（水）", "昨日", "今日", "3 月 21日（木）"}));
    ASSERT_NE(store.TodayNode(), nullptr);
    EXPECT_EQ(store.TodayNode()->FolderName, "20240320");
    EXPECT_EQ(store.TodayNode()->DateKey, "2024/03/20");
    EXPECT_TRUE(fs::is_directory(temp_.NativePath("20240320"))); // created
    EXPECT_EQ(ModeOf(temp_.NativePath("20240320")), 0700u);

    struct Case {
        const char* name;
        bool exists;
    };
    const Case cases[] = {
        {"20240306", true},  // 14 days: kept
        {"20240305", false}, // 15 days: deleted with its file
        {"2024031", true},   {"2024-031", true}, {"20240231", true}, {"20020101", true},
        {"20310101", true},  {"x2024030", true},
        {"20240301", true},  // a plain file is no day folder to empty
    };
    for (const Case& c : cases) EXPECT_EQ(fs::exists(temp_.NativePath(c.name)), c.exists) << c.name;

    store.SaveDay = 0; // only today survives
    ASSERT_TRUE(store.Read());
    EXPECT_EQ(Captions(), (std::vector<std::string>{"今日", "3 月 21日（木）"}));
}

TEST_F(QorHistoryStoreTest, TodayIsListedPast2030) {
    SetToday(2031, 5, 1);
    MakeFolder("20310430");
    MakeFolder("20350101");
    ASSERT_TRUE(store.Read());
    EXPECT_EQ(Captions(), (std::vector<std::string>{"昨日", "今日"}));
    ASSERT_NE(store.TodayNode(), nullptr);
    EXPECT_TRUE(store.Add("t", "http://h/", ""));
    EXPECT_TRUE(fs::exists(temp_.NativePath("20350101")));
}

TEST_F(QorHistoryStoreTest, NoTodayWhenItsFolderCannotBeMade) {
    std::ofstream(temp_.NativePath("blocked")) << "file";
    store.Path = temp_.Win("blocked\\");
    EXPECT_FALSE(store.Read());
    EXPECT_EQ(store.DayCount(), 0);
    EXPECT_FALSE(store.Add("t", "http://h/", ""));
}

TEST_F(QorHistoryStoreTest, OneRecordPerComparableAddress) {
    ASSERT_TRUE(store.Read());
    ASSERT_TRUE(store.OpenDateItem(store.TodayNode()));
    EXPECT_TRUE(store.Add("First", "http://WWW.Example.com/a.html", "http://ref/"));
    EXPECT_TRUE(store.Add("Second", "http://www.example.com/a.html", ""));
    const auto records = TodayRecords();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0], "Second\thttp://www.example.com/a.html\t"); // the last visit's
    const std::string name = TXMD5::Get("http://www.example.com/a.html") + ".phs";
    EXPECT_TRUE(fs::exists(temp_.NativePath("20240320") / name));
    EXPECT_EQ(ModeOf(temp_.NativePath("20240320") / name), 0600u);
    ASSERT_EQ(store.TodayNode()->Pages.size(), 1u);
    EXPECT_EQ(store.TodayNode()->Pages[0]->Title, "First"); // the caption stays
    EXPECT_EQ(store.TodayNode()->Pages[0]->File->URL->GetURL(), "http://www.example.com/a.html");
    // Another path case or query is another page.
    EXPECT_TRUE(store.Add("Third", "http://www.example.com/A.html", ""));
    EXPECT_EQ(TodayRecords().size(), 2u);
}

TEST_F(QorHistoryStoreTest, WhatIsWrittenIsCleaned) {
    ASSERT_TRUE(store.Read());
    const std::string hyou = SJ("表"); // its second byte is "\"
    struct Case {
        const char* name;
        std::string title, url, referer;
        std::string record;
    };
    std::string longTitle(249, 't');
    longTitle += hyou; // straddles byte 250: goes whole
    const Case cases[] = {
        {"empty title", "", "http://h/p.html?q=1", "", "http://h/p.html?q=1\thttp://h/p.html?q=1\t"},
        {"long title", longTitle, "http://h/l.html", "", std::string(249, 't') + "\thttp://h/l.html\t"},
        {"tab and breaks", "a\tb\r\nc", "http://h/t.html", "http://r/\tx", "a b  c\thttp://h/t.html\thttp://r/ x"},
        {"tab in the address", "T", "http://h/a\tb.html", "", "T\thttp://h/a%09b.html\t"},
        {"credentials", "C", "http://user:secret@h:8080/c.html", "http://u2:pw2@r/x.html",
         "C\thttp://h:8080/c.html\thttp://r/x.html"},
        {"empty title without credentials", "", "http://u:p@h/e.html", "",
         "http://h/e.html\thttp://h/e.html\t"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(store.Add(c.title, c.url, c.referer)) << c.name;
        const std::string path = TWinPath::ToNative(store.Path) + "20240320/" +
                                 TXMD5::Get(TInetURLEx(c.record.substr(c.record.find('\t') + 1,
                                                                        c.record.rfind('\t') - c.record.find('\t') - 1))
                                                .GetCompURL()) +
                                 ".phs";
        std::string text;
        ASSERT_TRUE(TQorFileProtector::LoadEncryptionText(TWinPath::FromNative(path), text)) << c.name;
        EXPECT_EQ(text, c.record) << c.name;
    }
    for (const std::string& record : TodayRecords()) EXPECT_EQ(record.find("secret"), std::string::npos);

    // Read back, every record splits into the address it was made for.
    TQorHistoryStore again;
    again.Path = store.Path;
    again.Clock = store.Clock;
    ASSERT_TRUE(again.Read());
    ASSERT_TRUE(again.OpenDateItem(again.TodayNode()));
    std::vector<std::string> urls;
    for (const auto& page : again.TodayNode()->Pages) urls.push_back(page->File->URL->GetURL());
    std::sort(urls.begin(), urls.end());
    EXPECT_EQ(urls, (std::vector<std::string>{"http://h/a%09b.html", "http://h/e.html", "http://h/l.html",
                                              "http://h/p.html?q=1", "http://h/t.html", "http://h:8080/c.html"}));
}

TEST_F(QorHistoryStoreTest, DaysAreReadLazily) {
    MakeFolder("20240319");
    auto write = [&](const std::string& name, const std::string& text) {
        ASSERT_TRUE(TQorFileProtector::SaveEncryptionText(temp_.Win("20240319\\" + name), text));
    };
    write("b.phs", "Beta\thttp://h/b.html\thttp://ref/");
    write("a.phs", "Alpha\thttp://h/a.html\t");
    write("c.phs", "no tabs at all");
    write("d.phs", "one\ttab");
    write("e.txt", "Other\thttp://h/e.html\t");
    ASSERT_TRUE(store.Read());
    TQorHistoryDate* yesterday = store.Day(0);
    TQorHistoryDate* today = store.TodayNode();
    EXPECT_TRUE(yesterday->Pages.empty());
    EXPECT_FALSE(yesterday->Opened);

    ASSERT_TRUE(store.OpenDateItem(yesterday));
    EXPECT_EQ(Titles(yesterday), (std::vector<std::string>{"Alpha", "Beta"}));
    EXPECT_EQ(yesterday->Pages[1]->File->Referer, "http://ref/");
    EXPECT_EQ(yesterday->Pages[1]->FilePath, temp_.Win("20240319\\b.phs"));
    EXPECT_FALSE(store.OpenDateItem(yesterday)); // once only

    // Today not opened yet: the file is written, no page shows.
    ASSERT_TRUE(store.Add("Zulu", "http://h/z.html", ""));
    EXPECT_TRUE(today->Pages.empty());
    ASSERT_TRUE(store.OpenDateItem(today));
    EXPECT_EQ(Titles(today), (std::vector<std::string>{"Zulu"}));
    ASSERT_TRUE(store.Add("Mike", "http://h/m.html", ""));
    EXPECT_EQ(Titles(today), (std::vector<std::string>{"Mike", "Zulu"})); // in caption order
}

TEST_F(QorHistoryStoreTest, EmptyDayReadsNoHistory) {
    MakeFolder("20240318");
    ASSERT_TRUE(store.Read());
    store.OpenDateItem(store.Day(0));
    EXPECT_EQ(Captions()[0], "3 月 18日（月） - No history");
}

TEST_F(QorHistoryStoreTest, LinkedDayFolderLosesOnlyTheLink) {
    TTempFolder elsewhere{"elsewhere"};
    std::ofstream(elsewhere.NativePath("keep.phs")) << "x";
    fs::create_directory_symlink(elsewhere.NativePath(), temp_.NativePath("20240101"));
    ASSERT_TRUE(store.Read());
    EXPECT_FALSE(fs::exists(fs::symlink_status(temp_.NativePath("20240101"))));
    EXPECT_TRUE(fs::exists(elsewhere.NativePath("keep.phs")));
}

TEST_F(QorHistoryStoreTest, Deleting) {
    MakeFolder("20240318");
    MakeFolder("20240319");
    std::ofstream(temp_.NativePath("20240319") / "x.phs") << "x";
    ASSERT_TRUE(store.Read());
    ASSERT_TRUE(store.OpenDateItem(store.TodayNode()));
    ASSERT_TRUE(store.Add("A", "http://h/a.html", ""));
    ASSERT_TRUE(store.Add("B", "http://h/b.html", ""));

    EXPECT_FALSE(store.DeleteDay(store.TodayNode())); // today stays
    EXPECT_TRUE(store.DeleteDay(store.Day(0)));
    EXPECT_FALSE(fs::exists(temp_.NativePath("20240318")));
    EXPECT_EQ(store.DayCount(), 2);
    EXPECT_EQ(store.Day(1)->Row, 1);

    const std::string path = store.TodayNode()->Pages[0]->FilePath;
    EXPECT_TRUE(store.DeletePage(store.TodayNode(), 0));
    EXPECT_FALSE(TFileOps::FileExists(path));
    EXPECT_EQ(Titles(store.TodayNode()), (std::vector<std::string>{"B"}));

    EXPECT_TRUE(store.DeleteAll());
    EXPECT_FALSE(fs::exists(temp_.NativePath("20240319")));
    EXPECT_EQ(Captions(), (std::vector<std::string>{"今日"})); // made again, empty
    EXPECT_TRUE(fs::is_empty(temp_.NativePath("20240320")));
}

} // namespace
