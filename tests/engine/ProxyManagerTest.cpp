#include "engine/ProxyManager.h"

#include "engine/QorConnGeneral.h"
#include "engine/QorFileProtector.h"
#include "platform/CodePage.h"
#include "platform/FileOps.h"
#include "platform/StringTable.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class ProxyManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(temp_.Ok());
        path = temp_.Win("proxy.dat");
    }
    // The file's bytes unscrambled; the scrambling itself is the protector's.
    std::string Plain() const { return TQorFileProtector::Scramble(temp_.Contents("proxy.dat")); }
    void WritePlain(const std::string& text) const {
        ASSERT_TRUE(TFileOps::WriteWholeFile(path, TQorFileProtector::Scramble(text)));
    }

    TTempFolder temp_;
    std::string path;
};

TEST_F(ProxyManagerTest, SavesNameHostPortLinesScrambled) {
    TProxyManager list;
    list.Add(SJ("社内"), "proxy.example.jp", 8080);
    list.Add("squid", "10.0.0.1", 3128);
    ASSERT_TRUE(list.SaveToFile(path));
    const std::string expected = SJ("社内") + "\tproxy.example.jp\t8080\r\nsquid\t10.0.0.1\t3128\r\n";
    EXPECT_EQ(temp_.Contents("proxy.dat"), TQorFileProtector::Scramble(expected));

    TProxyManager back;
    back.Add("stale", "x", 1);
    ASSERT_TRUE(back.LoadFromFile(path));
    ASSERT_EQ(back.Count(), 2);
    EXPECT_EQ(back.GetItem(0)->Name, SJ("社内"));
    EXPECT_EQ(back.GetItem(0)->Host, "proxy.example.jp");
    EXPECT_EQ(back.GetItem(0)->Port, 8080);
    EXPECT_EQ(back.GetItem(1)->Port, 3128);
    EXPECT_EQ(back.GetItem(2), nullptr);
    EXPECT_EQ(back.GetItem(-1), nullptr);
}

TEST_F(ProxyManagerTest, EmptyListSavesAnEmptyFile) {
    WritePlain("old\th\t1\r\n");
    TProxyManager list;
    ASSERT_TRUE(list.SaveToFile(path));
    EXPECT_EQ(temp_.Contents("proxy.dat"), "");
}

TEST_F(ProxyManagerTest, ReadingSkipsLinesWithoutTwoTabsOrWithoutANumericPort) {
    WritePlain("a\thost-a\t80\r\n"
               "no tabs\r\n"
               "one\ttab\r\n"
               "b\thost-b\t8o\r\n"     // not a number: skipped, not read as 8
               "c\thost-c\t\r\n"       // empty port
               "d\thost-d\t81\textra\r\n"
               "e\thost-e\t 82 \n"     // LF only, blanks around the port
               "\thost-f\t-1");        // no line end; the range is not checked
    TProxyManager list;
    ASSERT_TRUE(list.LoadFromFile(path));
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.GetItem(0)->Host, "host-a");
    EXPECT_EQ(list.GetItem(1)->Name, "e");
    EXPECT_EQ(list.GetItem(1)->Port, 82);
    EXPECT_EQ(list.GetItem(2)->Name, "");
    EXPECT_EQ(list.GetItem(2)->Port, -1);
}

TEST_F(ProxyManagerTest, MissingFileIsAnEmptyListAndAFolderInItsPlaceAnError) {
    TProxyManager list;
    list.Add("stale", "x", 1);
    EXPECT_TRUE(list.LoadFromFile(path));
    EXPECT_EQ(list.Count(), 0);

    ASSERT_TRUE(TFileOps::CreateDir(path));
    list.Add("stale", "x", 1);
    EXPECT_FALSE(list.LoadFromFile(path));
    EXPECT_EQ(list.Count(), 0);
}

TEST_F(ProxyManagerTest, TabsAndLineBreaksInFieldsBecomeBlanks) {
    TProxyManager list;
    list.Add("a\tb\r\nc", "host\n", 1);
    EXPECT_EQ(list.GetItem(0)->Name, "a b  c");
    EXPECT_EQ(list.GetItem(0)->Host, "host ");
    ASSERT_TRUE(list.SaveToFile(path));
    EXPECT_EQ(Plain(), "a b  c\thost \t1\r\n");
}

TEST_F(ProxyManagerTest, FailedSaveAnswersFalseAndKeepsTheOldFile) {
    WritePlain("old\thost\t1\r\n");
    const std::string before = temp_.Contents("proxy.dat");
    // Every backup name taken: the protector refuses to write.
    for (int n = 1; n <= 100; ++n)
        ASSERT_TRUE(TFileOps::WriteWholeFile(temp_.Win("~" + std::to_string(n) + "~proxy.dat"), "x"));
    TProxyManager list;
    list.Add("new", "host", 2);
    EXPECT_FALSE(list.SaveToFile(path));
    EXPECT_EQ(temp_.Contents("proxy.dat"), before);
}

TEST(ProxyManagerBoxTest, EntriesAndChoices) {
    TProxyManager list;
    list.Add("one", "h1", 8080);
    list.Add("two", "h2", 3128);
    EXPECT_EQ(list.GetBoxEntries(), (std::vector<std::string>{TStringTable::Get(35), "one", "two"}));

    TQorConnGeneral conn;
    EXPECT_TRUE(list.ApplyBoxEntry(2, conn));
    EXPECT_EQ(conn.GetProxy(), "h2");
    EXPECT_EQ(conn.GetProxyPort(), 3128);
    EXPECT_FALSE(list.ApplyBoxEntry(3, conn));
    EXPECT_FALSE(list.ApplyBoxEntry(-1, conn));
    EXPECT_EQ(conn.GetProxy(), "h2");
    EXPECT_TRUE(list.ApplyBoxEntry(0, conn));
    EXPECT_EQ(conn.GetProxy(), "");
    EXPECT_EQ(conn.GetProxyPort(), 0);
}

} // namespace
