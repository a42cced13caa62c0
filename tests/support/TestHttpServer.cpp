#include "support/TestHttpServer.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr size_t kStreamBlock = 16 * 1024;
constexpr int kLingerMs = 2000;

// A non-blocking TCP socket listening on 127.0.0.1 (or ::1) with an
// ephemeral port.
int ListenLoopback(int backlog, int& port, bool ipv6 = false) {
    int fd = ::socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_storage ss{};
    socklen_t len;
    if (ipv6) {
        auto* addr = reinterpret_cast<sockaddr_in6*>(&ss);
        addr->sin6_family = AF_INET6;
        addr->sin6_addr = in6addr_loopback;
        len = sizeof *addr;
    } else {
        auto* addr = reinterpret_cast<sockaddr_in*>(&ss);
        addr->sin_family = AF_INET;
        addr->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        len = sizeof *addr;
    }
    if (::bind(fd, reinterpret_cast<sockaddr*>(&ss), len) != 0 || ::listen(fd, backlog) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&ss), &len) != 0) {
        ::close(fd);
        return -1;
    }
    port = ipv6 ? ntohs(reinterpret_cast<sockaddr_in6*>(&ss)->sin6_port)
                : ntohs(reinterpret_cast<sockaddr_in*>(&ss)->sin_port);
    return fd;
}

std::string LowerAscii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// The end of the header: the index just past the first blank line, or npos.
size_t HeaderEnd(const std::string& text) {
    size_t crlf = text.find("\r\n\r\n");
    size_t lf = text.find("\n\n");
    if (crlf != std::string::npos && (lf == std::string::npos || crlf + 2 <= lf)) return crlf + 4;
    return lf == std::string::npos ? std::string::npos : lf + 2;
}

size_t ContentLength(const std::string& header) {
    std::string lower = LowerAscii(header);
    size_t at = lower.find("\ncontent-length:");
    if (at == std::string::npos) return 0;
    return std::strtoul(lower.c_str() + at + 16, nullptr, 10);
}

// The path of a request line's target ("GET /a?b HTTP/1.0" or the absolute
// form a proxy gets), with and without its query.
std::string RequestTarget(const std::string& request) {
    size_t sp1 = request.find(' ');
    if (sp1 == std::string::npos) return std::string();
    size_t sp2 = request.find_first_of(" \r\n", sp1 + 1);
    std::string target = request.substr(sp1 + 1, sp2 == std::string::npos ? std::string::npos
                                                                             : sp2 - sp1 - 1);
    size_t scheme = target.find("://");
    if (scheme != std::string::npos && target[0] != '/') {
        size_t path = target.find('/', scheme + 3);
        target = path == std::string::npos ? "/" : target.substr(path);
    }
    return target;
}

const char* ReasonOf(int status) {
    switch (status) {
    case 200: return "OK";
    case 206: return "Partial Content";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 304: return "Not Modified";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 411: return "Length Required";
    case 500: return "Internal Server Error";
    default: return "Status";
    }
}

} // namespace

TTestHttpServer::TAction TTestHttpServer::Send(std::string bytes) {
    TAction a;
    a.kind = TAction::kSend;
    a.bytes = std::move(bytes);
    return a;
}

TTestHttpServer::TAction TTestHttpServer::Respond(int status,
                                                  const std::vector<std::string>& headers,
                                                  const std::string& body) {
    std::string text = "HTTP/1.0 " + std::to_string(status) + " " + ReasonOf(status) + "\r\n";
    for (const auto& line : headers) text += line + "\r\n";
    return Send(text + "\r\n" + body);
}

TTestHttpServer::TAction TTestHttpServer::Delay(int ms) {
    TAction a;
    a.kind = TAction::kDelay;
    a.ms = ms;
    return a;
}

TTestHttpServer::TAction TTestHttpServer::Stall() {
    TAction a;
    a.kind = TAction::kStall;
    return a;
}

TTestHttpServer::TAction TTestHttpServer::CloseNow() {
    TAction a;
    a.kind = TAction::kClose;
    return a;
}

TTestHttpServer::TAction TTestHttpServer::ByteByByte(std::string bytes, int pauseMs) {
    TAction a;
    a.kind = TAction::kByteByByte;
    a.bytes = std::move(bytes);
    a.ms = pauseMs;
    return a;
}

TTestHttpServer::TAction TTestHttpServer::Stream(size_t count) {
    TAction a;
    a.kind = TAction::kStream;
    a.count = count;
    return a;
}

