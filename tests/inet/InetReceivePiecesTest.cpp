// The connection is read in large blocks underneath; what the receive loops
// and their hooks see must still come in pieces of at most kInetChunkSize
// bytes, whatever the server's own write size, over http and https.
#include "inet/InetHTTP.h"

#include "support/ScopedEnv.h"
#include "support/TempFolder.h"
#include "support/TestCertificates.h"
#include "support/TestHttpServer.h"
#include "support/TestTlsRelay.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using TServer = TTestHttpServer;

// Records the size of every piece that reaches the hooks.
class TPieceHTTP : public TInetHTTP {
public:
    std::vector<int> checked; // ReadCheck (memory)
    std::vector<int> written; // DoFileWrite (file)

protected:
    bool ReadCheck(std::string_view received, int count, TInetSocketStream& stream) override {
        checked.push_back(count);
        return TInetHTTP::ReadCheck(received, count, stream);
    }
    bool DoFileWrite(const char* chunk, int count, int& skip) override {
        written.push_back(count);
        return TInetHTTP::DoFileWrite(chunk, count, skip);
    }
};

std::string Body(size_t count) {
    std::string body(count, '\0');
    for (size_t i = 0; i < count; ++i) body[i] = TServer::PatternAt(i);
    return body;
}

bool AllPiecesFit(const std::vector<int>& pieces) {
    for (int n : pieces)
        if (n <= 0 || n > kInetChunkSize) return false;
    return !pieces.empty();
}

class InetReceivePiecesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(temp_.Ok());
        ASSERT_TRUE(ca_.WriteCa(caFile_));
    }
    TTempFolder temp_{"pieces"};
    TTestCertificates ca_;
    std::string caFile_ = temp_.Native() + "/ca.pem";
    TScopedEnv certFile_{"SSL_CERT_FILE", caFile_};
    TScopedEnv certDir_{"SSL_CERT_DIR", temp_.Native()};
};

TEST_F(InetReceivePiecesTest, HooksSeeSmallPiecesWhateverTheServerWrites) {
    const std::string header = "HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\n\r\n";
    // Large writes: the answer in 64 KiB sends. Single bytes: one send each.
    const std::string big = Body(300 * 1024 + 5);
    TServer::TScript blocks{TServer::Send(header)};
    for (size_t at = 0; at < big.size(); at += 64 * 1024) blocks.push_back(TServer::Send(big.substr(at, 64 * 1024)));
    const std::string small = Body(3000);
    struct TCase {
        const char* name;
        TServer::TScript script;
        const std::string& body;
    };
    const TCase cases[] = {
        {"64 KiB writes", blocks, big},
        {"single bytes", {TServer::ByteByByte(header + small)}, small},
    };
    TServer server;
    TTestCertificates::TIssued issued = ca_.IssueLocal();
    TTestTlsRelay tls(server.Port(), issued.CertPem, issued.KeyPem);
    for (const TCase& c : cases) {
        server.SetDefault(c.script);
        for (bool secure : {false, true}) {
            for (bool toFile : {false, true}) {
                SCOPED_TRACE(std::string(c.name) + (secure ? " https" : " http") + (toFile ? " file" : " memory"));
                TPieceHTTP http;
                http.Port = secure ? tls.Port() : server.Port();
                http.ReceiveToFile = toFile;
                http.TargetFile = temp_.Win("body.bin");
                std::vector<int> reported;
                http.OnReceiveData = [&](TInetBase*, int count) { reported.push_back(count); };
                http.Get(secure ? tls.Url("/f") : server.Url("/f"), false);
                ASSERT_EQ(http.ErrorCode, 0);
                EXPECT_EQ(http.ResponseHeader.StatusCode, 200);
                if (toFile) {
                    EXPECT_TRUE(AllPiecesFit(http.written));
                    EXPECT_EQ(temp_.Contents("body.bin"), c.body);
                } else {
                    EXPECT_TRUE(AllPiecesFit(http.checked));
                    EXPECT_TRUE(AllPiecesFit(reported));
                    EXPECT_EQ(http.checked, reported); // one event per piece, the same sizes
                    ASSERT_EQ(http.GetBinaryLen(), static_cast<int64_t>(c.body.size()));
                    EXPECT_EQ(std::string(http.GetBinary(), c.body.size()), c.body);
                }
                // In a file receive the header pieces are not reported.
                size_t sum = 0;
                for (int n : reported) sum += static_cast<size_t>(n);
                EXPECT_EQ(sum, toFile ? c.body.size() : header.size() + c.body.size());
            }
        }
    }
}

// A proxy whose CONNECT answer comes in the same write as the first bytes of
// the tunnel (here a TLS alert, the one thing a server may send before the
// client's hello): those bytes belong to the handshake. Swallowed with the
// answer, the handshake would wait for them until the time-out instead.
TEST_F(InetReceivePiecesTest, BytesAfterTheConnectAnswerReachTheHandshake) {
    const std::string alert("\x15\x03\x03\x00\x02\x02\x28", 7); // fatal handshake_failure
    TServer proxy;
    proxy.SetDefault({TServer::Send("HTTP/1.0 200 Connection established\r\n\r\n" + alert), TServer::Stall()});
    TInetHTTP http;
    http.Timeout = 20;
    http.ProxyHost = "127.0.0.1";
    http.ProxyPort = proxy.Port();
    http.Port = 443;
    http.Get("https://origin.invalid/x", false);
    EXPECT_EQ(http.ErrorCode, 2);
    EXPECT_EQ(http.GetSocket()->LastConnectFailure(), cfHandshake);
    EXPECT_NE(http.GetSocket()->LastFailureDetail().find("alert"), std::string::npos)
        << http.GetSocket()->LastFailureDetail();
    ASSERT_TRUE(proxy.WaitForRequests(1));
    EXPECT_EQ(proxy.Requests()[0].rfind("CONNECT origin.invalid:443 HTTP/1.0\r\n", 0), 0u);
}

} // namespace
