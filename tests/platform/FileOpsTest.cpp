#include "platform/FileOps.h"
#include "support/TempFolder.h"

#include "platform/WinPath.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const std::string kHyou = "\x95\x5C"; // 表: its second byte is "\"

// A fresh folder under $TMPDIR, removed afterwards. `win` is its Windows
// form with a trailing "\".
class FileOpsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(temp_.Ok());
        native = temp_.Native();
        win = TWinPath::FromNative(native) + "\\";
    }
    std::string Read(const std::string& winPath) {
        std::string data;
        EXPECT_TRUE(TFileOps::ReadWholeFile(winPath, data)) << winPath;
        return data;
    }

    TTempFolder temp_{"fileops"};
    std::string native;
    std::string win;
};

TEST_F(FileOpsTest, FoldersAreCreatedAndRemoved) {
    const std::string deep = win + "a\\b\\c\\";
    EXPECT_FALSE(TFileOps::CreateDir(deep)); // parent missing
    EXPECT_TRUE(TFileOps::ForceDirectories(deep));
    EXPECT_TRUE(TFileOps::ForceDirectories(deep)); // already there
    EXPECT_TRUE(TFileOps::DirectoryExists(win + "a\\b\\c"));
    EXPECT_FALSE(TFileOps::FileExists(deep));
    EXPECT_FALSE(TFileOps::CreateDir(deep)); // exists

    EXPECT_FALSE(TFileOps::RemoveDir(win + "a")); // not empty
    EXPECT_TRUE(TFileOps::RemoveDir(deep));
    EXPECT_FALSE(TFileOps::DirectoryExists(deep));
    EXPECT_TRUE(TFileOps::CreateDir(deep));

    // A file in the way stops the creation.
    ASSERT_TRUE(TFileOps::WriteWholeFile(win + "f", "x"));
    EXPECT_FALSE(TFileOps::ForceDirectories(win + "f\\g\\"));
    EXPECT_FALSE(TFileOps::DeleteFile(win + "a")); // a folder is not a file
}

TEST_F(FileOpsTest, WholeFilesAreWrittenReadAndSized) {
    const std::string path = win + "data.bin";
    const std::string content("a\0b\r\n\xFF", 6);
    EXPECT_EQ(TFileOps::FileSize(path), -1);
    ASSERT_TRUE(TFileOps::WriteWholeFile(path, content));
    EXPECT_TRUE(TFileOps::FileExists(path));
    EXPECT_EQ(TFileOps::FileSize(path), 6);
    EXPECT_EQ(Read(path), content);
    ASSERT_TRUE(TFileOps::WriteWholeFile(path, "z")); // truncates
    EXPECT_EQ(Read(path), "z");
    EXPECT_EQ(TFileOps::FileSize(win), -1); // a folder has no file size

    std::string data = "stale";
    EXPECT_TRUE(TFileOps::DeleteFile(path));
    EXPECT_FALSE(TFileOps::DeleteFile(path));
    EXPECT_FALSE(TFileOps::ReadWholeFile(path, data));
    EXPECT_EQ(data, "");
    EXPECT_FALSE(TFileOps::ReadWholeFile(win, data)); // a folder
    EXPECT_FALSE(TFileOps::WriteWholeFile(win + "missing\\x", "x"));
}

TEST_F(FileOpsTest, OtherDrivesAreRefused) {
    std::string data;
    EXPECT_FALSE(TFileOps::DirectoryExists("D:\\"));
    EXPECT_FALSE(TFileOps::WriteWholeFile("D:\\x.txt", "x"));
    EXPECT_FALSE(TFileOps::ReadWholeFile("D:\\x.txt", data));
    EXPECT_FALSE(TFileOps::ForceDirectories("E:\\a\\"));
    EXPECT_FALSE(TFileOps::CopyFile(win + "x", "D:\\x", false));
    EXPECT_EQ(TFileOps::FileSize("D:\\x.txt"), -1);
}

TEST_F(FileOpsTest, RenameReplacesTheTarget) {
    ASSERT_TRUE(TFileOps::WriteWholeFile(win + "a", "new"));
    ASSERT_TRUE(TFileOps::WriteWholeFile(win + "b", "old"));
    EXPECT_TRUE(TFileOps::RenameFile(win + "a", win + "b"));
    EXPECT_FALSE(TFileOps::FileExists(win + "a"));
    EXPECT_EQ(Read(win + "b"), "new");
    EXPECT_FALSE(TFileOps::RenameFile(win + "a", win + "c")); // source gone
    // Folders move too.
    ASSERT_TRUE(TFileOps::CreateDir(win + "d"));
    EXPECT_TRUE(TFileOps::RenameFile(win + "d", win + "e\\"));
    EXPECT_TRUE(TFileOps::DirectoryExists(win + "e"));
}