char TTestHttpServer::PatternAt(size_t index) {
    // 251 is prime, so the pattern does not line up with power-of-two chunks;
    // it never produces "\r" or "\n".
    return static_cast<char>('0' + index % 251 % 64);
}

TTestHttpServer::TTestHttpServer(TFamily family) : family_(family) {
    listenFd_ = ListenLoopback(64, port_, family == kIPv6);
    if (listenFd_ >= 0) acceptor_ = std::thread([this] { AcceptLoop(); });
}

TTestHttpServer::~TTestHttpServer() { Stop(); }

std::string TTestHttpServer::Url(const std::string& path) const {
    return (family_ == kIPv6 ? "http://[::1]:" : "http://127.0.0.1:") + std::to_string(port_) + path;
}

void TTestHttpServer::On(const std::string& target, TScript script) {
    std::lock_guard lock(mutex_);
    scripts_[target] = std::move(script);
}

void TTestHttpServer::OnOnce(const std::string& target, TScript script) {
    std::lock_guard lock(mutex_);
    once_[target].push_back(std::move(script));
}

void TTestHttpServer::SetKeepAlive(bool on, int idleMs) {
    idleMs_ = idleMs;
    keepAlive_ = on;
}

void TTestHttpServer::SetDefault(TScript script) {
    std::lock_guard lock(mutex_);
    default_ = std::move(script);
}

std::vector<std::string> TTestHttpServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

bool TTestHttpServer::WaitUntil(const std::function<bool()>& done, int timeoutMs) const {
    auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= limit) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

bool TTestHttpServer::WaitForRequests(size_t count, int timeoutMs) const {
    return WaitUntil([&] { return Requests().size() >= count; }, timeoutMs);
}

bool TTestHttpServer::WaitForConnections(size_t count, int timeoutMs) const {
    return WaitUntil([&] { return accepted_.load() >= count; }, timeoutMs);
}

bool TTestHttpServer::WaitForFinished(size_t count, int timeoutMs) const {
    return WaitUntil([&] { return finished_.load() >= count; }, timeoutMs);
}

void TTestHttpServer::Stop() {
    stop_.SetEvent();
    if (acceptor_.joinable()) acceptor_.join();
    std::vector<std::thread> connections;
    {
        std::lock_guard lock(mutex_);
        connections.swap(connections_);
    }
    for (auto& t : connections) t.join();
    if (listenFd_ >= 0) ::close(listenFd_);
    listenFd_ = -1;
}

void TTestHttpServer::AcceptLoop() {
    for (;;) {
        pollfd fds[2] = {{listenFd_, POLLIN, 0}, {stop_.Handle(), POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR) return;
        if (fds[1].revents & POLLIN) return;
        if (!(fds[0].revents & POLLIN)) continue;
        int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) continue;
        int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        ++accepted_;
        std::lock_guard lock(mutex_);
        connections_.emplace_back([this, fd] { Serve(fd); });
    }
}

void TTestHttpServer::Serve(int fd) {
    bool open = true;
    for (bool first = true; open; first = false) {
        std::string request;
        const int idle = idleMs_.load();
        open = ReadRequest(fd, request, first || idle <= 0 ? -1 : idle);
        if (!open) break;
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(request);
        }
        TScript script = ScriptFor(request);
        for (const TAction& action : script) {
            if (!Play(fd, action)) {
                open = false;
                break;
            }
        }
        // A client that asks for the close gets it, as from any server.
        if (!keepAlive_ || LowerAscii(request).find("\nconnection: close") != std::string::npos) break;
    }
    if (open) {
        // Lingering close: end our side, then let the client read everything
        // and close first, so unread request bytes cannot turn our close into
        // a reset that destroys the answer in the client's buffer.
        ::shutdown(fd, SHUT_WR);
        auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(kLingerMs);
        char sink[4096];
        for (;;) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                limit - std::chrono::steady_clock::now());
            if (left.count() <= 0) break;
            pollfd fds[2] = {{fd, POLLIN, 0}, {stop_.Handle(), POLLIN, 0}};
            if (::poll(fds, 2, static_cast<int>(left.count())) <= 0) break;
            if (fds[1].revents & POLLIN) break;
            ssize_t n = ::recv(fd, sink, sizeof sink, 0);
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) break;
        }
    }
    ::close(fd);
    ++finished_;
}

