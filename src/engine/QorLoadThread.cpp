#include "engine/QorLoadThread.h"

#include "engine/QorConnGeneral.h"
#include "engine/QorPageItems.h"
#include "platform/SjisText.h"

#include <charconv>

namespace {

std::atomic<int> aliveThreads{0};

// The port to connect to: the address's port read as a whole number, the
// scheme's (80, or 443 for https) when it is empty or not one.
int PortOf(const TInetURLEx& url) {
    const std::string& text = url.Port;
    int port = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, port);
    if (text.empty() || ec != std::errc() || ptr != end) return url.Scheme == "https" ? 443 : 80;
    return port;
}

} // namespace

TQorLoadThread::TQorLoadThread() : HTTP(std::make_unique<TInetHTTP>()) {
    FreeOnTerminate = true;
    ++aliveThreads;
}

TQorLoadThread::~TQorLoadThread() {
    // Execute uses the members below; a thread freed by its owner before it
    // ended (never with FreeOnTerminate) must stop first.
    TerminateAndWait();
    HTTP.reset();
    Files.clear();
    ownItems_.reset();
    --aliveThreads;
}

int TQorLoadThread::Alive() { return aliveThreads.load(); }

TQorLoadThread::TAuthorizeEvent TQorLoadThread::DefaultAuthorize;

void TQorLoadThread::AddFile(const TQorFile* file) {
    if (!file) return;
    auto copy = std::make_unique<TQorFile>();
    copy->Assign(file);
    Files.push_back(std::move(copy));
}

std::string TQorLoadThread::GetEntity() const {
    if (HTTP->GetEntityPos() != 0) return HTTP->GetEntity();
    std::string text = HTTP->GetText();
    // An answer that ends with its blank line has an empty body, not its
    // header for a body.
    if (text.find("\r\n\r\n") != std::string::npos || text.find("\n\n") != std::string::npos)
        return std::string();
    return text;
}

void TQorLoadThread::SetOnReceiveData(TInetBase::TReceiveDataEvent event) {
    OnReceiveData = event;
    HTTP->OnReceiveData = std::move(event);
}

void TQorLoadThread::Cancel() {
    HTTP->Cancel();
    WaitEvent.SetEvent();
}

void TQorLoadThread::Execute() {
    if (!Conn) return;
    redirecting_ = false;
    redirections_ = 0;
    nextAddress_.clear();
    previousAddress_.clear();
    Conn->ApplyTo(*HTTP);

    size_t index = 0;
    while (index < Files.size()) {
        bool stop = false;
        bool again = false;
        try {
            again = ProcessFile(*Files[index], stop);
        } catch (...) {
            // Whatever went wrong belongs to this record; the next one starts
            // afresh.
            redirecting_ = false;
            redirections_ = 0;
            stop = HTTP->ErrorCode == 1;
        }
        if (stop) break;
        if (!again) ++index;
    }
}

