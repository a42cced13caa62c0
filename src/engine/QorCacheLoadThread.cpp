#include "engine/QorCacheLoadThread.h"

#include "engine/QorCacheManager.h"
#include "engine/QorPageItems.h"
#include "inet/InetURLEx.h"

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
    // A page kept under the address that redirected to it is read against
    // its final address, as on its first load.
    if (Manager && !Manager->FinalURL.empty()) {
        TInetURLEx& url = *Items->PageFile->URL;
        // The cache holds no credentials; those of the page asked for stay.
        const std::string user = url.User;
        const std::string password = url.Password;
        url.SetURL(Manager->FinalURL);
        url.User = user;
        url.Password = password;
        Items->PageFile->Referer = Manager->FinalReferer;
    }
    Items->DetectCharset = false;
    // The page moves into the extractor: nobody reads the manager's copy
    // after the load, and a second one of a big page is as big again.
    std::string text;
    if (Manager) text.swap(Manager->Text);
    Items->SetSource(std::move(text));
}