bool TTestHttpServer::ReadRequest(int fd, std::string& request, int idleMs) {
    char buffer[4096];
    size_t wanted = std::string::npos;
    for (;;) {
        if (wanted == std::string::npos) {
            size_t end = HeaderEnd(request);
            if (end != std::string::npos) wanted = end + ContentLength(request.substr(0, end));
        }
        if (wanted != std::string::npos && request.size() >= wanted) return true;
        pollfd fds[2] = {{fd, POLLIN, 0}, {stop_.Handle(), POLLIN, 0}};
        int ready = ::poll(fds, 2, request.empty() ? idleMs : -1);
        if (ready < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (ready == 0) return false; // idle too long
        if (fds[1].revents & POLLIN) return false;
        ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        if (n <= 0) return false;
        request.append(buffer, static_cast<size_t>(n));
    }
}

TTestHttpServer::TScript TTestHttpServer::ScriptFor(const std::string& request) {
    std::string target = RequestTarget(request);
    std::lock_guard lock(mutex_);
    if (auto once = once_.find(target.substr(0, target.find('?'))); once != once_.end() && !once->second.empty()) {
        TScript script = std::move(once->second.front());
        once->second.erase(once->second.begin());
        return script;
    }
    auto it = scripts_.find(target);
    if (it == scripts_.end()) it = scripts_.find(target.substr(0, target.find('?')));
    if (it != scripts_.end()) return it->second;
    if (!default_.empty()) return default_;
    return {Respond(404, {}, "")};
}

bool TTestHttpServer::Play(int fd, const TAction& action) {
    switch (action.kind) {
    case TAction::kSend:
        return SendAll(fd, action.bytes.data(), action.bytes.size());
    case TAction::kDelay:
        return Pause(action.ms);
    case TAction::kClose:
        return false;
    case TAction::kByteByByte:
        for (char c : action.bytes) {
            if (!SendAll(fd, &c, 1)) return false;
            if (action.ms > 0 && !Pause(action.ms)) return false;
        }
        return true;
    case TAction::kStream: {
        std::string block;
        for (size_t sent = 0; sent < action.count;) {
            size_t n = std::min(kStreamBlock, action.count - sent);
            block.resize(n);
            for (size_t i = 0; i < n; ++i) block[i] = PatternAt(sent + i);
            if (!SendAll(fd, block.data(), n)) return false;
            sent += n;
        }
        return true;
    }
    case TAction::kStall: {
        char sink[4096];
        for (;;) {
            pollfd fds[2] = {{fd, POLLIN, 0}, {stop_.Handle(), POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0) {
                if (errno == EINTR) continue;
                return false;
            }
            if (fds[1].revents & POLLIN) return false;
            ssize_t n = ::recv(fd, sink, sizeof sink, 0);
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
            if (n <= 0) return false; // the client closed
        }
    }
    }
    return false;
}

bool TTestHttpServer::SendAll(int fd, const char* data, size_t count) {
    while (count > 0) {
        ssize_t n = ::send(fd, data, count, MSG_NOSIGNAL);
        if (n > 0) {
            data += n;
            count -= static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd fds[2] = {{fd, POLLOUT, 0}, {stop_.Handle(), POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0 && errno != EINTR) return false;
            if (fds[1].revents & POLLIN) return false;
            continue;
        }
        return false; // the client went away
    }
    return true;
}

bool TTestHttpServer::Pause(int ms) { return stop_.WaitFor(ms) == wrTimeout; }

TBlockedListener::TBlockedListener() {
    listenFd_ = ListenLoopback(0, port_);
    if (listenFd_ < 0) return;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port_));
    // Connect until one connect stays in progress: from then on the queue is
    // full and the kernel drops every SYN to this port.
    for (int i = 0; i < 64 && !ready_; ++i) {
        int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) return;
        if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
            fillers_.push_back(fd);
            continue;
        }
        if (errno != EINPROGRESS) {
            ::close(fd);
            return;
        }
        pollfd p{fd, POLLOUT, 0};
        int rc = ::poll(&p, 1, 1000);
        int error = 0;
        socklen_t len = sizeof error;
        if (rc > 0 && ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len) == 0 && error == 0) {
            fillers_.push_back(fd);
        } else {
            ::close(fd);
            ready_ = rc == 0;
        }
    }
}

TBlockedListener::~TBlockedListener() {
    for (int fd : fillers_) ::close(fd);
    if (listenFd_ >= 0) ::close(listenFd_);
}
