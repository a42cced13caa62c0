#pragma once
// Idle kept-alive connections, by the place they lead to, for the HTTP
// clients of one set of connection settings: a page load or a download
// takes a connection another one has finished with instead of opening a new
// one. Only connections whose last answer was read to its end come here.
//
// Threads: any thread; one mutex. A connection taken out belongs to the
// taker's thread from then on.
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

class TTransport;

class TInetHTTPConnPool {
public:
    explicit TInetHTTPConnPool(size_t perKey = 8, size_t total = 32);
    ~TInetHTTPConnPool();
    TInetHTTPConnPool(const TInetHTTPConnPool&) = delete;
    TInetHTTPConnPool& operator=(const TInetHTTPConnPool&) = delete;

    // "scheme host:port", plus " via proxy:port" for a tunnel; a plain
    // request through a proxy is keyed by the proxy alone.
    static std::string Key(bool secure, const std::string& host, int port, const std::string& proxy,
                           int proxyPort);

    // The most recently used idle connection for `key`, or null. Connections
    // the server has closed meanwhile (or that hold bytes nobody asked for)
    // are dropped on the way.
    std::unique_ptr<TTransport> Take(const std::string& key);
    // Keeps `connection` for `key`; the oldest one goes when a limit is hit.
    void Put(const std::string& key, std::unique_ptr<TTransport> connection);
    // Closes every idle connection.
    void Clear();
    size_t Idle() const;

private:
    size_t perKey_;
    size_t total_;
    mutable std::mutex mutex_;
    // Oldest first.
    std::deque<std::pair<std::string, std::unique_ptr<TTransport>>> idle_;
};
