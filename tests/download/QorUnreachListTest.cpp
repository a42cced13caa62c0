#include "download/QorUnreachList.h"

#include "engine/QorFileProtector.h"
#include "platform/CodePage.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// "表" and "ソ" end in 0x5C ("\"), "ポ" ends in 0x7C ("|").
const std::string kSjisUrl = "http://example.jp/" + SJ("表") + "/" + SJ("ソポ") + ".zip";

class QorUnreachListTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(temp_.Ok());
        path = temp_.Win("unreach.dat");
        ASSERT_TRUE(TDateTimeText::TryEncode(2024, 3, 20, 12, 0, 0, now));
        list.Clock = [this] { return now; };
    }

    // The date and time text `days` days before the fixed clock.
    std::string DaysAgo(int days, const char* time = "23:59:59") const {
        return TDateTimeText::ShortDate(now - days) + " " + time;
    }
    void WriteFile(const std::string& text) const {
        ASSERT_TRUE(TQorFileProtector::SaveEncryptionText(path, text));
    }
    std::string ReadFile() const {
        std::string text;
        EXPECT_TRUE(TQorFileProtector::LoadEncryptionText(path, text));
        return text;
    }
    std::vector<std::string> Row(int i) const {
        auto* row = list.Item(i);
        if (!row) return {};
        std::vector<std::string> cells{row->Caption};
        cells.insert(cells.end(), row->SubItems.begin(), row->SubItems.end());
        return cells;
    }

    TTempFolder temp_;
    std::string path;
    TDateTime now = 0;
    TQorUnreachList list;
};

TEST_F(QorUnreachListTest, RowTexts)
{
    struct Case {
        const char* name;
        std::string url;
        int64_t fileSize, loadSize;
        int progress;
        std::vector<std::string> cells;
    };
    const std::string t = "2024/03/20 10:00:00";
    const Case cases[] = {
        {.name = "sizes and progress", .url = "http://example.com/dir/a.zip", .fileSize = 1536,
         .loadSize = 512, .progress = 33,
         .cells = {"a.zip", "http://example.com/dir/", "33%", "2 KB", "512 B", t}},
        {.name = "unknown size", .url = "http://example.com/b.bin", .fileSize = -1, .loadSize = 0,
         .progress = -1, .cells = {"b.bin", "http://example.com/", "", "", "0 B", t}},
        {.name = "query", .url = "http://example.com/cgi/get.cgi?id=5&x=1", .fileSize = 10,
         .loadSize = 0, .progress = 0,
         .cells = {"get.cgi?id=5&x=1", "http://example.com/cgi/", "0%", "10 B", "0 B", t}},
        {.name = "no file name", .url = "http://example.com/docs/", .fileSize = 100, .loadSize = 50,
         .progress = 50, .cells = {"index.html", "http://example.com/docs/", "50%", "100 B", "50 B", t}},
        {.name = "over 4 GiB", .url = "http://example.com/dvd.iso", .fileSize = 5368709120,
         .loadSize = 4294967296, .progress = 80,
         .cells = {"dvd.iso", "http://example.com/", "80%", "5.00 GB", "4.00 GB", t}},
        {.name = "Shift-JIS with 0x5C and 0x7C second bytes", .url = kSjisUrl, .fileSize = 2048,
         .loadSize = 1024, .progress = 50,
         .cells = {SJ("ソポ") + ".zip", "http://example.jp/" + SJ("表") + "/", "50%", "2 KB", "1 KB", t}},
    };
    for (const auto& c : cases) {
        TQorUnreachList one;
        one.Add(c.url, c.fileSize, c.loadSize, c.progress, t);
        ASSERT_EQ(one.Count(), 1) << c.name;
        auto* row = one.Item(0);
        std::vector<std::string> cells{row->Caption};
        cells.insert(cells.end(), row->SubItems.begin(), row->SubItems.end());
        EXPECT_EQ(cells, c.cells) << c.name;
        EXPECT_EQ(row->ImageIndex, 0) << c.name;
        ASSERT_NE(one.GetFileInfo(row), nullptr) << c.name;
        EXPECT_EQ(one.GetFileInfo(row)->URL->GetURL(), c.url) << c.name;
        EXPECT_EQ(one.GetFile(0)->URL, c.url) << c.name;
    }
    EXPECT_EQ(TQorUnreachList::ColumnCaptions().size(), 6u);
    EXPECT_EQ(TQorUnreachList::ColumnCaptions()[4], SJ("ダウンロードサイズ"));
}

