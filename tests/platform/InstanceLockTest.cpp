#include "platform/InstanceLock.h"

#include "platform/FileOps.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(InstanceLockTest, TakesTheSmallestFreeNumber) {
    TTempFolder temp;
    const std::string folder = temp.Win();
    auto first = std::make_unique<TInstanceLock>(folder, "inst", 999);
    auto second = std::make_unique<TInstanceLock>(folder, "inst", 999);
    auto third = std::make_unique<TInstanceLock>(folder, "inst", 999);
    EXPECT_EQ(first->Number(), 0);
    EXPECT_EQ(second->Number(), 1);
    EXPECT_EQ(third->Number(), 2);
    EXPECT_EQ(second->FileName(), folder + "inst.1.lock");
    EXPECT_TRUE(TFileOps::FileExists(second->FileName()));

    second.reset(); // its number is free again; its file stays
    TInstanceLock next(folder, "inst", 999);
    EXPECT_EQ(next.Number(), 1);
    TInstanceLock after(folder, "inst", 999);
    EXPECT_EQ(after.Number(), 3);
    // Another name counts on its own.
    EXPECT_EQ(TInstanceLock(folder, "other", 999).Number(), 0);
}

TEST(InstanceLockTest, NoNumberWithoutFolderOrWhenAllAreTaken) {
    TTempFolder temp;
    TInstanceLock missing(temp.Win() + "missing\\", "inst", 999);
    EXPECT_EQ(missing.Number(), -1);
    EXPECT_EQ(missing.FileName(), "");

    TInstanceLock a(temp.Win(), "inst", 2);
    TInstanceLock b(temp.Win(), "inst", 2);
    TInstanceLock c(temp.Win(), "inst", 2);
    EXPECT_EQ(b.Number(), 1);
    EXPECT_EQ(c.Number(), -1);

    // A folder in place of a lock file makes that number unusable only.
    ASSERT_TRUE(TFileOps::CreateDir(temp.Win() + "blocked.0.lock"));
    EXPECT_EQ(TInstanceLock(temp.Win(), "blocked", 999).Number(), 1);
}

} // namespace
