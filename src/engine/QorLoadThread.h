#pragma once
// The worker that fetches addresses over HTTP: one for each page the load
// manager opens over the network and one for each download attempt. For
// every record handed to it the thread asks for the response header, offers
// the authentication callback on 401, follows redirections, lets its owner
// decide (OnHead) whether the body is wanted, fetches the body, and then
// gives header and body to a page item extractor or, in download mode, has
// the HTTP client write the body to SavePath.
//
// Life: created suspended with FreeOnTerminate set; the owner sets the
// fields and events, adds the records with AddFile and calls Resume.
// Execute runs once; then OnTerminate runs on the main thread, and the
// object deletes itself right after it. Refused, Authorized, AuthUser,
// AuthPassword, GetHTTP and GetEntity are meant for the owner's OnTerminate
// handler (and the events below); nobody may touch the object after its
// OnTerminate has returned. An owner that cancels from the main thread keeps
// its pointer guarded against that moment (see TQorLoadManager).
//
// Threads: Execute and the events OnHeading, OnHead and OnReceiveData run on
// the worker thread; the worker waits for OnHead's answer before it fetches
// the body, which it reads from the answer the header came with (one request
// per record, unless OnHead changed the request or the server closed the
// connection meanwhile); a declined body is not read. OnAuthorize (through ShowAuthorDlg) and OnTerminate run on the
// main thread through TThread::Synchronize. Cancel comes from the main
// thread (or any other) while Execute runs or before it started: it aborts
// the HTTP client's transfer, which stays cancelled for the rest of the
// thread's life (one TInetHTTP per thread), and wakes the initial wait.
//
// Outcome: the HTTP client's ErrorCode (0 none, 1 cancelled, 2 connection
// failed, 3 timed out, 4 file error) and its ResponseHeader of the last
// request (StatusCode, Values, IsText, RawHeader).
#include "engine/QorFile.h"
#include "inet/InetHTTP.h"
#include "platform/Event.h"
#include "platform/Thread.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TQorConnGeneral;
class TQorPageItems;

class TQorLoadThread : public TThread {
public:
    // Before the header request of each record (after its referer and
    // credentials are in the request).
    using THeadingEvent = std::function<void(TQorLoadThread* sender, TQorFile& file)>;
    // The header of `file` is known (or, for a scheme other than "http",
    // nothing is fetched and `textData` is false). Clearing `getEntity`
    // declines the body and sets Refused. The download engine sets SavePath
    // and extra request lines here.
    using THeadEvent =
        std::function<void(TQorLoadThread* sender, TQorFile& file, bool textData, bool& getEntity)>;
    // Asks the user for credentials for `file` (the window program shows its
    // authentication dialog with file.URL->GetPlaneURL(); a command line
    // answers from its options). `user` and `password` come in holding the
    // request's current credentials and go back holding the entered ones
    // (the dialog trims them). True means confirmed (OK), false cancelled.
    // Without a handler a 401 is the result.
    using TAuthorizeEvent =
        std::function<bool(const TQorFile& file, std::string& user, std::string& password)>;

    // At most this many redirections are followed for one record; the next
    // 3xx answer is taken as the final one.
    static constexpr int kMaxRedirections = 100;

    TQorLoadThread();
    ~TQorLoadThread() override;

    // Load thread objects not yet freed in this process. A thread frees
    // itself just after its OnTerminate; whoever must know that no worker
    // outlives it (the program at its end, the tests) waits for 0.
    static int Alive();

    // Set by the owner before Resume.
    bool DownloadMode = false;  // write the body to SavePath, do not parse it
    std::string SavePath;       // target file in download mode (may be set in OnHead)
    TQorConnGeneral* Conn = nullptr; // not owned; without it Execute does nothing
    TQorPageItems* Items = nullptr;  // not owned; receives header and body
    bool Parse = false;         // give header and body to Items
    bool KeepBody = true;       // keep the answer after Items has the body's copy
    bool DoAuthorize = true;    // offer OnAuthorize on status 401
    int WaitSeconds = 0;        // seconds to wait before the first request

    // Results, for the owner's OnTerminate handler.
    bool Authorized = false; // the credentials callback was confirmed
    std::string AuthUser;
    std::string AuthPassword;
    bool Refused = false;    // an OnHead handler declined a body

    THeadingEvent OnHeading;
    THeadEvent OnHead;
    TAuthorizeEvent OnAuthorize;
    // The question for threads whose owner set no OnAuthorize (the download
    // windows' transfers): the window program sets it once at start, on the
    // main thread, before any thread runs, and empties it at its end. It is
    // called on the main thread only.
    static TAuthorizeEvent DefaultAuthorize;

    // Appends a copy of the record; null is ignored. Before Resume only.
    void AddFile(const TQorFile* file);
    const std::vector<std::unique_ptr<TQorFile>>& GetFiles() const { return Files; }

    TInetHTTP& GetHTTP() { return *HTTP; }
    // The body of the last answer received to memory; empty for an answer
    // that ends with its header (the HTTP client alone would give the
    // header text there).
    std::string GetEntity() const;
    // Binds the progress event to the HTTP client (fired per received chunk,
    // on the worker thread, with the HTTP client as sender).
    void SetOnReceiveData(TInetBase::TReceiveDataEvent event);

    // Any thread, before or while Execute runs: aborts the transfer in
    // progress (and every later one) and wakes the initial wait.
    void Cancel();

protected:
    void Execute() override;
    // Main thread (synchronized): runs OnAuthorize for AuthFile and records
    // its answer in the request, AuthRetry and the results. A cancelled
    // thread asks nothing.
    void ShowAuthorDlg();

private:
    // One record's steps; true when the same record is to be processed again
    // (a redirection was followed).
    bool ProcessFile(TQorFile& file, bool& stop);
    // Resolves a redirection target against the record (Items' page).
    std::string ExpandLocation(const std::string& location, const TQorFile& file);

    TEvent WaitEvent{true, false}; // set by Cancel; created here so an early Cancel works
    std::vector<std::unique_ptr<TQorFile>> Files;
    std::unique_ptr<TInetHTTP> HTTP;
    // Resolves redirections when no Items was given.
    std::unique_ptr<TQorPageItems> ownItems_;
    TInetBase::TReceiveDataEvent OnReceiveData;
    bool AuthRetry = false;
    const TQorFile* AuthFile = nullptr;

    // Redirection state of the record being processed.
    bool redirecting_ = false;
    int redirections_ = 0;
    std::string nextAddress_;
    std::string previousAddress_;
};
