#include "engine/FavoriteManager.h"

#include "engine/QorFileProtector.h"
#include "platform/CodePage.h"
#include "platform/FileOps.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class FavoriteManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(temp_.Ok());
        path = temp_.Win("favorite.dat");
    }
    std::string Plain() const { return TQorFileProtector::Scramble(temp_.Contents("favorite.dat")); }
    void WritePlain(const std::string& text) const {
        ASSERT_TRUE(TFileOps::WriteWholeFile(path, TQorFileProtector::Scramble(text)));
    }

    TTempFolder temp_;
    std::string path;
};

TEST_F(FavoriteManagerTest, SavesUrlTitleLinesScrambledAndReadsThemBack) {
    TFavoriteManager list;
    list.Add("http://example.jp/", SJ("例のページ"));
    list.Add("http://b.example/x?q=1", "B");
    ASSERT_TRUE(list.SaveToFile(path));
    const std::string expected = "http://example.jp/\t" + SJ("例のページ") + "\r\nhttp://b.example/x?q=1\tB\r\n";
    EXPECT_EQ(temp_.Contents("favorite.dat"), TQorFileProtector::Scramble(expected));

    TFavoriteManager back;
    ASSERT_TRUE(back.LoadFromFile(path));
    ASSERT_EQ(back.Count(), 2);
    EXPECT_EQ(back.GetItem(0)->Title, SJ("例のページ"));
    EXPECT_EQ(back.GetItem(1)->URL, "http://b.example/x?q=1");
    EXPECT_EQ(back.GetItem(2), nullptr);
}

TEST_F(FavoriteManagerTest, ReadingTrimsSkipsAndKeepsTabsInTheTitle) {
    WritePlain("  http://a/\tA\tpart two  \r\n"
               "\r\n"
               "no tab here\r\n"
               "http://b/\t\n"   // a TAB at the end is trimmed away: no TAB left
               "http://c/\tC");
    TFavoriteManager list;
    ASSERT_TRUE(list.LoadFromFile(path));
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.GetItem(0)->URL, "http://a/");
    EXPECT_EQ(list.GetItem(0)->Title, "A\tpart two");
    EXPECT_EQ(list.GetItem(1)->Title, "C");
    ASSERT_TRUE(list.SaveToFile(path));
    EXPECT_EQ(Plain(), "http://a/\tA\tpart two\r\nhttp://c/\tC\r\n");
}

TEST_F(FavoriteManagerTest, MissingFileIsFalseAndEmpty) {
    TFavoriteManager list;
    list.Add("x", "y");
    EXPECT_FALSE(list.LoadFromFile(path));
    EXPECT_EQ(list.Count(), 0);
}

TEST_F(FavoriteManagerTest, AddedPageWithLineBreaksInItsTitleStaysOneLine) {
    TFavoriteManager list;
    list.AddPage("http://u:p@a.example:8080/x", "Line one\r\nline\ttwo", "http://a.example/x");
    list.AddPage("http://u:p@a.example:8080/y", "", "http://a.example/y");
    ASSERT_TRUE(list.SaveToFile(path));
    EXPECT_EQ(Plain(), "http://u:p@a.example:8080/x\tLine one  line two\r\n"
                       "http://u:p@a.example:8080/y\thttp://a.example/y\r\n");
}

TEST_F(FavoriteManagerTest, FailedSaveAnswersFalseAndKeepsTheOldFile) {
    WritePlain("http://old/\told\r\n");
    const std::string before = temp_.Contents("favorite.dat");
    for (int n = 1; n <= 100; ++n)
        ASSERT_TRUE(TFileOps::WriteWholeFile(temp_.Win("~" + std::to_string(n) + "~favorite.dat"), "x"));
    TFavoriteManager list;
    list.Add("http://new/", "new");
    EXPECT_FALSE(list.SaveToFile(path));
    EXPECT_EQ(temp_.Contents("favorite.dat"), before);
}

TEST(FavoriteManagerMenuTest, FirstNineGetCtrlDigits) {
    TFavoriteManager list;
    for (int i = 0; i < 11; ++i) list.Add("http://h/" + std::to_string(i), "T&" + std::to_string(i));
    auto menu = list.GetMenuItems();
    ASSERT_EQ(menu.size(), 11u);
    EXPECT_EQ(menu[0].Shortcut, "Ctrl+1");
    EXPECT_EQ(menu[8].Shortcut, "Ctrl+9");
    EXPECT_EQ(menu[9].Shortcut, "");
    EXPECT_EQ(menu[10].Caption, "T&10");
    EXPECT_EQ(menu[10].URL, "http://h/10");
}

} // namespace
