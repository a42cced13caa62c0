#pragma once
// A byte stream to a server, as the HTTP connection sees it. The plain TCP
// form is TTcpTransport; an encrypted one can take its place without any
// change to the HTTP code.
//
// Threads: one thread owns a transport (the one that connects it) and makes
// every call except Shutdown. Shutdown may come from any thread at any time:
// it breaks off what the owner is doing (a connect in progress fails, waits
// wake up, sends and reads stop) and stays in force until the owner's next
// Close. Only the owner ever releases the socket, so a Shutdown can never hit
// a descriptor number that was closed and handed out again.
#include <cstddef>
#include <string>
#include <sys/types.h>

class TEvent;

enum TConnectResult {
    crConnected,
    crFailed,    // the name could not be resolved or no address accepted
    crCancelled, // Shutdown, or the cancel event, broke it off
};

// Why the last Connect answered crFailed, for a message that says so.
enum TConnectFailure {
    cfNone,
    cfUnknownHost, // the name could not be resolved
    cfRefused,     // nothing listens on the port
    cfTimedOut,    // the connect itself timed out (the system's limit)
    cfUnreachable, // no route to the host or its network
    cfOther,
    // TLS: the server's certificate was not accepted (LastFailureDetail says
    // why: unknown issuer, expired, wrong host name, ...).
    cfCertificate,
    cfHandshake, // TLS could not be agreed on (LastFailureDetail says more)
    cfProxyTunnel, // the proxy refused the CONNECT tunnel (LastFailureDetail: its status)
};

enum TReadyResult {
    rrReadable, // data, the end of the stream or an error is there to Recv
    rrTimeout,
    rrWoken,    // the wake event was signalled or Shutdown was called
    rrError,    // not connected, or the wait itself failed
};

class TTransport {
public:
    virtual ~TTransport() = default;

    // Resolves `host` (a name, "localhost", an IPv4 or IPv6 address, the
    // latter bare or in brackets as addresses write it) and
    // connects to the first address that accepts, blocking until then. No
    // time limit of its own; Shutdown or `cancel` (when given) break it off.
    // A connection still open is released first.
    virtual TConnectResult Connect(const std::string& host, int port, TEvent* cancel) = 0;
    // Connected and not shut down. Any thread.
    virtual bool Connected() const = 0;
    // Writes `count` bytes, waiting up to `timeoutMs` in all for the peer to
    // take them. Answers how many were written: fewer than `count` on time
    // out, Shutdown or error.
    virtual size_t Send(const void* data, size_t count, int timeoutMs) = 0;
    // Waits up to `timeoutMs` (-1: no limit) until Recv has something to
    // report, `wake` (when given) is signalled or Shutdown is called.
    virtual TReadyResult WaitReadable(int timeoutMs, TEvent* wake) = 0;
    // Reads what has arrived, without waiting: the byte count, 0 at the end
    // of the stream, kRecvNothingYet when nothing has arrived, -1 on error.
    // A transport may read the connection in larger blocks than asked for
    // and hand the rest out on the next calls (WaitReadable counts it).
    static constexpr ssize_t kRecvNothingYet = -2;
    virtual ssize_t Recv(void* buffer, size_t count) = 0;
    // Owner only: puts `count` bytes back in front of what Recv hands out
    // next, for a reader that took more than was its own (the bytes after a
    // proxy's CONNECT answer belong to the tunnel). A transport that cannot
    // answers false.
    virtual bool Unread(const void*, size_t count) { return count == 0; }
    // Why the last Connect failed, read by the owner or after the owning
    // thread has ended. Meaningful after crFailed only; cfNone from a
    // transport that cannot tell.
    virtual TConnectFailure LastConnectFailure() const { return cfNone; }
    // Words for the reason of a TLS or tunnel failure (English, short, as
    // the TLS library or the proxy gave it); empty otherwise.
    virtual std::string LastFailureDetail() const { return std::string(); }

    // Owner only, on a connection just made: agrees TLS with the server and
    // checks its certificate for `serverName` (also sent as SNI). Shutdown,
    // `cancel` and `timeoutMs` (-1: none) bound the handshake as they bound a
    // read. From then on Send, WaitReadable and Recv carry plain text inside
    // TLS. crFailed with cfHandshake from a transport that has no TLS.
    virtual TConnectResult StartTls(const std::string& serverName, TEvent* cancel, int timeoutMs);
    // Owner only: answers why StartTls or the proxy tunnel failed.
    virtual void NoteFailure(TConnectFailure, const std::string&) {}
    // Any thread: break off (see above).
    virtual void Shutdown() = 0;
    // Owner only: shut down and release the connection; ends a Shutdown.
    virtual void Close() = 0;
};

inline TConnectResult TTransport::StartTls(const std::string&, TEvent*, int) {
    NoteFailure(cfHandshake, "TLS is not available");
    return crFailed;
}
