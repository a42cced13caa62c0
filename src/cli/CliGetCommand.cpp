#include "cli/CliGetCommand.h"

#include "cli/CliDownloadQueue.h"
#include "cli/CliEngine.h"
#include "cli/CliSignals.h"
#include "cli/CliText.h"
#include "download/QorUnreachList.h"
#include "engine/QorFile.h"
#include "engine/QorURLExpand.h"
#include "platform/CodePage.h"
#include "platform/FileOps.h"
#include "platform/Thread.h"
#include "platform/WinPath.h"

#include <iostream>
#include <iterator>

namespace {

bool ReadInput(const std::string& name, std::string& text) {
    if (name == "-") {
        text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
        return true;
    }
    return TFileOps::ReadWholeFile(TWinPath::FromNative(name), text);
}

} // namespace

bool TCliGetCommand::CollectAddresses(std::vector<std::string>& addresses, TQorUnreachList& unreach) {
    std::string text;
    for (const std::string& a : options_.Addresses) text += TCodePage::FromUtf8(a) + "\n";
    if (!options_.InputFile.empty()) {
        std::string input;
        if (!ReadInput(options_.InputFile, input)) {
            TCliText::Error(err_, TCliText::Pick(options_.Japanese, "読み込めません: ", "cannot read ") +
                                      TCodePage::FromUtf8(options_.InputFile));
            return false;
        }
        text += TCodePage::FromUtf8(input) + "\n";
    }
    TQorURLExpand expand(text);
    addresses = expand.Lines;
    if (options_.Unfinished) {
        for (int i = 0; i < unreach.EntryCount(); ++i) addresses.push_back(unreach.GetFile(i)->URL);
    }
    std::erase_if(addresses, [](const std::string& a) { return a.empty(); });
    return true;
}

int TCliGetCommand::Run() {
    TCliDownloadQueue queue(engine_, options_, err_);
    std::vector<std::string> addresses;
    if (!CollectAddresses(addresses, queue.Unreach())) return 1;
    if (addresses.empty()) {
        TCliText::Error(err_, TCliText::Pick(options_.Japanese, "ダウンロードするものがありません", "nothing to download"));
        return 1;
    }
    if (!queue.Prepare()) return 1;
    for (const std::string& address : addresses) queue.Add(TQorFile(address));

    TCliSignals signals;
    queue.Start();
    while (!queue.Processed() && !signals.Interrupted()) {
        TThread::CheckSynchronize(100);
        queue.Tick();
    }
    const int status = queue.Finish(signals.Interrupted() && !queue.Processed());
    std::fflush(out_);
    return status;
}
