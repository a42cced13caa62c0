#pragma once
// The caption of a download window: "3-[中断] ファイルはありません",
// "3-[実行] 残り 3 ファイル", "3-[実行] 全て完了", with
// " - カスケードダウンロード" when the cascade box is checked. The progress
// part is left out while a cascade thread runs. CP932.
#include <string>

struct TDownloadCaptionState {
    int WindowNumber = 0;
    bool Paused = true;
    bool CascadeThread = false;  // a cascade thread exists
    bool CascadeChecked = false; // the cascade box is checked
    int Rows = 0;
    int Finished = 0;
};

class TDownloadCaption {
public:
    static std::string Get(const TDownloadCaptionState& s);
};
