#include "inet/InetHTTP.h"

#include "inet/InetBASE64.h"
#include "inet/InetHTTPConnPool.h"
#include "inet/InetSocketStream.h"
#include "inet/InetURLEx.h"
#include "platform/FileOps.h"
#include "platform/Transport.h"
#include "platform/WinPath.h"

#include <cstring>

#include <unistd.h>

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

// Cuts a body file back to `size` bytes.
void CutFile(const std::string& winPath, int64_t size) {
    const std::string native = TWinPath::ToNative(winPath);
    if (!native.empty() && size >= 0) (void)::truncate(native.c_str(), static_cast<off_t>(size));
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
    const int connectPort = ProxyHost.empty() ? targetPort : ProxyPort;
    Host = ProxyHost.empty() ? url.Host : ProxyHost;
    connKey_ = TInetHTTPConnPool::Key(secure, url.Host, targetPort, ProxyHost, ProxyPort);
    std::unique_ptr<TTransport> kept = UsePool() && ErrorCode != 1 ? Pool->Take(connKey_) : nullptr;
    for (;;) {
        const bool reused = kept != nullptr;
        reader_.Begin(false);
        if (reused) {
            SwapSocket(std::move(kept));
        } else {
            Port = connectPort;
            Open();
            Port = targetPort;
            if (ErrorCode == 2) return false;
            if (secure && ErrorCode == 0) {
                // Never falls back to plain text: a failure here ends the request.
                bool up = (ProxyHost.empty() || OpenTunnel(url.Host, targetPort)) && StartTls(url.Host);
                if (!up) return false;
            }
        }
        ReleaseReceiveBuffer();
        reader_.Begin(UsePool());
        const bool sent = SendText(request);
        if (sent) ReceiveData();
        // A kept connection that the server closed while it was idle: once
        // more, on a fresh one.
        if (reused && (!sent || reader_.GotNothing()) && ClearError()) {
            Close();
            continue;
        }
        return true;
    }
}

bool TInetHTTP::ClearError() {
    int seen = ErrorCode;
    while (seen != 0 && seen != 1 && !ErrorCode.compare_exchange_weak(seen, 0)) {
    }
    return seen != 1;
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
    // The answer is read up to its blank line; what was read past it is the
    // tunnel's, for the TLS handshake to read.
    if (const std::string rest = reader_.TakeRest(); !rest.empty())
        GetSocket()->Unread(rest.data(), rest.size());
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
    DropAnswer();
    HeaderText.clear();
    HeaderParsed = false;
    TInetURLEx url(urlText);
    StopAtHeader = true;
    RequestHeader.HeadMethod = SetHeadReadType();
    RequestHeader.KeepAlive = UsePool();
    RequestHeader.ExtraHeaders.clear();
    std::string request = RequestHeader.GetHeader(url, AbsoluteTarget(url), false);
    if (!Transfer(url, request)) return;
    std::string text = GetText();
    size_t end = text.find(kBlankLine);
    if (end != std::string::npos) text.resize(end);
    SetResponseHeader(text);
    // The body stays on the connection for a Get of the same request.
    if (ErrorCode == 0 && !RequestHeader.HeadMethod && reader_.HeaderDone() && GetSocket()->Connected()) {
        pending_ = true;
        pendingRequest_ = std::move(request);
    } else {
        Close();
    }
}

