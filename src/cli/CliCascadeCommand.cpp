#include "cli/CliCascadeCommand.h"

#include "cli/CliConnectWatch.h"
#include "cli/CliDownloadQueue.h"
#include "cli/CliEngine.h"
#include "cli/CliFailure.h"
#include "cli/CliSignals.h"
#include "cli/CliText.h"
#include "download/CascadeLoader.h"
#include "engine/QorLoadManager.h"
#include "engine/QorPageItems.h"
#include "platform/CodePage.h"
#include "platform/Thread.h"

#include <memory>
#include <optional>
#include <string>

namespace {

// The cascade tab's checks with the window's texts, or their English.
std::string InputMessage(TCascadeLoader::TInputCheck check, bool japanese) {
    switch (check) {
    case TCascadeLoader::kInputNoStart:
        return TCliText::Pick(japanese, "開始アドレスが空です。", "the start address is empty");
    case TCascadeLoader::kInputLevelsText:
        return TCliText::Pick(japanese, "追跡階層数が不正です。", "the number of levels is not a number");
    case TCascadeLoader::kInputLevelsRange:
        return TCliText::Pick(japanese, "追跡階層数は 1 から 9999 の間で設定してください。",
                              "the number of levels must be from 0 to 9999");
    default:
        return std::string();
    }
}

} // namespace

int TCliCascadeCommand::Run() {
    const bool ja = options_.Japanese;
    const std::string start = TCliEngine::AddressFromArgument(options_.Addresses[0]);
    const auto check = TCascadeLoader::CheckInputFailure(start, TCodePage::FromUtf8(options_.Levels.value_or("")));
    if (check != TCascadeLoader::kInputOk) {
        TCliText::Error(err_, InputMessage(check, ja));
        return 1;
    }

    const bool listOnly = options_.ListOnly;
    std::optional<TCliDownloadQueue> queue;
    if (!listOnly) {
        queue.emplace(engine_, options_, err_);
        if (!queue->Prepare()) return 1;
    }
    auto status = [&](const std::string& text) {
        if (queue) {
            queue->SetStatus(text);
        } else {
            TCliText::Write(err_, text + "\n");
        }
    };
    auto line = [&](const std::string& text) {
        if (queue) {
            queue->Line(text);
        } else {
            TCliText::Write(err_, text + "\n");
        }
    };

    // Owned here rather than freed by itself, so that its end (and the
    // removal of its temporary files) is over before the command returns.
    auto loader = std::make_unique<TCascadeLoader>(&engine_.Conn, start);
    loader->FreeOnTerminate = false;
    loader->Levels = TCascadeLoader::LevelsValue(options_.Levels.value_or(""));
    loader->PathType = options_.Scope;
    loader->SetExt(TCodePage::FromUtf8(options_.Ext));
    loader->SetPageQuery(TCodePage::FromUtf8(options_.PageQuery));
    loader->SetFileQuery(TCodePage::FromUtf8(options_.FileQuery));
    TQorLoadManager& manager = *loader->LoadManager;
    manager.ForceCharset = TCliEngine::CharsetOption(options_);
    manager.PageItems->SearchAnchor = !options_.NoTextSearch;
    manager.OnAuthorize = TCliEngine::Authorizer(options_);

    // How each page load ended, read when the crawl says the page was
    // searched (the load's end report comes before that, on this thread or,
    // for a local page, on the crawl's). The crawl's own handler still runs.
    TCliConnectWatch watch;
    watch.Attach(manager);
    int pageState = 0, pageReply = 0;
    bool pageLocal = false;
    TConnectFailure pageFailure = cfNone;
    auto pageLoaded = manager.OnLoaded;
    manager.OnLoaded = [&, pageLoaded](TQorLoadManager* sender, int s, int r) {
        pageState = s;
        pageReply = r;
        pageLocal = sender->Local;
        pageFailure = watch.Take();
        if (pageLoaded) pageLoaded(sender, s, r);
    };
    int pages = 0;
    int startStatus = 0;
    std::string startReason;

    loader->OnSearchPage = [&](TCascadeLoader*, TQorFile* page) {
        if (listOnly) std::fflush(out_);
        const std::string url = page->URL->GetURL();
        status(ja ? url + SJ(" を検索しています...") : "searching " + url + " ...");
    };
    loader->OnSearchedPage = [&](TCascadeLoader* sender, TQorFile* page) {
        const std::string url = page->URL->GetURL();
        std::string reason;
        const int failed = sender->Canceled ? 0
                                            : TCliFailure::Page(pageState, pageReply, pageLocal, false, pageFailure, watch.Detail(),
                                                                engine_.Conn, ja, reason);
        if (pages++ == 0) {
            startStatus = failed;
            startReason = reason;
        }
        if (failed != 0) {
            line(url + "\t" + TCliText::Pick(ja, "失敗: ", "failed: ") + reason);
            return;
        }
        status(ja ? url + SJ(" からファイルを取得しています...") : "taking the files of " + url + " ...");
    };
    loader->OnFindFile = [&](TCascadeLoader*, TQorFile* file) {
        if (listOnly) {
            TCliText::Write(out_, file->URL->GetURL() + "\n");
            return;
        }
        queue->Add(*file);
        queue->Start();
    };
    bool ended = false;
    TCascadeLoader* crawl = loader.get(); // still valid while its end notification runs
    loader->OnTerminate = [&, crawl](TThread*) {
        ended = true;
        if (!crawl->Canceled && startStatus == 0)
            status(TCliText::Pick(ja, "全てのページの検索が完了しました。", "all pages searched."));
    };

    TCliSignals signals;
    loader->Start();
    auto done = [&] { return ended && (!queue || queue->Processed()); };
    while (!done() && !signals.Interrupted()) {
        TThread::CheckSynchronize(100);
        if (queue) queue->Tick();
    }
    const bool interrupted = signals.Interrupted() && !done();
    if (interrupted) loader->Cancel();
    loader.reset();
    std::fflush(out_);
    int result = 0;
    if (queue) result = queue->Finish(interrupted);
    if (interrupted) {
        if (!queue) TCliText::Error(err_, TCliText::Pick(ja, "中断しました", "interrupted"));
        return 130;
    }
    // The crawl found nothing because its start page did not come: that is
    // the run's failure, not an empty site.
    if (startStatus != 0) {
        TCliText::Error(err_, TCliText::Pick(ja, "開始ページを取得できません: ", "the start page failed: ") +
                                  TCodePage::FromUtf8(options_.Addresses[0]) + ": " + startReason);
        return startStatus;
    }
    return result;
}
