#include "download/CascadeLoader.h"

#include "engine/QorLoadManager.h"
#include "engine/QorPageItems.h"
#include "platform/CodePage.h"
#include "platform/SjisText.h"
#include "platform/ThreadPool.h"
#include "platform/WinPath.h"

#include <charconv>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// A whole number with an optional sign, as typed; false (and `value` left
// alone) for anything else.
bool ParseLevels(std::string_view text, int& value) {
    if (!text.empty() && text[0] == '+') text.remove_prefix(1);
    const char* end = text.data() + text.size();
    int number = 0;
    auto [ptr, ec] = std::from_chars(text.data(), end, number);
    if (text.empty() || ec != std::errc() || ptr != end) return false;
    value = number;
    return true;
}

} // namespace

TCascadeLoader::TCascadeLoader(TQorConnGeneral* conn, std::string_view startURL)
    : Conn(conn),
      StartURL(startURL),
      LoadManager(std::make_unique<TQorLoadManager>()),
      LoadEvent(std::make_unique<TEvent>(false, false, std::to_string(ThreadID()) + "-OlvaneCascade-")),
      queue_("vcq"),
      visited_("vcv"),
      found_("vcf") {
    FreeOnTerminate = true;
    LoadManager->Conn = Conn;
    LoadManager->UseCache = false;
    LoadManager->KeepBody = false; // the crawl reads the page's records only
    LoadManager->SearchAnchorStr = true;
    LoadManager->PageItems->SearchAnchor = true;
    LoadManager->PageItems->SearchFile = true;
    LoadManager->OnLoaded = [this](TQorLoadManager*, int state, int reply) { PageLoaded(state, reply); };
    ProcessMessages = [] { TThread::CheckSynchronize(0); };
}

TCascadeLoader::~TCascadeLoader() {
    TerminateAndWait();
    // A page load may still be ending: its report runs the page handler,
    // which needs the manager and the lists, so it is waited for while
    // everything is still there.
    LoadManager->CancelWait = true;
    LoadManager->Cancel();
    LoadManager.reset();
}

void TCascadeLoader::Start() {
    Resume();
    LoadManager->LoadResume();
}

void TCascadeLoader::Pause() {
    Suspend();
    LoadManager->LoadSuspend();
}

void TCascadeLoader::Cancel() {
    Canceled = true;
    LoadManager->CancelWait = false;
    LoadManager->Cancel();
    Terminate();
    LoadEvent->SetEvent();
    // A paused crawl must be let go, or it would never end (and never free
    // itself).
    Resume();
}

void TCascadeLoader::Post(const TFileEvent* event, const TQorFile& page, std::vector<std::unique_ptr<TQorFile>> files) {
    // Queued, not synchronized: the crawl goes on to its next page while the
    // main thread takes this one's events, in the order they were raised
    // (the next page's report is queued after them). Canceled is tested when
    // they run on the main thread, where Cancel runs: once Cancel has
    // returned, no handler of a closing window is called any more. Calls
    // still queued when the object goes are dropped with it; its end report
    // comes after them.
    auto copy = std::make_shared<TQorFile>();
    copy->Assign(&page);
    auto found = std::make_shared<std::vector<std::unique_ptr<TQorFile>>>(std::move(files));
    Queue([this, event, copy, found] {
        if (Canceled) return;
        if (*event) (*event)(this, copy.get());
        for (auto& file : *found) {
            if (Terminated() || Canceled) break;
            if (OnFindFile) OnFindFile(this, file.get());
        }
    });
}