void TInetHTTP::Get(const std::string& urlText, bool post) {
    HeaderText.clear();
    HeaderParsed = false;
    TInetURLEx url(urlText);
    StopAtHeader = false;
    RequestHeader.HeadMethod = false;
    RequestHeader.KeepAlive = UsePool();
    std::string request = RequestHeader.GetHeader(url, AbsoluteTarget(url), post);
    // A target descriptor the receive did not take goes with the request.
    struct TDropTarget {
        TInetHTTP& http;
        ~TDropTarget() { http.DropTargetDescriptor(); }
    } dropTarget{*this};
    bool received = false;
    if (pending_ && request == pendingRequest_ && AnswerStillThere()) {
        pending_ = false;
        int64_t fileStart = 0;
        if (ReceiveToFile && Append) {
            fileStart = TargetDescriptorSize();
            if (fileStart < 0) fileStart = TFileOps::FileSize(TargetFile);
        }
        ReleaseReceiveBuffer();
        reader_.Replay();
        ReceiveData();
        received = true;
        if (ErrorCode == 0 && !reader_.Whole() && PeerClosed()) {
            // The server gave up on the answer before its body was all
            // there: ask again, into the file as it was before.
            if (ReceiveToFile) {
                if (Append) CutFile(TargetFile, fileStart);
                if (OnReceiveData && reader_.BodyRead() > 0)
                    OnReceiveData(this, -static_cast<int>(reader_.BodyRead()));
            }
            HeaderText.clear();
            HeaderParsed = false;
            received = false;
        }
    }
    if (!received) {
        DropAnswer();
        if (!Transfer(url, request)) return;
    }
    // A file receive parsed the header on the way (DoFileWrite).
    // The received text up to its first zero byte, as GetText gives it,
    // without copying an answer of any size.
    if (!ReceiveToFile) SetResponseHeader(std::string_view(ReceiveBuffer.c_str()));
    EndAnswer();
}

void TInetHTTP::SetResponseHeader(std::string_view text) {
    const std::string_view part = TInetHTTPResponseHeader::HeaderPart(text);
    if (ResponseHeader.ParsedFrom(part) || reader_.TakeHeader(part, ResponseHeader)) return;
    ResponseHeader.SetHeader(text);
}

void TInetHTTP::DropAnswer() {
    if (!pending_) return;
    pending_ = false;
    pendingRequest_.clear();
    Close();
}

bool TInetHTTP::AnswerStillThere() {
    TTransport* socket = GetSocket();
    if (ErrorCode != 0 || !socket->Connected()) return false;
    if (reader_.WholeSoFar() || socket->WaitReadable(0, nullptr) != rrReadable) return true;
    char chunk[kInetChunkSize];
    ssize_t n = socket->Recv(chunk, sizeof chunk);
    if (n > 0) reader_.Feed(chunk, static_cast<size_t>(n));
    if (n > 0 || n == TTransport::kRecvNothingYet) return true;
    return reader_.WholeSoFar();
}

bool TInetHTTP::PeerClosed() {
    TTransport* socket = GetSocket();
    if (!socket->Connected()) return true;
    if (socket->WaitReadable(0, nullptr) != rrReadable) return false;
    char byte;
    ssize_t n = socket->Recv(&byte, 1);
    return n == 0 || n == -1;
}

void TInetHTTP::EndAnswer() {
    if (UsePool() && ErrorCode == 0 && !WriteCancelled && reader_.Reusable() && GetSocket()->Connected())
        Pool->Put(connKey_, SwapSocket(nullptr));
    else
        Close();
}

bool TInetHTTP::WaitAnswer(TInetSocketStream& stream, int timeoutMs) {
    return reader_.Buffered() || stream.WaitForData(timeoutMs);
}

int TInetHTTP::ReadAnswer(TInetSocketStream& stream, char* buffer, int count) {
    return reader_.Read(stream, buffer, count);
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
    SetResponseHeader(std::string_view(HeaderText).substr(0, headerLength));
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
    // One copy, of the body alone: a big page is not copied whole first.
    const std::string_view text(ReceiveBuffer.c_str());
    size_t header = 0;
    const size_t bodyStart = FindBodyStart(text, 0, header);
    if (bodyStart == std::string_view::npos || static_cast<int64_t>(bodyStart) + 1 > ReceiveLength)
        return std::string(text);
    return std::string(text.substr(bodyStart));
}

const char* TInetHTTP::GetBinary() const {
    int64_t position = GetEntityPos();
    return position == 0 ? nullptr : ReceiveBuffer.data() + (position - 1);
}

int64_t TInetHTTP::GetBinaryLen() const {
    int64_t position = GetEntityPos();
    return position == 0 ? 0 : ReceiveLength - position + 1;
}
