#include "engine/Setting.h"

#include "engine/QorOption.h"
#include "platform/FileOps.h"
#include "platform/SystemFolders.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

const char kChildFd[] = "VORLEN_SETTING_TEST_CHILD_FD";

// The helper process of KilledInstanceFreesItsNumber: this test program
// started again with kChildFd set. Before any test runs it takes a TSetting,
// writes its instance number into the given pipe and waits to be killed.
const bool kRunAsChild = [] {
    const char* fd = std::getenv(kChildFd);
    if (!fd) return false;
    TSetting setting(0, 0);
    int number = setting.InstanceNumber;
    if (::write(std::atoi(fd), &number, sizeof number) != sizeof number) std::_Exit(2);
    for (;;) ::pause();
}();

class SettingTest : public ::testing::Test {
protected:
    TTempFolder home{"setting"};
    TScopedEnv xdg{"XDG_CONFIG_HOME", home.Native() + "/conf"};
};

TEST_F(SettingTest, FirstStartCreatesTheFolders) {
    TSetting setting(1920, 1080);
    const std::string data = home.Win() + "conf\\Vorlen\\";
    EXPECT_FALSE(setting.InitError);
    EXPECT_EQ(setting.DataFolder, data);
    EXPECT_EQ(setting.CacheFolder, data + "Temporary\\");
    EXPECT_EQ(setting.HistoryFolder, data + "History\\");
    EXPECT_EQ(setting.PluginFolder, TSystemFolders::ExeFolder() + "Plugin\\");
    for (const auto& folder : {setting.DataFolder, setting.CacheFolder, setting.HistoryFolder, setting.PluginFolder})
        EXPECT_TRUE(TFileOps::DirectoryExists(folder)) << folder;

    EXPECT_EQ(setting.InstanceNumber, 0);
    ASSERT_NE(setting.PosInfo, nullptr);
    EXPECT_EQ(setting.PosInfo->FileName(), data + "vorlenpos0.ini");
    EXPECT_EQ(setting.PosInfo->MainLeft, 660);

    // No option.dat yet: every option keeps its initial value.
    TQorOption option;
    EXPECT_TRUE(option.LoadFromFile(setting.DataFolder + "option.dat"));
    EXPECT_EQ(option.HistoryDay, 14);
    EXPECT_EQ(option.DblClk, qdctPreview);
}

TEST_F(SettingTest, HomeConfigWithoutXdg) {
    TScopedEnv noXdg("XDG_CONFIG_HOME", nullptr);
    TScopedEnv homeVar("HOME", home.Native());
    TSetting setting(0, 0);
    EXPECT_FALSE(setting.InitError);
    EXPECT_EQ(setting.DataFolder, home.Win() + ".config\\Vorlen\\");
    EXPECT_TRUE(TFileOps::DirectoryExists(setting.HistoryFolder));
}

TEST_F(SettingTest, FileInPlaceOfTheDataFolderIsAnInitError) {
    ASSERT_TRUE(TFileOps::ForceDirectories(home.Win() + "conf\\"));
    ASSERT_TRUE(TFileOps::WriteWholeFile(home.Win() + "conf\\Vorlen", "not a folder"));
    TSetting setting(0, 0);
    EXPECT_TRUE(setting.InitError);
    EXPECT_EQ(setting.InstanceNumber, 0);
    EXPECT_FALSE(TFileOps::DirectoryExists(setting.CacheFolder));
}

TEST_F(SettingTest, RunningInstancesGetTheirOwnNumbers) {
    auto first = std::make_unique<TSetting>(0, 0);
    auto second = std::make_unique<TSetting>(0, 0);
    EXPECT_EQ(first->InstanceNumber, 0);
    EXPECT_EQ(second->InstanceNumber, 1);
    EXPECT_EQ(second->PosInfo->FileName(), second->DataFolder + "vorlenpos1.ini");
    first.reset();
    TSetting third(0, 0);
    EXPECT_EQ(third.InstanceNumber, 0);
}

TEST_F(SettingTest, KilledInstanceFreesItsNumber) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    TScopedEnv childFd(kChildFd, std::to_string(fds[1]));
    char self[] = "engine_tests";
    char* argv[] = {self, nullptr};
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::close(fds[0]);
        ::execve("/proc/self/exe", argv, environ);
        std::_Exit(127);
    }
    ::close(fds[1]);
    struct Child {
        pid_t pid;
        ~Child() {
            if (pid > 0) {
                ::kill(pid, SIGKILL);
                ::waitpid(pid, nullptr, 0);
            }
        }
    } child{pid};

    pollfd pfd{fds[0], POLLIN, 0};
    int number = -1;
    bool arrived = ::poll(&pfd, 1, 60000) == 1 && ::read(fds[0], &number, sizeof number) == sizeof number;
    ::close(fds[0]);
    ASSERT_TRUE(arrived) << "the helper process did not report";
    EXPECT_EQ(number, 0);

    TSetting whileChildRuns(0, 0);
    EXPECT_EQ(whileChildRuns.InstanceNumber, 1);

    ASSERT_EQ(::kill(pid, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    child.pid = 0;
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

    TSetting afterKill(0, 0);
    EXPECT_EQ(afterKill.InstanceNumber, 0);
}

} // namespace
