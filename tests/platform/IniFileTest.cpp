#include "platform/IniFile.h"
#include "support/TempFolder.h"

#include "platform/FileOps.h"
#include "platform/WinPath.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <filesystem>

namespace {

const std::string kHyou = "\x95\x5C"; // 表: its second byte is "\"

class IniFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(temp_.Ok());
        native = temp_.Native();
        folder = TWinPath::FromNative(native) + "\\";
        path = folder + "option.dat";
    }
    std::string FileText() {
        std::string data;
        TFileOps::ReadWholeFile(path, data);
        return data;
    }
    void SetFileText(const std::string& text) { ASSERT_TRUE(TFileOps::WriteWholeFile(path, text)); }

    TTempFolder temp_{"inifile"};
    std::string native, folder, path;
};

TEST_F(IniFileTest, WritesGoToDiskAtOnceAndReadBack) {
    {
        TIniFile ini(path);
        EXPECT_TRUE(ini.WriteInteger("Setting", "UseCache", 1));
        EXPECT_EQ(FileText(), "[Setting]\r\nUseCache=1\r\n");
        EXPECT_TRUE(ini.WriteString("Setting", "LoadFolder", "C:\\dl\\" + kHyou));
        EXPECT_TRUE(ini.WriteBool("Band3", "Break", false));
        EXPECT_TRUE(ini.WriteInteger("Setting", "CacheSize", -20));
        EXPECT_TRUE(ini.WriteString("Setting", "UseCache", "0")); // replaced in place
    }
    EXPECT_EQ(FileText(), "[Setting]\r\nUseCache=0\r\nLoadFolder=C:\\dl\\" + kHyou +
                              "\r\nCacheSize=-20\r\n\r\n[Band3]\r\nBreak=0\r\n");

    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("Setting", "LoadFolder", ""), "C:\\dl\\" + kHyou);
    EXPECT_EQ(ini.ReadInteger("Setting", "CacheSize", 0), -20);
    EXPECT_FALSE(ini.ReadBool("Band3", "Break", true));
    EXPECT_EQ(ini.ReadSection("Setting"), (std::vector<std::string>{"UseCache", "LoadFolder", "CacheSize"}));
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"Setting", "Band3"}));
    auto values = ini.ReadSectionValues("Setting");
    ASSERT_EQ(values.size(), 3u);
    EXPECT_EQ(values[2], std::make_pair(std::string("CacheSize"), std::string("-20")));
}

TEST_F(IniFileTest, ReadsLfFilesLikeWindowsAndKeepsOtherLines) {
    SetFileText("; made by hand\n"
                "[ Setting ]\n"
                "  UserAgent =  Vorlen/2.1 (x  y)  \n"
                "quoted=\"a b\"\n"
                "single='c'\n"
                "half=\"d\n"
                "no equals sign\n"
                "Dup=first\n"
                "dup=second\n"
                "[Other]\n"
                "x=1");
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("SETTING", "useragent", ""), "Vorlen/2.1 (x  y)");
    EXPECT_EQ(ini.ReadString(" setting ", " UserAgent ", ""), "Vorlen/2.1 (x  y)");
    EXPECT_EQ(ini.ReadString("Setting", "quoted", ""), "a b");
    EXPECT_EQ(ini.ReadString("Setting", "single", ""), "c");
    EXPECT_EQ(ini.ReadString("Setting", "half", ""), "\"d");
    EXPECT_EQ(ini.ReadString("Setting", "DUP", ""), "first");
    EXPECT_EQ(ini.ReadString("Setting", "no equals sign", "def"), "def");
    EXPECT_EQ(ini.ReadSection("setting"),
              (std::vector<std::string>{"UserAgent", "quoted", "single", "half", "Dup"}));
    EXPECT_EQ(ini.ReadInteger("other", "X", 0), 1);

    // A write keeps the key's spelling and every other line, with CR LF ends.
    ASSERT_TRUE(ini.WriteString("setting", "USERAGENT", "new"));
    EXPECT_EQ(FileText(), "; made by hand\r\n"
                          "[ Setting ]\r\n"
                          "UserAgent=new\r\n"
                          "quoted=\"a b\"\r\n"
                          "single='c'\r\n"
                          "half=\"d\r\n"
                          "no equals sign\r\n"
                          "Dup=first\r\n"
                          "dup=second\r\n"
                          "[Other]\r\n"
                          "x=1\r\n");
    // A new key goes to the end of its section, before the next one.
    ASSERT_TRUE(ini.WriteString("Setting", "Added", "1"));
    EXPECT_NE(FileText().find("dup=second\r\nAdded=1\r\n[Other]\r\n"), std::string::npos);
}

