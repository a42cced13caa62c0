#pragma once
// A scriptable HTTP server on 127.0.0.1 (or ::1) for the network tests. It listens on
// an ephemeral port in the test process, accepts on its own thread and
// serves each connection on a thread of its own, so a stalled connection
// never holds up the next one.
//
// Each connection reads one request (up to the blank line, plus a body of
// the announced Content-Length), records its text, picks the script of its
// request target (a one-shot script first, then the path with query, then
// the path alone, then the default), plays the script's actions in order and
// closes the connection; with SetKeepAlive it reads the next request on the
// same connection instead.
//
// Every wait of the server also watches its stop event: the destructor (or
// Stop) ends every connection and joins every thread in bounded time, even
// in the middle of a stall or a large body.
#include "platform/Event.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class TTestHttpServer {
public:
    struct TAction {
        enum TKind { kSend, kDelay, kStall, kClose, kByteByByte, kStream };
        TKind kind = kSend;
        std::string bytes; // kSend, kByteByByte; the pattern of kStream
        int ms = 0;        // kDelay; the pause between bytes of kByteByByte
        size_t count = 0;  // kStream: bytes to send
    };
    using TScript = std::vector<TAction>;

    // Raw bytes, as they are.
    static TAction Send(std::string bytes);
    // "HTTP/1.0 <status> <reason>\r\n", each header line + "\r\n", "\r\n",
    // then the body.
    static TAction Respond(int status, const std::vector<std::string>& headers,
                           const std::string& body);
    static TAction Delay(int ms);
    // Keeps the connection open without a word until the client closes it or
    // the server stops.
    static TAction Stall();
    // Closes the connection here; later actions are skipped.
    static TAction CloseNow();
    // One send per byte, with `pauseMs` between them.
    static TAction ByteByByte(std::string bytes, int pauseMs = 0);
    // `count` bytes of a repeated pattern (PatternAt), generated while sent.
    // Stops early, quietly, when the client goes away.
    static TAction Stream(size_t count);
    // Byte `index` of the streamed pattern.
    static char PatternAt(size_t index);

    enum TFamily { kIPv4, kIPv6 };
    // Listens on 127.0.0.1, or on ::1 for kIPv6.
    explicit TTestHttpServer(TFamily family = kIPv4);
    ~TTestHttpServer();
    TTestHttpServer(const TTestHttpServer&) = delete;
    TTestHttpServer& operator=(const TTestHttpServer&) = delete;

    int Port() const { return port_; }
    // False when the loopback address could not be bound (no ::1 here).
    bool Listening() const { return listenFd_ >= 0; }
    // "http://127.0.0.1:<port>" (or "http://[::1]:<port>") + path
    std::string Url(const std::string& path) const;

    // Scripts may be changed at any time; a connection uses the one in force
    // when its request has arrived. Without any, the answer is a bare 404.
    void On(const std::string& target, TScript script);
    void SetDefault(TScript script);
    // A script for the next request of `target` (the path alone) only;
    // several are used in the order given, before the standing one.
    void OnOnce(const std::string& target, TScript script);
    // After a script that did not close, wait for another request on the
    // same connection (unless the request said "Connection: close"); one
    // idle for `idleMs` (0: no limit) is closed.
    void SetKeepAlive(bool on, int idleMs = 0);

    // The full texts of the requests received so far, in order of arrival.
    std::vector<std::string> Requests() const;
    bool WaitForRequests(size_t count, int timeoutMs = 20000) const;
    size_t Connections() const { return accepted_.load(); }
    bool WaitForConnections(size_t count, int timeoutMs = 20000) const;
    // Connections whose script has ended (closed by either side).
    bool WaitForFinished(size_t count, int timeoutMs = 20000) const;

    void Stop();

private:
    void AcceptLoop();
    void Serve(int fd);
    bool ReadRequest(int fd, std::string& request, int idleMs = -1);
    TScript ScriptFor(const std::string& request);
    bool Play(int fd, const TAction& action);
    bool SendAll(int fd, const char* data, size_t count);
    bool Pause(int ms); // false when the server stops meanwhile
    bool WaitUntil(const std::function<bool()>& done, int timeoutMs) const;

    TFamily family_ = kIPv4;
    int listenFd_ = -1;
    int port_ = 0;
    TEvent stop_{true, false};
    std::thread acceptor_;

    mutable std::mutex mutex_;
    std::map<std::string, TScript> scripts_;
    std::map<std::string, std::vector<TScript>> once_;
    std::atomic<bool> keepAlive_{false};
    std::atomic<int> idleMs_{0};
    TScript default_;
    std::vector<std::string> requests_;
    std::vector<std::thread> connections_;
    std::atomic<size_t> accepted_{0};
    std::atomic<size_t> finished_{0};
};

// A listening socket on 127.0.0.1 whose accept queue is full and is never
// accepted from: the kernel drops further SYNs, so a connect to Port() stays
// in progress until it is broken off (or the kernel gives up after minutes).
// This is how the tests get a connect that does not complete without leaving
// the loopback interface. Ready() is false when the queue could not be shown
// to be full; tests then skip.
class TBlockedListener {
public:
    TBlockedListener();
    ~TBlockedListener();
    TBlockedListener(const TBlockedListener&) = delete;
    TBlockedListener& operator=(const TBlockedListener&) = delete;

    int Port() const { return port_; }
    bool Ready() const { return ready_; }

private:
    int listenFd_ = -1;
    int port_ = 0;
    bool ready_ = false;
    std::vector<int> fillers_;
};
