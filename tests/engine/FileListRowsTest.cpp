#include "engine/FileListRows.h"

#include "engine/FileTypeTable.h"
#include "platform/CodePage.h"
#include "platform/StringTable.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

using TStrings = std::vector<std::string>;

// The list of one page; local files exist when their path is in `present`.
class FileListRowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        rows_.FileImage = &types_;
        rows_.PageFile = &page_;
        rows_.Exists = [this](const std::string& path, bool) { return present_.count(path) > 0; };
    }
    void SetPage(const std::string& url) { page_.URL->SetURL(url); }
    void Add(const std::string& url, const std::string& anchor = {}) {
        TQorFile file(url);
        file.SetAnchorString(anchor);
        rows_.AddFile(file);
    }
    void Show() {
        rows_.ClearRows();
        rows_.ShowList();
    }
    TStrings Column(int column) const {
        TStrings texts;
        for (const TFileListRow& row : rows_.Rows()) texts.push_back(row.Text(column));
        return texts;
    }

    TFileTypeTable types_;
    TQorFile page_;
    std::set<std::string> present_;
    TFileListRows rows_;
};

TEST_F(FileListRowsTest, LocationIsRelativeToThePageFolderWithOrWithoutAPort) {
    struct TCase {
        const char* name;
        std::string page;
        std::string file;
        std::string location;
    } cases[] = {
        {.name = "sub-folder", .page = "http://h/a/p.html", .file = "http://h/a/img/x.gif", .location = "img/"},
        {.name = "same folder", .page = "http://h/a/p.html", .file = "http://h/a/y.gif", .location = ""},
        {.name = "other folder", .page = "http://h/a/p.html", .file = "http://h/b/y.gif", .location = "http://h/b/"},
        {.name = "host case", .page = "http://H/a/", .file = "http://h/a/c/y.gif", .location = "c/"},
        {.name = "port on both", .page = "http://h:8080/a/p.html", .file = "http://h:8080/a/img/x.gif", .location = "img/"},
        {.name = "port same folder", .page = "http://h:8080/a/p.html", .file = "http://h:8080/a/y.gif", .location = ""},
        {.name = "other port", .page = "http://h:8080/a/p.html", .file = "http://h:81/a/y.gif", .location = "http://h:81/a/"},
        {.name = "port on the file only", .page = "http://h/a/", .file = "http://h:81/a/y.gif", .location = "http://h:81/a/"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        rows_.ClearList();
        SetPage(c.page);
        Add(c.file);
        Show();
        EXPECT_EQ(Column(2), TStrings{c.location});
    }
}

TEST_F(FileListRowsTest, NamesTypesAndParameters) {
    SetPage("http://h/d/");
    Add("http://h/d/", "Top page");                  // a folder address: index.html
    Add("http://h/d/cgi/run.cgi?a=1&b=2");
    Add("http://h/d/Photo.JPG", "  a   photo ");
    Add("/someone@example.com");
    Add("http://h/d/archive.xyz");
    rows_.Sort = false;
    rows_.ShowAnchor = false;
    Show();
    EXPECT_EQ(Column(0), (TStrings{"index.html", "run.cgi", "Photo.JPG", "someone@example.com", "archive.xyz"}));
    EXPECT_EQ(Column(1), (TStrings{"html " + SJ("ファイル"), "cgi " + SJ("ファイル"), "jpg " + SJ("ファイル"),
                                   TStringTable::Get(1020), "xyz " + SJ("ファイル")}));
    EXPECT_EQ(Column(2), (TStrings{"", "cgi/", "", "", ""}));
    EXPECT_EQ(Column(3), (TStrings{"", "a=1&b=2", "", "", ""}));
    // The mail row's icon is the .eml type's, the JPG shares the .jpg type.
    EXPECT_EQ(types_.TypeKeys, (TStrings{".html", ".cgi", ".jpg", ".eml", ".xyz"}));

    rows_.ShowAnchor = true;
    Show();
    EXPECT_EQ(Column(0), (TStrings{"Top page", "run.cgi", "a photo ", "someone@example.com", "archive.xyz"}));
}

TEST_F(FileListRowsTest, LocalFolderPage) {
    SetPage("file:///C|/home/me/");
    for (const char* url : {"file:///C|/home/me/notes.txt", "file:///C|/home/", "file:///C|/home/me/",
                            "file:///C|/home/me/gone.txt", "file:///C|/home/me/Sub/", "file:///C|/home/me/old/"})
        Add(url);
    present_ = {"C:\\home\\me\\notes.txt", "C:\\home\\me\\Sub\\"};
    rows_.Sort = false;
    Show();
    // The page's own folder and its parent get no row; folders are named
    // by their last element.
    EXPECT_EQ(Column(0), (TStrings{"notes.txt", "gone.txt", "Sub", "old"}));
    EXPECT_EQ(Column(2), (TStrings{"", "(not found) ", "", "(not found) "}));
    EXPECT_EQ(types_.TypeKeys, (TStrings{".txt", "<dir>"}));
    EXPECT_EQ(rows_.Rows()[2].Type, SJ("ファイル"));
    EXPECT_TRUE(rows_.Rows()[2].IsFolder);
    EXPECT_FALSE(rows_.Rows()[0].IsFolder);

    // A file deleted meanwhile shows as missing after the next ShowList.
    present_.erase("C:\\home\\me\\notes.txt");
    Show();
    EXPECT_EQ(Column(2)[0], "(not found) ");
}

TEST_F(FileListRowsTest, FilterHidesOtherFilesButNeverFolders) {
    SetPage("file:///C|/p/");
    for (const char* url : {"file:///C|/p/photo.JPG", "file:///C|/p/readme.txt", "file:///C|/p/dir.jpg.d/",
                            "file:///C|/p/noext", "http://h/x.gif", "http://h/"})
        Add(url);
    rows_.FilterExtensions = {"jpg", "gif"};
    rows_.Sort = false;
    Show();
    EXPECT_EQ(Column(0), (TStrings{"photo.JPG", "dir.jpg.d", "x.gif"}));
    EXPECT_EQ(rows_.Files().size(), 6u); // the records all stay
}

TEST_F(FileListRowsTest, LocalFoldersComeBeforeEveryOtherRowAndTiesKeepTheirOrder) {
    SetPage("file:///C|/p/");
    // Folders, local files and web rows mixed, some with equal keys.
    for (const char* url : {"http://h/b.html", "file:///C|/p/zeta/", "file:///C|/p/a.txt", "/m@example.com",
                            "http://h/B.html", "file:///C|/p/Alpha/", "http://h/a.txt", "file:///C|/p/beta/"})
        Add(url);
    Show(); // ascending by name
    EXPECT_EQ(Column(0), (TStrings{"Alpha", "beta", "zeta", "a.txt", "a.txt", "b.html", "B.html", "m@example.com"}));
    EXPECT_EQ(rows_.Rows()[3].File->Kind, TQorFile::kLocal); // a.txt of the folder came first

    // Whatever column is sorted, folders compare by name; by type the rest
    // group by type and keep their order within it.
    EXPECT_TRUE(rows_.ColumnClick(1)); // first click: descending
    EXPECT_EQ(rows_.SortOrder, 1);
    EXPECT_EQ(Column(0), (TStrings{"m@example.com", "a.txt", "a.txt", "b.html", "B.html", "zeta", "beta", "Alpha"}));
    EXPECT_TRUE(rows_.ColumnClick(1));
    EXPECT_EQ(Column(0), (TStrings{"Alpha", "beta", "zeta", "b.html", "B.html", "a.txt", "a.txt", "m@example.com"}));

    // Every pair compares one way only: a strict order, whatever the kinds.
    for (int column = 0; column < TFileListRows::kColumns; ++column)
        for (int direction = 0; direction < 2; ++direction)
            for (const TFileListRow& a : rows_.Rows())
                for (const TFileListRow& b : rows_.Rows()) {
                    const bool ab = TFileListRows::Before(a, b, column, direction);
                    const bool ba = TFileListRows::Before(b, a, column, direction);
                    EXPECT_FALSE(ab && ba);
                    EXPECT_EQ(ab || ba, &a != &b);
                }
}

TEST_F(FileListRowsTest, SortedRowsFollowTheComparisonForEveryMixOfBytes) {
    // Every text of up to three bytes from letters of both cases, a symbol
    // between the cases, lead and trail bytes (one of them a letter) and a
    // lone lead byte: the sorted list must be in the order Before gives.
    const std::string alphabet = "aAz_\x83\x41\x61\x95";
    std::vector<std::string> texts{""};
    for (size_t from = 0, length = 0; length < 3; ++length) {
        const size_t to = texts.size();
        for (size_t i = from; i < to; ++i)
            for (char c : alphabet) texts.push_back(texts[i] + c);
        from = to;
    }
    SetPage("http://h/");
    for (size_t i = 0; i < texts.size(); ++i) Add("http://h/f" + std::to_string(i) + ".txt", "x" + texts[i]);
    for (int direction = 0; direction < 2; ++direction) {
        rows_.SetSortOrder(direction);
        Show();
        ASSERT_EQ(rows_.Rows().size(), texts.size());
        for (size_t i = 1; i < rows_.Rows().size(); ++i)
            ASSERT_TRUE(TFileListRows::Before(rows_.Rows()[i - 1], rows_.Rows()[i], 0, direction))
                << rows_.Rows()[i - 1].Caption << " / " << rows_.Rows()[i].Caption;
    }
}

TEST_F(FileListRowsTest, HeaderClicksFlipEachColumnOnItsOwn) {
    SetPage("http://h/");
    for (const char* url : {"http://h/b.html", "http://h/A.html", "http://h/c.html"}) Add(url);
    Show();
    EXPECT_EQ(Column(0), (TStrings{"A.html", "b.html", "c.html"}));
    rows_.ColumnClick(0); // never clicked: descending first
    EXPECT_EQ(Column(0), (TStrings{"c.html", "b.html", "A.html"}));
    EXPECT_EQ(rows_.ActiveCol, 0);
    rows_.ColumnClick(0);
    EXPECT_EQ(Column(0), (TStrings{"A.html", "b.html", "c.html"}));

    rows_.ColumnClick(2);
    EXPECT_EQ(rows_.ActiveCol, 2);
    EXPECT_EQ(rows_.SortOrder, 1);
    EXPECT_EQ(rows_.ColumnOrder(0), 0); // the name column keeps its own direction

    rows_.SetSortOrder(0);
    EXPECT_EQ(rows_.ColumnOrder(2), 0);

    // Order of appearance, until the next ShowList sorts again.
    rows_.ActiveCol = 0;
    rows_.SetSortOrder(1);
    rows_.ShowInOrderOfAppearance();
    EXPECT_EQ(Column(0), (TStrings{"b.html", "A.html", "c.html"}));
    Show();
    EXPECT_EQ(Column(0), (TStrings{"c.html", "b.html", "A.html"}));

    rows_.Sort = false;
    EXPECT_FALSE(rows_.ColumnClick(0));
}

// The main window builds a large page's rows in a second list on a worker:
// with the settings and types copied over, it gives the same rows, and a
// copy of the type table taken after AddFileTypes never needs a new type.
TEST_F(FileListRowsTest, RowsBuiltApartMatchTheListsOwn) {
    SetPage("file:///C:/page/");
    present_ = {"C:\\page\\sub", "C:\\page\\b.txt"};
    for (const char* url : {"file:///C:/page/b.txt", "file:///C:/page/sub/", "http://h/x/", "/m@h",
                            "http://h/a.JPG", "http://h/noext"})
        Add(url);
    rows_.ColumnClick(1);
    rows_.ColumnClick(1);
    rows_.ColumnClick(1); // type column, descending
    Show();
    const std::vector<TStrings> own = {Column(0), Column(1), Column(2), Column(3)};

    TFileListRows apart;
    apart.CopySettings(rows_);
    apart.PageFile = &page_;
    TFileTypeTable fresh;
    rows_.AddFileTypes(fresh);
    TFileTypeTable copy = fresh;
    apart.FileImage = &copy;
    apart.TakeList(rows_);
    EXPECT_TRUE(rows_.Files().empty());
    EXPECT_TRUE(rows_.Rows().empty());
    apart.ClearRows();
    apart.ShowList();
    EXPECT_EQ(copy.Count(), fresh.Count());
    for (int column = 0; column < 4; ++column) {
        TStrings texts;
        for (const TFileListRow& row : apart.Rows()) texts.push_back(row.Text(column));
        EXPECT_EQ(texts, own[static_cast<size_t>(column)]) << column;
    }

    // Stopped: no rows.
    const std::atomic<bool> stop{true};
    apart.Stop = &stop;
    apart.ClearRows();
    apart.ShowList();
    EXPECT_TRUE(apart.Rows().empty());
}

TEST(FileListRowsCompareTest, FoldsOnlySingleByteLetters) {
    const std::string kanji = SJ("表"); // 0x95 0x5C
    const std::string hiraA = SJ("ぁ"); // 0x82 0x9F
    const std::string kanaA = SJ("ア"); // 0x83 0x41: a trail byte that is "A"
    const std::string kanaSmallA = SJ("ァ"); // 0x83 0x40
    struct TCase {
        const char* name;
        std::string a, b;
        int sign;
    } cases[] = {
        {.name = "case folded", .a = "abc", .b = "ABC", .sign = 0},
        {.name = "prefix first", .a = "ab", .b = "ABC", .sign = -1},
        {.name = "by value", .a = "a_", .b = "aB", .sign = 1}, // '_' 0x5F is after 'B' 0x42
        {.name = "double byte after ASCII", .a = kanji, .b = "z", .sign = 1},
        {.name = "lead bytes by value", .a = hiraA, .b = kanaA, .sign = -1},
        // The trail byte 0x61 of a double-byte character is no "a" to fold.
        {.name = "trail byte unfolded", .a = "\x83\x61", .b = kanaA, .sign = 1},
        {.name = "trail bytes", .a = kanaSmallA, .b = kanaA, .sign = -1},
        {.name = "empty", .a = "", .b = "", .sign = 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        const int r = TFileListRows::CompareKeys(c.a, c.b);
        EXPECT_EQ((r > 0) - (r < 0), c.sign);
        const int back = TFileListRows::CompareKeys(c.b, c.a);
        EXPECT_EQ((back > 0) - (back < 0), -c.sign);
    }
}

TEST_F(FileListRowsTest, ExportTextOfTheSelection) {
    SetPage("http://h/");
    Add("http://u:p@h:81/x.html?q=1");
    Add("/m@example.com");
    Add("file:///C|/tmp/a.txt");
    rows_.Sort = false;
    Show();
    EXPECT_EQ(rows_.GetSelectURLString({0, 1, 2}), "http://u:p@h:81/x.html?q=1\r\nm@example.com\r\nC:\\tmp\\a.txt");
    EXPECT_EQ(rows_.GetSelectURLString({2}), "C:\\tmp\\a.txt");
}

TEST(FileTypeTableTest, KeysNamesAndOneLookupPerType) {
    EXPECT_EQ(TFileTypeTable::TypeKey("Photo.JPG"), ".jpg");
    EXPECT_EQ(TFileTypeTable::TypeKey("a.tar.GZ"), ".gz");
    EXPECT_EQ(TFileTypeTable::TypeKey("README"), "");
    EXPECT_EQ(TFileTypeTable::TypeKey(""), "<dir>");

    TFileTypeTable table;
    int asked = 0;
    table.OnTypeName = [&](const std::string& key) {
        ++asked;
        return key == ".png" ? SJ("PNG 画像") : std::string();
    };
    const int png = table.AddFileType("a.png");
    EXPECT_EQ(table.AddFileType("B.PNG"), png);
    EXPECT_EQ(table.GetTypeName(png), SJ("PNG 画像"));
    EXPECT_EQ(table.GetTypeName(table.AddFileType("x.xyz")), SJ("xyz ファイル"));
    EXPECT_EQ(table.GetTypeName(table.AddFileType("README")), SJ("ファイル"));
    EXPECT_EQ(table.GetTypeName(table.AddFileType("")), SJ("ファイル"));
    EXPECT_EQ(asked, 4);
    EXPECT_EQ(table.GetTypeName(99), "");
}

} // namespace
