#include "cli/CliPageCommand.h"

#include "cli/CliConnectWatch.h"
#include "cli/CliEngine.h"
#include "cli/CliFailure.h"
#include "cli/CliSignals.h"
#include "cli/CliText.h"
#include "engine/QorLoadManager.h"
#include "engine/QorPageItems.h"
#include "platform/CodePage.h"
#include "platform/Thread.h"

#include <string>

int TCliPageCommand::Run() {
    const bool ja = options_.Japanese;
    const bool headOnly = options_.Command == "head";
    TQorLoadManager manager;
    engine_.Configure(manager, options_);
    manager.KeepBody = false; // the page is printed from its copy
    // The header alone comes from the server, never from the cache.
    if (headOnly) manager.UnreadCache = true;

    manager.OnAuthorize = TCliEngine::Authorizer(options_);
    if (headOnly) {
        manager.OnHead = [](TQorLoadThread*, TQorFile&, bool, bool& getEntity) { getEntity = false; };
    }
    TCliConnectWatch watch;
    watch.Attach(manager);

    bool done = false;
    int state = 0, reply = 0;
    bool local = false;
    TConnectFailure failure = cfNone;
    manager.OnLoaded = [&](TQorLoadManager* sender, int s, int r) {
        done = true;
        state = s;
        reply = r;
        local = sender->Local;
        failure = watch.Take();
        // Nothing came: no answer to print (an address of a scheme that is
        // not fetched ends so too).
        if (s != 0 || (r == 0 && !sender->Local)) return;
        TQorPageItems& items = *sender->PageItems;
        if (options_.Command == "list") {
            // Whole lines in blocks of about 16 KiB, each converted and
            // written in one go.
            std::string block;
            for (const auto& file : items.Files) {
                block += std::to_string(file->Kind);
                block += '\t';
                if (file->Kind == TQorFile::kMail)
                    block += file->URL->FileName;
                else
                    file->URL->AppendURL(block);
                block += '\t';
                block += file->AnchorString;
                block += '\n';
                if (block.size() >= 16 * 1024) {
                    TCliText::Write(out_, block);
                    block.clear();
                }
            }
            TCliText::Write(out_, block);
        } else if (options_.Command == "source") {
            TCliText::Write(out_, items.Source);
        } else {
            TCliText::Write(out_, sender->HeadText);
            if (!sender->HeadText.empty()) TCliText::Write(out_, "\r\n");
        }
        TCliText::Write(err_, TCliText::Pick(ja, "状態: ", "status: ") + std::to_string(r) + "\n");
        if (options_.Command != "head") {
            TCliText::Write(err_, TCliText::Pick(ja, "タイトル: ", "title: ") + items.Title + "\n");
        }
    };

    const std::string address = TCliEngine::AddressFromArgument(options_.Addresses[0]);
    TQorFile page(address);
    TCliSignals signals;
    manager.Load(&page);
    while (!done) {
        if (signals.Interrupted()) {
            manager.Cancel();
            break;
        }
        TThread::CheckSynchronize(100);
    }
    std::fflush(out_);

    // The header of a redirection not followed on purpose is what head
    // was asked for; otherwise a 3xx at the end brought no page.
    const bool take3xx = headOnly && options_.NoRedirect;
    std::string reason;
    int status = TCliFailure::Page(signals.Interrupted() ? 1 : state, reply, local, take3xx, failure, watch.Detail(), engine_.Conn, ja,
                                   reason);
    if (status != 0) TCliText::Error(err_, TCodePage::FromUtf8(options_.Addresses[0]) + ": " + reason);
    return status;
}
