#include "platform/TcpTransport.h"

#include "platform/WaitClock.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

struct TAddrInfoFree {
    void operator()(addrinfo* info) const { ::freeaddrinfo(info); }
};

// poll() that resumes after signals with what is left of the time.
int PollFor(pollfd* fds, nfds_t count, int timeoutMs) {
    TWaitClock clock(timeoutMs);
    for (;;) {
        int rc = ::poll(fds, count, clock.Remaining());
        if (rc >= 0 || errno != EINTR) return rc;
    }
}

TConnectFailure FailureOf(int error) {
    switch (error) {
    case ECONNREFUSED: return cfRefused;
    case ETIMEDOUT: return cfTimedOut;
    case ENETUNREACH:
    case EHOSTUNREACH:
    case ENETDOWN:
    case EHOSTDOWN: return cfUnreachable;
    default: return cfOther;
    }
}

} // namespace

TTcpTransport::~TTcpTransport() { Close(); }

TConnectResult TTcpTransport::Connect(const std::string& host, int port, TEvent* cancel) {
    ReleaseSocket();
    failure_ = cfNone;
    detail_.clear();
    if (shutDown_) return crCancelled;

    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    std::string service = std::to_string(port);
    if (port <= 0 || port > 65535) {
        failure_ = cfOther;
        return shutDown_ ? crCancelled : crFailed;
    }
    // Addresses write an IPv6 host in brackets; the resolver wants it bare.
    std::string name = host;
    if (name.size() > 2 && name.front() == '[' && name.back() == ']') name = name.substr(1, name.size() - 2);
    // The lookup itself cannot be broken off; a Shutdown during it is seen
    // right after.
    if (host.empty() || ::getaddrinfo(name.c_str(), service.c_str(), &hints, &found) != 0) {
        failure_ = cfUnknownHost;
        return shutDown_ ? crCancelled : crFailed;
    }
    std::unique_ptr<addrinfo, TAddrInfoFree> list(found);

    for (addrinfo* ai = list.get(); ai; ai = ai->ai_next) {
        int fd = ::socket(ai->ai_family, ai->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                          ai->ai_protocol);
        if (fd < 0) {
            failure_ = cfOther;
            continue;
        }
        {
            std::lock_guard lock(mutex_);
            fd_ = fd;
        }
        // A Shutdown from now on shuts this socket down as well; one that came
        // before is caught here.
        if (shutDown_) {
            ReleaseSocket();
            return crCancelled;
        }
        bool connected = ::connect(fd, ai->ai_addr, ai->ai_addrlen) == 0;
        // The reason of the last address tried is the one reported.
        int error = connected ? 0 : errno;
        if (!connected && errno == EINPROGRESS) {
            pollfd fds[3] = {{fd, POLLOUT, 0},
                             {shutdownEvent_.Handle(), POLLIN, 0},
                             {cancel ? cancel->Handle() : -1, POLLIN, 0}};
            if (PollFor(fds, 3, -1) < 0) {
                ReleaseSocket();
                failure_ = cfOther;
                return crFailed;
            }
            if ((fds[1].revents | fds[2].revents) & POLLIN || shutDown_) {
                ReleaseSocket();
                return crCancelled;
            }
            // A failed connect reports POLLERR (with POLLHUP); only then is
            // there a reason to ask for.
            error = 0;
            if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) {
                socklen_t len = sizeof error;
                if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len) != 0) error = errno;
            }
            connected = error == 0;
        }
        if (connected) {
            noDelay_ = false;
            sentSinceRead_ = false;
            connected_ = true;
            failure_ = cfNone;
            return crConnected;
        }
        failure_ = FailureOf(error);
        ReleaseSocket();
    }
    return shutDown_ ? crCancelled : crFailed;
}

bool TTcpTransport::Connected() const { return connected_ && !shutDown_; }

size_t TTcpTransport::Send(const void* data, size_t count, int timeoutMs) {
    if (fd_ < 0 || shutDown_) return 0;
    // A request that fits one write needs no TCP_NODELAY: nothing of ours
    // is unacknowledged then (the answer to the last request acknowledged
    // it), so the kernel sends it at once. Only a second write before the
    // answer (a request sent in several chunks) could be held back waiting
    // for the acknowledgement of the first.
    if (sentSinceRead_ && !noDelay_) SendAtOnce();
    sentSinceRead_ = true;
    const char* bytes = static_cast<const char*>(data);
    TWaitClock clock(timeoutMs);
    size_t sent = 0;
    while (sent < count) {
        ssize_t n = ::send(fd_, bytes + sent, count - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd fds[2] = {{fd_, POLLOUT, 0}, {shutdownEvent_.Handle(), POLLIN, 0}};
            int rc = PollFor(fds, 2, clock.Remaining());
            if (rc <= 0 || (fds[1].revents & POLLIN)) break; // time out, error or Shutdown
            continue;
        }
        break;
    }
    return sent;
}

