#include "engine/WindowPosInfo.h"

#include "platform/FileOps.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace {

auto BandsOf(const TWindowPosInfo& p) {
    std::vector<std::tuple<int, bool, int>> bands;
    for (const auto& b : p.Bands) bands.emplace_back(b.ID, b.Break, b.Width);
    return bands;
}

auto ValuesOf(const TWindowPosInfo& p) {
    return std::make_tuple(p.MainLeft, p.MainTop, p.MainWidth, p.MainHeight, p.MainState, p.NaviWidth, p.FileCol,
                           p.FileActiveCol, p.FileSortOrder, p.ShowNavi, p.UnreachCol, BandsOf(p), p.PrevLeft,
                           p.PrevTop, p.PrevWidth, p.PrevHeight, p.PrevStretch, p.PrevTopMost);
}

const std::vector<std::tuple<int, bool, int>> kDefaultBands{
    {0, true, 0}, {1, false, 32}, {2, true, 0}, {3, true, 200}, {4, false, 400}};

TEST(WindowPosInfoTest, DefaultsCentreTheMainWindow) {
    struct {
        int w, h, left, top;
    } screens[] = {{1920, 1080, 660, 315}, {1025, 769, 212, 159}, {0, 0, -300, -225}};
    for (const auto& s : screens) {
        TWindowPosInfo p("C:\\x\\vorlenpos0.ini", s.w, s.h);
        EXPECT_EQ(p.MainLeft, s.left);
        EXPECT_EQ(p.MainTop, s.top);
    }
    TWindowPosInfo p("C:\\x\\vorlenpos0.ini", 800, 600);
    EXPECT_EQ(ValuesOf(p), std::make_tuple(100, 75, 600, 450, uint8_t(0), 200, std::array<int, 4>{95, 95, 95, 95}, 0, 0,
                                           true, std::array<int, 6>{80, 80, 80, 80, 80, 80}, kDefaultBands, 0, 0,
                                           320, 200, true, true));
}

TEST(WindowPosInfoTest, SavesEveryKeyAndLoadsThemBack) {
    TTempFolder temp;
    const std::string path = temp.Win() + "vorlenpos1.ini";
    ASSERT_TRUE(TFileOps::WriteWholeFile(path, "[Stale]\r\nA=1\r\n"));
    TWindowPosInfo saved(path, 1024, 768);
    saved.MainLeft = -4;
    saved.MainTop = 10;
    saved.MainWidth = 1000;
    saved.MainHeight = 700;
    saved.MainState = 2;
    saved.NaviWidth = 150;
    saved.FileCol = {1, 2, 3, 4};
    saved.FileActiveCol = 2;
    saved.FileSortOrder = 1;
    saved.ShowNavi = false;
    saved.UnreachCol = {5, 6, 7, 8, 9, 10};
    saved.Bands[0] = {4, false, 11};
    saved.Bands[4] = {0, true, 12};
    saved.PrevLeft = 30;
    saved.PrevTop = 40;
    saved.PrevWidth = 500;
    saved.PrevHeight = 400;
    saved.PrevStretch = false;
    saved.PrevTopMost = false;
    ASSERT_TRUE(saved.Save());

    std::string text;
    ASSERT_TRUE(TFileOps::ReadWholeFile(path, text));
    EXPECT_EQ(text.find("Stale"), std::string::npos);
    const std::string head = "[MainWindow]\r\nLeft=-4\r\nTop=10\r\nWidth=1000\r\nHeight=700\r\nState=2\r\n";
    EXPECT_EQ(text.substr(0, head.size()), head);
    EXPECT_NE(text.find("\r\nShowNavi=0\r\nUnreachCol0=5\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n\r\n[MainBand1]\r\nID=1\r\nBreak=0\r\nWidth=32\r\n\r\n[MainBand2]\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("\r\n\r\n[PrevWindow]\r\nLeft=30\r\nTop=40\r\nWidth=500\r\nHeight=400\r\nStretch=0\r\n"
                        "TopMost=0\r\n"),
              std::string::npos);

    TWindowPosInfo loaded(path, 1920, 1080);
    ASSERT_TRUE(loaded.Load());
    EXPECT_EQ(ValuesOf(loaded), ValuesOf(saved));
}

