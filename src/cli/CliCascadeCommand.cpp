#include "cli/CliCascadeCommand.h"

#include "cli/CliDownloadQueue.h"
#include "cli/CliEngine.h"
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

int TCliCascadeCommand::Run() {
    const std::string start = TCliEngine::AddressFromArgument(options_.Addresses[0]);
    std::string message;
    if (!TCascadeLoader::CheckInput(start, TCodePage::FromUtf8(options_.Levels.value_or("")), message)) {
        TCliText::Write(err_, "vorlen-cli: " + message + "\n");
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

    loader->OnSearchPage = [&](TCascadeLoader*, TQorFile* page) {
        if (listOnly) std::fflush(out_);
        status(page->URL->GetURL() + SJ(" を検索しています..."));
    };
    loader->OnSearchedPage = [&](TCascadeLoader*, TQorFile* page) {
        status(page->URL->GetURL() + SJ(" からファイルを取得しています..."));
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
        if (!crawl->Canceled) status(SJ("全てのページの検索が完了しました。"));
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
    if (queue) return queue->Finish(interrupted);
    if (interrupted) {
        std::fprintf(err_, "vorlen-cli: interrupted\n");
        return 130;
    }
    return 0;
}
