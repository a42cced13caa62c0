#pragma once
// A cascade download: follows links from a start address for a set number
// of levels, breadth first, and collects from every searched page the files
// that pass the extension list, the page query and the file query (see
// TCascadeFilter). Each collected file is handed to the download window
// that started the crawl through OnFindFile.
//
// The crawl runs on this thread and loads one page at a time through its
// own load manager (no page cache). The queue of pages, the pages searched
// and the files collected live in three temporary files (TCascadeListFile),
// so a large site costs disk, not memory, and every page costs the same
// whatever the size of the site.
//
// Life: created suspended with FreeOnTerminate set; the window sets the
// fields and lists and calls Start. Pause parks the crawl and its page load;
// Start lets them go on (the window may change the lists meanwhile). The
// thread ends on its own when the queue is empty; then the end notification
// (OnTerminate) runs on the main thread and the object deletes itself.
// Cancel (closing the window) stops the crawl: from the moment it returns
// no event reaches its handler any more; the end notification still comes,
// with Canceled set.
//
// Threads: the crawl loop runs here, the page download on the load
// manager's thread, and the page handler (PageLoaded) and the three events
// on the main thread. The crawl waits on LoadEvent while the main thread
// searches the loaded page, so the two never touch the lists at once; the
// events it raises are queued (see OnSearchPage). Set
// the fields and call Start, Pause and Cancel from the main thread.
#include "download/CascadeFilter.h"
#include "download/CascadeListFile.h"
#include "engine/QorFile.h"
#include "platform/Event.h"
#include "platform/Thread.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TQorConnGeneral;
class TQorLoadManager;

class TCascadeLoader : public TThread {
public:
    using TFileEvent = std::function<void(TCascadeLoader* sender, TQorFile* file)>;

    // Scopes of the links followed.
    static constexpr int kPathAll = 0;        // every link
    static constexpr int kPathStartBelow = 1; // the start folder and below
    static constexpr int kPathStartOnly = 2;  // the start address with any query

    // Makes the load manager, the three temporary files and LoadEvent.
    TCascadeLoader(TQorConnGeneral* conn, std::string_view startURL);
    // Deletes the temporary files (after the last page load has ended).
    ~TCascadeLoader() override;

    void SetExt(std::string_view text) { Filter.SetExt(text); }
    void SetPageQuery(std::string_view text) { Filter.SetPageQuery(text); }
    void SetFileQuery(std::string_view text) { Filter.SetFileQuery(text); }

    // Runs or lets go on the crawl and its page load.
    void Start();
    // Parks the crawl and its page load.
    void Pause();
    // Stops the crawl and the page load under way without waiting for them.
    void Cancel();

    TQorConnGeneral* Conn = nullptr; // not owned
    std::atomic<bool> Canceled{false};
    std::string StartURL;
    int Levels = 0;
    int PathType = kPathAll;
    TCascadeFilter Filter;

    // Raised on the main thread, in this order: before a page is loaded,
    // after it has been searched, and once for each collected file of it.
    // The crawl does not wait for them (it may be loading the next page
    // meanwhile); the records are copies and are destroyed after the call.
    TFileEvent OnSearchPage;
    TFileEvent OnSearchedPage;
    TFileEvent OnFindFile;

    // Set up in the constructor: no page cache, link texts, addresses in
    // the text and file search on. Adjust before Start.
    std::unique_ptr<TQorLoadManager> LoadManager;

    // The page being searched and its level.
    std::string CurrentURL;
    int CurrentLevel = 0;

    // What the page handler calls before each record of a page, so a window
    // stays responsive on a large page. By default it runs the calls queued
    // for the main thread.
    std::function<void()> ProcessMessages;

    const std::string& QueueFile() const { return queue_.Path(); }
    const std::string& VisitFile() const { return visited_.Path(); }
    const std::string& FoundFile() const { return found_.Path(); }

    // The page handler: the load manager's OnLoaded.
    void PageLoaded(int state, int reply);

    // The checks of the cascade tab before a run. False with the message of
    // the last failing check: the start address is empty, the level count is
    // not a number, or it lies outside 0..9999 (an empty count is 0).
    static bool CheckInput(std::string_view startURL, std::string_view levelsText, std::string& message);
    // The same checks for a front end with texts of its own: the last
    // failing one (kInput...), or kInputOk.
    enum TInputCheck { kInputOk, kInputNoStart, kInputLevelsText, kInputLevelsRange };
    static TInputCheck CheckInputFailure(std::string_view startURL, std::string_view levelsText);
    // The level count as typed; 0 when it is not a number.
    static int LevelsValue(std::string_view levelsText);

protected:
    void Execute() override;

private:
    bool Stopping() const { return Terminated() || Canceled.load(); }
    // Queues `event` for `page`, then OnFindFile for each of `files`.
    void Post(const TFileEvent* event, const TQorFile& page, std::vector<std::unique_ptr<TQorFile>> files);
    // The start address's comparable folder and address (without query),
    // and that address followed by "index.html".
    struct TStartKeys {
        std::string Dir;
        std::string Entity;
        std::string Index;
    };
    bool Follows(const TInetURLEx& url, const TStartKeys& start) const;

    std::unique_ptr<TEvent> LoadEvent;
    TCascadeListFile queue_;
    TCascadeListFile visited_;
    TCascadeListFile found_;
    std::vector<std::unique_ptr<TQorFile>> FoundList;
};
