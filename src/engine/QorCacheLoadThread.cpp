#include "engine/QorCacheLoadThread.h"

#include "engine/QorCacheManager.h"
#include "engine/QorPageItems.h"

TQorCacheLoadThread::TQorCacheLoadThread() { FreeOnTerminate = true; }

TQorCacheLoadThread::~TQorCacheLoadThread() {
    // Execute uses the members above; the base destructor would wait only
    // after they are gone. On the worker itself (FreeOnTerminate) this
    // returns at once.
    TerminateAndWait();
}

void TQorCacheLoadThread::Cancel() {
    if (Items) Items->Cancel();
}

void TQorCacheLoadThread::Execute() {
    if (Manager) Manager->Load(URLText);
    if (!Items) return;
    // Detection goes back on even when parsing throws, so the next network
    // load of this extractor is converted as usual.
    struct DetectAgain {
        TQorPageItems* items;
        ~DetectAgain() { items->DetectCharset = true; }
    } detectAgain{Items};
    Items->DetectCharset = false;
    Items->SetSource(Manager ? std::string_view(Manager->Text) : std::string_view());
}
