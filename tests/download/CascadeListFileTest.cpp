#include "download/CascadeListFile.h"

#include "platform/CodePage.h"
#include "platform/FileOps.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(TCascadeListFile, SetIgnoresLetterCaseOfSingleByteLettersOnly) {
    TCascadeListFile set("tst");
    ASSERT_FALSE(set.Path().empty());
    EXPECT_TRUE(TFileOps::FileExists(set.Path()));
    EXPECT_TRUE(set.Add("http://Host/A.html"));
    EXPECT_FALSE(set.Add("HTTP://host/a.HTML"));
    EXPECT_TRUE(set.Contains("http://host/a.html"));
    EXPECT_FALSE(set.Contains("http://host/a.htm"));
    // ア is 0x83 0x41: its second byte is no letter "A".
    EXPECT_TRUE(set.Add(SJ("ア")));
    EXPECT_FALSE(set.Contains("\x83\x61"));
    EXPECT_EQ(set.Count(), 2u);
    ASSERT_TRUE(set.Flush());
    std::string text;
    ASSERT_TRUE(TFileOps::ReadWholeFile(set.Path(), text));
    EXPECT_EQ(text, "http://Host/A.html\r\n" + SJ("ア") + "\r\n");
}

TEST(TCascadeListFile, ManyEntriesAcrossFlushesAndTheFileGoesAway) {
    std::string path;
    {
        TCascadeListFile set("tst");
        path = set.Path();
        // Enough to pass several flushes (64 KiB) and table growths.
        int64_t bytes = 0;
        for (int i = 0; i < 20000; ++i) {
            const std::string line = "http://h/p" + std::to_string(i) + ".jpg";
            ASSERT_TRUE(set.Add(line));
            bytes += static_cast<int64_t>(line.size()) + 2;
            if (i % 5000 == 0) set.Flush();
        }
        for (int i = 0; i < 20000; i += 7) EXPECT_TRUE(set.Contains("http://h/P" + std::to_string(i) + ".JPG")) << i;
        for (int i = 20000; i < 20100; ++i) EXPECT_FALSE(set.Contains("http://h/p" + std::to_string(i) + ".jpg"));
        set.Flush();
        EXPECT_EQ(TFileOps::FileSize(path), bytes);
    }
    EXPECT_FALSE(TFileOps::FileExists(path));
}

TEST(TCascadeListFile, RepeatedLookupsStayExactWhileTheListGrowsAndFlushes) {
    // A crawl asks for the same addresses again and again, between adds
    // and flushes; the lines it confirmed lately must keep answering for
    // themselves only.
    TCascadeListFile set("tst");
    for (int round = 0; round < 4; ++round) {
        for (int i = 0; i < 3000; ++i) set.Add("http://h/q" + std::to_string(10000 + round * 3000 + i));
        for (int pass = 0; pass < 2; ++pass) {
            for (int i = (round + 1) * 3000 - 1; i >= 0; i -= 3) {
                const std::string line = "http://H/Q" + std::to_string(10000 + i);
                EXPECT_TRUE(set.Contains(line)) << round << " " << i;
                EXPECT_FALSE(set.Add(line)) << round << " " << i;
            }
            EXPECT_FALSE(set.Contains("http://h/q" + std::to_string(10000 + (round + 1) * 3000)));
        }
        if (round % 2 == 0) set.Flush();
    }
    EXPECT_EQ(set.Count(), 12000u);
}

TEST(TCascadeListFile, QueueKeepsOrderAndLinesWithLineBreaks) {
    TCascadeListFile queue("tst");
    queue.Push("0-http://h/");
    queue.Push("1-http://h/a\r\nb"); // an address may hold anything
    queue.Flush();
    queue.Push("1-http://h/c");
    std::string line;
    ASSERT_TRUE(queue.Pop(line));
    EXPECT_EQ(line, "0-http://h/");
    ASSERT_TRUE(queue.Pop(line));
    EXPECT_EQ(line, "1-http://h/a\r\nb");
    ASSERT_TRUE(queue.Pop(line));
    EXPECT_EQ(line, "1-http://h/c");
    EXPECT_TRUE(queue.QueueEmpty());
    EXPECT_FALSE(queue.Pop(line));
}

TEST(TCascadeListFile, QueueReadBackIsExactWhileItsFileGrowsUnderTheReads) {
    // Lines of every length (across the read blocks, longer than one), read
    // while the block they are in is still being filled by later flushes.
    TCascadeListFile queue("tst");
    auto lineOf = [](int i) { return std::to_string(i) + "-" + std::string(static_cast<size_t>(i * 37 % 9000), 'a' + i % 26); };
    int pushed = 0, popped = 0;
    std::string line;
    for (int round = 0; round < 60; ++round) {
        for (int k = 0; k < 5; ++k) queue.Push(lineOf(pushed++));
        queue.Flush();
        for (int k = 0; k < 3; ++k) {
            ASSERT_TRUE(queue.Pop(line));
            ASSERT_EQ(line, lineOf(popped)) << popped;
            ++popped;
        }
    }
    while (queue.Pop(line)) {
        ASSERT_EQ(line, lineOf(popped)) << popped;
        ++popped;
    }
    EXPECT_EQ(popped, pushed);
}

TEST(TCascadeListFile, WithoutATemporaryFolderTheListsStayInMemory) {
    TTempFolder temp("cascadelist");
    TScopedEnv env("TMPDIR", temp.Native() + "/missing");
    TCascadeListFile set("tst");
    EXPECT_TRUE(set.Path().empty());
    EXPECT_TRUE(set.Add("a"));
    EXPECT_FALSE(set.Flush());
    EXPECT_TRUE(set.Contains("A"));
    set.Push("q");
    std::string line;
    ASSERT_TRUE(set.Pop(line));
    EXPECT_EQ(line, "q");
}

} // namespace
