#include "platform/TlsTransport.h"

#include "platform/WaitClock.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include <arpa/inet.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <sys/socket.h>

namespace {

// The trust a context was built from: the two variables and the extra files.
// A context is built again when they change, so that a test (or a user who
// sets SSL_CERT_FILE) gets what they ask for without a restart.
struct TTrust {
    std::string certFile, certDir;
    std::vector<std::string> extra;
    bool operator==(const TTrust&) const = default;
};

std::mutex contextMutex;
SSL_CTX* context = nullptr;
TTrust contextTrust;
std::vector<std::string> extraFiles;

std::string EnvText(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// A reference to the context for the present trust, or null.
SSL_CTX* AcquireContext() {
    std::lock_guard lock(contextMutex);
    TTrust trust{EnvText("SSL_CERT_FILE"), EnvText("SSL_CERT_DIR"), extraFiles};
    if (!context || !(trust == contextTrust)) {
        SSL_CTX* made = SSL_CTX_new(TLS_client_method());
        if (!made) return nullptr;
        SSL_CTX_set_min_proto_version(made, TLS1_2_VERSION);
        // Servers that close without close_notify end an HTTP/1.0 answer the
        // ordinary way.
        SSL_CTX_set_options(made, SSL_OP_IGNORE_UNEXPECTED_EOF);
        SSL_CTX_set_mode(made, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
        SSL_CTX_set_verify(made, SSL_VERIFY_PEER, nullptr);
        // Reads SSL_CERT_FILE and SSL_CERT_DIR, else the system's store.
        SSL_CTX_set_default_verify_paths(made);
        for (const std::string& file : extraFiles) SSL_CTX_load_verify_locations(made, file.c_str(), nullptr);
        if (context) SSL_CTX_free(context);
        context = made;
        contextTrust = std::move(trust);
    }
    SSL_CTX_up_ref(context);
    return context;
}

bool IsIpAddress(const std::string& host) {
    unsigned char buffer[16];
    return ::inet_pton(AF_INET, host.c_str(), buffer) == 1 || ::inet_pton(AF_INET6, host.c_str(), buffer) == 1;
}

std::string CertificateReason(long result) {
    switch (result) {
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE: return "unknown issuer";
    case X509_V_ERR_CERT_HAS_EXPIRED: return "certificate expired";
    case X509_V_ERR_CERT_NOT_YET_VALID: return "certificate not yet valid";
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH: return "wrong host name";
    case X509_V_ERR_CERT_REVOKED: return "certificate revoked";
    default: return X509_verify_cert_error_string(result);
    }
}

// The socket under the session: OpenSSL's own socket BIO writes with
// write(), and a peer that has gone would raise SIGPIPE; this one sends with
// MSG_NOSIGNAL, as the TCP transport does.
int SocketWrite(BIO* bio, const char* data, int count) {
    BIO_clear_retry_flags(bio);
    for (;;) {
        ssize_t n = ::send(static_cast<int>(BIO_get_fd(bio, nullptr)), data, static_cast<size_t>(count), MSG_NOSIGNAL);
        if (n >= 0) return static_cast<int>(n);
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) BIO_set_retry_write(bio);
        return -1;
    }
}

int SocketRead(BIO* bio, char* data, int count) {
    BIO_clear_retry_flags(bio);
    auto* early = static_cast<TTlsTransport::TEarlyBytes*>(BIO_get_app_data(bio));
    if (early && early->Left() > 0 && count > 0) {
        size_t n = std::min(early->Left(), static_cast<size_t>(count));
        std::memcpy(data, early->bytes.data() + early->at, n);
        early->at += n;
        return static_cast<int>(n);
    }
    for (;;) {
        ssize_t n = ::recv(static_cast<int>(BIO_get_fd(bio, nullptr)), data, static_cast<size_t>(count), 0);
        if (n >= 0) return static_cast<int>(n);
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) BIO_set_retry_read(bio);
        return -1;
    }
}

BIO* NewSocketBio(int fd, TTlsTransport::TEarlyBytes* early) {
    static BIO_METHOD* method = [] {
        // The fd handling (BIO_get_fd, BIO_CTRL_FLUSH, ...) is the socket BIO's.
        BIO_METHOD* m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK | BIO_TYPE_DESCRIPTOR,
                                     "vorlen socket");
        const BIO_METHOD* base = BIO_s_socket();
        BIO_meth_set_write(m, SocketWrite);
        BIO_meth_set_read(m, SocketRead);
        BIO_meth_set_ctrl(m, BIO_meth_get_ctrl(base));
        BIO_meth_set_create(m, BIO_meth_get_create(base));
        BIO_meth_set_destroy(m, BIO_meth_get_destroy(base));
        return m;
    }();
    BIO* bio = BIO_new(method);
    if (bio) {
        BIO_set_fd(bio, fd, BIO_NOCLOSE);
        BIO_set_app_data(bio, early);
    }
    return bio;
}

