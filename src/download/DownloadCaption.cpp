#include "download/DownloadCaption.h"

#include "platform/CodePage.h"
#include "platform/StringTable.h"

std::string TDownloadCaption::Get(const TDownloadCaptionState& s) {
    std::string text = std::to_string(s.WindowNumber) + "-[" + TStringTable::Get(s.Paused ? 22 : 45) + "] ";
    if (!s.CascadeThread) {
        if (s.Rows == 0)
            text += TStringTable::Get(21);
        else if (s.Finished < s.Rows)
            text += TStringTable::Get(40) + " " + std::to_string(s.Rows - s.Finished) + " " + TStringTable::Get(31);
        else
            text += TStringTable::Get(17);
    }
    if (s.CascadeChecked) {
        static const std::string cascade = SJ(" - カスケードダウンロード");
        text += cascade;
    }
    return text;
}