void TCascadeLoader::Execute() {
    // One step below normal priority (a higher nice value for this thread).
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()));
    if (errno == 0 && ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), nice + 1) == 0) {
        // The thread keeps the lower priority: it must not go on to run
        // downloads (or the next crawl, one step lower again) from the pool.
        TThreadPool::RetireThisThread();
    }

    queue_.Push("0-" + StartURL);
    std::string line;
    while (!Terminated() && queue_.Pop(line)) {
        const size_t dash = line.find('-');
        if (dash == std::string::npos) continue;
        int level = 0;
        std::from_chars(line.data(), line.data() + dash, level);
        const std::string url = line.substr(dash + 1);
        if (!visited_.Add(url)) continue; // searched already

        CurrentLevel = level;
        CurrentURL = url;
        TQorFile page(url);
        Post(&OnSearchPage, page, {});
        LoadManager->Load(&page);
        if (!Terminated()) LoadEvent->WaitFor(TEvent::kInfinite);

        // The page's end and its files go over in one call to the main
        // thread (a call per file would cost more than the rest of the
        // crawl).
        Post(&OnSearchedPage, page, std::move(FoundList));
        FoundList.clear();
    }
    // The lists write their lines in batches as they grow (a write per page
    // would be three system calls on the pages' path); the rest goes now.
    queue_.Flush();
    visited_.Flush();
    found_.Flush();
}

bool TCascadeLoader::Follows(const TInetURLEx& url, const TStartKeys& start) const {
    switch (PathType) {
    case kPathAll:
        return true;
    case kPathStartBelow:
        return url.GetCompURL().find(start.Dir) != std::string::npos;
    default: {
        const std::string entity = url.GetCompEntity();
        return entity == start.Entity || entity == start.Index;
    }
    }
}

void TCascadeLoader::PageLoaded(int /*state*/, int /*reply*/) {
    TStartKeys start;
    if (PathType != kPathAll) {
        TInetURLEx url(StartURL);
        // The folder with its port, as the links' comparable addresses have
        // theirs: on a start address with a port, a folder without it would
        // never be found in any link.
        url.WithPort = true;
        start.Dir = url.GetCompFullDir();
        start.Entity = url.GetCompEntity();
        start.Index = start.Entity + "index.html";
    }
    const TQorPageItems& items = *LoadManager->PageItems;
    const bool pagePasses = Filter.PageTest(items.Source);
    std::vector<std::string> newPages;

    for (const auto& record : items.Files) {
        if (ProcessMessages) ProcessMessages();
        if (Stopping()) break;
        if (record->Kind != TQorFile::kWeb) continue;
        const TInetURLEx& url = *record->URL;

        if (CurrentLevel < Levels) {
            const std::string ext = TWinPath::ExtractFileExt(url.FileName);
            if ((ext.empty() || TQorLoadManager::IsPageExt(ext)) && Follows(url, start))
                newPages.push_back(std::to_string(CurrentLevel + 1) + "-" + url.GetURL());
        }
        // A file counts as collected once it has been looked at, whether or
        // not it passed.
        if (pagePasses && found_.Add(url.GetCompURL()) && Filter.FileTest(url.FileName)) {
            auto copy = std::make_unique<TQorFile>();
            copy->Assign(record.get());
            FoundList.push_back(std::move(copy));
        }
    }
    for (const std::string& page : newPages) queue_.Push(page);
    LoadEvent->SetEvent();
}

int TCascadeLoader::LevelsValue(std::string_view levelsText) {
    int value = 0;
    return ParseLevels(TSjisText::Trim(levelsText), value) ? value : 0;
}

TCascadeLoader::TInputCheck TCascadeLoader::CheckInputFailure(std::string_view startURL, std::string_view levelsText) {
    TInputCheck failure = kInputOk;
    if (TSjisText::Trim(startURL).empty()) failure = kInputNoStart;
    const std::string levels = TSjisText::Trim(levelsText);
    int value = 0;
    if (!levels.empty() && !ParseLevels(levels, value)) failure = kInputLevelsText;
    if (value < 0 || value > 9999) failure = kInputLevelsRange;
    return failure;
}

bool TCascadeLoader::CheckInput(std::string_view startURL, std::string_view levelsText, std::string& message) {
    switch (CheckInputFailure(startURL, levelsText)) {
    case kInputOk: message.clear(); break;
    case kInputNoStart: message = SJ("開始アドレスが空です。"); break;
    case kInputLevelsText: message = SJ("追跡階層数が不正です。"); break;
    case kInputLevelsRange: message = SJ("追跡階層数は 1 から 9999 の間で設定してください。"); break;
    }
    return message.empty();
}