int PollFor(pollfd* fds, nfds_t count, int timeoutMs) {
    TWaitClock clock(timeoutMs);
    for (;;) {
        int rc = ::poll(fds, count, clock.Remaining());
        if (rc >= 0 || errno != EINTR) return rc;
    }
}

} // namespace

TTlsTransport::~TTlsTransport() { Close(); }

bool TTlsTransport::TrustAlso(const std::string& pemFile) {
    X509_STORE* probe = X509_STORE_new();
    bool ok = probe && X509_STORE_load_file(probe, pemFile.c_str()) == 1;
    X509_STORE_free(probe);
    ERR_clear_error();
    if (!ok) return false;
    std::lock_guard lock(contextMutex);
    extraFiles.push_back(pemFile);
    return true;
}

void TTlsTransport::FreeSession() {
    early_ = TEarlyBytes();
    if (!ssl_) return;
    SSL_free(ssl_);
    ssl_ = nullptr;
}

void TTlsTransport::ReleaseSocket() {
    // The session goes before the socket it runs on.
    FreeSession();
    TTcpTransport::ReleaseSocket();
}

TConnectResult TTlsTransport::StartTls(const std::string& serverName, TEvent* cancel, int timeoutMs) {
    FreeSession();
    auto fail = [&](TConnectFailure failure, const std::string& detail) {
        NoteFailure(failure, detail);
        FreeSession();
        ERR_clear_error();
        return ShutDown() ? crCancelled : crFailed;
    };
    if (Descriptor() < 0 || ShutDown()) return fail(cfOther, "not connected");
    // The handshake's flights and the records after it are several writes
    // each before an answer: none may wait for an acknowledgement.
    SendAtOnce();
    SSL_CTX* ctx = AcquireContext();
    if (!ctx) return fail(cfHandshake, "TLS is not available");
    ssl_ = SSL_new(ctx);
    SSL_CTX_free(ctx); // the session holds its own reference
    if (!ssl_) return fail(cfHandshake, "TLS is not available");

    std::string name = serverName;
    if (name.size() > 2 && name.front() == '[' && name.back() == ']') name = name.substr(1, name.size() - 2);
    if (IsIpAddress(name)) {
        // No SNI for an address; it is checked against the IP entries.
        X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl_), name.c_str());
    } else {
        SSL_set_tlsext_host_name(ssl_, name.c_str());
        SSL_set_hostflags(ssl_, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
        SSL_set1_host(ssl_, name.c_str());
    }
    // What the block holds came before the handshake and is the session's
    // to read; nothing of it may stay behind as plain text.
    early_.bytes.resize(Buffered());
    TakeBuffered(early_.bytes.data(), early_.bytes.size());
    BIO* bio = NewSocketBio(Descriptor(), &early_);
    if (!bio) return fail(cfHandshake, "TLS is not available");
    SSL_set_bio(ssl_, bio, bio);

    TWaitClock clock(timeoutMs);
    for (;;) {
        ERR_clear_error();
        int rc = SSL_connect(ssl_);
        if (rc == 1) return crConnected;
        int error = SSL_get_error(ssl_, rc);
        short events = 0;
        if (error == SSL_ERROR_WANT_READ) events = POLLIN;
        else if (error == SSL_ERROR_WANT_WRITE) events = POLLOUT;
        if (events == 0) {
            long verify = SSL_get_verify_result(ssl_);
            if (verify != X509_V_OK) return fail(cfCertificate, CertificateReason(verify));
            if (ShutDown()) return fail(cfOther, "cancelled");
            unsigned long code = ERR_peek_error();
            std::string detail = "handshake failure";
            if (code != 0 && ERR_reason_error_string(code)) detail += std::string(": ") + ERR_reason_error_string(code);
            else if (error == SSL_ERROR_SYSCALL || error == SSL_ERROR_ZERO_RETURN) detail += ": the server closed the connection";
            return fail(cfHandshake, detail);
        }
        pollfd fds[3] = {{Descriptor(), events, 0},
                         {ShutdownHandle(), POLLIN, 0},
                         {cancel ? cancel->Handle() : -1, POLLIN, 0}};
        int ready = PollFor(fds, 3, clock.Remaining());
        if (ready < 0) return fail(cfOther, "wait failed");
        if ((fds[1].revents | fds[2].revents) & POLLIN || ShutDown()) {
            FreeSession();
            return crCancelled;
        }
        if (ready == 0) return fail(cfTimedOut, "handshake timed out");
    }
}

