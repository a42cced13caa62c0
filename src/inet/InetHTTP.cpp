#include "inet/InetHTTP.h"

#include "inet/InetBASE64.h"
#include "inet/InetURLEx.h"

#include <cstring>

namespace {

constexpr std::string_view kBlankLine = "\r\n\r\n";
constexpr std::string_view kBareBlankLine = "\n\n";

// The 0-based index of the first body byte in `text` (after the first
// "\r\n\r\n", or else after the first "\n\n"), or npos. Both terminators are
// looked for from `from` on only: the caller has seen the bytes before it and
// knows that neither ended there. `header` receives the length before the
// terminator.
size_t FindBodyStart(std::string_view text, size_t from, size_t& header) {
    size_t at = text.find(kBlankLine, from >= 3 ? from - 3 : 0);
    if (at != std::string_view::npos) {
        header = at;
        return at + kBlankLine.size();
    }
    at = text.find(kBareBlankLine, from >= 1 ? from - 1 : 0);
    if (at != std::string_view::npos) {
        header = at;
        return at + kBareBlankLine.size();
    }
    return std::string_view::npos;
}

} // namespace

TInetHTTP::TInetHTTP(std::unique_ptr<TTransport> socket) : TInetBase(std::move(socket)) {
    Port = 80;
}

TInetHTTP::~TInetHTTP() = default;

bool TInetHTTP::SetHeadReadType() { return false; }

// A proxy sees the whole address of a plain request; inside a tunnel the
// origin server gets the path, as without a proxy.
bool TInetHTTP::AbsoluteTarget(const TInetURLEx& url) const {
    return !ProxyHost.empty() && url.Scheme != "https";
}

bool TInetHTTP::Transfer(const TInetURLEx& url, const std::string& request) {
    const bool secure = url.Scheme == "https";
    // Port is the caller's (the origin's): it is lent to the proxy for the
    // connect only, so that the Get after a Head on this object still
    // tunnels to the origin and not to the proxy itself.
    const int targetPort = Port;
    if (!ProxyHost.empty()) {
        Host = ProxyHost;
        Port = ProxyPort;
    } else {
        Host = url.Host;
    }
    Open();
    Port = targetPort;
    if (ErrorCode == 2) return false;
    if (secure && ErrorCode == 0) {
        // Never falls back to plain text: a failure here ends the request.
        bool up = (ProxyHost.empty() || OpenTunnel(url.Host, targetPort)) && StartTls(url.Host);
        if (!up) return false;
    }
    ReleaseReceiveBuffer();
    if (SendText(request)) ReceiveData();
    return true;
}

bool TInetHTTP::OpenTunnel(const std::string& host, int port) {
    std::string target = host + ":" + std::to_string(port);
    std::string request = "CONNECT " + target + " HTTP/1.0\r\nHost: " + target + "\r\n";
    if (!ProxyUser.empty() || !ProxyPassword.empty())
        request += "Proxy-Authorization: Basic " + TInetBASE64::Encode(ProxyUser + ":" + ProxyPassword) + "\r\n";
    request += "\r\n";
    const bool stopAtHeader = StopAtHeader;
    StopAtHeader = true;
    bool sent = SendText(request);
    if (sent) ReceiveDataForMemory();
    StopAtHeader = stopAtHeader;
    if (!sent || ErrorCode != 0) return false;
    // The read stops at the chunk that ends the answer; what follows the
    // answer in that chunk is the tunnel's, for the TLS handshake to read.
    size_t headerLength = 0;
    size_t tunnelStart = FindBodyStart(ReceiveBuffer, 0, headerLength);
    if (tunnelStart != std::string::npos && tunnelStart < ReceiveBuffer.size())
        GetSocket()->Unread(ReceiveBuffer.data() + tunnelStart, ReceiveBuffer.size() - tunnelStart);
    TInetHTTPResponseHeader answer;
    answer.SetHeader(GetText());
    ReleaseReceiveBuffer();
    if (answer.StatusCode >= 200 && answer.StatusCode < 300) return true;
    GetSocket()->NoteFailure(cfProxyTunnel, answer.StatusCode == 0 ? std::string("no answer to CONNECT")
                                                                  : "the proxy answered " + std::to_string(answer.StatusCode));
    SetErrorOnce(2);
    GetSocket()->Close();
    return false;
}

