#pragma once
// Downloads one file to disk. The manager keeps its own copy of the file's
// record and runs one load thread (download mode) per attempt. At the head of
// an attempt it decides the save name, applies the size filter and decides
// whether the partial file in CachePath can be resumed with a range request;
// the body goes into that partial file as it arrives; when the thread ends
// the body is copied out into the save folder and the manager either starts
// another attempt or reports the end (OnLoaded).
//
// Partial file: CachePath + MD5(full directory of the final URL + decoded
// suggested name) as 32 lowercase hex digits + ".pcf", holding the body
// alone; beside it the same name with ".pch" holds the Last-Modified text as
// received and one 0x00 byte, which is all that is read when deciding to
// resume. The body file is opened once at the head and its descriptor goes
// to the HTTP client; it is made (or emptied) before its ".pch" is written,
// so that no moment leaves a body under a head it does not belong to. A
// finished body file is renamed onto a free save name without replacing
// anything (RENAME_NOREPLACE); where the name is taken or the file system
// cannot do that, an empty file claims the next free name (O_EXCL) and the
// body is exchanged with it. Across file systems it is copied on a worker
// thread (OnMove, Moving; the row stays State 1 until the copy is whole,
// then the partial file goes). A ".pcf"
// without a ".pch" is of the older layout (that head, then the body, in one
// file): it still resumes, and its body is copied out on the worker, in
// pieces (holes stay holes), never read whole into memory.
//
// Threads: Download, Stop, Restart, Cancel, Assign, the setters and the
// destructor belong to the main thread. OnHeading, OnHead and OnReceiveData
// run on the transfer thread; OnLoaded and any retry run on the main thread
// (through the thread's end notification). For a file whose scheme is not
// "http" Download starts nothing: it ends the row at once, raising OnLoaded
// (error 2, status 0) from inside Download.
//
// Why an attempt ended, for a front end that tells the user: Result and
// StatusCode, TransferError (the HTTP client's own code), ConnectFailure
// (why the connection could not be opened) and SizeRefused (the size filter
// refused the head). OnRetry comes between a failed attempt and the next.
//
// Sizes are 64-bit throughout; FileSize, LoadSize and PrevLoadSize are
// atomics so that the queue may read them from the progress handlers.
#include "engine/QorFile.h"
#include "platform/Persistent.h"
#include "platform/Transport.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class TQorConnGeneral;
class TQorLoadThread;
class TQorPageItems;
class TQorDownloadList;
class TInetBase;

class TQorDownloadManager : public TPersistent {
public:
    using THeadingEvent = std::function<void(TQorDownloadManager* sender, TQorFile& file)>;
    using TNotifyEvent = std::function<void(TQorDownloadManager* sender)>;
    using TReceiveDataEvent = std::function<void(TQorDownloadManager* sender, int count)>;
    // `error`: the HTTP client's error code (2 for a scheme nothing
    // fetches); `status`: the last HTTP status. A head refused by the size
    // filter is no error of the client (0): the queue moves on after it.
    using TLoadedEvent = std::function<void(TQorDownloadManager* sender, int error, int status)>;

    // A 416 answer to a range request restarts the file from zero without
    // using up an attempt; a 416 to a request without a range cannot be
    // mended that way and ends the row like any other answer.
    static constexpr int kRetryCountDefault = 999;
    static constexpr int kRetryWaitDefault = 10;

    TQorDownloadManager();
    // Main thread: cancels a running attempt first (waits for its end).
    ~TQorDownloadManager() override;
    TQorDownloadManager(const TQorDownloadManager&) = delete;
    TQorDownloadManager& operator=(const TQorDownloadManager&) = delete;

    void* Item = nullptr;                  // the queue row; set by the queue
    std::unique_ptr<TQorFile> File;        // own copy of the record
    TQorConnGeneral* Conn = nullptr;       // not owned
    std::atomic<uint8_t> State{0};         // 0 waiting, 1 downloading, 2 stopped, 3 finished
    TQorLoadThread* Thread = nullptr;      // running attempt; frees itself
    std::atomic<int64_t> FileSize{-1};     // announced content length; -1 unknown
    std::atomic<int64_t> LoadSize{0};      // body bytes held in the partial file
    std::atomic<int64_t> PrevLoadSize{0};  // LoadSize at the last progress event
    std::string SaveDir;                   // with trailing "\"; empty: DefaultSaveDir
    std::string CachePath;                 // folder of the partial files
    int Result = 0;
    int StatusCode = 0;
    int TransferError = 0;                 // the HTTP client's code at the end of the last attempt
    TConnectFailure ConnectFailure = cfNone; // with TransferError 2: why
    std::string ConnectDetail;              // and the transport's words for it (TLS)
    bool SizeRefused = false;              // the last head was refused by the size filter
    std::string SaveName;
    bool Independent = false;
    int RetryCount = kRetryCountDefault;
    TQorDownloadList* Owner = nullptr;
    // The queue's save folder, used when SaveDir is empty (the queue copies
    // it here, as it does CachePath).
    std::string DefaultSaveDir;
    bool CheckSize = false;
    // true: refuse files of at most LimitSize bytes; false: refuse files of
    // at least LimitSize bytes. An unknown length counts as the largest.
    bool SizeVector = false;
    uint64_t LimitSize = 0;
    bool DirReapp = false;
    int RetryWait = kRetryWaitDefault;     // seconds before every attempt but the first

