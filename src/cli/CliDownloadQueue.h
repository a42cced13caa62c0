#pragma once
// The download queue of a command, set up and run as a download window runs
// its own: the settings of option.dat and the command line, the save folder,
// the unfinished-file list (a finished file leaves it; Ctrl+C records every
// unfinished row in it, as a closing window does), the redrawn rows on a
// terminal (one line per file otherwise) and the summary "成功:%d 失敗:%d".
//
// Main thread only. The caller adds files, starts passes and pumps the main
// thread's queue, calling Tick now and then.
#include "download/QorDownloadList.h"
#include "download/QorUnreachList.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>

class TCliEngine;
class TQorFile;
struct TCliOptions;

class TCliDownloadQueue {
public:
    TCliDownloadQueue(TCliEngine& engine, const TCliOptions& options, FILE* err);

    // Reads the unfinished-file list and checks the save folder; false (with
    // a message) when the folder is missing.
    bool Prepare();
    TQorUnreachList& Unreach() { return unreach_; }

    void Add(const TQorFile& file);
    // A start pass over the queue.
    void Start() { list_.Download(); }
    // Nothing waiting or running since the last file was added.
    bool Processed() const { return processed_; }

    // A status line above the rows (a terminal) or a line of its own.
    void SetStatus(std::string_view cp932);
    // Redraws the terminal at most once a second (a new status at once).
    void Tick();

    // Ends the run: with `interrupted`, cancels the transfers and records the
    // unfinished rows; saves the unfinished-file list and writes the summary.
    // The exit status: 130 interrupted, 5 when a file failed, else 0.
    int Finish(bool interrupted);

private:
    void Draw();

    TCliEngine& engine_;
    const TCliOptions& options_;
    FILE* err_;
    bool terminal_;
    std::string unreachPath_;
    TQorUnreachList unreach_;
    TQorDownloadList list_;
    int succeeded_ = 0;
    int failed_ = 0;
    bool processed_ = true;
    std::string status_;
    bool statusChanged_ = false;
    int drawn_ = 0;
    std::chrono::steady_clock::time_point lastDraw_{};
};
