#include "download/DownloadCaption.h"

#include "platform/CodePage.h"

#include <gtest/gtest.h>

namespace {

struct CaptionCase {
    const char* name;
    TDownloadCaptionState state;
    const char* utf8;
};

TEST(DownloadCaptionTest, StateWordProgressAndCascade) {
    const CaptionCase cases[] = {
        {.name = "new window", .state = {.WindowNumber = 3}, .utf8 = "3-[中断] ファイルはありません"},
        {.name = "running with rows left",
         .state = {.WindowNumber = 3, .Paused = false, .Rows = 5, .Finished = 2},
         .utf8 = "3-[実行] 残り 3 ファイル"},
        {.name = "all finished", .state = {.WindowNumber = 12, .Rows = 4, .Finished = 4}, .utf8 = "12-[中断] 全て完了"},
        {.name = "cascade box checked",
         .state = {.WindowNumber = 1, .CascadeChecked = true, .Rows = 1},
         .utf8 = "1-[中断] 残り 1 ファイル - カスケードダウンロード"},
        {.name = "cascade thread hides the progress",
         .state = {.WindowNumber = 2, .Paused = false, .CascadeThread = true, .CascadeChecked = true, .Rows = 9},
         .utf8 = "2-[実行]  - カスケードダウンロード"},
    };
    for (const auto& c : cases) EXPECT_EQ(TCodePage::ToUtf8(TDownloadCaption::Get(c.state)), c.utf8) << c.name;
}

} // namespace