size_t TTlsTransport::Send(const void* data, size_t count, int timeoutMs) {
    if (!ssl_) return TTcpTransport::Send(data, count, timeoutMs);
    if (Descriptor() < 0 || ShutDown()) return 0;
    const char* bytes = static_cast<const char*>(data);
    TWaitClock clock(timeoutMs);
    size_t sent = 0;
    while (sent < count) {
        ERR_clear_error();
        size_t written = 0;
        int rc = SSL_write_ex(ssl_, bytes + sent, count - sent, &written);
        if (rc == 1) {
            sent += written;
            continue;
        }
        int error = SSL_get_error(ssl_, rc);
        short events = error == SSL_ERROR_WANT_WRITE ? POLLOUT : error == SSL_ERROR_WANT_READ ? POLLIN : 0;
        if (events == 0) break;
        pollfd fds[2] = {{Descriptor(), events, 0}, {ShutdownHandle(), POLLIN, 0}};
        int ready = PollFor(fds, 2, clock.Remaining());
        if (ready <= 0 || (fds[1].revents & POLLIN)) break;
    }
    ERR_clear_error();
    return sent;
}

TReadyResult TTlsTransport::WaitReadable(int timeoutMs, TEvent* wake) {
    if (!ssl_) return TTcpTransport::WaitReadable(timeoutMs, wake);
    if (Descriptor() < 0) return rrError;
    if (Buffered() > 0) return ReadyNow(wake);
    // The socket being readable is not enough: it may hold part of a record,
    // or only a message of TLS itself. Peeking reads records until plain
    // text (or the end, or an error) is there for Recv.
    TWaitClock clock(timeoutMs);
    short events = POLLIN;
    for (;;) {
        bool ready = SSL_pending(ssl_) > 0;
        // Bytes from before the handshake are read without the socket.
        bool early = early_.Left() > 0;
        pollfd fds[3] = {{Descriptor(), events, 0},
                         {ShutdownHandle(), POLLIN, 0},
                         {wake ? wake->Handle() : -1, POLLIN, 0}};
        int rc = PollFor(fds, 3, ready || early ? 0 : clock.Remaining());
        if (rc < 0) return rrError;
        // Being woken wins over data that is there as well.
        if ((fds[1].revents | fds[2].revents) & POLLIN) return rrWoken;
        if (ready) return rrReadable;
        if (!fds[0].revents && !early) return rrTimeout;
        ERR_clear_error();
        char byte;
        size_t got = 0;
        int peeked = SSL_peek_ex(ssl_, &byte, 1, &got);
        if (peeked == 1) return rrReadable;
        int error = SSL_get_error(ssl_, peeked);
        if (error == SSL_ERROR_WANT_READ) events = POLLIN;
        else if (error == SSL_ERROR_WANT_WRITE) events = POLLOUT;
        else return rrReadable; // the end or an error, for Recv to report
        if (clock.Expired()) return rrTimeout;
    }
}

ssize_t TTlsTransport::FillBlock(char* block, size_t size) {
    if (!ssl_) return TTcpTransport::FillBlock(block, size);
    if (Descriptor() < 0) return -1;
    // One record's text per SSL_read: the block holds a whole one (16 KiB
    // at most), which Recv then hands out in its pieces.
    ERR_clear_error();
    size_t got = 0;
    int rc = SSL_read_ex(ssl_, block, size, &got);
    if (rc == 1) return static_cast<ssize_t>(got);
    int error = SSL_get_error(ssl_, rc);
    ERR_clear_error();
    switch (error) {
    case SSL_ERROR_WANT_READ:
    case SSL_ERROR_WANT_WRITE: return kRecvNothingYet;
    case SSL_ERROR_ZERO_RETURN: return 0;
    default: return -1;
    }
}
