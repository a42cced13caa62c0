#pragma once
// The download queue of a command, set up and run as a download window runs
// its own: the settings of option.dat and the command line (the attempts
// per file are the command line's own, wget's 20 unless --tries says
// otherwise), the save folder (made when missing), the unfinished-file list
// (a finished file leaves it; Ctrl+C records every unfinished row in it, as
// a closing window does), the redrawn rows on a terminal and the summary.
//
// Every failed attempt and the end of every file are told with their
// reason: on a terminal the attempt's reason stays on its row and each end
// gets a line above the rows; without one, a line each on standard error
// ("ADDRESS<TAB>ok", "...<TAB>skipped: REASON", "...<TAB>failed: REASON";
// the words in the run's language). A file the size filter refused is
// skipped, not failed; a 3xx final answer saves no file and is a failure.
// Without a terminal the lines are written in batches (at the latest at
// the next Tick a tenth of a second on, and before the summary): a fast
// crawl tells a dozen thousand of them, and a write each costs more than
// the rest of the line's work.
//
// Main thread only. The caller adds files, starts passes and pumps the main
// thread's queue, calling Tick now and then.
#include "download/QorDownloadList.h"
#include "download/QorUnreachList.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>
#include <unordered_map>

class TCliEngine;
class TQorFile;
struct TCliOptions;

class TCliDownloadQueue {
public:
    TCliDownloadQueue(TCliEngine& engine, const TCliOptions& options, FILE* err);
    // Writes the lines not written yet.
    ~TCliDownloadQueue();
    TCliDownloadQueue(const TCliDownloadQueue&) = delete;
    TCliDownloadQueue& operator=(const TCliDownloadQueue&) = delete;

    // Reads the unfinished-file list and makes the save folder when it is
    // missing; false (with a message) when that fails.
    bool Prepare();
    TQorUnreachList& Unreach() { return unreach_; }

    void Add(const TQorFile& file);
    // A start pass over the queue.
    void Start() { list_.Download(); }
    // Nothing waiting or running since the last file was added.
    bool Processed() const { return processed_; }

    // A status line above the rows (a terminal) or a line of its own.
    void SetStatus(std::string_view cp932);
    // A line that stays (above the rows on a terminal).
    void Line(std::string_view cp932);
    // Redraws the terminal at most once a second (a new status at once).
    void Tick();

    // Ends the run: with `interrupted`, cancels the transfers and records the
    // unfinished rows; saves the unfinished-file list and writes the summary.
    // The exit status: 130 interrupted, 5 when a file failed, else 0.
    int Finish(bool interrupted);

private:
    void Draw();
    // A line for standard error without a terminal: kept for the next batch.
    void Emit(std::string_view cp932);
    void FlushLines();
    void Clear();
    std::string Tries(const TQorDownloadManager* m) const;
    void Loaded(TQorFile* file);
    void Retrying(TQorDownloadManager* m);

    TCliEngine& engine_;
    const TCliOptions& options_;
    FILE* err_;
    bool terminal_;
    bool japanese_;
    std::string unreachPath_;
    TQorUnreachList unreach_;
    TQorDownloadList list_;
    // The manager behind each queued record (the queue reports records).
    std::unordered_map<const TQorFile*, const TQorDownloadManager*> managers_;
    // The reason of a row's last failed attempt, shown on its row.
    std::unordered_map<const TQorDownloadManager*, std::string> lastTry_;
    int succeeded_ = 0;
    int failed_ = 0;
    int skipped_ = 0;
    bool processed_ = true;
    std::string status_;
    bool statusChanged_ = false;
    int drawn_ = 0;
    std::chrono::steady_clock::time_point lastDraw_{};
    std::string lines_; // not written yet (no terminal)
    std::chrono::steady_clock::time_point lastLines_{};
};
