#include "download/SaveDirList.h"

#include "platform/CodePage.h"
#include "platform/FileOps.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Folders(int from, int to) {
    std::vector<std::string> out;
    for (int i = from; i <= to; ++i) out.push_back("C:\\dl\\" + std::to_string(i));
    return out;
}

TEST(SaveDirListTest, UsedFolderMovesToTopAndTheNinthPushesTheOldestOut) {
    TSaveDirList list;
    list.Items = Folders(1, 5);
    list.Use("C:\\dl\\3");
    EXPECT_EQ(list.Items, (std::vector<std::string>{"C:\\dl\\3", "C:\\dl\\1", "C:\\dl\\2", "C:\\dl\\4", "C:\\dl\\5"}));
    // The same folder with a trailing backslash is no new entry.
    list.Use("C:\\dl\\4\\");
    EXPECT_EQ(list.Items.size(), 5u);
    EXPECT_EQ(list.Items[0], "C:\\dl\\4\\");

    list.Items = Folders(1, 8);
    list.Use("C:\\dl\\9");
    ASSERT_EQ(list.Items.size(), 8u);
    EXPECT_EQ(list.Items.front(), "C:\\dl\\9");
    EXPECT_EQ(list.Items.back(), "C:\\dl\\7");
    EXPECT_EQ(list.IndexOf("C:\\dl\\8"), -1);
}

TEST(SaveDirListTest, FolderCheck) {
    TTempFolder temp;
    ASSERT_TRUE(temp.Ok());
    const std::string drive = SJ("保存フォルダに指定されているドライブは存在しません。");
    const std::string empty = SJ("保存フォルダを指定してください。");
    const std::string notYet = temp.Win("not\\yet");
    const struct {
        const char* name;
        std::string text;
        bool ok;
        std::string folder; // or the message
    } cases[] = {
        {"not yet existing folder on the drive", "  " + notYet + " ", true, notYet},
        {"other drive", "D:\\x", false, drive},
        {"relative folder", "dl", false, drive},
        {"drive-relative folder", "C:dl", false, drive},
        {"blank", "   ", false, empty},
        {"POSIX path", temp.Native() + "/dl", true, temp.Win("dl")},
    };
    for (const auto& c : cases) {
        std::string folder, message;
        EXPECT_EQ(TSaveDirList::CheckSaveDir(c.text, folder, message), c.ok) << c.name;
        EXPECT_EQ(c.ok ? folder : message, c.folder) << c.name;
    }
}

TEST(SaveDirListTest, RowFolderMustExistUnlessDefault) {
    TTempFolder temp;
    ASSERT_TRUE(temp.Ok());
    std::string folder, message;
    EXPECT_TRUE(TSaveDirList::CheckRowDir(temp.Win("x"), true, folder, message));
    EXPECT_EQ(folder, "");
    EXPECT_TRUE(TSaveDirList::CheckRowDir("  ", false, folder, message));
    EXPECT_EQ(folder, "");
    EXPECT_TRUE(TSaveDirList::CheckRowDir(temp.Win(), false, folder, message));
    EXPECT_EQ(folder, temp.Win());
    EXPECT_FALSE(TSaveDirList::CheckRowDir(temp.Win("missing"), false, folder, message));
    EXPECT_EQ(message, temp.Win("missing") + "\n" + SJ("指定のパスは存在しません。パスの内容を確認してください。"));
    EXPECT_FALSE(TSaveDirList::CheckRowDir("dl", false, folder, message));
}

TEST(SaveDirListTest, FileRoundTripWithCrLfAndAtMostEight) {
    TTempFolder temp;
    ASSERT_TRUE(temp.Ok());
    TSaveDirList list;
    list.Items = {"C:\\a\\", SJ("C:\\ダウンロード\\表")};
    ASSERT_TRUE(list.SaveToFile(temp.Win("savedir.dat")));
    EXPECT_EQ(temp.Contents("savedir.dat"), "C:\\a\\\r\n" + SJ("C:\\ダウンロード\\表") + "\r\n");
    TSaveDirList read;
    ASSERT_TRUE(read.LoadFromFile(temp.Win("savedir.dat")));
    EXPECT_EQ(read.Items, list.Items);

    std::string many;
    for (const auto& f : Folders(1, 10)) many += f + "\n\n";
    ASSERT_TRUE(TFileOps::WriteWholeFile(temp.Win("long.dat"), many));
    ASSERT_TRUE(read.LoadFromFile(temp.Win("long.dat")));
    EXPECT_EQ(read.Items, Folders(1, 8));

    EXPECT_FALSE(read.LoadFromFile(temp.Win("missing.dat")));
    EXPECT_TRUE(read.Items.empty());
    // A folder in the file's place: the write fails and says so.
    std::filesystem::create_directories(temp.NativePath("busy.dat"));
    EXPECT_FALSE(list.SaveToFile(temp.Win("busy.dat")));
}

} // namespace
