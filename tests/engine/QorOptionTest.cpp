#include "engine/QorOption.h"

#include "platform/FileOps.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

const std::string kHyou = "\x95\x5C"; // 表: its second byte is "\"

// All 18 values, for comparing whole option sets.
auto ValuesOf(const TQorOption& o) {
    return std::make_tuple(o.UseCache, o.CacheSize, o.HistoryDay, o.LoadStart, o.LoadFolder, o.LoadCount,
                           o.AutoClose, o.DirReapp, o.UnreachSave, o.RetryWait, o.DblClk, o.SearchAnchor,
                           o.SearchFile, o.ModifyLimit, o.ShowAnchor, o.HideStart, o.ShowTray, o.LastSaveDir);
}

// Every option away from its initial value.
TQorOption Others() {
    TQorOption o;
    o.UseCache = false;
    o.CacheSize = 999;
    o.HistoryDay = 0;
    o.LoadStart = qlstFixFolder;
    o.LoadFolder = "C:\\dl\\" + kHyou + "\\";
    o.LoadCount = 9;
    o.AutoClose = true;
    o.DirReapp = true;
    o.UnreachSave = 30;
    o.RetryWait = 0;
    o.DblClk = qdctOpenByBrowser;
    o.SearchAnchor = false;
    o.SearchFile = false;
    o.ModifyLimit = 999;
    o.ShowAnchor = false;
    o.HideStart = true;
    o.ShowTray = false;
    o.LastSaveDir = "C:\\last\\";
    return o;
}

TEST(QorOptionTest, InitialValues) {
    TQorOption o;
    EXPECT_EQ(ValuesOf(o), std::make_tuple(true, 5u, 14, qlstSelFolder, std::string(), 5, false, false, 14, 10,
                                           qdctPreview, true, true, 3, true, false, true, std::string()));
}

TEST(QorOptionTest, SavesAllKeysInOrderAndLoadsThemBack) {
    TTempFolder temp;
    const std::string path = temp.Win() + "option.dat";
    ASSERT_TRUE(TFileOps::WriteWholeFile(path, "[Setting]\r\nStale=1\r\n[Old]\r\nX=1\r\n"));
    const TQorOption saved = Others();
    ASSERT_TRUE(saved.SaveToFile(path));
    std::string text;
    ASSERT_TRUE(TFileOps::ReadWholeFile(path, text));
    EXPECT_EQ(text, "[Setting]\r\nUseCache=0\r\nCacheSize=999\r\nHistoryDay=0\r\nLoadStart=2\r\n"
                    "LoadFolder=C:\\dl\\" + kHyou + "\\\r\nLoadCount=9\r\nAutoClose=1\r\nDirReapp=1\r\n"
                    "UnreachSave=30\r\nRetryWait=0\r\nDblClk=0\r\nSearchAnchor=0\r\nSearchFile=0\r\n"
                    "LastSaveDir=C:\\last\\\r\nModifyLimit=999\r\nShowAnchor=0\r\nHideStart=1\r\nShowTray=0\r\n");
    TQorOption loaded;
    ASSERT_TRUE(loaded.LoadFromFile(path));
    EXPECT_EQ(ValuesOf(loaded), ValuesOf(saved));

    EXPECT_FALSE(saved.SaveToFile(temp.Win() + "missing\\option.dat"));
}

struct LoadCase {
    const char* name;
    std::string text; // nothing written when empty
    std::function<void(TQorOption&)> change = {}; // from the defaults; none: all defaults
};

const LoadCase kLoadCases[] = {
    {.name = "missingFile", .text = ""},
    {.name = "binaryJunk", .text = std::string("\x00\x81\xff[Setting\r\n==\n", 16)},
    {.name = "dblClkOpenOnlyByHand", .text = "[Setting]\r\nDblClk=2\r\n",
     .change = [](TQorOption& o) { o.DblClk = qdctOpen; }},
    {.name = "lfLineEndsAndNonZeroTrue", .text = "[Setting]\nUseCache=0\nAutoClose=7\nLoadStart=0\nCacheSize=1\n",
     .change =
         [](TQorOption& o) {
             o.UseCache = false;
             o.AutoClose = true;
             o.LoadStart = qlstSuspend;
             o.CacheSize = 1;
         }},
    {.name = "lowestAccepted",
     .text = "[Setting]\r\nHistoryDay=0\r\nLoadCount=1\r\nUnreachSave=0\r\nRetryWait=0\r\nModifyLimit=0\r\n",
     .change = [](TQorOption& o) { o.HistoryDay = o.UnreachSave = o.RetryWait = o.ModifyLimit = 0; o.LoadCount = 1; }},
    // Values the program could not use keep the current ones.
    {.name = "enumerationsOutOfRange", .text = "[Setting]\r\nDblClk=3\r\nLoadStart=-1\r\n"},
    {.name = "countsOutOfRange",
     .text = "[Setting]\r\nLoadCount=0\r\nCacheSize=-1\r\nHistoryDay=1000\r\nRetryWait=-5\r\n"
             "UnreachSave=99999\r\nModifyLimit=-1\r\n"},
    {.name = "tooManyDownloads", .text = "[Setting]\r\nLoadCount=10\r\nCacheSize=0\r\n"},
    {.name = "notNumbers", .text = "[Setting]\r\nUseCache=no\r\nLoadCount=five\r\nDblClk=\r\n"},
    {.name = "stringsAsWritten", .text = "[Setting]\r\nLoadFolder= C:\\a b\\ \r\nLastSaveDir=\"C:\\q\\\"\r\n",
     .change = [](TQorOption& o) { o.LoadFolder = "C:\\a b\\"; o.LastSaveDir = "C:\\q\\"; }},
};

class OptionLoadTable : public ::testing::TestWithParam<LoadCase> {};

TEST_P(OptionLoadTable, LoadsOrKeeps) {
    const LoadCase& c = GetParam();
    TTempFolder temp;
    const std::string path = temp.Win() + "option.dat";
    if (!c.text.empty()) {
        ASSERT_TRUE(TFileOps::WriteWholeFile(path, c.text));
    }
    TQorOption expected;
    if (c.change) c.change(expected);
    TQorOption loaded;
    EXPECT_TRUE(loaded.LoadFromFile(path));
    EXPECT_EQ(ValuesOf(loaded), ValuesOf(expected));
}

INSTANTIATE_TEST_SUITE_P(Cases, OptionLoadTable, ::testing::ValuesIn(kLoadCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(QorOptionTest, MissingKeysKeepCurrentValuesAndUnreadableFileChangesNothing) {
    TTempFolder temp;
    const std::string path = temp.Win() + "option.dat";
    ASSERT_TRUE(TFileOps::WriteWholeFile(path, "[Setting]\r\nHistoryDay=20\r\n"));
    TQorOption o = Others();
    ASSERT_TRUE(o.LoadFromFile(path));
    TQorOption expected = Others();
    expected.HistoryDay = 20;
    EXPECT_EQ(ValuesOf(o), ValuesOf(expected));

    const std::string folder = temp.Win() + "folder.dat";
    ASSERT_TRUE(TFileOps::CreateDir(folder));
    EXPECT_FALSE(o.LoadFromFile(folder));
    EXPECT_EQ(ValuesOf(o), ValuesOf(expected));
}

} // namespace