TEST(WindowPosInfoTest, MissingPartsKeepTheirValues) {
    TTempFolder temp;
    const std::string path = temp.Win() + "vorlenpos0.ini";
    // No MainBand3 section, LF line ends, a key that is not a number.
    ASSERT_TRUE(TFileOps::WriteWholeFile(path, "[MainWindow]\nWidth=640\nNaviWidth=wide\n"
                                               "[MainBand0]\nID=0\nBreak=0\n[MainBand1]\nID=1\n"
                                               "[MainBand2]\nID=2\n[MainBand4]\nID=4\nWidth=9\n"));
    TWindowPosInfo p(path, 1920, 1080);
    ASSERT_TRUE(p.Load());
    EXPECT_EQ(p.MainWidth, 640);
    EXPECT_EQ(p.NaviWidth, 200);
    EXPECT_EQ(p.MainLeft, 660);
    EXPECT_EQ(BandsOf(p), (std::vector<std::tuple<int, bool, int>>{
                              {0, false, 0}, {1, false, 32}, {2, true, 0}, {3, true, 200}, {4, false, 9}}));

    TWindowPosInfo missing(temp.Win() + "none.ini", 1920, 1080);
    EXPECT_TRUE(missing.Load());
    EXPECT_EQ(ValuesOf(missing), ValuesOf(TWindowPosInfo("", 1920, 1080)));

    ASSERT_TRUE(TFileOps::CreateDir(temp.Win() + "dir.ini"));
    TWindowPosInfo folder(temp.Win() + "dir.ini", 1920, 1080);
    folder.MainWidth = 1;
    EXPECT_FALSE(folder.Load());
    EXPECT_EQ(folder.MainWidth, 1);
    EXPECT_FALSE(folder.Save());
}

TEST(WindowPosInfoTest, DamagedStateAndBandIdsFallBack) {
    struct {
        const char* name;
        const char* text;
        uint8_t state;
        std::vector<int> ids;
    } cases[] = {
        {"stateOutOfRange", "[MainWindow]\r\nState=258\r\n", 0, {0, 1, 2, 3, 4}},
        {"stateNegative", "[MainWindow]\r\nState=-1\r\n", 0, {0, 1, 2, 3, 4}},
        {"stateMaximised", "[MainWindow]\r\nState=2\r\n", 2, {0, 1, 2, 3, 4}},
        {"bandsReordered", "[MainBand0]\r\nID=3\r\n[MainBand3]\r\nID=0\r\n", 0, {3, 1, 2, 0, 4}},
        {"bandIdDoubled", "[MainBand0]\r\nID=3\r\nWidth=7\r\n", 0, {0, 1, 2, 3, 4}},
        {"bandIdTooLarge", "[MainBand0]\r\nID=5\r\n[MainBand1]\r\nID=0\r\n", 0, {0, 1, 2, 3, 4}},
    };
    TTempFolder temp;
    const std::string path = temp.Win() + "vorlenpos0.ini";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(TFileOps::WriteWholeFile(path, c.text));
        TWindowPosInfo p(path, 1920, 1080);
        ASSERT_TRUE(p.Load());
        EXPECT_EQ(p.MainState, c.state);
        std::vector<int> ids;
        for (const auto& b : p.Bands) ids.push_back(b.ID);
        EXPECT_EQ(ids, c.ids);
    }
    // The width read with a doubled ID stays.
    ASSERT_TRUE(TFileOps::WriteWholeFile(path, "[MainBand0]\r\nID=3\r\nWidth=7\r\n"));
    TWindowPosInfo p(path, 1920, 1080);
    ASSERT_TRUE(p.Load());
    EXPECT_EQ(p.Bands[0].Width, 7);
}

} // namespace
