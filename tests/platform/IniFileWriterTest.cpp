#include "platform/IniFileWriter.h"

#include "platform/FileOps.h"
#include "platform/IniFile.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

const std::string kHyou = "\x95\x5C"; // 表: its second byte is "\"

// The same calls on either writer.
void WriteSample(const std::function<void(const char*, const char*, const std::string&)>& write) {
    write("Setting", "Timeout", "30");
    write("Setting", "UserAgent", "  Vorlen/2.2 " + kHyou + "  ");
    write(" MainBand3 ", " ID ", "3");
    write("setting", "TIMEOUT", "45"); // the same key again, in another case
    write("MainBand3", "Width", "");
    write("Setting", "LastSaveDir", "C:\\dl\\" + kHyou + "\\");
}

TEST(IniFileWriterTest, WritesWhatTheIniFileWrites) {
    TTempFolder temp;
    const std::string viaIni = temp.Win() + "ini.dat";
    {
        TIniFile ini(viaIni);
        WriteSample([&](const char* s, const char* k, const std::string& v) { ASSERT_TRUE(ini.WriteString(s, k, v)); });
    }
    TIniFileWriter writer(temp.Win() + "writer.dat");
    WriteSample([&](const char* s, const char* k, const std::string& v) { writer.WriteString(s, k, v); });

    std::string expected;
    ASSERT_TRUE(TFileOps::ReadWholeFile(viaIni, expected));
    EXPECT_EQ(writer.Text(), expected);
    EXPECT_EQ(writer.Text(), "[Setting]\r\nTimeout=45\r\nUserAgent=Vorlen/2.2 " + kHyou +
                                 "\r\nLastSaveDir=C:\\dl\\" + kHyou + "\\\r\n\r\n[MainBand3]\r\nID=3\r\nWidth=\r\n");
    ASSERT_TRUE(writer.Commit());
    std::string written;
    ASSERT_TRUE(TFileOps::ReadWholeFile(writer.FileName(), written));
    EXPECT_EQ(written, expected);
}

TEST(IniFileWriterTest, CommitReplacesTheWholeFileOrNothing) {
    TTempFolder temp;
    const std::string path = temp.Win() + "option.dat";
    ASSERT_TRUE(TFileOps::WriteWholeFile(path, "[Old]\r\nKey=1\r\n[Setting]\r\nGone=1\r\n"));
    TIniFileWriter writer(path);
    writer.WriteInteger("Setting", "A", -7);
    writer.WriteBool("Setting", "B", true);
    ASSERT_TRUE(writer.Commit());
    std::string text;
    ASSERT_TRUE(TFileOps::ReadWholeFile(path, text));
    EXPECT_EQ(text, "[Setting]\r\nA=-7\r\nB=1\r\n");

    // A folder that is missing, or one standing where the file should be.
    EXPECT_FALSE(TIniFileWriter(temp.Win() + "missing\\option.dat").Commit());
    ASSERT_TRUE(TFileOps::CreateDir(temp.Win() + "taken"));
    TIniFileWriter blocked(temp.Win() + "taken");
    blocked.WriteInteger("Setting", "A", 1);
    EXPECT_FALSE(blocked.Commit());
    EXPECT_TRUE(TFileOps::DirectoryExists(temp.Win() + "taken"));
}

} // namespace
