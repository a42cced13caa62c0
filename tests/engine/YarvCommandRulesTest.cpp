#include "engine/YarvCommandRules.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using S = TYarvCommandState;

// A page loaded, nothing focused, nothing selected.
S Loaded() {
    S s;
    s.NoPage = false;
    s.SourceEmpty = false;
    return s;
}

struct TRuleCase {
    const char* Name;
    TYarvCommand Command;
    std::function<void(S&)> Set; // from Loaded()
    bool Visible;
    bool Enabled;
};

const std::vector<TRuleCase> kCases = {
    {.Name = "OpenOnOnePageRow", .Command = ycOpen,
     .Set = [](S& s) { s.Focus = S::fcFileList; s.FileSelected = 1; s.FileFirstOpens = true; }, .Visible = true, .Enabled = true},
    {.Name = "OpenHiddenOnImageRow", .Command = ycOpen,
     .Set = [](S& s) { s.Focus = S::fcFileList; s.FileSelected = 1; }, .Visible = false, .Enabled = true},
    {.Name = "OpenHiddenOnTwoRows", .Command = ycOpen,
     .Set = [](S& s) { s.Focus = S::fcFileList; s.FileSelected = 2; s.FileFirstOpens = true; }, .Visible = false, .Enabled = true},
    {.Name = "OpenHiddenWithoutListFocus", .Command = ycOpen,
     .Set = [](S& s) { s.Focus = S::fcTree; s.FileSelected = 1; s.FileFirstOpens = true; }, .Visible = false, .Enabled = true},
    {.Name = "OpenThisWithPage", .Command = ycOpenThis, .Set = [](S&) {}, .Visible = true, .Enabled = true},
    {.Name = "OpenThisHiddenWithoutPage", .Command = ycOpenThis, .Set = [](S& s) { s.NoPage = true; }, .Visible = false, .Enabled = true},
    {.Name = "PreviewOneRow", .Command = ycPreview,
     .Set = [](S& s) { s.Focus = S::fcFileList; s.FileSelected = 1; }, .Visible = true, .Enabled = true},
    {.Name = "PreviewHiddenTwoRows", .Command = ycPreview,
     .Set = [](S& s) { s.Focus = S::fcFileList; s.FileSelected = 2; }, .Visible = false, .Enabled = true},
    {.Name = "PropertyWithTreeRecord", .Command = ycProperty,
     .Set = [](S& s) { s.Focus = S::fcTree; s.TreeNodeFile = true; }, .Visible = true, .Enabled = true},
    {.Name = "PropertyWithHistoryPage", .Command = ycProperty,
     .Set = [](S& s) { s.Focus = S::fcHistory; s.HistoryPage = true; }, .Visible = true, .Enabled = true},
    {.Name = "PropertyWithUnreachRows", .Command = ycProperty,
     .Set = [](S& s) { s.Focus = S::fcUnreach; s.UnreachSelected = 2; }, .Visible = true, .Enabled = true},
    {.Name = "PropertyHiddenWhenSelectionNotFocused", .Command = ycProperty,
     .Set = [](S& s) { s.Focus = S::fcSource; s.FileSelected = 3; }, .Visible = false, .Enabled = true},
    {.Name = "PagePropertyWithoutRecord", .Command = ycPageProperty,
     .Set = [](S& s) { s.Focus = S::fcSource; }, .Visible = true, .Enabled = true},
    {.Name = "PagePropertyHiddenWithRecord", .Command = ycPageProperty,
     .Set = [](S& s) { s.Focus = S::fcFileList; s.FileSelected = 1; }, .Visible = false, .Enabled = true},
    {.Name = "PagePropertyHiddenWithoutPage", .Command = ycPageProperty,
     .Set = [](S& s) { s.NoPage = true; }, .Visible = false, .Enabled = true},
    {.Name = "URLExportWithSelectionAnyFocus", .Command = ycURLExport,
     .Set = [](S& s) { s.Focus = S::fcTree; s.FileSelected = 1; }, .Visible = true, .Enabled = true},
    {.Name = "URLExportHiddenWithoutSelection", .Command = ycURLExport, .Set = [](S&) {}, .Visible = false, .Enabled = true},
    {.Name = "DownloadFileTab", .Command = ycDownload,
     .Set = [](S& s) { s.FileSelected = 1; }, .Visible = true, .Enabled = true},
    {.Name = "DownloadDisabledOnSourceTab", .Command = ycDownload,
     .Set = [](S& s) { s.FileSelected = 1; s.RightTab = S::rtSource; }, .Visible = true, .Enabled = false},
    {.Name = "DownloadUnreachTab", .Command = ycDownload,
     .Set = [](S& s) { s.RightTab = S::rtUnreach; s.UnreachSelected = 1; s.FileSelected = 0; }, .Visible = true, .Enabled = true},
    {.Name = "DownloadDisabledUnreachTabFileSelection", .Command = ycDownload,
     .Set = [](S& s) { s.RightTab = S::rtUnreach; s.FileSelected = 2; }, .Visible = true, .Enabled = false},
    {.Name = "PopDownloadFileFocus", .Command = ycPopDownload,
     .Set = [](S& s) { s.Focus = S::fcFileList; s.FileSelected = 1; }, .Visible = true, .Enabled = true},
    {.Name = "PopDownloadUnreachFocus", .Command = ycPopDownload,
     .Set = [](S& s) { s.Focus = S::fcUnreach; s.UnreachSelected = 1; }, .Visible = true, .Enabled = true},
    {.Name = "PopDownloadHiddenInTree", .Command = ycPopDownload,
     .Set = [](S& s) { s.Focus = S::fcTree; s.FileSelected = 1; }, .Visible = false, .Enabled = true},
    {.Name = "WndSelMenuNeedsWindow", .Command = ycWndSelDownload,
     .Set = [](S& s) { s.FileSelected = 1; }, .Visible = false, .Enabled = true},
    {.Name = "WndSelMenuWithWindow", .Command = ycWndSelDownload,
     .Set = [](S& s) { s.FileSelected = 1; s.DownloadWindows = 1; s.Focus = S::fcTree; }, .Visible = true, .Enabled = true},
    {.Name = "WndSelPopupNeedsListFocus", .Command = ycPopWndSelDownload,
     .Set = [](S& s) { s.FileSelected = 1; s.DownloadWindows = 2; s.Focus = S::fcTree; }, .Visible = false, .Enabled = true},
    {.Name = "WndSelPopupWithListFocus", .Command = ycPopWndSelDownload,
     .Set = [](S& s) { s.FileSelected = 1; s.DownloadWindows = 2; s.Focus = S::fcFileList; }, .Visible = true, .Enabled = true},
    {.Name = "CascadeOnTreeNode", .Command = ycPopCascade,
     .Set = [](S& s) { s.Focus = S::fcTree; s.TreeNodeFile = true; }, .Visible = true, .Enabled = true},
    {.Name = "CascadeHiddenOnRoot", .Command = ycPopCascade,
     .Set = [](S& s) { s.Focus = S::fcTree; }, .Visible = false, .Enabled = true},
    {.Name = "BrowserTreeRecord", .Command = ycOpenBrowser,
     .Set = [](S& s) { s.Focus = S::fcTree; s.TreeNodeFile = true; }, .Visible = true, .Enabled = true},
    {.Name = "BrowserHistoryPage", .Command = ycOpenBrowser,
     .Set = [](S& s) { s.Focus = S::fcHistory; s.HistoryPage = true; }, .Visible = true, .Enabled = true},
    {.Name = "BrowserOneFileRow", .Command = ycOpenBrowser,
     .Set = [](S& s) { s.Focus = S::fcFileList; s.FileSelected = 1; }, .Visible = true, .Enabled = true},
    {.Name = "BrowserHiddenTwoFileRows", .Command = ycOpenBrowser,
     .Set = [](S& s) { s.Focus = S::fcFileList; s.FileSelected = 2; }, .Visible = false, .Enabled = true},
    {.Name = "BrowserOneUnreachRow", .Command = ycOpenBrowser,
     .Set = [](S& s) { s.Focus = S::fcUnreach; s.UnreachSelected = 1; }, .Visible = true, .Enabled = true},
    {.Name = "BrowserHiddenOnHistoryDay", .Command = ycOpenBrowser,
     .Set = [](S& s) { s.Focus = S::fcHistory; }, .Visible = false, .Enabled = true},
    {.Name = "MakeRootBelowTopPage", .Command = ycMakeRoot,
     .Set = [](S& s) { s.TreeNodeDepth = 2; }, .Visible = true, .Enabled = true},
    {.Name = "MakeRootHiddenOnTopPage", .Command = ycMakeRoot,
     .Set = [](S& s) { s.TreeNodeDepth = 1; }, .Visible = false, .Enabled = true},
    {.Name = "MakeRootHiddenOnHistoryTab", .Command = ycMakeRoot,
     .Set = [](S& s) { s.TreeNodeDepth = 3; s.NaviTab = S::ntHistory; }, .Visible = false, .Enabled = true},
    {.Name = "CopySourceSelection", .Command = ycCopy,
     .Set = [](S& s) { s.Focus = S::fcSource; s.SourceSelection = true; }, .Visible = true, .Enabled = true},
    {.Name = "CopyHiddenSourceNoSelection", .Command = ycCopy,
     .Set = [](S& s) { s.Focus = S::fcSource; }, .Visible = false, .Enabled = true},
    {.Name = "CopyFolderListing", .Command = ycCopy,
     .Set = [](S& s) { s.Focus = S::fcFileList; s.FileSelected = 1; s.Local = s.LocalList = true; }, .Visible = true, .Enabled = true},
    {.Name = "CopyHiddenWebList", .Command = ycCopy,
     .Set = [](S& s) { s.Focus = S::fcFileList; s.FileSelected = 1; }, .Visible = false, .Enabled = true},
    {.Name = "CutFolderListing", .Command = ycCut,
     .Set = [](S& s) { s.Focus = S::fcFileList; s.FileSelected = 1; s.Local = s.LocalList = true; }, .Visible = true, .Enabled = true},
    {.Name = "CutHiddenLocalPageFile", .Command = ycCut,
     .Set = [](S& s) { s.Focus = S::fcFileList; s.FileSelected = 1; s.Local = true; }, .Visible = false, .Enabled = true},
    {.Name = "PasteIntoFolderListing", .Command = ycPaste,
     .Set = [](S& s) { s.Local = s.LocalList = true; s.ClipboardFiles = true; }, .Visible = true, .Enabled = true},
    {.Name = "PasteHiddenOnLocalHtmlFile", .Command = ycPaste,
     .Set = [](S& s) { s.Local = true; s.ClipboardFiles = true; }, .Visible = false, .Enabled = true},
    {.Name = "PasteHiddenWithoutFiles", .Command = ycPaste,
     .Set = [](S& s) { s.Local = s.LocalList = true; }, .Visible = false, .Enabled = true},
    {.Name = "DeleteInHistory", .Command = ycDelete,
     .Set = [](S& s) { s.Focus = S::fcHistory; }, .Visible = true, .Enabled = true},
    {.Name = "DeleteUnreachSelection", .Command = ycDelete,
     .Set = [](S& s) { s.Focus = S::fcUnreach; s.UnreachSelected = 1; }, .Visible = true, .Enabled = true},
    {.Name = "DeleteHiddenInTree", .Command = ycDelete,
     .Set = [](S& s) { s.Focus = S::fcTree; s.TreeNodeFile = true; }, .Visible = false, .Enabled = true},
    {.Name = "SelAllSource", .Command = ycSelAll,
     .Set = [](S& s) { s.Focus = S::fcSource; }, .Visible = true, .Enabled = true},
    {.Name = "SelAllHiddenEmptySource", .Command = ycSelAll,
     .Set = [](S& s) { s.Focus = S::fcSource; s.SourceEmpty = true; }, .Visible = false, .Enabled = true},
    {.Name = "AddFavoriteWithPage", .Command = ycAddFavorite, .Set = [](S&) {}, .Visible = true, .Enabled = true},
    {.Name = "AddFavoriteDisabledWithoutPage", .Command = ycAddFavorite,
     .Set = [](S& s) { s.NoPage = true; }, .Visible = true, .Enabled = false},
    {.Name = "AddFavoriteDisabledOnMail", .Command = ycAddFavorite,
     .Set = [](S& s) { s.MailPage = true; }, .Visible = true, .Enabled = false},
    {.Name = "PopAddFavoriteHiddenWithoutPage", .Command = ycPopAddFavorite,
     .Set = [](S& s) { s.NoPage = true; }, .Visible = false, .Enabled = true},
    {.Name = "UpdateDisabledWithoutPage", .Command = ycUpdate,
     .Set = [](S& s) { s.NoPage = true; }, .Visible = true, .Enabled = false},
    {.Name = "PopUpdateHiddenOnMail", .Command = ycPopUpdate,
     .Set = [](S& s) { s.MailPage = true; }, .Visible = false, .Enabled = true},
    {.Name = "BackWhenPossible", .Command = ycBack, .Set = [](S& s) { s.CanBack = true; }, .Visible = true, .Enabled = true},
    {.Name = "BackDisabled", .Command = ycBack, .Set = [](S&) {}, .Visible = true, .Enabled = false},
    {.Name = "ForwardWhenPossible", .Command = ycForward,
     .Set = [](S& s) { s.CanForward = true; }, .Visible = true, .Enabled = true},
    {.Name = "ForwardDisabled", .Command = ycForward, .Set = [](S& s) { s.CanBack = true; }, .Visible = true, .Enabled = false},
    {.Name = "CharsetWithPage", .Command = ycCharset, .Set = [](S&) {}, .Visible = true, .Enabled = true},
    {.Name = "CharsetHiddenWithoutPage", .Command = ycCharset,
     .Set = [](S& s) { s.NoPage = true; }, .Visible = false, .Enabled = true},
    {.Name = "CharsetHiddenOnMail", .Command = ycCharset,
     .Set = [](S& s) { s.MailPage = true; }, .Visible = false, .Enabled = true},
    {.Name = "FilterDropDownOnFileTab", .Command = ycFilterDropDown, .Set = [](S&) {}, .Visible = true, .Enabled = true},
    {.Name = "FilterDropDownNotOnSourceTab", .Command = ycFilterDropDown,
     .Set = [](S& s) { s.RightTab = S::rtSource; }, .Visible = true, .Enabled = false},
    {.Name = "RulelessCommandAlwaysRuns", .Command = ycAlways,
     .Set = [](S& s) { s.NoPage = true; }, .Visible = true, .Enabled = true},
};

