#include "cli/CliGetCommand.h"

#include "cli/CliEngine.h"
#include "cli/CliSignals.h"
#include "download/QorDownloadList.h"
#include "download/QorUnreachList.h"
#include "engine/QorFile.h"
#include "engine/QorURLExpand.h"
#include "platform/CodePage.h"
#include "platform/DateTime.h"
#include "platform/FileOps.h"
#include "platform/SystemFolders.h"
#include "platform/Thread.h"
#include "platform/WinPath.h"

#include <chrono>
#include <iostream>
#include <iterator>
#include <unistd.h>

namespace {

void Write(FILE* f, const std::string& cp932) {
    std::string utf8 = TCodePage::ToUtf8(cp932);
    std::fwrite(utf8.data(), 1, utf8.size(), f);
}

bool ReadInput(const std::string& name, std::string& text) {
    if (name == "-") {
        text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
        return true;
    }
    return TFileOps::ReadWholeFile(TWinPath::FromNative(name), text);
}

} // namespace

TCliGetCommand::TCliGetCommand(TCliEngine& engine, const TCliOptions& options, FILE* out, FILE* err)
    : engine_(engine), options_(options), out_(out), err_(err), terminal_(::isatty(::fileno(err)) != 0) {}

bool TCliGetCommand::CollectAddresses(std::vector<std::string>& addresses, TQorUnreachList& unreach) {
    std::string text;
    for (const std::string& a : options_.Addresses) text += TCodePage::FromUtf8(a) + "\n";
    if (!options_.InputFile.empty()) {
        std::string input;
        if (!ReadInput(options_.InputFile, input)) {
            std::fprintf(err_, "vorlen-cli: cannot read %s\n", options_.InputFile.c_str());
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

void TCliGetCommand::Draw(const TQorDownloadList& list, int& drawnLines) {
    if (!terminal_) return;
    // Back to the first line of the last drawing and clear below it.
    if (drawnLines > 0) std::fprintf(err_, "\x1b[%dA\x1b[J", drawnLines);
    drawnLines = 0;
    for (int i = 0; i < list.Count(); ++i) {
        TQorDownloadRow row = list.GetRow(i);
        const TQorDownloadManager* m = row.Data;
        if (!m || (m->State != 1 && m->State != 2)) continue;
        // name, state, size, downloaded, rate, remaining time
        Write(err_, row.Caption + "  " + row.SubItems[0] + "  " + row.SubItems[1] + "  " + row.SubItems[2] +
                        "  " + row.SubItems[5] + "  " + row.SubItems[6] + "\n");
        ++drawnLines;
    }
    std::fflush(err_);
}

int TCliGetCommand::Run() {
    const std::string unreachPath = engine_.Setting->DataFolder + "unreach.dat";
    TQorUnreachList unreach;
    unreach.SaveDay = engine_.Option.UnreachSave;
    unreach.LoadFromFile(unreachPath);

    std::vector<std::string> addresses;
    if (!CollectAddresses(addresses, unreach)) return 1;
    if (addresses.empty()) {
        std::fprintf(err_, "vorlen-cli: nothing to download\n");
        return 1;
    }

    TQorDownloadList list;
    list.Conn = &engine_.Conn;
    list.CachePath = engine_.Setting->CacheFolder;
    list.LoadCount = options_.Parallel > 0 ? options_.Parallel : engine_.Option.LoadCount;
    list.DirReapp = options_.DirReapp || engine_.Option.DirReapp;
    list.RetryWait = options_.RetryWait.value_or(engine_.Option.RetryWait);
    if (options_.Retry) list.RetryCount = *options_.Retry;
    if (options_.SkipAtMostKB || options_.SkipAtLeastKB) {
        list.CheckSize = true;
        list.SizeVector = options_.SkipAtMostKB.has_value();
        list.LimitSize = options_.SkipAtMostKB.value_or(options_.SkipAtLeastKB.value_or(0)) * 1024;
    }
    std::string folder = options_.SaveFolder.empty() ? TSystemFolders::CurrentFolder()
                                                     : TWinPath::FromNative(options_.SaveFolder);
    if (!TFileOps::DirectoryExists(folder)) {
        std::fprintf(err_, "vorlen-cli: no such folder: %s\n",
                     options_.SaveFolder.empty() ? "." : options_.SaveFolder.c_str());
        return 1;
    }
    list.SetDefaultSaveDir(folder);

    int succeeded = 0, failed = 0;
    bool processed = false;
    list.OnLoaded = [&](TQorDownloadList*, bool success, TQorFile* file) {
        success ? ++succeeded : ++failed;
        // A finished file leaves the unfinished-file list.
        if (success) unreach.DeleteByURL(file->URL->GetURL());
        // Without a terminal to redraw, each file says how it ended.
        if (!terminal_) Write(err_, file->URL->GetURL() + "\t" + (success ? "ok" : "failed") + "\n");
    };
    list.OnProcessed = [&](TQorDownloadList*) { processed = true; };

    for (const std::string& address : addresses) {
        TQorFile file(address);
        list.AddFile(&file);
    }

    TCliSignals signals;
    int drawn = 0;
    auto lastDraw = std::chrono::steady_clock::now() - std::chrono::seconds(1);
    list.Download();
    while (!processed && !signals.Interrupted()) {
        TThread::CheckSynchronize(100);
        auto now = std::chrono::steady_clock::now();
        if (now - lastDraw >= std::chrono::seconds(1)) {
            Draw(list, drawn);
            lastDraw = now;
        }
    }
    const bool interrupted = signals.Interrupted() && !processed;
    if (interrupted) {
        // As a closing download window does: every row not finished when the
        // window closes goes to the unfinished-file list, with what its
        // partial file holds once its transfer has stopped.
        std::vector<const TQorDownloadManager*> unfinished;
        for (TQorDownloadRow* row : list.GetUnfinished())
            if (row->Data) unfinished.push_back(row->Data);
        list.OnLoaded = nullptr;
        list.CancelAll();
        const std::string updated = TDateTimeText::DateTimeText(TDateTimeText::Now());
        for (const TQorDownloadManager* m : unfinished)
            unreach.Add(m->File->URL->GetURL(), m->FileSize, m->LoadSize, list.GetProgress(m), updated);
    }
    Draw(list, drawn);
    if (!unreach.SaveToFile(unreachPath))
        std::fprintf(err_, "vorlen-cli: cannot write %s\n", TCodePage::ToUtf8(unreachPath).c_str());

    Write(err_, SJ("成功:") + std::to_string(succeeded) + " " + SJ("失敗:") + std::to_string(failed) + "\n");
    std::fflush(out_);
    if (interrupted) {
        std::fprintf(err_, "vorlen-cli: interrupted; unfinished files are in the unfinished-file list\n");
        return 130;
    }
    return failed > 0 ? 5 : 0;
}