bool TQorLoadThread::ProcessFile(TQorFile& file, bool& stop) {
    TInetHTTPRequestHeader& request = HTTP->RequestHeader;
    const TInetHTTPResponseHeader& response = HTTP->ResponseHeader;

    if (!redirecting_ && WaitSeconds > 0) {
        WaitEvent.WaitFor(WaitSeconds * 1000);
        WaitEvent.ResetEvent();
        if (HTTP->ErrorCode == 1) {
            stop = true;
            return false;
        }
    }

    // Tested before a redirection target is put in, so a redirection to
    // another scheme is still requested with this client.
    if (!file.URL->IsHttp()) {
        // A redirection chain that reached another scheme ends here; the
        // next record must not take its target.
        redirecting_ = false;
        redirections_ = 0;
        bool getEntity = true;
        if (OnHead) OnHead(this, file, false, getEntity);
        if (!getEntity) Refused = true;
        return false;
    }

    if (redirecting_) {
        file.URL->SetURL(nextAddress_);
        file.Referer = previousAddress_;
    }
    HTTP->ReceiveToFile = false;
    HTTP->Port = PortOf(*file.URL);

    if (!file.Referer.empty()) {
        request.Referer = file.Referer;
    } else if (Conn->GetAutoReferer()) {
        const bool withPort = file.URL->WithPort;
        file.URL->WithPort = true;
        request.Referer = file.URL->GetFullDir();
        file.URL->WithPort = withPort;
    }

    request.ForceAuthorization = false;
    if (!file.URL->User.empty() || !file.URL->Password.empty()) {
        request.AuthUser = file.URL->User;
        request.AuthPassword = file.URL->Password;
    } else {
        request.AuthUser.clear();
        request.AuthPassword.clear();
    }

    if (Items) Items->SetPageFile(file);
    if (OnHeading) OnHeading(this, file);

    for (;;) {
        HTTP->Head(file.URL->GetURL());
        // A failed request leaves the previous status in place; only a 401
        // that did arrive asks for credentials.
        if (HTTP->ErrorCode != 0 || response.StatusCode != 401 || !DoAuthorize) break;
        AuthFile = &file;
        Synchronize([this] { ShowAuthorDlg(); });
        AuthFile = nullptr;
        if (!AuthRetry) break;
    }

    if (HTTP->ErrorCode == 0) {
        const std::string location = response.Values.Get("location");
        const int status = response.StatusCode;
        if (Conn->GetRedirect() && !location.empty() && redirections_ < kMaxRedirections &&
            status >= 300 && status < 400) {
            nextAddress_ = ExpandLocation(location, file);
            previousAddress_ = file.URL->GetPlaneURL();
            redirecting_ = true;
            ++redirections_;
            return true;
        }
        redirecting_ = false;
        redirections_ = 0;

        bool getEntity = true;
        if (OnHead) OnHead(this, file, response.IsText, getEntity);
        if (!getEntity) {
            Refused = true;
            // The body the header came with is not read.
            HTTP->DropAnswer();
        } else {
            HTTP->ReceiveToFile = DownloadMode;
            if (DownloadMode) HTTP->TargetFile = SavePath;
            if (response.StatusCode == 411) {
                const std::string length = response.Values.Get("content-length");
                if (!length.empty()) request.ExtraHeaders.push_back("content-length: " + length);
            }
            // Takes the body of the answer Head opened when the request is
            // the same (no range, no POST); otherwise asks again.
            HTTP->Get(file.URL->GetURL(), file.Post);

            if (!DownloadMode && Parse && Items && HTTP->ErrorCode == 0) {
                if (Authorized) {
                    Items->PageFile->URL->User = AuthUser;
                    Items->PageFile->URL->Password = AuthPassword;
                }
                Items->SetHeaderInfo(&HTTP->ResponseHeader);
                std::string entity = GetEntity();
                if (!KeepBody) HTTP->ReleaseReceiveBuffer();
                Items->SetSource(std::move(entity));
            }
        }
    }
    redirecting_ = false;
    redirections_ = 0;
    stop = HTTP->ErrorCode == 1;
    return false;
}

std::string TQorLoadThread::ExpandLocation(const std::string& location, const TQorFile& file) {
    TQorPageItems* resolver = Items;
    if (!resolver) {
        if (!ownItems_) ownItems_ = std::make_unique<TQorPageItems>();
        ownItems_->SetPageFile(file);
        resolver = ownItems_.get();
    }
    std::string target = resolver->ExpandRelativePath(location, "");
    // A relative target is expanded without the port (records take the
    // page's port later, when they are listed); a redirection on a server of
    // another port must stay on that port.
    if (!file.URL->Port.empty() && TQorPageItems::GetTokenPos(location, "://", "?") == 0) {
        TInetURLEx url(target);
        if (url.Port.empty() &&
            TSjisText::LowerCase(url.Host) == TSjisText::LowerCase(file.URL->Host)) {
            url.Port = file.URL->Port;
            target = url.GetURL();
        }
    }
    return target;
}

void TQorLoadThread::ShowAuthorDlg() {
    TInetHTTPRequestHeader& request = HTTP->RequestHeader;
    bool confirmed = false;
    std::string user = request.AuthUser;
    std::string password = request.AuthPassword;
    // A cancelled load asks nobody: the answer could only be thrown away.
    const TAuthorizeEvent& ask = OnAuthorize ? OnAuthorize : DefaultAuthorize;
    if (HTTP->ErrorCode != 1 && ask && AuthFile) {
        try {
            confirmed = ask(*AuthFile, user, password);
        } catch (...) {
            confirmed = false;
        }
    }
    if (confirmed) {
        request.ForceAuthorization = true;
        request.AuthUser = user;
        request.AuthPassword = password;
        AuthRetry = true;
        Authorized = true;
        AuthUser = user;
        AuthPassword = password;
    } else {
        AuthRetry = false;
        Authorized = false;
    }
}
