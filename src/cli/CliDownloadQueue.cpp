#include "cli/CliDownloadQueue.h"

#include "cli/CliEngine.h"
#include "cli/CliFailure.h"
#include "cli/CliOptions.h"
#include "cli/CliText.h"
#include "download/SizeText.h"
#include "engine/QorFile.h"
#include "platform/DateTime.h"
#include "platform/FileOps.h"
#include "platform/SystemFolders.h"
#include "platform/WinPath.h"

#include <climits>

#include <unistd.h>

TCliDownloadQueue::TCliDownloadQueue(TCliEngine& engine, const TCliOptions& options, FILE* err)
    : engine_(engine), options_(options), err_(err), terminal_(::isatty(::fileno(err)) != 0),
      japanese_(options.Japanese) {
    unreachPath_ = engine_.Setting->DataFolder + "unreach.dat";
    unreach_.SaveDay = engine_.Option.UnreachSave;
    unreach_.LoadFromFile(unreachPath_);
}

TCliDownloadQueue::~TCliDownloadQueue() { FlushLines(); }

bool TCliDownloadQueue::Prepare() {
    list_.Conn = &engine_.Conn;
    list_.CachePath = engine_.Setting->CacheFolder;
    list_.LoadCount = options_.Parallel > 0 ? options_.Parallel : engine_.Option.LoadCount;
    list_.DirReapp = options_.DirReapp || engine_.Option.DirReapp;
    list_.RetryWait = options_.RetryWait.value_or(engine_.Option.RetryWait);
    list_.RetryCount = options_.Retry.value_or(TCliOptions::kDefaultTries);
    if (options_.SkipAtMostKB || options_.SkipAtLeastKB) {
        list_.CheckSize = true;
        list_.SizeVector = options_.SkipAtMostKB.has_value();
        list_.LimitSize = options_.SkipAtMostKB.value_or(options_.SkipAtLeastKB.value_or(0)) * 1024;
    }
    // Made when missing, as wget's -P makes its folder.
    const std::string folder = options_.SaveFolder.empty() ? TSystemFolders::CurrentFolder()
                                                           : TWinPath::FromNative(options_.SaveFolder);
    if (!TFileOps::DirectoryExists(folder) && !TFileOps::ForceDirectories(folder)) {
        const std::string shown = TCodePage::FromUtf8(options_.SaveFolder.empty() ? "." : options_.SaveFolder);
        TCliText::Error(err_, TCliText::Pick(japanese_, "保存先フォルダを作成できません: ", "cannot create the save folder ") +
                                  shown);
        return false;
    }
    list_.SetDefaultSaveDir(folder);

    list_.OnLoaded = [this](TQorDownloadList*, bool, TQorFile* file) { Loaded(file); };
    list_.OnRetry = [this](TQorDownloadList*, TQorDownloadManager* m) { Retrying(m); };
    list_.OnProcessed = [this](TQorDownloadList*) { processed_ = true; };
    return true;
}

void TCliDownloadQueue::Add(const TQorFile& file) {
    processed_ = false;
    TQorDownloadRow* row = list_.AddFile(&file);
    if (row && row->Data) managers_[row->Data->File.get()] = row->Data;
}

std::string TCliDownloadQueue::Tries(const TQorDownloadManager* m) const {
    std::string text = std::to_string(m->RunCount);
    if (m->RetryCount != INT_MAX) text += "/" + std::to_string(m->RetryCount);
    return text;
}

void TCliDownloadQueue::Retrying(TQorDownloadManager* m) {
    const std::string reason = TCliFailure::Download(*m, engine_.Conn, japanese_);
    const std::string wait = std::to_string(m->RetryWait);
    const std::string text = japanese_ ? SJ("試行 ") + Tries(m) + SJ(" 失敗: ") + reason + SJ("。") + wait +
                                             SJ(" 秒後に再試行します")
                                       : "try " + Tries(m) + " failed: " + reason + "; next try in " + wait + " s";
    if (terminal_) {
        lastTry_[m] = text;
        statusChanged_ = true;
    } else {
        Line(m->File->URL->GetURL() + "\t" + text);
    }
}

void TCliDownloadQueue::Loaded(TQorFile* file) {
    auto found = managers_.find(file);
    if (found == managers_.end()) return;
    const TQorDownloadManager* m = found->second;
    lastTry_.erase(m);
    const std::string address = file->URL->GetURL();
    if (TCliFailure::Saved(*m)) {
        ++succeeded_;
        // A finished file leaves the unfinished-file list.
        unreach_.DeleteByURL(address);
        Line(address + "\t" + TCliText::Pick(japanese_, "完了", "ok"));
        return;
    }
    const std::string reason = TCliFailure::Download(*m, engine_.Conn, japanese_);
    if (TCliFailure::Skipped(*m)) {
        ++skipped_;
        Line(address + "\t" + TCliText::Pick(japanese_, "スキップ: ", "skipped: ") + reason);
        return;
    }
    ++failed_;
    std::string tries;
    if (m->RunCount > 1)
        tries = japanese_ ? SJ(" (試行 ") + std::to_string(m->RunCount) + SJ(" 回)")
                          : " (" + std::to_string(m->RunCount) + " tries)";
    Line(address + "\t" + TCliText::Pick(japanese_, "失敗: ", "failed: ") + reason + tries);
}