TEST_F(QorUnreachListTest, AddingAgainMergesOnlyWhenThereIsNews)
{
    const std::string url = "http://Example.COM/file.zip";
    list.Add(url, 1000, 100, 10, "2024/03/19 08:00:00");

    // Never started: nothing changes.
    list.Add("http://example.com/file.zip", -1, 0, -1, "2024/03/20 09:00:00");
    // Known size but unknown progress: nothing changes either.
    list.Add(url, 2000, 300, -1, "2024/03/20 09:30:00");
    ASSERT_EQ(list.EntryCount(), 1);
    EXPECT_EQ(list.GetFile(0)->LoadSize, 100);
    EXPECT_EQ(list.GetFile(0)->Updated, "2024/03/19 08:00:00");

    std::vector<int> notices;
    list.OnChange = [&](TQorUnreachList* sender, int row) {
        EXPECT_EQ(sender, &list);
        notices.push_back(row);
    };
    // Known size and progress: load, progress and time replaced, first size kept.
    list.Add("http://example.com/file.zip", 2000, 400, 40, "2024/03/20 10:00:00");
    ASSERT_EQ(list.Count(), 1);
    const auto* e = list.GetFile(0);
    EXPECT_EQ(e->FileSize, 1000);
    EXPECT_EQ(e->LoadSize, 400);
    EXPECT_EQ(e->Progress, 40);
    EXPECT_EQ(e->URL, url);
    EXPECT_EQ(Row(0), (std::vector<std::string>{"file.zip", "http://Example.COM/", "40%", "1000 B",
                                                "400 B", "2024/03/20 10:00:00"}));
    EXPECT_EQ(notices, std::vector<int>{0});

    // Unknown size with bytes loaded: replaced, progress cell emptied.
    list.Add(url, -1, 700, -1, "2024/03/20 11:00:00");
    EXPECT_EQ(list.GetFile(0)->LoadSize, 700);
    EXPECT_EQ(Row(0)[2], "");
    EXPECT_EQ(Row(0)[3], "1000 B");

    list.Add("http://example.com/other.zip", -1, 0, -1, "2024/03/20 11:00:00");
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(notices, (std::vector<int>{0, 0, -1}));
}

TEST_F(QorUnreachListTest, SaveAndLoadRoundTrip)
{
    const std::string pipeUrl = "http://example.com/get?a=1|b=2";
    list.Add("http://example.com/unknown.bin", -1, 0, -1, "2024/03/20 10:00:00");
    list.Add("http://example.com/dvd.iso", 5368709120, 4294967296, 80, "2024/03/20 10:01:00");
    list.Add("http://example.com/three.bin", 3000000000, 2500000000, 83, "2024/03/20 10:02:00");
    list.Add(kSjisUrl, 2048, 1024, 50, "2024/03/20 10:03:00");
    list.Add(pipeUrl, 10, 5, 50, "2024/03/20 10:04:00");
    ASSERT_TRUE(list.SaveToFile(path));

    // The text form stays one line per entry, numbers in decimal.
    EXPECT_EQ(ReadFile(), "-1|0|-1|2024/03/20 10:00:00|http://example.com/unknown.bin\r\n"
                          "5368709120|4294967296|80|2024/03/20 10:01:00|http://example.com/dvd.iso\r\n"
                          "3000000000|2500000000|83|2024/03/20 10:02:00|http://example.com/three.bin\r\n"
                          "2048|1024|50|2024/03/20 10:03:00|" + kSjisUrl + "\r\n"
                          "10|5|50|2024/03/20 10:04:00|" + pipeUrl + "\r\n");

    TQorUnreachList again;
    again.Clock = list.Clock;
    ASSERT_TRUE(again.LoadFromFile(path));
    ASSERT_EQ(again.EntryCount(), list.EntryCount());
    ASSERT_EQ(again.Count(), list.Count());
    for (int i = 0; i < list.EntryCount(); ++i) {
        const auto *a = list.GetFile(i), *b = again.GetFile(i);
        EXPECT_EQ(b->URL, a->URL);
        EXPECT_EQ(b->FileSize, a->FileSize);
        EXPECT_EQ(b->LoadSize, a->LoadSize);
        EXPECT_EQ(b->Progress, a->Progress);
        EXPECT_EQ(b->Updated, a->Updated);
        EXPECT_EQ(again.Item(i)->Caption, list.Item(i)->Caption);
        EXPECT_EQ(again.Item(i)->SubItems, list.Item(i)->SubItems);
    }
    EXPECT_EQ(Row(0), (std::vector<std::string>{"unknown.bin", "http://example.com/", "", "", "0 B",
                                                "2024/03/20 10:00:00"}));

    // A line break inside an address cannot split its line in the file.
    TQorUnreachList broken;
    broken.Add("http://example.com/a\r\nb.zip", 10, 5, 50, "2024/03/20 10:05:00");
    ASSERT_TRUE(broken.SaveToFile(path));
    EXPECT_EQ(ReadFile(), "10|5|50|2024/03/20 10:05:00|http://example.com/ab.zip\r\n");

    // An empty list saves an empty file.
    TQorUnreachList empty;
    ASSERT_TRUE(empty.SaveToFile(path));
    EXPECT_EQ(ReadFile(), "");
}

