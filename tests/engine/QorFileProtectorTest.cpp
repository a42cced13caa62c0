#include "engine/QorFileProtector.h"

#include "platform/FileOps.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

// A list file in a fresh folder.
class QorFileProtectorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(temp_.Ok());
        native = temp_.Native();
        win = temp_.Win();
        path = win + "list.dat";
    }

    std::string Backup(int n) const { return win + "~" + std::to_string(n) + "~list.dat"; }
    std::string Raw(const std::string& winPath) const {
        std::string data;
        EXPECT_TRUE(TFileOps::ReadWholeFile(winPath, data)) << winPath;
        return data;
    }
    std::string Load() const {
        std::string text = "stale";
        EXPECT_TRUE(TQorFileProtector::LoadEncryptionText(path, text));
        return text;
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(native)) names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }

    TTempFolder temp_{"protector"};
    std::string native;
    std::string win;
    std::string path;
};

std::string AllNonZeroBytes() {
    std::string text;
    for (int b = 1; b < 256; ++b) text += static_cast<char>(b);
    return text;
}

TEST(QorFileProtectorScrambleTest, ReversesTheBitsOfEachByte) {
    EXPECT_EQ(TQorFileProtector::Scramble("abc"), "\x86\x46\xC6");
    EXPECT_EQ(TQorFileProtector::Scramble(std::string("\x00\x01\x0F\x5C\x80\xFF", 6)),
              std::string("\x00\x80\xF0\x3A\x01\xFF", 6));
    std::string all(256, '\0');
    for (int b = 0; b < 256; ++b) all[b] = static_cast<char>(b);
    EXPECT_EQ(TQorFileProtector::Scramble(TQorFileProtector::Scramble(all)), all);
}