void TCliDownloadQueue::Emit(std::string_view cp932) {
    if (lines_.empty()) lastLines_ = std::chrono::steady_clock::now();
    lines_.append(cp932);
    lines_.push_back('\n');
    if (lines_.size() >= 16 * 1024) FlushLines();
}

void TCliDownloadQueue::FlushLines() {
    if (lines_.empty()) return;
    TCliText::Write(err_, lines_);
    std::fflush(err_);
    lines_.clear();
}

void TCliDownloadQueue::Line(std::string_view cp932) {
    if (!terminal_) {
        Emit(cp932);
        return;
    }
    Clear();
    TCliText::Write(err_, std::string(cp932) + "\n");
    // The rows come back at the next tick.
    statusChanged_ = true;
}

void TCliDownloadQueue::SetStatus(std::string_view cp932) {
    if (!terminal_) {
        Emit(cp932);
        return;
    }
    status_ = cp932;
    statusChanged_ = true;
}

void TCliDownloadQueue::Tick() {
    if (!terminal_) {
        if (!lines_.empty() && std::chrono::steady_clock::now() - lastLines_ >= std::chrono::milliseconds(100))
            FlushLines();
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    // A new status is worth a redraw of its own, but not more than ten a
    // second: a fast crawl would spend its time drawing.
    const auto wait = statusChanged_ ? std::chrono::milliseconds(100) : std::chrono::milliseconds(1000);
    if (now - lastDraw_ < wait) return;
    Draw();
    lastDraw_ = now;
}

void TCliDownloadQueue::Clear() {
    // Back to the first line of the last drawing and clear below it.
    if (terminal_ && drawn_ > 0) std::fprintf(err_, "\x1b[%dA\x1b[J", drawn_);
    drawn_ = 0;
}

void TCliDownloadQueue::Draw() {
    if (!terminal_) return;
    Clear();
    if (!status_.empty()) {
        TCliText::Write(err_, status_ + "\n");
        ++drawn_;
    }
    statusChanged_ = false;
    const std::string unknown = TCliText::Pick(japanese_, "不明", "unknown");
    for (int i = 0; i < list_.Count(); ++i) {
        TQorDownloadRow row = list_.GetRow(i);
        const TQorDownloadManager* m = row.Data;
        if (!m || (m->State != 1 && m->State != 2)) continue;
        // Between two attempts the row still shows the last attempt's count
        // (the next one's heading sets it).
        const bool waiting = !m->Receiving && row.SubItems[4] != std::to_string(m->RunCount) + "/" +
                                                                     std::to_string(m->RetryCount);
        const std::string state = m->State == 2   ? TCliText::Pick(japanese_, "停止", "stopped")
                                  : m->Receiving ? TCliText::Pick(japanese_, "ダウンロード中", "downloading")
                                  : waiting      ? TCliText::Pick(japanese_, "再試行待ち", "waiting to retry")
                                                 : TCliText::Pick(japanese_, "ヘッダを取得中", "getting header");
        const int64_t size = m->FileSize;
        const std::string sizeText = size == -1 ? unknown : TSizeText::Get(static_cast<uint64_t>(size));
        std::string remain = row.SubItems[6];
        if (remain == SJ("不明")) remain = unknown;
        // name, state, size, downloaded, rate, remaining time, last failure
        std::string line = row.Caption + "  " + state + "  " + sizeText + "  " + row.SubItems[2] + "  " +
                           row.SubItems[5] + "  " + remain;
        if (auto last = lastTry_.find(m); last != lastTry_.end()) line += "  [" + last->second + "]";
        TCliText::Write(err_, line + "\n");
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
        list_.OnRetry = nullptr;
        list_.CancelAll();
        const std::string updated = TDateTimeText::DateTimeText(TDateTimeText::Now());
        for (const TQorDownloadManager* m : unfinished)
            unreach_.Add(m->File->URL->GetURL(), m->FileSize, m->LoadSize, list_.GetProgress(m), updated);
    }
    Draw();
    FlushLines();
    if (!unreach_.SaveToFile(unreachPath_))
        TCliText::Error(err_, TCliText::Pick(japanese_, "書き込めません: ", "cannot write ") +
                                  TCodePage::FromUtf8(TWinPath::ToNative(unreachPath_)));
    std::string summary = japanese_ ? SJ("成功:") + std::to_string(succeeded_) + " " + SJ("失敗:") + std::to_string(failed_)
                                    : "succeeded: " + std::to_string(succeeded_) + ", failed: " + std::to_string(failed_);
    if (skipped_ > 0)
        summary += japanese_ ? " " + SJ("スキップ:") + std::to_string(skipped_) : ", skipped: " + std::to_string(skipped_);
    TCliText::Write(err_, summary + "\n");
    if (interrupted) {
        TCliText::Error(err_, TCliText::Pick(japanese_, "中断しました。未完了のファイルは未完了ファイルリストにあります",
                                             "interrupted; unfinished files are in the unfinished-file list"));
        return 130;
    }
    return failed_ > 0 ? 5 : 0;
}
