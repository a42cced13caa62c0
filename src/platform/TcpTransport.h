#pragma once
// The plain TCP transport: POSIX sockets, IPv4 and IPv6. The socket is kept
// non-blocking underneath; every call waits with poll() on the socket
// together with the Shutdown event (and the caller's event), which is what
// makes a connect, a send and a read breakable from another thread.
#include "platform/Event.h"
#include "platform/Transport.h"

#include <atomic>
#include <mutex>

class TTcpTransport : public TTransport {
public:
    TTcpTransport() = default;
    ~TTcpTransport() override;

    TConnectResult Connect(const std::string& host, int port, TEvent* cancel) override;
    bool Connected() const override;
    size_t Send(const void* data, size_t count, int timeoutMs) override;
    TReadyResult WaitReadable(int timeoutMs, TEvent* wake) override;
    ssize_t Recv(void* buffer, size_t count) override;
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

private:

    // fd_ changes only on the owning thread, under mutex_; Shutdown reads it
    // under mutex_, so it never sees a descriptor after its close.
    mutable std::mutex mutex_;
    int fd_ = -1;
    std::atomic<bool> connected_{false};
    std::atomic<bool> shutDown_{false};
    TEvent shutdownEvent_{true, false};
    TConnectFailure failure_ = cfNone;
    std::string detail_;
};
