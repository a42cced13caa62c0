#include "platform/SystemFolders.h"

#include "platform/WinPath.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <unistd.h>

namespace {

// Sets (or with nullptr removes) an environment variable for one test.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value) setenv(name, value, 1);
        else unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_) setenv(name_, old_->c_str(), 1);
        else unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(SystemFoldersTest, AppDataFolderFollowsXdgThenHome) {
    {
        ScopedEnv xdg("XDG_CONFIG_HOME", "/x/conf/");
        ScopedEnv home("HOME", "/home/me");
        EXPECT_EQ(TSystemFolders::AppDataFolder(), "C:\\x\\conf\\");
    }
    {
        ScopedEnv xdg("XDG_CONFIG_HOME", nullptr);
        ScopedEnv home("HOME", "/home/表");
        EXPECT_EQ(TSystemFolders::AppDataFolder(), "C:\\home\\\x95\x5C\\.config\\");
    }
    {
        // Relative or empty values are ignored, as the XDG rules say.
        ScopedEnv home("HOME", "/home/me/");
        ScopedEnv xdg("XDG_CONFIG_HOME", "relative/conf");
        EXPECT_EQ(TSystemFolders::AppDataFolder(), "C:\\home\\me\\.config\\");
        ScopedEnv empty("XDG_CONFIG_HOME", "");
        EXPECT_EQ(TSystemFolders::AppDataFolder(), "C:\\home\\me\\.config\\");
    }
    {
        // Without HOME the account's home is used.
        ScopedEnv xdg("XDG_CONFIG_HOME", nullptr);
        ScopedEnv home("HOME", nullptr);
        std::string folder = TSystemFolders::AppDataFolder();
        ASSERT_GE(folder.size(), 11u);
        EXPECT_EQ(folder.substr(0, 3), "C:\\");
        EXPECT_EQ(folder.substr(folder.size() - 9), "\\.config\\");
    }
}

TEST(SystemFoldersTest, TempFolderIsTmpdirOrTmp) {
    {
        ScopedEnv tmp("TMPDIR", "/var/tmp");
        EXPECT_EQ(TSystemFolders::TempFolder(), "C:\\var\\tmp\\");
    }
    ScopedEnv tmp("TMPDIR", nullptr);
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