TEST_F(QorUnreachListTest, LoadKeepsOnlyTheLastSaveDayDays)
{
    struct Case {
        const char* name;
        int saveDay;
        int daysAgo;
        const char* time;
        bool kept;
    };
    const Case cases[] = {
        {.name = "14 days ago, at midnight", .saveDay = 14, .daysAgo = 14, .time = "00:00:00", .kept = true},
        {.name = "15 days ago, last second", .saveDay = 14, .daysAgo = 15, .time = "23:59:59", .kept = false},
        {.name = "today with 0 days", .saveDay = 0, .daysAgo = 0, .time = "00:00:00", .kept = true},
        {.name = "yesterday with 0 days", .saveDay = 0, .daysAgo = 1, .time = "23:59:59", .kept = false},
        {.name = "recorded tomorrow", .saveDay = 0, .daysAgo = -1, .time = "00:00:00", .kept = true},
    };
    for (const auto& c : cases) {
        WriteFile("1|1|1|" + DaysAgo(c.daysAgo, c.time) + "|http://example.com/a\r\n");
        TQorUnreachList one;
        one.Clock = list.Clock;
        one.SaveDay = c.saveDay;
        ASSERT_TRUE(one.LoadFromFile(path)) << c.name;
        EXPECT_EQ(one.Count(), c.kept ? 1 : 0) << c.name;
    }
}

TEST_F(QorUnreachListTest, NegativeNumbersOfOlderFilesAreUnsignedSizes)
{
    const std::string d = DaysAgo(1);
    WriteFile("-1294967296|-1294967296|69|" + d + "|http://example.com/3g.bin\r\n"
              "-1|-1|-1|" + d + "|http://example.com/almost4g.bin\r\n"
              "-2147483648|0|0|" + d + "|http://example.com/2g.bin\r\n"
              "-2147483649|0|0|" + d + "|http://example.com/too-small.bin\r\n");
    ASSERT_TRUE(list.LoadFromFile(path));
    ASSERT_EQ(list.EntryCount(), 3);
    EXPECT_EQ(list.GetFile(0)->FileSize, 3000000000);
    EXPECT_EQ(list.GetFile(0)->LoadSize, 3000000000);
    EXPECT_EQ(Row(0)[3], "2.79 GB");
    // -1 as a file size stays unknown; as a loaded size it is 4 GiB - 1.
    EXPECT_EQ(list.GetFile(1)->FileSize, -1);
    EXPECT_EQ(list.GetFile(1)->LoadSize, 4294967295);
    EXPECT_EQ(Row(1)[3], "");
    EXPECT_EQ(list.GetFile(2)->FileSize, 2147483648);
    EXPECT_EQ(Row(2)[3], "2.00 GB");

    // Saved again, the sizes are written as what they are.
    ASSERT_TRUE(list.SaveToFile(path));
    EXPECT_EQ(ReadFile().substr(0, 22), "3000000000|3000000000|");
}

