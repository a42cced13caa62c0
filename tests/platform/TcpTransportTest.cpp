#include "platform/TcpTransport.h"

#include "support/TestHttpServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
using TServer = TTestHttpServer;

// Reads until the end of the stream; gives up after `limitMs` of silence.
std::string ReadAll(TTransport& t, int limitMs = 20000) {
    std::string text;
    char buffer[1024];
    while (t.WaitReadable(limitMs, nullptr) == rrReadable) {
        ssize_t n = t.Recv(buffer, sizeof buffer);
        if (n <= 0) break;
        text.append(buffer, static_cast<size_t>(n));
    }
    return text;
}

// A socket bound to a loopback port (IPv4 or IPv6) that listens or not.
struct TRawSocket {
    TRawSocket(int family, bool listening) {
        fd = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_storage ss{};
        socklen_t len;
        if (family == AF_INET) {
            auto* a = reinterpret_cast<sockaddr_in*>(&ss);
            a->sin_family = AF_INET;
            a->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            len = sizeof *a;
        } else {
            auto* a = reinterpret_cast<sockaddr_in6*>(&ss);
            a->sin6_family = AF_INET6;
            a->sin6_addr = in6addr_loopback;
            len = sizeof *a;
        }
        if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&ss), len) != 0 ||
            (listening && ::listen(fd, 8) != 0) ||
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&ss), &len) != 0)
            return;
        port = family == AF_INET ? ntohs(reinterpret_cast<sockaddr_in*>(&ss)->sin_port)
                                 : ntohs(reinterpret_cast<sockaddr_in6*>(&ss)->sin6_port);
    }
    ~TRawSocket() {
        if (fd >= 0) ::close(fd);
    }
    int fd = -1;
    int port = 0;
};

TEST(TcpTransportTest, TalksToTheServerByAddressAndByName) {
    TServer server;
    server.On("/hello", {TServer::Respond(200, {"Content-Type: text/plain"}, "hi there")});
    for (const char* host : {"127.0.0.1", "localhost"}) {
        SCOPED_TRACE(host);
        TTcpTransport t;
        ASSERT_EQ(t.Connect(host, server.Port(), nullptr), crConnected);
        EXPECT_TRUE(t.Connected());
        std::string request = "GET /hello HTTP/1.0\r\nHost: x\r\n\r\n";
        EXPECT_EQ(t.Send(request.data(), request.size(), 20000), request.size());
        std::string answer = ReadAll(t);
        EXPECT_EQ(answer, "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\nhi there");
        t.Close();
        EXPECT_FALSE(t.Connected());
    }
    ASSERT_TRUE(server.WaitForRequests(2));
    EXPECT_EQ(server.Requests()[0], "GET /hello HTTP/1.0\r\nHost: x\r\n\r\n");
}

TEST(TcpTransportTest, ConnectsOverIPv6) {
    TRawSocket listener(AF_INET6, true);
    if (listener.port == 0) GTEST_SKIP() << "no IPv6 loopback here";
    TTcpTransport t;
    ASSERT_EQ(t.Connect("::1", listener.port, nullptr), crConnected);
    int peer = ::accept(listener.fd, nullptr, nullptr);
    ASSERT_GE(peer, 0);
    ASSERT_EQ(::send(peer, "v6", 2, 0), 2);
    ::close(peer);
    EXPECT_EQ(ReadAll(t), "v6");

    // As addresses write it: in brackets.
    TTcpTransport bracketed;
    ASSERT_EQ(bracketed.Connect("[::1]", listener.port, nullptr), crConnected);
    peer = ::accept(listener.fd, nullptr, nullptr);
    ASSERT_GE(peer, 0);
    ::close(peer);
}

TEST(TcpTransportTest, RefusedAndUnresolvableConnectsFail) {
    TRawSocket notListening(AF_INET, false); // holds the port, answers with a reset
    ASSERT_NE(notListening.port, 0);
    TTcpTransport t;
    EXPECT_EQ(t.Connect("127.0.0.1", notListening.port, nullptr), crFailed);
    EXPECT_EQ(t.LastConnectFailure(), cfRefused);
    EXPECT_FALSE(t.Connected());
    // An empty label fails in the resolver itself, without a query.
    EXPECT_EQ(t.Connect("no..such.host", 80, nullptr), crFailed);
    EXPECT_EQ(t.LastConnectFailure(), cfUnknownHost);
    EXPECT_EQ(t.Connect("", 80, nullptr), crFailed);
    EXPECT_EQ(t.LastConnectFailure(), cfUnknownHost);
    EXPECT_EQ(t.Connect("127.0.0.1", 0, nullptr), crFailed);
    EXPECT_EQ(t.WaitReadable(0, nullptr), rrError);
    EXPECT_EQ(t.Send("x", 1, 0), 0u);
}

