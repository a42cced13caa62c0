#include "platform/TlsTransport.h"

#include "support/ScopedEnv.h"
#include "support/TempFolder.h"
#include "support/TestCertificates.h"
#include "support/TestHttpServer.h"
#include "support/TestTlsRelay.h"

#include <gtest/gtest.h>

#include <future>
#include <string>

namespace {

using Server = TTestHttpServer;

std::string ReadAll(TTransport& t) {
    std::string text;
    char buffer[1024];
    for (;;) {
        if (t.WaitReadable(20000, nullptr) != rrReadable) break;
        ssize_t n = t.Recv(buffer, sizeof buffer);
        if (n == TTransport::kRecvNothingYet) continue;
        if (n <= 0) break;
        text.append(buffer, static_cast<size_t>(n));
    }
    return text;
}

class TlsTransportTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.Ok());
        ASSERT_TRUE(ca_.WriteCa(caFile_));
        server_.SetDefault({Server::Respond(200, {}, std::string(100000, 'x'))});
    }
    TTempFolder folder_{"tls"};
    TTestCertificates ca_;
    std::string caFile_ = folder_.Native() + "/ca.pem";
    // Only our authority is trusted: the system's store is out of the way.
    TScopedEnv certFile_{"SSL_CERT_FILE", caFile_};
    TScopedEnv certDir_{"SSL_CERT_DIR", folder_.Native()};
    Server server_;
};

TEST_F(TlsTransportTest, TalksOverTlsByAddressAndByName) {
    TTestCertificates::TIssued issued = ca_.IssueLocal();
    TTestTlsRelay tls(server_.Port(), issued.CertPem, issued.KeyPem);
    for (const char* host : {"127.0.0.1", "localhost"}) {
        SCOPED_TRACE(host);
        TTlsTransport t;
        ASSERT_EQ(t.Connect(host, tls.Port(), nullptr), crConnected);
        ASSERT_EQ(t.StartTls(host, nullptr, 20000), crConnected) << t.LastFailureDetail();
        EXPECT_TRUE(t.Secure());
        const std::string request = "GET /a HTTP/1.0\r\n\r\n";
        ASSERT_EQ(t.Send(request.data(), request.size(), 20000), request.size());
        std::string answer = ReadAll(t);
        EXPECT_EQ(answer.rfind("HTTP/1.0 200", 0), 0u);
        EXPECT_EQ(answer.size() - answer.find("\r\n\r\n") - 4, 100000u);
        t.Close();
    }
    ASSERT_TRUE(server_.WaitForRequests(2));
    EXPECT_EQ(server_.Requests()[0], "GET /a HTTP/1.0\r\n\r\n"); // the plain text arrived as sent
}

TEST_F(TlsTransportTest, CertificatesThatFailAreRefusedWithTheReason) {
    TTestCertificates stranger("Someone Else");
    struct TCase {
        const char* name;
        TTestCertificates::TIssued issued;
        const char* host;
        std::string reason;
    };
    const TCase cases[] = {
        {"unknown issuer", stranger.IssueLocal(), "127.0.0.1", "unknown issuer"},
        {"expired", ca_.Issue({"localhost"}, {"127.0.0.1"}, -30, -1), "127.0.0.1", "certificate expired"},
        {"other name", ca_.Issue({"other.example"}, {}), "localhost", "wrong host name"},
        {"other address", ca_.Issue({"localhost"}, {"127.0.0.2"}), "127.0.0.1", "wrong host name"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        TTestTlsRelay tls(server_.Port(), c.issued.CertPem, c.issued.KeyPem);
        TTlsTransport t;
        ASSERT_EQ(t.Connect(c.host, tls.Port(), nullptr), crConnected);
        EXPECT_EQ(t.StartTls(c.host, nullptr, 20000), crFailed);
        EXPECT_EQ(t.LastConnectFailure(), cfCertificate);
        EXPECT_EQ(t.LastFailureDetail(), c.reason);
        EXPECT_FALSE(t.Secure());
    }

    // An authority trusted besides the store: the stranger's certificate passes.
    const std::string strangerFile = folder_.Native() + "/stranger.pem";
    ASSERT_TRUE(stranger.WriteCa(strangerFile));
    EXPECT_FALSE(TTlsTransport::TrustAlso(folder_.Native() + "/missing.pem"));
    ASSERT_TRUE(TTlsTransport::TrustAlso(strangerFile));
    TTestCertificates::TIssued issued = stranger.IssueLocal();
    TTestTlsRelay tls(server_.Port(), issued.CertPem, issued.KeyPem);
    TTlsTransport t;
    ASSERT_EQ(t.Connect("127.0.0.1", tls.Port(), nullptr), crConnected);
    EXPECT_EQ(t.StartTls("127.0.0.1", nullptr, 20000), crConnected) << t.LastFailureDetail();
}

// A server that never answers the hello: the handshake waits until the
// cancel event, Shutdown or the time-out ends it.
TEST_F(TlsTransportTest, CancelShutdownAndTimeOutEndAHandshake) {
    server_.SetDefault({Server::Stall()});
    {
        TTlsTransport t;
        TEvent cancel(true, false);
        ASSERT_EQ(t.Connect("127.0.0.1", server_.Port(), nullptr), crConnected);
        auto result = std::async(std::launch::async, [&] { return t.StartTls("127.0.0.1", &cancel, -1); });
        ASSERT_TRUE(server_.WaitForConnections(1));
        cancel.SetEvent();
        EXPECT_EQ(result.get(), crCancelled);
    }
    {
        TTlsTransport t;
        ASSERT_EQ(t.Connect("127.0.0.1", server_.Port(), nullptr), crConnected);
        auto result = std::async(std::launch::async, [&] { return t.StartTls("127.0.0.1", nullptr, -1); });
        ASSERT_TRUE(server_.WaitForConnections(2));
        t.Shutdown();
        EXPECT_EQ(result.get(), crCancelled);
    }
    TTlsTransport t;
    ASSERT_EQ(t.Connect("127.0.0.1", server_.Port(), nullptr), crConnected);
    EXPECT_EQ(t.StartTls("127.0.0.1", nullptr, 100), crFailed);
    EXPECT_EQ(t.LastConnectFailure(), cfTimedOut);
}

} // namespace