void TInetHTTP::Head(const std::string& urlText) {
    HeaderText.clear();
    HeaderParsed = false;
    TInetURLEx url(urlText);
    StopAtHeader = true;
    RequestHeader.HeadMethod = SetHeadReadType();
    RequestHeader.ExtraHeaders.clear();
    std::string request = RequestHeader.GetHeader(url, AbsoluteTarget(url), false);
    if (!Transfer(url, request)) return;
    std::string text = GetText();
    size_t end = text.find(kBlankLine);
    if (end != std::string::npos) text.resize(end);
    ResponseHeader.SetHeader(text);
    Close();
}

void TInetHTTP::Get(const std::string& urlText, bool post) {
    HeaderText.clear();
    HeaderParsed = false;
    TInetURLEx url(urlText);
    StopAtHeader = false;
    RequestHeader.HeadMethod = false;
    std::string request = RequestHeader.GetHeader(url, AbsoluteTarget(url), post);
    if (!Transfer(url, request)) return;
    // A file receive parsed the header on the way (DoFileWrite).
    // The received text up to its first zero byte, as GetText gives it,
    // without copying an answer of any size.
    if (!ReceiveToFile) ResponseHeader.SetHeader(std::string_view(ReceiveBuffer.c_str()));
    Close();
}

bool TInetHTTP::DoFileWrite(const char* chunk, int count, int& skip) {
    skip = 0;
    // The last status parsed: the preceding Head's, until this answer's
    // header is in.
    if (ResponseHeader.StatusCode >= 400) {
        CancelWrite();
        return false;
    }
    if (HeaderParsed) return true;
    size_t before = HeaderText.size();
    HeaderText.append(chunk, ::strnlen(chunk, static_cast<size_t>(count)));
    size_t headerLength = 0;
    size_t bodyStart = FindBodyStart(HeaderText, before, headerLength);
    if (bodyStart == std::string::npos) return false; // all of this chunk is header
    ResponseHeader.SetHeader(HeaderText.substr(0, headerLength));
    HeaderParsed = true;
    skip = static_cast<int>(bodyStart - before);
    return true;
}

bool TInetHTTP::ReadCheck(std::string_view received, int count, TInetSocketStream&) {
    if (!StopAtHeader) return true;
    size_t header = 0;
    // Only the new chunk (and the 3 bytes before it) can complete the end.
    size_t from = received.size() - static_cast<size_t>(count);
    return FindBodyStart(received, from, header) == std::string_view::npos;
}

int64_t TInetHTTP::GetEntityPos() const {
    std::string_view text(ReceiveBuffer.c_str()); // the received text, to its first zero byte
    size_t header = 0;
    size_t bodyStart = FindBodyStart(text, 0, header);
    if (bodyStart == std::string_view::npos) return 0;
    int64_t position = static_cast<int64_t>(bodyStart) + 1;
    return position > ReceiveLength ? 0 : position;
}

std::string TInetHTTP::GetEntity() const {
    std::string text = GetText();
    int64_t position = GetEntityPos();
    return position == 0 ? text : text.substr(static_cast<size_t>(position - 1));
}

const char* TInetHTTP::GetBinary() const {
    int64_t position = GetEntityPos();
    return position == 0 ? nullptr : ReceiveBuffer.data() + (position - 1);
}

int64_t TInetHTTP::GetBinaryLen() const {
    int64_t position = GetEntityPos();
    return position == 0 ? 0 : ReceiveLength - position + 1;
}