    THeadingEvent OnHeading;
    TNotifyEvent OnHead;
    TReceiveDataEvent OnReceiveData;
    TLoadedEvent OnLoaded;
    // Main thread: the finished body is being copied into the save folder
    // on a worker (another file system); OnLoaded follows when it is done.
    TNotifyEvent OnMove;
    std::atomic<bool> Moving{false};
    // Main thread: an attempt failed and another follows (after RetryWait);
    // Result and the fields above tell why. Not copied by Assign.
    TNotifyEvent OnRetry;

    std::atomic<uint32_t> LastTick{0};
    std::atomic<bool> Receiving{false};
    bool Terminated = false;
    // Resolves the relative redirection targets of a transfer; there while
    // one runs.
    std::unique_ptr<TQorPageItems> PageItems;
    std::string PartFile;
    std::string LastModified;
    int RunCount = 0;
    bool Canceled = false;

    void SetFile(const TQorFile* file);
    void SetSaveDir(const std::string& dir);
    void Download(bool first);
    void Stop();
    void Restart();
    // Main thread: ends the current attempt (waiting for it, pumping the
    // main-thread queue) and suppresses retries.
    void Cancel();
    void Assign(const TPersistent* source) override;

    // dir + name, or dir + base + "(n)" + ext for the smallest free n.
    std::string GetSaveFileNameA(const std::string& dir, const std::string& name) const;
    // Creates the empty target file in the save folder (re-creating the
    // server's folders under it with DirReapp); false when that fails.
    bool CreateLoadFile(const std::string& name, std::string& path);
    static std::string GetSpecialExt(const std::string& type, const std::string& subtype);
    // How a finished body is renamed onto a free save name: renameat2 with
    // RENAME_NOREPLACE (-1 and errno as it gives them). Replaceable for a
    // test of a file system without that flag (EINVAL).
    static int (*RenameNoReplace)(const char* from, const char* to);

    // The folder path that DirReapp puts under the save folder for `url`:
    // host and directory, each segment made safe ("" and "." dropped, ".."
    // and characters Windows refuses encoded as %<decimal code>), with a
    // trailing "\". Never climbs out of the save folder.
    static std::string ServerFolder(const TInetURLEx& url);
    // A percent-decoded name that is valid UTF-8 with non-ASCII in it, as
    // CP932 (escapes included); any other name as it stands.
    static std::string SystemName(const std::string& decoded);
    // The cleaned save name for a decoded suggested name.
    static std::string CleanSaveName(const std::string& name);
    // Milliseconds since an arbitrary start, like GetTickCount.
    static uint32_t GetTickCount();

    // Thread handlers (public so that the thread can be wired to them).
    void LoaderHeading(TQorLoadThread* sender, TQorFile& file);
    void LoaderHead(TQorLoadThread* sender, TQorFile& file, bool textData, bool& getEntity);
    void LoaderReceiveData(TInetBase* sender, int count);
    void LoaderTerminate(TQorLoadThread* sender);

private:
    class TMoveThread;
    struct TMoveState;
    void MoveTerminate(bool copied);
    // The head of a partial file whose body went into place at `savedPath`:
    // its side file goes, or the attribute that came along with the body.
    void DropHead(const std::string& savedPath);
    // The save folder of this file (the server's folders under it with
    // DirReapp), with a trailing "\".
    std::string SaveFolder() const;
    // Main thread: renames the finished body file onto the save name itself
    // when nothing is there, claiming the name and moving the body in one
    // call (making missing folders when the first try finds one missing).
    // False when the name is taken, or the file system cannot rename without
    // replacing, or the save folder is on another one: the caller then
    // claims a name the older way.
    bool MoveToFreeName(std::string& path);
    // OnLoaded and the retry, or the end of the row.
    void EndAttempt(bool retry);
    // Shared with a copy under way; the manager's destructor cuts the copy's
    // end report off (the copy itself runs to its end).
    std::shared_ptr<TMoveState> moveState_;
    // Body bytes already in the partial file when this attempt asked for a
    // range (0: no range requested).
    int64_t resumeOffset_ = 0;
    // Length of the partial file's head (stored date + 0x00).
    int64_t headLength_ = 0;
    // The partial file's head is in its side file (else, without a head
    // inside, in its attribute).
    bool headSide_ = false;
    // Consecutive-attempt guard for 416 answers.
    bool rangeSent_ = false;
};
