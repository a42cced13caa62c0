// The folder monitor against real folders: which changes give a notice, how
// bursts merge, the fallback for large trees, and the owner's handle across
// stops and restarts.
#include "platform/DirMonitor.h"
#include "platform/DirMonitorThread.h"
#include "support/MainThreadPump.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

void Touch(const fs::path& path, const std::string& text = "x") { std::ofstream(path) << text; }

class DirMonitorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp_.Ok());
        TThread::SetMainThread();
    }
    void TearDown() override {
        monitor_.Stop();
        // Every monitor thread frees itself after its end notice ran here.
        EXPECT_TRUE(PumpUntil([] { return TDirMonitorThread::Running() == 0; }));
    }

    void Watch(const fs::path& folder) {
        monitor_.Start(TWinPath::FromNative(folder.string()) + "\\", [this] { ++notices_; });
        ASSERT_TRUE(monitor_.WaitWatching(kPatienceMs));
    }
    // Makes a sentinel change and waits for its notice: every change made
    // before it has been read by then (inotify keeps the order).
    bool Sentinel(const fs::path& folder) {
        const int before = notices_;
        Touch(folder / ("sentinel" + std::to_string(sentinels_++)));
        return PumpUntil([&] { return notices_ > before; });
    }

    TTempFolder tmp_;
    TDirMonitor monitor_;
    int notices_ = 0;
    int sentinels_ = 0;
};

TEST_F(DirMonitorTest, RenameGivesOneNoticeAndContentChangesNone) {
    Touch(tmp_.NativePath("a.txt"));
    Watch(tmp_.NativePath());
    fs::rename(tmp_.NativePath("a.txt"), tmp_.NativePath("b.txt"));
    ASSERT_TRUE(PumpUntil([&] { return notices_ == 1; }));
    // Contents, attributes and times are no name changes.
    Touch(tmp_.NativePath("b.txt"), "new contents");
    fs::permissions(tmp_.NativePath("b.txt"), fs::perms::owner_read);
    fs::last_write_time(tmp_.NativePath("b.txt"), fs::file_time_type::clock::now());
    ASSERT_TRUE(Sentinel(tmp_.NativePath()));
    EXPECT_EQ(notices_, 2);
}

TEST_F(DirMonitorTest, BurstGivesOneNotice) {
    Watch(tmp_.NativePath());
    for (int i = 0; i < 20; ++i) Touch(tmp_.NativePath("f" + std::to_string(i)));
    for (int i = 0; i < 20; ++i) fs::remove(tmp_.NativePath("f" + std::to_string(i)));
    ASSERT_TRUE(PumpUntil([&] { return notices_ == 1; }));
    ASSERT_TRUE(Sentinel(tmp_.NativePath()));
    EXPECT_EQ(notices_, 2);
}

TEST_F(DirMonitorTest, SubfoldersAreWatchedAlsoWhenMadeLater) {
    fs::create_directories(tmp_.NativePath("sub/deep"));
    Watch(tmp_.NativePath());
    Touch(tmp_.NativePath("sub/deep/x"));
    ASSERT_TRUE(PumpUntil([&] { return notices_ == 1; }));
    fs::create_directory(tmp_.NativePath("new"));
    ASSERT_TRUE(PumpUntil([&] { return notices_ == 2; }));
    Touch(tmp_.NativePath("new/y"));
    ASSERT_TRUE(PumpUntil([&] { return notices_ == 3; }));
}

TEST_F(DirMonitorTest, TreeBeyondTheWatchLimitIsWatchedAtItsTop) {
    for (const char* d : {"a", "b", "c", "d"}) fs::create_directory(tmp_.NativePath(d));
    monitor_.MaxWatches = 3;
    Watch(tmp_.NativePath());
    for (const char* d : {"a", "b", "c", "d"}) Touch(tmp_.NativePath(d) / "inner");
    ASSERT_TRUE(Sentinel(tmp_.NativePath()));
    EXPECT_EQ(notices_, 1); // nothing from inside the subfolders
}

TEST_F(DirMonitorTest, DeletedFolderGivesALastNoticeAndEndsTheMonitor) {
    fs::create_directory(tmp_.NativePath("w"));
    Watch(tmp_.NativePath("w"));
    fs::remove_all(tmp_.NativePath("w"));
    ASSERT_TRUE(PumpUntil([&] { return !monitor_.Active(); }));
    EXPECT_EQ(notices_, 1);
    EXPECT_TRUE(monitor_.WatchPath().empty());
}

TEST_F(DirMonitorTest, MissingFolderEndsAtOnce) {
    monitor_.Start(tmp_.Win("gone\\"), [this] { ++notices_; });
    EXPECT_FALSE(monitor_.WaitWatching(kPatienceMs));
    ASSERT_TRUE(PumpUntil([&] { return !monitor_.Active(); }));
    EXPECT_EQ(notices_, 0);
}

TEST_F(DirMonitorTest, StopFromWithinTheNoticeIsSafe) {
    monitor_.Start(tmp_.Win(), [this] {
        ++notices_;
        monitor_.Stop();
    });
    ASSERT_TRUE(monitor_.WaitWatching(kPatienceMs));
    Touch(tmp_.NativePath("a"));
    ASSERT_TRUE(PumpUntil([&] { return notices_ == 1; }));
    EXPECT_FALSE(monitor_.Active());
    ASSERT_TRUE(PumpUntil([] { return TDirMonitorThread::Running() == 0; }));
    Touch(tmp_.NativePath("b"));
    EXPECT_EQ(notices_, 1);
}

TEST_F(DirMonitorTest, OldMonitorEndingLateLeavesTheNewOneAlone) {
    fs::create_directory(tmp_.NativePath("old"));
    fs::create_directory(tmp_.NativePath("new"));
    int oldNotices = 0;
    monitor_.Start(tmp_.Win("old\\"), [&] { ++oldNotices; });
    ASSERT_TRUE(monitor_.WaitWatching(kPatienceMs));
    // Restart without pumping: the old thread's end notice is still to come.
    Watch(tmp_.NativePath("new"));
    Touch(tmp_.NativePath("old/x"));
    ASSERT_TRUE(PumpUntil([] { return TDirMonitorThread::Running() == 1; }));
    EXPECT_TRUE(monitor_.Active());
    EXPECT_EQ(monitor_.WatchPath(), tmp_.Win("new\\"));
    ASSERT_TRUE(Sentinel(tmp_.NativePath("new")));
    EXPECT_EQ(oldNotices, 0);
}

TEST_F(DirMonitorTest, StopEndsASettlingMonitorWithoutNotice) {
    monitor_.SettleMs = 60000;
    Watch(tmp_.NativePath());
    Touch(tmp_.NativePath("a")); // the thread now settles for a minute
    monitor_.Stop();
    ASSERT_TRUE(PumpUntil([] { return TDirMonitorThread::Running() == 0; }));
    EXPECT_EQ(notices_, 0);
}

} // namespace
