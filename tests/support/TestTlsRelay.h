#pragma once
// Relays for the TLS tests, both on 127.0.0.1 with an ephemeral port, a
// thread per connection, bytes passed on as they come:
// - a TLS front: takes TLS with the certificate given and relays the plain
//   text to a TTestHttpServer's port, so every script of that server works
//   over https (a CloseNow there cuts the TLS connection here);
// - a CONNECT proxy: reads "CONNECT host:port", records the request, answers
//   200 (or the refusal set) and relays to 127.0.0.1:port.
// The destructor ends every connection and joins every thread.
#include "platform/Event.h"

#include <atomic>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

typedef struct ssl_ctx_st SSL_CTX;

class TTestTlsRelay {
public:
    // TLS front for 127.0.0.1:backendPort.
    TTestTlsRelay(int backendPort, const std::string& certPem, const std::string& keyPem);
    // CONNECT proxy.
    TTestTlsRelay();
    ~TTestTlsRelay();
    TTestTlsRelay(const TTestTlsRelay&) = delete;
    TTestTlsRelay& operator=(const TTestTlsRelay&) = delete;

    int Port() const { return port_; }
    // "https://<host>:<port>" + path (the TLS front)
    std::string Url(const std::string& path, const std::string& host = "127.0.0.1") const;
    // The proxy's CONNECT requests, in order of arrival.
    std::vector<std::string> Requests() const;
    // The proxy answers CONNECT with this status (and closes) when not 0.
    void RefuseWith(int status) { refuse_ = status; }
    // Connections whose TLS handshake failed (the TLS front).
    int FailedHandshakes() const { return failedHandshakes_; }

    void Stop();

private:
    void Listen();
    void AcceptLoop();
    void Serve(int fd);
    void Relay(int client, void* ssl, int backend);

    SSL_CTX* ctx_ = nullptr;
    int backendPort_ = 0;
    int listenFd_ = -1;
    int port_ = 0;
    std::atomic<int> refuse_{0};
    std::atomic<int> failedHandshakes_{0};
    TEvent stop_{true, false};
    std::thread acceptor_;
    mutable std::mutex mutex_;
    std::vector<std::thread> threads_;
    std::set<int> open_;
    std::vector<std::string> requests_;
};
