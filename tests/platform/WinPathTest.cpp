#include "platform/WinPath.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

const std::string kHyou = "\x95\x5C"; // 表: its second byte is "\"

struct NativeCase {
    const char* name;
    std::string win;
    std::string native; // empty: refused
};

const NativeCase kToNative[] = {
    {.name = "root", .win = "C:\\", .native = "/"},
    {.name = "bare_drive", .win = "C:", .native = "/"},
    {.name = "file", .win = "C:\\home\\me\\a.html", .native = "/home/me/a.html"},
    {.name = "folder", .win = "C:\\home\\me\\", .native = "/home/me/"},
    {.name = "lower_drive", .win = "c:\\tmp", .native = "/tmp"},
    {.name = "bar_form", .win = "C|/home/me/", .native = "/home/me/"},
    {.name = "slashes", .win = "C:/a/b", .native = "/a/b"},
    {.name = "no_drive", .win = "\\a\\b", .native = "/a/b"},
    {.name = "sjis", .win = "C:\\" + kHyou + "\\" + kHyou + ".txt", .native = "/表/表.txt"},
    {.name = "drive_d", .win = "D:\\dl\\", .native = ""},
    {.name = "drive_z_bar", .win = "z|/x", .native = ""},
};

TEST(WinPathTest, ToNativeMapsDriveCToTheRoot) {
    for (const auto& c : kToNative) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TWinPath::ToNative(c.win), c.native);
    }
}

TEST(WinPathTest, FromNativeGivesTheDriveForm) {
    EXPECT_EQ(TWinPath::FromNative("/"), "C:\\");
    EXPECT_EQ(TWinPath::FromNative("/home/me/a.html"), "C:\\home\\me\\a.html");
    EXPECT_EQ(TWinPath::FromNative("/表/"), "C:\\" + kHyou + "\\");
    // Round trip of a name whose second byte is "\".
    EXPECT_EQ(TWinPath::ToNative(TWinPath::FromNative("/a/表")), "/a/表");
    // A relative path is taken from the current folder.
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    EXPECT_EQ(TWinPath::ToNative(TWinPath::FromNative("rel")), std::string(cwd) + "/rel");
}

TEST(WinPathTest, HasDriveTakesColonAndBar) {
    EXPECT_TRUE(TWinPath::HasDrive("C:\\"));
    EXPECT_TRUE(TWinPath::HasDrive("d|"));
    EXPECT_FALSE(TWinPath::HasDrive("C"));
    EXPECT_FALSE(TWinPath::HasDrive("1:\\"));
    EXPECT_FALSE(TWinPath::HasDrive("\\\\server\\share"));
}

struct NameCase {
    const char* name;
    std::string path;
    std::string filePath, fileDir, fileName, fileExt;
};

const NameCase kNames[] = {
    {.name = "plain",
     .path = "C:\\a\\b.txt",
     .filePath = "C:\\a\\",
     .fileDir = "C:\\a",
     .fileName = "b.txt",
     .fileExt = ".txt"},
    {.name = "in_root",
     .path = "C:\\b.txt",
     .filePath = "C:\\",
     .fileDir = "C:\\",
     .fileName = "b.txt",
     .fileExt = ".txt"},
    {.name = "two_dots",
     .path = "C:\\a\\b.tar.gz",
     .filePath = "C:\\a\\",
     .fileDir = "C:\\a",
     .fileName = "b.tar.gz",
     .fileExt = ".gz"},
    {.name = "dot_in_folder",
     .path = "C:\\a.d\\b",
     .filePath = "C:\\a.d\\",
     .fileDir = "C:\\a.d",
     .fileName = "b",
     .fileExt = ""},
    {.name = "sjis_name_ending_in_5c",
     .path = "C:\\a\\" + kHyou,
     .filePath = "C:\\a\\",
     .fileDir = "C:\\a",
     .fileName = kHyou,
     .fileExt = ""},
    {.name = "sjis_folder",
     .path = "C:\\" + kHyou + "\\x" + kHyou + ".t",
     .filePath = "C:\\" + kHyou + "\\",
     .fileDir = "C:\\" + kHyou,
     .fileName = "x" + kHyou + ".t",
     .fileExt = ".t"},
    {.name = "drive_only", .path = "C:file", .filePath = "C:", .fileDir = "C:", .fileName = "file", .fileExt = ""},
    {.name = "no_separator", .path = "a.b", .filePath = "", .fileDir = "", .fileName = "a.b", .fileExt = ".b"},
    {.name = "folder", .path = "C:\\a\\", .filePath = "C:\\a\\", .fileDir = "C:\\a", .fileName = "", .fileExt = ""},
};

TEST(WinPathTest, NameHelpersSplitOnCharacters) {
    for (const auto& c : kNames) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TWinPath::ExtractFilePath(c.path), c.filePath);
        EXPECT_EQ(TWinPath::ExtractFileDir(c.path), c.fileDir);
        EXPECT_EQ(TWinPath::ExtractFileName(c.path), c.fileName);
        EXPECT_EQ(TWinPath::ExtractFileExt(c.path), c.fileExt);
    }
}

TEST(WinPathTest, TrailingBackslashAndExtensionChanges) {
    EXPECT_EQ(TWinPath::IncludeTrailingBackslash("C:\\a"), "C:\\a\\");
    EXPECT_EQ(TWinPath::IncludeTrailingBackslash("C:\\a\\"), "C:\\a\\");
    EXPECT_EQ(TWinPath::IncludeTrailingBackslash("C:\\" + kHyou), "C:\\" + kHyou + "\\");
    EXPECT_EQ(TWinPath::IncludeTrailingBackslash(""), "\\");
    EXPECT_EQ(TWinPath::ExcludeTrailingBackslash("C:\\a\\"), "C:\\a");
    EXPECT_EQ(TWinPath::ExcludeTrailingBackslash("C:\\" + kHyou), "C:\\" + kHyou);

    EXPECT_EQ(TWinPath::ChangeFileExt("C:\\a\\b.txt", ".bak"), "C:\\a\\b.bak");
    EXPECT_EQ(TWinPath::ChangeFileExt("C:\\a.d\\b", ".x"), "C:\\a.d\\b.x");
    EXPECT_EQ(TWinPath::ChangeFileExt("C:\\a\\b.tar.gz", ""), "C:\\a\\b.tar");
    EXPECT_EQ(TWinPath::ChangeFileExt("C:\\" + kHyou, ".ini"), "C:\\" + kHyou + ".ini");
}

} // namespace