TEST_F(FileOpsTest, CopyHonoursFailIfExistsAndKeepsTheTime) {
    const std::string src = win + "src", dst = win + "dst";
    ASSERT_TRUE(TFileOps::WriteWholeFile(src, "source"));
    TDateTime when;
    ASSERT_TRUE(TDateTimeText::TryParse("2006/04/18 21:34:56", when));
    ASSERT_TRUE(TFileOps::SetFileAge(src, when));

    EXPECT_TRUE(TFileOps::CopyFile(src, dst, true));
    EXPECT_EQ(Read(dst), "source");
    TDateTime copied = 0;
    ASSERT_TRUE(TFileOps::FileAge(dst, copied));
    EXPECT_EQ(TDateTimeText::DateTimeText(copied), "2006/04/18 21:34:56");

    ASSERT_TRUE(TFileOps::WriteWholeFile(dst, "target"));
    EXPECT_FALSE(TFileOps::CopyFile(src, dst, true));
    EXPECT_EQ(Read(dst), "target");
    EXPECT_TRUE(TFileOps::CopyFile(src, dst, false));
    EXPECT_EQ(Read(dst), "source");

    // Onto itself (also through another spelling) must not empty the file.
    EXPECT_FALSE(TFileOps::CopyFile(src, src, false));
    EXPECT_FALSE(TFileOps::CopyFile(src, win + ".\\src", false));
    EXPECT_EQ(Read(src), "source");
    // A missing source leaves no target behind.
    EXPECT_FALSE(TFileOps::CopyFile(win + "none", win + "none2", false));
    EXPECT_FALSE(TFileOps::FileExists(win + "none2"));
}

TEST_F(FileOpsTest, FileAgeIsTheLocalModificationTime) {
    const std::string path = win + "f";
    TDateTime t = 0;
    EXPECT_FALSE(TFileOps::FileAge(path, t));
    EXPECT_FALSE(TFileOps::SetFileAge(path, 38825.0));
    ASSERT_TRUE(TFileOps::WriteWholeFile(path, "x"));
    TDateTime when;
    ASSERT_TRUE(TDateTimeText::TryParse("2001/02/03 04:05:06", when));
    ASSERT_TRUE(TFileOps::SetFileAge(path, when));
    ASSERT_TRUE(TFileOps::FileAge(path, t));
    EXPECT_EQ(TDateTimeText::DateTimeText(t), "2001/02/03 04:05:06");
    struct stat st;
    ASSERT_EQ(stat((native + "/f").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, TDateTimeText::ToUnix(when));
}

TEST_F(FileOpsTest, AtomicWriteReplacesAndLeavesNothingElse) {
    const std::string path = win + "option.dat";
    ASSERT_TRUE(TFileOps::WriteFileAtomically(path, "one"));
    EXPECT_EQ(Read(path), "one");
    ASSERT_EQ(chmod((native + "/option.dat").c_str(), 0600), 0);
    ASSERT_TRUE(TFileOps::WriteFileAtomically(path, std::string(100000, 'y')));
    EXPECT_EQ(TFileOps::FileSize(path), 100000);
    struct stat st;
    ASSERT_EQ(stat((native + "/option.dat").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    // Failures: a folder as target, a missing folder.
    ASSERT_TRUE(TFileOps::CreateDir(win + "sub"));
    EXPECT_FALSE(TFileOps::WriteFileAtomically(win + "sub", "x"));
    EXPECT_FALSE(TFileOps::WriteFileAtomically(win + "sub\\", "x"));
    EXPECT_FALSE(TFileOps::WriteFileAtomically(win + "missing\\a", "x"));

    // No temporary file is left in the folder.
    std::vector<TFolderEntry> entries;
    ASSERT_TRUE(TFileOps::ListFolder(win, entries));
    ASSERT_EQ(entries.size(), 2u);
    for (const auto& e : entries) EXPECT_TRUE(e.Name == "option.dat" || e.Name == "sub") << e.Name;
}

TEST_F(FileOpsTest, ShiftJisNamesReachTheDiskAsUtf8AndComeBack) {
    // Folder and file named with a character whose second byte is "\".
    const std::string folder = win + kHyou + "\\";
    const std::string file = folder + kHyou + ".txt";
    ASSERT_TRUE(TFileOps::ForceDirectories(folder));
    ASSERT_TRUE(TFileOps::WriteWholeFile(file, "abc"));
    EXPECT_TRUE(fs::is_regular_file(fs::path(native) / "表" / "表.txt"));

    std::vector<TFolderEntry> entries;
    ASSERT_TRUE(TFileOps::ListFolder(win, entries));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].Name, kHyou);
    EXPECT_TRUE(entries[0].IsFolder);
    EXPECT_EQ(entries[0].Size, 0);

    ASSERT_TRUE(TFileOps::ListFolder(folder, entries));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].Name, kHyou + ".txt");
    EXPECT_FALSE(entries[0].IsFolder);
    EXPECT_EQ(entries[0].Size, 3);
    TDateTime age = 0;
    ASSERT_TRUE(TFileOps::FileAge(file, age));
    EXPECT_EQ(entries[0].Time, age);
    EXPECT_EQ(Read(folder + entries[0].Name), "abc");
}

TEST_F(FileOpsTest, ListingCoversLinksAndMissingFolders) {
    std::vector<TFolderEntry> entries(3);
    EXPECT_FALSE(TFileOps::ListFolder(win + "missing\\", entries));
    EXPECT_TRUE(entries.empty());
    ASSERT_TRUE(TFileOps::ListFolder(win, entries));
    EXPECT_TRUE(entries.empty());

    ASSERT_TRUE(TFileOps::CreateDir(win + "real"));
    ASSERT_EQ(symlink("real", (native + "/link").c_str()), 0);
    ASSERT_EQ(symlink("nowhere", (native + "/dangling").c_str()), 0);
    ASSERT_TRUE(TFileOps::ListFolder(win, entries));
    ASSERT_EQ(entries.size(), 3u);
    for (const auto& e : entries) {
        SCOPED_TRACE(e.Name);
        EXPECT_EQ(e.IsFolder, e.Name != "dangling");
    }
}

} // namespace