TEST(TcpTransportTest, ConnectThatDoesNotCompleteIsBrokenOff) {
    TBlockedListener blocked;
    if (!blocked.Ready()) GTEST_SKIP() << "could not fill the accept queue";
    enum TBy { kShutdown, kCancelEvent };
    for (TBy by : {kShutdown, kCancelEvent}) {
        SCOPED_TRACE(by == kShutdown ? "Shutdown" : "cancel event");
        TTcpTransport t;
        TEvent cancel(true, false);
        auto result = std::async(std::launch::async,
                                 [&] { return t.Connect("127.0.0.1", blocked.Port(), &cancel); });
        EXPECT_EQ(result.wait_for(200ms), std::future_status::timeout);
        if (by == kShutdown)
            t.Shutdown();
        else
            cancel.SetEvent();
        ASSERT_EQ(result.wait_for(20s), std::future_status::ready);
        EXPECT_EQ(result.get(), crCancelled);
        EXPECT_FALSE(t.Connected());
    }
}

TEST(TcpTransportTest, ShutdownWakesAWaitAndStaysInForceUntilClose) {
    TServer server;
    server.SetDefault({TServer::Stall()});
    TTcpTransport t;
    ASSERT_EQ(t.Connect("127.0.0.1", server.Port(), nullptr), crConnected);
    std::string request = "GET / HTTP/1.0\r\n\r\n";
    ASSERT_EQ(t.Send(request.data(), request.size(), 20000), request.size());
    ASSERT_TRUE(server.WaitForRequests(1));

    auto waited = std::async(std::launch::async, [&] { return t.WaitReadable(-1, nullptr); });
    EXPECT_EQ(waited.wait_for(100ms), std::future_status::timeout);
    t.Shutdown();
    ASSERT_EQ(waited.wait_for(20s), std::future_status::ready);
    EXPECT_EQ(waited.get(), rrWoken);
    EXPECT_FALSE(t.Connected());
    EXPECT_EQ(t.Send("x", 1, 1000), 0u);

    // A Shutdown ahead of a connect still counts, until the owner closes.
    EXPECT_EQ(t.Connect("127.0.0.1", server.Port(), nullptr), crCancelled);
    t.Close();
    EXPECT_EQ(t.Connect("127.0.0.1", server.Port(), nullptr), crConnected);
}

TEST(TcpTransportTest, WakeEventEndsAWaitWithoutClosing) {
    TServer server;
    server.SetDefault({TServer::Stall()});
    TTcpTransport t;
    ASSERT_EQ(t.Connect("127.0.0.1", server.Port(), nullptr), crConnected);
    TEvent wake(true, false);
    EXPECT_EQ(t.WaitReadable(20, &wake), rrTimeout);
    std::thread waker([&] {
        std::this_thread::sleep_for(50ms);
        wake.SetEvent();
    });
    EXPECT_EQ(t.WaitReadable(-1, &wake), rrWoken);
    waker.join();
    EXPECT_TRUE(t.Connected());
}

// The socket is read in blocks; what a block holds beyond the caller's piece
// is handed out by the next calls, and counts as readable for a wait, which
// a wake or a Shutdown still wins over. Bytes put back come out first.
TEST(TcpTransportTest, BlockReadsAreHandedOutInTheCallersPieces) {
    TServer server;
    std::string text(10001, '\0');
    for (size_t i = 0; i < text.size(); ++i) text[i] = TServer::PatternAt(i);
    server.SetDefault({TServer::Send(text), TServer::Stall()});
    const std::string request = "GET / HTTP/1.0\r\n\r\n";
    TTcpTransport t;
    ASSERT_EQ(t.Connect("127.0.0.1", server.Port(), nullptr), crConnected);
    ASSERT_EQ(t.Send(request.data(), request.size(), 20000), request.size());
    std::string got;
    char piece[1000];
    while (got.size() < text.size()) {
        ASSERT_EQ(t.WaitReadable(20000, nullptr), rrReadable);
        ssize_t n = t.Recv(piece, sizeof piece);
        ASSERT_GT(n, 0);
        ASSERT_LE(n, 1000);
        got.append(piece, static_cast<size_t>(n));
        if (got.size() == static_cast<size_t>(n)) { // after the first piece
            ASSERT_TRUE(t.Unread("Z", 1));
            ASSERT_EQ(t.Recv(piece, 1), 1);
            ASSERT_EQ(piece[0], 'Z');
        }
    }
    EXPECT_EQ(got, text);
    // Everything is out: the stalled socket has nothing more.
    EXPECT_EQ(t.WaitReadable(20, nullptr), rrTimeout);

    ASSERT_TRUE(t.Unread("xyz", 3));
    TEvent wake(true, true);
    EXPECT_EQ(t.WaitReadable(-1, &wake), rrWoken);
    EXPECT_EQ(t.WaitReadable(-1, nullptr), rrReadable);
    t.Shutdown();
    EXPECT_EQ(t.WaitReadable(-1, nullptr), rrWoken);
    EXPECT_EQ(t.Recv(piece, sizeof piece), 0); // a shut down connection reads as ended
    t.Close();

    // A new connection starts with nothing of the old one; bytes put back
    // before anything was read come before the first data.
    ASSERT_EQ(t.Connect("127.0.0.1", server.Port(), nullptr), crConnected);
    ASSERT_EQ(t.Send(request.data(), request.size(), 20000), request.size());
    ASSERT_TRUE(t.Unread("pre", 3));
    ASSERT_EQ(t.Recv(piece, sizeof piece), 3);
    EXPECT_EQ(std::string(piece, 3), "pre");
    ASSERT_EQ(t.WaitReadable(20000, nullptr), rrReadable);
    ASSERT_GT(t.Recv(piece, 1), 0);
    EXPECT_EQ(piece[0], text[0]);
}

