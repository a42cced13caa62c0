#include "platform/SystemFolders.h"
#include "support/ScopedEnv.h"

#include "platform/WinPath.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <unistd.h>

namespace {


TEST(SystemFoldersTest, AppDataFolderFollowsXdgThenHome) {
    {
        TScopedEnv xdg("XDG_CONFIG_HOME", "/x/conf/");
        TScopedEnv home("HOME", "/home/me");
        EXPECT_EQ(TSystemFolders::AppDataFolder(), "C:\\x\\conf\\");
    }
    {
        TScopedEnv xdg("XDG_CONFIG_HOME", nullptr);
        TScopedEnv home("HOME", "/home/表");
        EXPECT_EQ(TSystemFolders::AppDataFolder(), "C:\\home\\\x95\x5C\\.config\\");
    }
    {
        // Relative or empty values are ignored, as the XDG rules say.
        TScopedEnv home("HOME", "/home/me/");
        TScopedEnv xdg("XDG_CONFIG_HOME", "relative/conf");
        EXPECT_EQ(TSystemFolders::AppDataFolder(), "C:\\home\\me\\.config\\");
        TScopedEnv empty("XDG_CONFIG_HOME", "");
        EXPECT_EQ(TSystemFolders::AppDataFolder(), "C:\\home\\me\\.config\\");
    }
    {
        // Without HOME the account's home is used.
        TScopedEnv xdg("XDG_CONFIG_HOME", nullptr);
        TScopedEnv home("HOME", nullptr);
        std::string folder = TSystemFolders::AppDataFolder();
        ASSERT_GE(folder.size(), 11u);
        EXPECT_EQ(folder.substr(0, 3), "C:\\");
        EXPECT_EQ(folder.substr(folder.size() - 9), "\\.config\\");
    }
}

TEST(SystemFoldersTest, TempFolderIsTmpdirOrTmp) {
    {
        TScopedEnv tmp("TMPDIR", "/var/tmp");
        EXPECT_EQ(TSystemFolders::TempFolder(), "C:\\var\\tmp\\");
    }
    TScopedEnv tmp("TMPDIR", nullptr);
    EXPECT_EQ(TSystemFolders::TempFolder(), "C:\\tmp\\");
}

TEST(SystemFoldersTest, ExeAndCurrentFoldersAreNativeFolders) {
    auto exe = std::filesystem::canonical("/proc/self/exe");
    EXPECT_EQ(TWinPath::ToNative(TSystemFolders::ExeFolder()), exe.parent_path().string() + "/");

    const char* tmp = std::getenv("TMPDIR");
    std::string folder = std::string(tmp && *tmp ? tmp : "/tmp") + "/cwd-XXXXXX";
    ASSERT_NE(mkdtemp(folder.data()), nullptr);
    auto before = std::filesystem::current_path();
    ASSERT_EQ(chdir(folder.c_str()), 0);
    std::string current = TSystemFolders::CurrentFolder();
    std::string expected = std::filesystem::canonical(folder).string() + "/";
    std::filesystem::current_path(before);
    std::filesystem::remove(folder);
    EXPECT_EQ(TWinPath::ToNative(current), expected);
}

} // namespace