TEST_F(QorUnreachListTest, DamagedLinesAreSkippedAndLoadingAdds)
{
    list.Add("http://example.com/before.zip", 10, 1, 10, DaysAgo(0));
    const std::string d = DaysAgo(2);
    WriteFile("\r\n"
              "   5|1|20|" + d + "|http://example.com/ok1.zip  \r\n"
              "5|1|20|" + d + "\r\n"                                    // three "|"
              "x|1|20|" + d + "|http://example.com/bad-size\r\n"
              "5||20|" + d + "|http://example.com/bad-load\r\n"
              "5|1|2147483648|" + d + "|http://example.com/bad-progress\r\n"
              "5|1|20|2024/13/45 10:00:00|http://example.com/bad-date\r\n"
              "5|1|20|yesterday|http://example.com/no-date\r\n"
              "\n"
              "5|1|20|" + d + "|http://example.com/ok2.zip\n"
              "9|3|30|" + d + "|http://EXAMPLE.com/before.zip\r\n"
              "7|2|-1|" + d + "|http://example.com/ok1.zip");
    ASSERT_TRUE(list.LoadFromFile(path));
    ASSERT_EQ(list.EntryCount(), 3);
    EXPECT_EQ(list.GetFile(0)->URL, "http://example.com/before.zip");
    EXPECT_EQ(list.GetFile(1)->URL, "http://example.com/ok1.zip");
    EXPECT_EQ(list.GetFile(2)->URL, "http://example.com/ok2.zip");
    // Lines of a URL already listed merge by the adding rule.
    EXPECT_EQ(list.GetFile(0)->FileSize, 10);
    EXPECT_EQ(list.GetFile(0)->LoadSize, 3);
    EXPECT_EQ(list.GetFile(1)->LoadSize, 1); // known size, unknown progress: no news

    // A missing file reads nothing and changes nothing.
    TTempFolder other;
    EXPECT_FALSE(list.LoadFromFile(other.Win("unreach.dat")));
    EXPECT_EQ(list.EntryCount(), 3);
}

TEST_F(QorUnreachListTest, Removing)
{
    for (int i = 0; i < 5; ++i)
        list.Add("http://example.com/f" + std::to_string(i), 100, 10, 10, "2024/03/20 10:00:00");
    int notices = 0;
    list.OnChange = [&](TQorUnreachList*, int row) {
        if (row == -1) ++notices;
    };

    EXPECT_TRUE(list.DeleteByURL("http://EXAMPLE.com/f1"));
    EXPECT_FALSE(list.DeleteByURL("http://example.com/f1"));
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(list.GetFile(1)->URL, "http://example.com/f2");

    list.SetSelected(0, true);
    list.SetSelected(2, true);
    notices = 0;
    list.SelDelete();
    EXPECT_EQ(notices, 1);
    ASSERT_EQ(list.Count(), 2);
    ASSERT_EQ(list.EntryCount(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(list.GetFile(i)->URL, list.GetFileInfo(list.Item(i))->URL->GetURL());
        EXPECT_FALSE(list.Item(i)->Selected);
    }
    EXPECT_EQ(list.GetFile(0)->URL, "http://example.com/f2");
    EXPECT_EQ(list.GetFile(1)->URL, "http://example.com/f4");

    // A removed address can come back as a new entry.
    list.Add("http://example.com/f0", -1, 0, -1, "2024/03/20 11:00:00");
    EXPECT_EQ(list.Count(), 3);

    list.Delete(list.Item(0));
    EXPECT_EQ(list.GetFileInfo(list.Item(0)), nullptr);
    EXPECT_EQ(list.GetFileInfo(nullptr), nullptr);
    EXPECT_EQ(list.Count(), 3);

    list.ClearFile(false);
    EXPECT_EQ(list.EntryCount(), 0);
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.GetFile(0), nullptr);
    list.ClearFile(true);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Item(0), nullptr);
    EXPECT_EQ(list.GetFile(-1), nullptr);
}

} // namespace