TEST(TcpTransportTest, SendGivesUpWhenThePeerTakesNothing) {
    TRawSocket neverAccepted(AF_INET, true); // the connection sits in the queue, unread
    ASSERT_NE(neverAccepted.port, 0);
    TTcpTransport t;
    ASSERT_EQ(t.Connect("127.0.0.1", neverAccepted.port, nullptr), crConnected);
    std::string big(64 * 1024 * 1024, 'x');
    size_t sent = t.Send(big.data(), big.size(), 300);
    EXPECT_LT(sent, big.size());
}

TEST(TcpTransportTest, TestServerStopsWhileItStallsAndStreams) {
    auto server = std::make_unique<TServer>();
    server->On("/stall", {TServer::Send("HTTP/1.0 200 OK\r\n"), TServer::Stall()});
    server->On("/big", {TServer::Respond(200, {}, ""), TServer::Stream(1ull << 32)});
    TTcpTransport a, b;
    for (auto [t, path] : {std::pair{&a, "/stall"}, std::pair{&b, "/big"}}) {
        ASSERT_EQ(t->Connect("127.0.0.1", server->Port(), nullptr), crConnected);
        std::string request = std::string("GET ") + path + " HTTP/1.0\r\n\r\n";
        ASSERT_EQ(t->Send(request.data(), request.size(), 20000), request.size());
    }
    ASSERT_TRUE(server->WaitForRequests(2));
    server.reset(); // neither client reads nor closes: the server must end anyway
    EXPECT_EQ(ReadAll(a), "HTTP/1.0 200 OK\r\n");
}

} // namespace

// A request that goes in one write needs no TCP_NODELAY (a system call per
// connection); a second write before any answer gets it, so the rest of a
// request sent in chunks is never held back for an acknowledgement.
TEST(TcpTransportTest, NoDelayOnlyForASecondWriteBeforeTheAnswer) {
    struct TProbe : TTcpTransport {
        bool NoDelay() const {
            int value = 0;
            socklen_t len = sizeof value;
            ::getsockopt(Descriptor(), IPPROTO_TCP, TCP_NODELAY, &value, &len);
            return value != 0;
        }
    };
    TRawSocket listener(AF_INET, true);
    ASSERT_GT(listener.port, 0);
    TProbe t;
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        ASSERT_EQ(t.Connect("127.0.0.1", listener.port, nullptr), crConnected);
        const int peer = ::accept(listener.fd, nullptr, nullptr);
        ASSERT_GE(peer, 0);
        EXPECT_FALSE(t.NoDelay());
        EXPECT_EQ(t.Send("GET", 3, 20000), 3u);
        EXPECT_FALSE(t.NoDelay()) << "one write";
        // The answer came: the next request is again a first write.
        ASSERT_EQ(::write(peer, "ok", 2), 2);
        ASSERT_EQ(t.WaitReadable(20000, nullptr), rrReadable);
        char buffer[8];
        EXPECT_EQ(t.Recv(buffer, sizeof buffer), 2);
        EXPECT_EQ(t.Send("GET", 3, 20000), 3u);
        EXPECT_FALSE(t.NoDelay()) << "first write after the answer";
        EXPECT_EQ(t.Send(" /", 2, 20000), 2u);
        EXPECT_TRUE(t.NoDelay()) << "second write before an answer";
        t.Close();
        ::close(peer);
    }
}
