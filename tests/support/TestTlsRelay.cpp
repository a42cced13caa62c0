#include "support/TestTlsRelay.h"

#include <csignal>
#include <cstring>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int ConnectLoopback(int port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) return fd;
    if (fd >= 0) ::close(fd);
    return -1;
}

bool SendAll(int fd, const char* data, size_t count) {
    while (count > 0) {
        ssize_t n = ::send(fd, data, count, MSG_NOSIGNAL);
        if (n <= 0) return false;
        data += n;
        count -= static_cast<size_t>(n);
    }
    return true;
}

} // namespace

TTestTlsRelay::TTestTlsRelay(int backendPort, const std::string& certPem, const std::string& keyPem)
    : backendPort_(backendPort) {
    // The server side writes with OpenSSL's socket BIO: a client that has
    // gone must not end the test process.
    std::signal(SIGPIPE, SIG_IGN);
    ctx_ = SSL_CTX_new(TLS_server_method());
    BIO* certBio = BIO_new_mem_buf(certPem.data(), static_cast<int>(certPem.size()));
    X509* cert = PEM_read_bio_X509(certBio, nullptr, nullptr, nullptr);
    BIO* keyBio = BIO_new_mem_buf(keyPem.data(), static_cast<int>(keyPem.size()));
    EVP_PKEY* key = PEM_read_bio_PrivateKey(keyBio, nullptr, nullptr, nullptr);
    SSL_CTX_use_certificate(ctx_, cert);
    SSL_CTX_use_PrivateKey(ctx_, key);
    X509_free(cert);
    EVP_PKEY_free(key);
    BIO_free(certBio);
    BIO_free(keyBio);
    Listen();
}

TTestTlsRelay::TTestTlsRelay() { Listen(); }

TTestTlsRelay::~TTestTlsRelay() {
    Stop();
    if (ctx_) SSL_CTX_free(ctx_);
}

void TTestTlsRelay::Listen() {
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), len) != 0 || ::listen(listenFd_, 16) != 0 ||
        ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        ::close(listenFd_);
        listenFd_ = -1;
        return;
    }
    port_ = ntohs(addr.sin_port);
    acceptor_ = std::thread([this] { AcceptLoop(); });
}

std::string TTestTlsRelay::Url(const std::string& path, const std::string& host) const {
    return "https://" + host + ":" + std::to_string(port_) + path;
}

std::vector<std::string> TTestTlsRelay::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void TTestTlsRelay::Stop() {
    stop_.SetEvent();
    if (acceptor_.joinable()) acceptor_.join();
    {
        std::lock_guard lock(mutex_);
        for (int fd : open_) ::shutdown(fd, SHUT_RDWR);
    }
    std::vector<std::thread> threads;
    {
        std::lock_guard lock(mutex_);
        threads.swap(threads_);
    }
    for (std::thread& t : threads) t.join();
    if (listenFd_ >= 0) ::close(listenFd_);
    listenFd_ = -1;
}

void TTestTlsRelay::AcceptLoop() {
    for (;;) {
        pollfd fds[2] = {{listenFd_, POLLIN, 0}, {stop_.Handle(), POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) continue;
        if (fds[1].revents & POLLIN) return;
        int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        std::lock_guard lock(mutex_);
        open_.insert(fd);
        threads_.emplace_back([this, fd] { Serve(fd); });
    }
}

void TTestTlsRelay::Serve(int fd) {
    int backend = -1;
    SSL* ssl = nullptr;
    if (ctx_) {
        ssl = SSL_new(ctx_);
        SSL_set_fd(ssl, fd);
        if (SSL_accept(ssl) != 1) {
            ++failedHandshakes_;
        } else {
            backend = ConnectLoopback(backendPort_);
        }
    } else {
        std::string request;
        char buffer[1024];
        while (request.find("\r\n\r\n") == std::string::npos) {
            ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            request.append(buffer, static_cast<size_t>(n));
        }
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(request);
        }
        size_t colon = request.find(':');
        size_t space = request.find(' ', colon == std::string::npos ? 0 : colon);
        int port = colon == std::string::npos ? 0 : std::atoi(request.substr(colon + 1, space - colon - 1).c_str());
        std::string answer;
        if (!request.starts_with("CONNECT ") || refuse_ != 0) {
            int status = refuse_ != 0 ? refuse_.load() : 400;
            answer = "HTTP/1.0 " + std::to_string(status) + " Refused\r\n\r\n";
        } else if ((backend = ConnectLoopback(port)) < 0) {
            answer = "HTTP/1.0 502 Bad Gateway\r\n\r\n";
        } else {
            answer = "HTTP/1.0 200 Connection established\r\n\r\n";
        }
        SendAll(fd, answer.data(), answer.size());
        // Whatever came after the blank line already belongs to the tunnel.
        size_t end = request.find("\r\n\r\n");
        if (backend >= 0 && end != std::string::npos && end + 4 < request.size() &&
            !SendAll(backend, request.data() + end + 4, request.size() - end - 4)) {
            ::close(backend);
            backend = -1;
        }
    }
    if (backend >= 0) Relay(fd, ssl, backend);
    if (ssl) {
        SSL_shutdown(ssl);
        SSL_free(ssl);
    }
    if (backend >= 0) ::close(backend);
    {
        std::lock_guard lock(mutex_);
        open_.erase(fd);
    }
    ::shutdown(fd, SHUT_RDWR);
    ::close(fd);
}

void TTestTlsRelay::Relay(int client, void* session, int backend) {
    SSL* ssl = static_cast<SSL*>(session);
    bool clientOpen = true;
    char buffer[16 * 1024];
    for (;;) {
        bool pending = ssl && clientOpen && SSL_pending(ssl) > 0;
        pollfd fds[3] = {{clientOpen ? client : -1, POLLIN, 0}, {backend, POLLIN, 0}, {stop_.Handle(), POLLIN, 0}};
        if (::poll(fds, 3, pending ? 0 : -1) < 0) continue;
        if (fds[2].revents & POLLIN) return;
        if (pending || fds[0].revents) {
            int n = ssl ? SSL_read(ssl, buffer, sizeof buffer) : static_cast<int>(::recv(client, buffer, sizeof buffer, 0));
            if (n > 0) {
                if (!SendAll(backend, buffer, static_cast<size_t>(n))) return;
            } else {
                clientOpen = false;
                ::shutdown(backend, SHUT_WR);
            }
        }
        if (fds[1].revents) {
            ssize_t n = ::recv(backend, buffer, sizeof buffer, 0);
            if (n <= 0) return; // the server ended the answer: so does the relay
            bool sent = ssl ? SSL_write(ssl, buffer, static_cast<int>(n)) == n
                            : SendAll(client, buffer, static_cast<size_t>(n));
            if (!sent) return;
        }
    }
}
