#pragma once
// Parses one cached page in the background: reads the page's cache file
// through the cache manager and hands the text to the page item extractor.
// The cached text is already Shift-JIS, so the extractor's character set
// detection is off for it (a ForceCharset still applies).
//
// Lifecycle: created suspended with FreeOnTerminate set; the owner sets
// Manager, Items, URLText and OnTerminate, then resumes it. When Execute
// has returned, OnTerminate runs on the main thread and the object deletes
// itself right after, so nobody may touch it once OnTerminate has run (the
// load manager forgets it inside that handler).
//
// Threads: Execute runs on the worker and uses Manager and Items, which
// must outlive it and which the owner leaves alone until OnTerminate.
// Cancel comes from the main thread while OnTerminate has not yet run.
#include "platform/Thread.h"

#include <string>

class TQorCacheManager;
class TQorPageItems;

class TQorCacheLoadThread : public TThread {
public:
    TQorCacheLoadThread();
    ~TQorCacheLoadThread() override;

    // Stops the extractor's walk over the page (Items->Cancel()) when Items
    // is set. A cancel that comes before the walk starts is lost, since the
    // extractor clears its flag at the start of each page: the page is then
    // parsed whole, as if the cancel had come after the end.
    void Cancel();

    TQorCacheManager* Manager = nullptr; // not owned
    TQorPageItems* Items = nullptr;      // not owned
    std::string URLText;                 // the page address, GetCompURL form

protected:
    // Manager->Load(URLText); a page kept with its final address gets that
    // address (and referer) in Items->PageFile; then, with DetectCharset
    // off, Items->SetSource
    // of the text read (an empty text when the page is no longer cached,
    // which leaves Source empty and lists nothing); DetectCharset is on
    // again afterwards. The text moves from Manager->Text into
    // Items->Source, which leaves Manager->Text empty.
    void Execute() override;
};