TEST_F(IniFileTest, MissingFileReadsAsEmptyAndFailedWritesAreReported) {
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("Setting", "Key", "def"), "def");
    EXPECT_EQ(ini.ReadInteger("Setting", "Key", 42), 42);
    EXPECT_TRUE(ini.ReadBool("Setting", "Key", true));
    EXPECT_FALSE(ini.SectionExists("Setting"));
    EXPECT_TRUE(ini.ReadSection("Setting").empty());
    EXPECT_FALSE(TFileOps::FileExists(path)); // reading creates nothing

    TIniFile lost(folder + "missing\\a.ini");
    EXPECT_FALSE(lost.WriteString("S", "K", "v"));
    // What could not be written is not pretended to be there.
    EXPECT_EQ(lost.ReadString("S", "K", "def"), "def");
}

struct IntCase {
    const char* text;
    int expected; // with a default of 7
};

const IntCase kIntCases[] = {
    {"12", 12},          {"-5", -5},          {"+3", 3},           {"$1F", 31},
    {"0x10", 16},        {"-$10", -16},       {"0xFFFFFFFF", -1},  {"2147483647", INT_MAX},
    {"-2147483648", INT_MIN}, {"2147483648", 7}, {"0x100000000", 7}, {"abc", 7},
    {"12abc", 7},        {"1.5", 7},          {"", 7},             {"0x", 7},
    {"-", 7},            {"  12  ", 12},      {"1 2", 7},
};

TEST_F(IniFileTest, BadIntegersGiveTheDefault) {
    TIniFile ini(path);
    for (const auto& c : kIntCases) {
        SCOPED_TRACE(c.text);
        ASSERT_TRUE(ini.WriteString("S", "K", c.text));
        EXPECT_EQ(ini.ReadInteger("S", "K", 7), c.expected);
    }
    ASSERT_TRUE(ini.WriteString("S", "B", "2"));
    EXPECT_TRUE(ini.ReadBool("S", "B", false));
    ASSERT_TRUE(ini.WriteString("S", "B", "yes"));
    EXPECT_FALSE(ini.ReadBool("S", "B", false));
    EXPECT_TRUE(ini.ReadBool("S", "B", true));
}

TEST_F(IniFileTest, SectionsAndKeysAreRemoved) {
    SetFileText("[A]\r\nk=1\r\nj=2\r\n[Empty]\r\n[B]\r\nk=3\r\n[a]\r\nm=4\r\n");
    TIniFile ini(path);
    EXPECT_TRUE(ini.SectionExists("a"));
    EXPECT_FALSE(ini.SectionExists("Empty")); // a section without keys
    EXPECT_EQ(ini.ReadString("A", "m", ""), ""); // only the first [A] counts

    EXPECT_TRUE(ini.DeleteKey("a", "K"));
    EXPECT_TRUE(ini.DeleteKey("a", "nothing"));
    EXPECT_EQ(ini.ReadSection("A"), std::vector<std::string>{"j"});
    EXPECT_TRUE(ini.EraseSection("A"));
    EXPECT_FALSE(ini.SectionExists("A"));
    EXPECT_TRUE(ini.EraseSection("A")); // nothing left to erase
    EXPECT_EQ(FileText(), "[Empty]\r\n[B]\r\nk=3\r\n");
}

TEST_F(IniFileTest, SeesWhenAnotherWriterReplacesOrDeletesTheFile) {
    TIniFile first(path), second(path);
    ASSERT_TRUE(first.WriteString("Setting", "A", "1"));
    EXPECT_EQ(second.ReadString("Setting", "A", ""), "1");
    ASSERT_TRUE(second.WriteString("Setting", "B", "2"));
    EXPECT_EQ(first.ReadString("Setting", "B", ""), "2");

    // Saving settings deletes the file first and writes only the new keys.
    ASSERT_TRUE(TFileOps::DeleteFile(path));
    EXPECT_EQ(first.ReadString("Setting", "A", "gone"), "gone");
    ASSERT_TRUE(first.WriteString("Setting", "C", "3"));
    EXPECT_EQ(FileText(), "[Setting]\r\nC=3\r\n");
}

} // namespace
