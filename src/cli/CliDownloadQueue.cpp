#include "cli/CliDownloadQueue.h"

#include "cli/CliEngine.h"
#include "cli/CliOptions.h"
#include "cli/CliText.h"
#include "engine/QorFile.h"
#include "platform/DateTime.h"
#include "platform/FileOps.h"
#include "platform/SystemFolders.h"
#include "platform/WinPath.h"

#include <unistd.h>

TCliDownloadQueue::TCliDownloadQueue(TCliEngine& engine, const TCliOptions& options, FILE* err)
    : engine_(engine), options_(options), err_(err), terminal_(::isatty(::fileno(err)) != 0) {
    unreachPath_ = engine_.Setting->DataFolder + "unreach.dat";
    unreach_.SaveDay = engine_.Option.UnreachSave;
    unreach_.LoadFromFile(unreachPath_);
}

bool TCliDownloadQueue::Prepare() {
    list_.Conn = &engine_.Conn;
    list_.CachePath = engine_.Setting->CacheFolder;
    list_.LoadCount = options_.Parallel > 0 ? options_.Parallel : engine_.Option.LoadCount;
    list_.DirReapp = options_.DirReapp || engine_.Option.DirReapp;
    list_.RetryWait = options_.RetryWait.value_or(engine_.Option.RetryWait);
    if (options_.Retry) list_.RetryCount = *options_.Retry;
    if (options_.SkipAtMostKB || options_.SkipAtLeastKB) {
        list_.CheckSize = true;
        list_.SizeVector = options_.SkipAtMostKB.has_value();
        list_.LimitSize = options_.SkipAtMostKB.value_or(options_.SkipAtLeastKB.value_or(0)) * 1024;
    }
    const std::string folder = options_.SaveFolder.empty() ? TSystemFolders::CurrentFolder()
                                                           : TWinPath::FromNative(options_.SaveFolder);
    if (!TFileOps::DirectoryExists(folder)) {
        std::fprintf(err_, "vorlen-cli: no such folder: %s\n",
                     options_.SaveFolder.empty() ? "." : options_.SaveFolder.c_str());
        return false;
    }
    list_.SetDefaultSaveDir(folder);

    list_.OnLoaded = [this](TQorDownloadList*, bool success, TQorFile* file) {
        success ? ++succeeded_ : ++failed_;
        // A finished file leaves the unfinished-file list.
        if (success) unreach_.DeleteByURL(file->URL->GetURL());
        // Without a terminal to redraw, each file says how it ended.
        if (!terminal_) TCliText::Write(err_, file->URL->GetURL() + "\t" + (success ? "ok" : "failed") + "\n");
    };
    list_.OnProcessed = [this](TQorDownloadList*) { processed_ = true; };
    return true;
}

void TCliDownloadQueue::Add(const TQorFile& file) {
    processed_ = false;
    list_.AddFile(&file);
}

void TCliDownloadQueue::SetStatus(std::string_view cp932) {
    if (!terminal_) {
        TCliText::Write(err_, std::string(cp932) + "\n");
        return;
    }
    status_ = cp932;
    statusChanged_ = true;
}

void TCliDownloadQueue::Tick() {
    if (!terminal_) return;
    const auto now = std::chrono::steady_clock::now();
    // A new status is worth a redraw of its own, but not more than ten a
    // second: a fast crawl would spend its time drawing.
    const auto wait = statusChanged_ ? std::chrono::milliseconds(100) : std::chrono::milliseconds(1000);
    if (now - lastDraw_ < wait) return;
    Draw();
    lastDraw_ = now;
}

void TCliDownloadQueue::Draw() {
    if (!terminal_) return;
    // Back to the first line of the last drawing and clear below it.
    if (drawn_ > 0) std::fprintf(err_, "\x1b[%dA\x1b[J", drawn_);
    drawn_ = 0;
    if (!status_.empty()) {
        TCliText::Write(err_, status_ + "\n");
        ++drawn_;
    }
    statusChanged_ = false;
    for (int i = 0; i < list_.Count(); ++i) {
        TQorDownloadRow row = list_.GetRow(i);
        const TQorDownloadManager* m = row.Data;
        if (!m || (m->State != 1 && m->State != 2)) continue;
        // name, state, size, downloaded, rate, remaining time
        TCliText::Write(err_, row.Caption + "  " + row.SubItems[0] + "  " + row.SubItems[1] + "  " +
                                  row.SubItems[2] + "  " + row.SubItems[5] + "  " + row.SubItems[6] + "\n");
        ++drawn_;
    }
    std::fflush(err_);
}

int TCliDownloadQueue::Finish(bool interrupted) {
    if (interrupted) {
        // As a closing download window does: every row not finished when the
        // window closes goes to the unfinished-file list, with what its
        // partial file holds once its transfer has stopped.
        std::vector<const TQorDownloadManager*> unfinished;
        for (TQorDownloadRow* row : list_.GetUnfinished())
            if (row->Data) unfinished.push_back(row->Data);
        list_.OnLoaded = nullptr;
        list_.CancelAll();
        const std::string updated = TDateTimeText::DateTimeText(TDateTimeText::Now());
        for (const TQorDownloadManager* m : unfinished)
            unreach_.Add(m->File->URL->GetURL(), m->FileSize, m->LoadSize, list_.GetProgress(m), updated);
    }
    Draw();
    if (!unreach_.SaveToFile(unreachPath_))
        std::fprintf(err_, "vorlen-cli: cannot write %s\n", TCodePage::ToUtf8(unreachPath_).c_str());
    TCliText::Write(err_, SJ("成功:") + std::to_string(succeeded_) + " " + SJ("失敗:") + std::to_string(failed_) + "\n");
    if (interrupted) {
        std::fprintf(err_, "vorlen-cli: interrupted; unfinished files are in the unfinished-file list\n");
        return 130;
    }
    return failed_ > 0 ? 5 : 0;
}
