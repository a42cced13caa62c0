#include "engine/YarvCommandRules.h"

bool TYarvCommandState::HasSelectedRecord() const {
    switch (Focus) {
    case fcTree: return TreeNodeFile;
    case fcHistory: return HistoryPage;
    case fcFileList: return FileSelected > 0;
    case fcUnreach: return UnreachSelected > 0;
    default: return false;
    }
}

TYarvCommandRule TYarvCommandRules::Rule(TYarvCommand command, const TYarvCommandState& s) {
    using S = TYarvCommandState;
    const bool fileFocus = s.Focus == S::fcFileList;
    const bool fileSel = s.FileSelected > 0;
    const bool page = !s.NoPage && !s.MailPage;
    auto visible = [](bool v) { return TYarvCommandRule{v, true}; };
    auto enabled = [](bool e) { return TYarvCommandRule{true, e}; };
    switch (command) {
    case ycOpen: return visible(fileFocus && s.FileSelected == 1 && s.FileFirstOpens);
    case ycOpenThis: return visible(!s.NoPage);
    case ycPreview: return visible(fileFocus && s.FileSelected == 1);
    case ycProperty: return visible(s.HasSelectedRecord());
    case ycPageProperty: return visible(!s.HasSelectedRecord() && !s.NoPage);
    case ycURLExport: return visible(fileSel);
    case ycDownload:
        return enabled((s.RightTab == S::rtFile && fileSel) || (s.RightTab == S::rtUnreach && s.UnreachSelected > 0));
    case ycPopDownload:
        return visible((fileFocus && fileSel) || (s.Focus == S::fcUnreach && s.UnreachSelected > 0));
    case ycWndSelDownload: return visible(fileSel && s.DownloadWindows > 0);
    case ycPopWndSelDownload: return visible(fileSel && s.DownloadWindows > 0 && fileFocus);
    case ycPopCascade: return visible(s.Focus == S::fcTree && s.TreeNodeFile);
    case ycOpenBrowser:
        return visible(s.HasSelectedRecord() &&
                       (s.Focus == S::fcTree || s.Focus == S::fcHistory ||
                        (fileFocus && s.FileSelected == 1) || (s.Focus == S::fcUnreach && s.UnreachSelected == 1)));
    case ycMakeRoot: return visible(s.NaviTab == S::ntPage && s.TreeNodeDepth >= 2);
    case ycCopy:
        return visible((s.Focus == S::fcSource && s.SourceSelection) || (fileFocus && fileSel && s.LocalList));
    case ycCut: return visible(fileFocus && fileSel && s.LocalList);
    // Only into a folder listing: a local page may be a file.
    case ycPaste: return visible(s.Local && s.LocalList && s.ClipboardFiles);
    case ycDelete: return visible(s.Focus == S::fcHistory || (s.Focus == S::fcUnreach && s.UnreachSelected > 0));
    case ycSelAll: return visible(s.Focus == S::fcSource && !s.SourceEmpty);
    case ycAddFavorite:
    case ycUpdate: return enabled(page);
    case ycPopAddFavorite:
    case ycPopUpdate: return visible(page);
    case ycBack: return enabled(s.CanBack);
    case ycForward: return enabled(s.CanForward);
    case ycCharset: return visible(page);
    case ycFilterDropDown: return enabled(s.RightTab == S::rtFile);
    case ycAlways:
    case ycCommandCount: break;
    }
    return {};
}

std::string TYarvCommandRules::WindowEntryCaption(int index, const std::string& caption) {
    if (index < 0 || index > 9) return caption;
    return "&" + std::to_string(index) + ": " + caption;
}
