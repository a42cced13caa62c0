#pragma once
// The plain TCP transport: POSIX sockets, IPv4 and IPv6. The socket is kept
// non-blocking underneath; every call waits with poll() on the socket
// together with the Shutdown event (and the caller's event), which is what
// makes a connect, a send and a read breakable from another thread.
//
// Reads: the socket is read in blocks of kReadBlock bytes, and Recv hands
// the block out in the pieces its caller asks for, so that a transfer made
// of small reads does not make a system call for each.
#include "platform/Event.h"
#include "platform/Transport.h"

#include <atomic>
#include <memory>
#include <mutex>

class TTcpTransport : public TTransport {
public:
    static constexpr size_t kReadBlock = 256 * 1024;

    TTcpTransport() = default;
    ~TTcpTransport() override;

    TConnectResult Connect(const std::string& host, int port, TEvent* cancel) override;
    bool Connected() const override;
    size_t Send(const void* data, size_t count, int timeoutMs) override;
    TReadyResult WaitReadable(int timeoutMs, TEvent* wake) override;
    ssize_t Recv(void* buffer, size_t count) override;
    bool Unread(const void* data, size_t count) override;
    void Shutdown() override;
    void Close() override;
    TConnectFailure LastConnectFailure() const override { return failure_; }
    std::string LastFailureDetail() const override { return detail_; }
    void NoteFailure(TConnectFailure failure, const std::string& detail) override;

protected:
    // Owner only. Closes the descriptor, leaving a Shutdown in force.
    virtual void ReleaseSocket();
    // For a transport that layers on this one: the socket (owner only) and
    // the event that Shutdown signals.
    int Descriptor() const { return fd_; }
    int ShutdownHandle() const { return shutdownEvent_.Handle(); }
    bool ShutDown() const { return shutDown_; }
    // Owner only: the bytes of the block not handed out yet, and taking them
    // out (the TLS layer takes what came in plain before its handshake).
    size_t Buffered() const { return end_ - begin_; }
    size_t TakeBuffered(void* buffer, size_t count);
    // Fills `block` with what has arrived, without waiting, answering as Recv
    // does. Here the socket itself; TLS gives the decrypted text.
    virtual ssize_t FillBlock(char* block, size_t size);
    // Without waiting: rrWoken when Shutdown or `wake` is signalled, else
    // rrReadable. For a wait that finds bytes in the block.
    TReadyResult ReadyNow(TEvent* wake) const;
    // Owner only: sends small writes at once from now on (TCP_NODELAY).
    void SendAtOnce();

private:

    // fd_ changes only on the owning thread, under mutex_; Shutdown reads it
    // under mutex_, so it never sees a descriptor after its close.
    mutable std::mutex mutex_;
    int fd_ = -1;
    std::atomic<bool> connected_{false};
    std::atomic<bool> shutDown_{false};
    bool peerEnded_ = false; // owner only: a read found the end of the stream
    // Owner only: TCP_NODELAY is set; something was sent since the last read.
    bool noDelay_ = false;
    bool sentSinceRead_ = false;
    TEvent shutdownEvent_{true, false};
    TConnectFailure failure_ = cfNone;
    std::string detail_;
    // The read block (owner only): bytes [begin_, end_) are not handed out
    // yet. Made at the first read, kept across connections.
    std::unique_ptr<char[]> block_;
    size_t blockSize_ = 0;
    size_t begin_ = 0;
    size_t end_ = 0;
};