TReadyResult TTcpTransport::WaitReadable(int timeoutMs, TEvent* wake) {
    if (fd_ < 0) return rrError;
    if (Buffered() > 0) return ReadyNow(wake);
    pollfd fds[3] = {{fd_, POLLIN, 0},
                     {shutdownEvent_.Handle(), POLLIN, 0},
                     {wake ? wake->Handle() : -1, POLLIN, 0}};
    int rc = PollFor(fds, 3, timeoutMs);
    if (rc < 0) return rrError;
    // Being woken wins over data that is there as well: a cancel must stop
    // the reader at once.
    if ((fds[1].revents | fds[2].revents) & POLLIN) return rrWoken;
    if (fds[0].revents) return rrReadable; // data, end of stream, or an error
    return rrTimeout;
}

TReadyResult TTcpTransport::ReadyNow(TEvent* wake) const {
    if (shutDown_ || shutdownEvent_.Signalled() || (wake && wake->Signalled())) return rrWoken;
    return rrReadable;
}

ssize_t TTcpTransport::Recv(void* buffer, size_t count) {
    if (fd_ < 0) return -1;
    if (count == 0) return 0;
    // A shut down connection reads as ended, as the socket itself would.
    if (shutDown_) return 0;
    if (Buffered() == 0) {
        if (!block_) {
            blockSize_ = kReadBlock;
            block_ = std::make_unique_for_overwrite<char[]>(blockSize_);
        }
        begin_ = end_ = 0;
        ssize_t n = FillBlock(block_.get(), blockSize_);
        if (n == 0) peerEnded_ = true;
        if (n > 0) sentSinceRead_ = false;
        if (n <= 0) return n;
        end_ = static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(TakeBuffered(buffer, count));
}

void TTcpTransport::SendAtOnce() {
    if (fd_ < 0 || noDelay_) return;
    int one = 1;
    ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    noDelay_ = true;
}

ssize_t TTcpTransport::FillBlock(char* block, size_t size) {
    for (;;) {
        ssize_t n = ::recv(fd_, block, size, MSG_DONTWAIT);
        if (n >= 0) return n;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return kRecvNothingYet;
        if (errno != EINTR) return -1;
    }
}

size_t TTcpTransport::TakeBuffered(void* buffer, size_t count) {
    size_t n = std::min(count, Buffered());
    if (n == 0) return 0;
    std::memcpy(buffer, block_.get() + begin_, n);
    begin_ += n;
    return n;
}

bool TTcpTransport::Unread(const void* data, size_t count) {
    if (count == 0) return true;
    if (fd_ < 0) return false;
    if (count <= begin_) {
        // The usual case: the bytes were just handed out of this block.
        begin_ -= count;
        std::memmove(block_.get() + begin_, data, count);
        return true;
    }
    size_t keep = Buffered();
    size_t size = std::max(kReadBlock, count + keep);
    auto block = std::make_unique_for_overwrite<char[]>(size);
    std::memcpy(block.get(), data, count);
    if (keep > 0) std::memcpy(block.get() + count, block_.get() + begin_, keep);
    block_ = std::move(block);
    blockSize_ = size;
    begin_ = 0;
    end_ = count + keep;
    return true;
}

void TTcpTransport::NoteFailure(TConnectFailure failure, const std::string& detail) {
    failure_ = failure;
    detail_ = detail;
}

void TTcpTransport::Shutdown() {
    shutDown_ = true;
    shutdownEvent_.SetEvent();
    std::lock_guard lock(mutex_);
    if (fd_ >= 0) ::shutdown(fd_, SHUT_RDWR);
}

void TTcpTransport::Close() {
    ReleaseSocket();
    shutDown_ = false;
    shutdownEvent_.ResetEvent();
}

void TTcpTransport::ReleaseSocket() {
    connected_ = false;
    begin_ = end_ = 0; // what was read belongs to the connection that goes
    std::lock_guard lock(mutex_);
    if (fd_ < 0) return;
    // A connection the peer has ended needs no shutdown of its own: the
    // close sends what is left to send.
    if (!peerEnded_) ::shutdown(fd_, SHUT_RDWR);
    peerEnded_ = false;
    ::close(fd_);
    fd_ = -1;
}