TEST_F(QorFileProtectorTest, RoundTrips) {
    struct Case {
        const char* name;
        std::string text;
    };
    const Case cases[] = {
        {"ascii", "http://a/\thttp://b/\r\n"},
        // 表示 and ソ: second bytes 0x5C, which must come back as they were.
        {"sjisWithBackslashSecondBytes", "\x95\x5C\x8E\xA6\t\x83\x5C\\\r\n"},
        {"empty", ""},
        {"everyNonZeroByte", AllNonZeroBytes()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(TQorFileProtector::SaveEncryptionText(path, c.text));
        EXPECT_EQ(Raw(path), TQorFileProtector::Scramble(c.text));
        EXPECT_EQ(Load(), c.text);
    }
    // Only the list file is left: every save's backup is gone again.
    EXPECT_EQ(Names(), std::vector<std::string>({"list.dat"}));
}

TEST_F(QorFileProtectorTest, KnownBytesOnDiskAndZeroByteCut) {
    ASSERT_TRUE(TQorFileProtector::SaveEncryptionText(path, "abc"));
    EXPECT_EQ(Raw(path), "\x86\x46\xC6");

    ASSERT_TRUE(TQorFileProtector::SaveEncryptionText(path, std::string("ab\0cd", 5)));
    EXPECT_EQ(Raw(path).size(), 5u);
    EXPECT_EQ(Load(), "ab");
}

TEST_F(QorFileProtectorTest, LoadFailures) {
    std::string text = "stale";
    EXPECT_FALSE(TQorFileProtector::LoadEncryptionText(path, text));
    EXPECT_EQ(text, "");
    text = "stale";
    EXPECT_FALSE(TQorFileProtector::LoadEncryptionText(win, text)); // a folder
    EXPECT_EQ(text, "");
}

TEST_F(QorFileProtectorTest, BackupsTakeTheFirstFreeNumber) {
    ASSERT_TRUE(TQorFileProtector::SaveEncryptionText(path, "old"));
    // Backups left by earlier failed saves are skipped and kept.
    ASSERT_TRUE(TFileOps::WriteWholeFile(Backup(1), "one"));
    ASSERT_TRUE(fs::create_directory(native + "/~2~list.dat")); // a folder takes a name too
    ASSERT_TRUE(TFileOps::WriteWholeFile(Backup(4), "four"));

    ASSERT_TRUE(TQorFileProtector::SaveEncryptionText(path, "new"));
    EXPECT_EQ(Load(), "new");
    EXPECT_EQ(Raw(Backup(1)), "one");
    EXPECT_EQ(Raw(Backup(4)), "four");
    EXPECT_FALSE(fs::exists(native + "/~3~list.dat")); // made for the save, then deleted
}

TEST_F(QorFileProtectorTest, HundredBackupsRefuseTheSave) {
    ASSERT_TRUE(TQorFileProtector::SaveEncryptionText(path, "old"));
    for (int n = 1; n <= 99; ++n) ASSERT_TRUE(TFileOps::WriteWholeFile(Backup(n), "b"));

    // The hundredth name is still free.
    ASSERT_TRUE(TQorFileProtector::SaveEncryptionText(path, "mid"));
    EXPECT_FALSE(fs::exists(native + "/~100~list.dat"));

    ASSERT_TRUE(TFileOps::WriteWholeFile(Backup(100), "b"));
    EXPECT_FALSE(TQorFileProtector::SaveEncryptionText(path, "new"));
    EXPECT_EQ(Load(), "mid");
    EXPECT_FALSE(fs::exists(native + "/~101~list.dat"));
    EXPECT_EQ(Names().size(), 101u);

    // Without a file there is nothing to back up, so the save goes ahead.
    ASSERT_TRUE(fs::remove(native + "/list.dat"));
    EXPECT_TRUE(TQorFileProtector::SaveEncryptionText(path, "fresh"));
    EXPECT_EQ(Load(), "fresh");
}

TEST_F(QorFileProtectorTest, FolderAtThePathIsNotReplaced) {
    ASSERT_TRUE(fs::create_directory(native + "/list.dat"));
    EXPECT_FALSE(TQorFileProtector::SaveEncryptionText(path, "x"));
    EXPECT_TRUE(fs::is_directory(native + "/list.dat"));
    EXPECT_FALSE(TQorFileProtector::SaveEncryptionText(win + "missing\\list.dat", "x"));
}

// What a save interrupted after its backup and its temporary file leaves
// behind: the old content still reads at the path, and the next save goes
// past the leftovers.
TEST_F(QorFileProtectorTest, LeftoversOfAnInterruptedSave) {
    ASSERT_TRUE(TQorFileProtector::SaveEncryptionText(path, "old"));
    ASSERT_TRUE(TFileOps::CopyFile(path, Backup(1), true));
    ASSERT_TRUE(TFileOps::WriteWholeFile(win + ".vorlen-99999-0.tmp",
                                         TQorFileProtector::Scramble("ne"))); // cut short
    EXPECT_EQ(Load(), "old");

    ASSERT_TRUE(TQorFileProtector::SaveEncryptionText(path, "new"));
    EXPECT_EQ(Load(), "new");
    EXPECT_FALSE(fs::exists(native + "/~2~list.dat"));
    std::string text;
    ASSERT_TRUE(TQorFileProtector::LoadEncryptionText(Backup(1), text));
    EXPECT_EQ(text, "old");
}

// Kills and reaps a child process at the end of its scope.
struct ChildGuard {
    pid_t pid = -1;
    ~ChildGuard() {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
};

// A writer process saves two large contents in turn and is killed at some
// moment; while it writes and after its death the path holds one whole
// content.
TEST_F(QorFileProtectorTest, KilledWriterLeavesOneWholeContent) {
    const std::string a(2 << 20, 'a');
    const std::string b(2 << 20, 'b');
    ASSERT_TRUE(TQorFileProtector::SaveEncryptionText(path, a));
    auto whole = [&](const std::string& text) { return text == a || text == b; };

    for (int round = 0; round < 8; ++round) {
        SCOPED_TRACE(round);
        fflush(nullptr);
        ChildGuard child{fork()};
        ASSERT_GE(child.pid, 0);
        if (child.pid == 0) {
            for (int i = 0;; ++i) TQorFileProtector::SaveEncryptionText(path, i % 2 ? a : b);
        }
        auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(20 + 15 * round);
        int reads = 0;
        while (std::chrono::steady_clock::now() < until || reads == 0) {
            std::string text;
            ASSERT_TRUE(TQorFileProtector::LoadEncryptionText(path, text));
            ASSERT_TRUE(whole(text)) << "size " << text.size();
            ++reads;
        }
        ASSERT_EQ(kill(child.pid, SIGKILL), 0);
        ASSERT_EQ(waitpid(child.pid, nullptr, 0), child.pid);
        child.pid = -1;

        std::string text;
        ASSERT_TRUE(TQorFileProtector::LoadEncryptionText(path, text));
        EXPECT_TRUE(whole(text)) << "size " << text.size();
        // A killed save may leave its backup; clear it so that every round
        // starts alike.
        for (int n = 1; n <= 100; ++n) TFileOps::DeleteFile(Backup(n));
    }
}

} // namespace
