#include "cli/CliPageCommand.h"

#include "cli/CliEngine.h"
#include "cli/CliSignals.h"
#include "cli/CliText.h"
#include "engine/QorLoadManager.h"
#include "engine/QorPageItems.h"
#include "platform/CodePage.h"
#include "platform/Thread.h"

#include <string>

namespace {

// The address a line shows: a mail record's is the address itself.
std::string RecordAddress(const TQorFile& file) {
    return file.Kind == TQorFile::kMail ? file.URL->FileName : file.URL->GetURL();
}

const char* LocalMessage(int reply) {
    switch (reply) {
    case 900: return "nothing to show at that address";
    case 904: return "no such file";
    case 905: return "the file cannot be read";
    default: return nullptr;
    }
}

} // namespace

int TCliPageCommand::Run() {
    const bool headOnly = options_.Command == "head";
    TQorLoadManager manager;
    engine_.Configure(manager, options_);
    // The header alone comes from the server, never from the cache.
    if (headOnly) manager.UnreadCache = true;

    manager.OnAuthorize = TCliEngine::Authorizer(options_);
    if (headOnly) {
        manager.OnHead = [](TQorLoadThread*, TQorFile&, bool, bool& getEntity) { getEntity = false; };
    }

    bool done = false;
    int state = 0, reply = 0;
    manager.OnLoaded = [&](TQorLoadManager* sender, int s, int r) {
        done = true;
        state = s;
        reply = r;
        if (s != 0) return;
        TQorPageItems& items = *sender->PageItems;
        if (options_.Command == "list") {
            for (const auto& file : items.Files) {
                TCliText::Write(out_, std::to_string(file->Kind) + "\t" + RecordAddress(*file) + "\t" +
                                file->AnchorString + "\n");
            }
        } else if (options_.Command == "source") {
            TCliText::Write(out_, items.Source);
        } else {
            TCliText::Write(out_, sender->HeadText);
            if (!sender->HeadText.empty()) TCliText::Write(out_, "\r\n");
        }
        std::fprintf(err_, "status: %d\n", r);
        if (options_.Command != "head") {
            TCliText::Write(err_, "title: " + items.Title + "\n");
        }
    };

    TQorFile page(TCliEngine::AddressFromArgument(options_.Addresses[0]));
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

    if (signals.Interrupted() || state == 1) {
        std::fprintf(err_, "vorlen-cli: interrupted\n");
        return 130;
    }
    if (state == 3) {
        std::fprintf(err_, "vorlen-cli: timed out\n");
        return 3;
    }
    if (state != 0) {
        std::fprintf(err_, "vorlen-cli: cannot connect: %s\n", options_.Addresses[0].c_str());
        return 2;
    }
    if (reply >= 400) {
        const char* local = LocalMessage(reply);
        if (local) std::fprintf(err_, "vorlen-cli: %s: %s\n", local, options_.Addresses[0].c_str());
        else std::fprintf(err_, "vorlen-cli: the server answered %d\n", reply);
        return 4;
    }
    return 0;
}
