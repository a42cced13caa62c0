#include "engine/PathToURL.h"

#include "platform/FileOps.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace {

TEST(PathToURLTest, FirstLineStopsAtTheLineEnd) {
    EXPECT_EQ(TPathToURL::FirstLine("http://a/\r\nhttp://b/"), "http://a/");
    EXPECT_EQ(TPathToURL::FirstLine("http://a/\nx"), "http://a/");
    EXPECT_EQ(TPathToURL::FirstLine("http://a/"), "http://a/");
}

TEST(PathToURLTest, PathsBecomeFileAddresses) {
    TTempFolder temp("pathtourl");
    ASSERT_TRUE(temp.Ok());
    ASSERT_TRUE(TFileOps::ForceDirectories(temp.Win("data")));
    ASSERT_TRUE(TFileOps::WriteWholeFile(temp.Win("a.htm"), "x"));
    const std::string folder = temp.Win("data");           // C:\...\data
    const std::string posix = temp.Native() + "/data";     // /.../data

    EXPECT_EQ(TPathToURL::Convert(folder), "file:///" + folder + "/");
    EXPECT_EQ(TPathToURL::Convert(folder + "\\"), "file:///" + folder + "\\");
    EXPECT_EQ(TPathToURL::Convert(temp.Win("a.htm")), "file:///" + temp.Win("a.htm"));
    EXPECT_EQ(TPathToURL::Convert(temp.Win("missing")), "file:///" + temp.Win("missing"));
    // A POSIX path is the same place on our drive.
    EXPECT_EQ(TPathToURL::Convert(posix), "file:///" + folder + "/");
    // Anything else stays.
    EXPECT_EQ(TPathToURL::Convert("http://h/a"), "http://h/a");
    EXPECT_EQ(TPathToURL::Convert("www.example.com"), "www.example.com");
    EXPECT_EQ(TPathToURL::Convert("//server/share"), "//server/share");
}

TEST(PathToURLTest, InternetShortcutGivesItsAddress) {
    TTempFolder temp("pathtourl");
    ASSERT_TRUE(TFileOps::WriteWholeFile(temp.Win("site.URL"),
                                         "[InternetShortcut]\r\nURL=http://example.test/x.html\r\n"));
    ASSERT_TRUE(TFileOps::WriteWholeFile(temp.Win("empty.url"), "[Other]\r\nURL=http://no/\r\n"));
    EXPECT_EQ(TPathToURL::Convert(temp.Win("site.URL")), "http://example.test/x.html");
    EXPECT_EQ(TPathToURL::Convert(temp.Native() + "/site.URL"), "http://example.test/x.html");
    EXPECT_EQ(TPathToURL::Convert(temp.Win("empty.url")), "");
}

} // namespace
