#pragma once
// TCP with TLS on top (OpenSSL): a plain connection until StartTls, then
// TLS 1.2 or later with SNI, the chain checked against the system's trust
// store (SSL_CERT_FILE and SSL_CERT_DIR honoured) and the certificate checked
// for the host name, or for the address when the host is an IP address.
//
// The TLS session runs non-blocking over the socket of TTcpTransport, and
// every wait is the same poll() on the socket, the Shutdown event and the
// caller's event, so a cancel or a time-out ends a handshake as it ends a
// read. Same threads as TTcpTransport: the SSL object is touched by the owner
// only; Shutdown only shuts the socket down.
//
// Reads go through TTcpTransport's block, filled here with decrypted text
// (SSL_read). Bytes that were in the block when StartTls began came before
// the handshake (a proxy's tunnel): the session reads them first.
#include "platform/TcpTransport.h"

#include <string>

typedef struct ssl_st SSL;

class TTlsTransport : public TTcpTransport {
public:
    TTlsTransport() = default;
    ~TTlsTransport() override;

    // One more authority, trusted besides the system's by every handshake
    // that starts after the call (vorlen-cli's --ca-file). False when the
    // file holds no certificate that can be read.
    static bool TrustAlso(const std::string& pemFile);

    TConnectResult StartTls(const std::string& serverName, TEvent* cancel, int timeoutMs) override;
    bool Secure() const { return ssl_ != nullptr; }

    size_t Send(const void* data, size_t count, int timeoutMs) override;
    TReadyResult WaitReadable(int timeoutMs, TEvent* wake) override;

    // What came in plain before the handshake, for the session's reads.
    struct TEarlyBytes {
        std::string bytes;
        size_t at = 0;
        size_t Left() const { return bytes.size() - at; }
    };

protected:
    void ReleaseSocket() override;
    ssize_t FillBlock(char* block, size_t size) override;

private:
    void FreeSession();
    SSL* ssl_ = nullptr;
    TEarlyBytes early_;
};