class YarvCommandRulesTest : public testing::TestWithParam<TRuleCase> {};

TEST_P(YarvCommandRulesTest, VisibleAndEnabled) {
    const TRuleCase& c = GetParam();
    S s = Loaded();
    c.Set(s);
    const TYarvCommandRule rule = TYarvCommandRules::Rule(c.Command, s);
    EXPECT_EQ(rule.Visible, c.Visible);
    EXPECT_EQ(rule.Enabled, c.Enabled);
}

INSTANTIATE_TEST_SUITE_P(Rows, YarvCommandRulesTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<TRuleCase>& info) { return std::string(info.param.Name); });

TEST(YarvCommandRulesNothingLoaded, UpdateAndFavoriteDisabledCharsetHidden) {
    const S s; // the state at start
    EXPECT_FALSE(TYarvCommandRules::Rule(ycUpdate, s).Enabled);
    EXPECT_FALSE(TYarvCommandRules::Rule(ycAddFavorite, s).Enabled);
    EXPECT_FALSE(TYarvCommandRules::Rule(ycCharset, s).Visible);
    EXPECT_FALSE(TYarvCommandRules::Rule(ycPageProperty, s).Visible);
    EXPECT_FALSE(TYarvCommandRules::Rule(ycProperty, s).Visible);
    EXPECT_TRUE(TYarvCommandRules::Rule(ycAlways, s).Runs()); // open, stop
}

TEST(YarvCommandRulesWindowEntry, FirstTenGetAnAccessKey) {
    EXPECT_EQ(TYarvCommandRules::WindowEntryCaption(0, "1-dl"), "&0: 1-dl");
    EXPECT_EQ(TYarvCommandRules::WindowEntryCaption(9, "x"), "&9: x");
    EXPECT_EQ(TYarvCommandRules::WindowEntryCaption(10, "x"), "x");
}

} // namespace
