#pragma once
// What every command test needs: its own data folder (XDG_CONFIG_HOME), a
// save folder, the loopback server, and this thread as the main thread.
#include "platform/Thread.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"
#include "support/TestHttpServer.h"

#include <gtest/gtest.h>

class TCliFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home_.Ok());
        ASSERT_TRUE(saveTo_.Ok());
        TThread::SetMainThread();
    }

    TTempFolder home_{"cli"};
    TTempFolder saveTo_{"cli-save"};
    TScopedEnv xdg_{"XDG_CONFIG_HOME", home_.Native()};
    TTestHttpServer server_;
};
