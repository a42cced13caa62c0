#include "inet/InetHTTP.h"
#include "support/TempFolder.h"

#include "platform/FileOps.h"
#include "platform/WinPath.h"
#include "support/TestHttpServer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <future>
#include <thread>
#include <vector>

#include <unistd.h>

namespace {

using namespace std::chrono_literals;
using TServer = TTestHttpServer;

class InetHTTPTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(temp_.Ok());
        dir_ = temp_.NativePath();
        http_.Port = server_.Port();
    }
    std::string WinPath(const std::string& name) const { return temp_.Win(name); }
    std::string Contents(const std::string& name) const { return temp_.Contents(name); }
    std::string Url(const std::string& path) const { return server_.Url(path); }

    TServer server_;
    TInetHTTP http_;
    TTempFolder temp_{"inethttp"};
    std::filesystem::path dir_;
};

TEST_F(InetHTTPTest, GetToMemoryParsesTheHeaderAndGivesTheBody) {
    server_.On("/a.html", {TServer::Respond(200, {"Content-Type: text/html"}, "<p>body</p>")});
    http_.Get(Url("/a.html"), false);
    EXPECT_EQ(http_.ErrorCode, 0);
    EXPECT_EQ(http_.ResponseHeader.StatusCode, 200);
    EXPECT_EQ(http_.ResponseHeader.Values.Get("content-type"), "text/html");
    EXPECT_EQ(http_.GetEntity(), "<p>body</p>");
    ASSERT_TRUE(server_.WaitForRequests(1));
    const std::string request = server_.Requests()[0];
    EXPECT_EQ(request.substr(0, request.find("\r\n")), "GET /a.html HTTP/1.0");
    EXPECT_NE(request.find("\r\nConnection: close\r\n"), std::string::npos);
}

TEST_F(InetHTTPTest, HeadStopsAtTheBlankLineWhileTheServerStreamsABody) {
    server_.On("/big", {TServer::Respond(200, {"Content-Type: application/zip"}, ""),
                        TServer::Stream(size_t{256} << 20)});
    http_.Head(Url("/big"));
    EXPECT_EQ(http_.ErrorCode, 0);
    EXPECT_EQ(http_.ResponseHeader.StatusCode, 200);
    EXPECT_FALSE(http_.ResponseHeader.IsText);
    EXPECT_LT(http_.ReceiveLength, 64 * 1024); // far from the 256 MiB on offer
    ASSERT_TRUE(server_.WaitForRequests(1));
    EXPECT_EQ(server_.Requests()[0].rfind("GET /big HTTP/1.0\r\n", 0), 0u); // a GET, not a HEAD
}

TEST_F(InetHTTPTest, HeaderOnlyAnswerHasNoEntity) {
    const std::string answer = "HTTP/1.0 204 No Content\r\nX-A: b\r\n\r\n";
    server_.SetDefault({TServer::Send(answer)});
    http_.Get(Url("/"), false);
    EXPECT_EQ(http_.ReceiveLength, static_cast<int64_t>(answer.size()));
    EXPECT_EQ(http_.GetEntityPos(), 0);
    EXPECT_EQ(http_.GetEntity(), answer);
    EXPECT_EQ(http_.GetBinary(), nullptr);
    EXPECT_EQ(http_.GetBinaryLen(), 0);
    EXPECT_EQ(http_.ResponseHeader.StatusCode, 204);
}

TEST_F(InetHTTPTest, BinaryBodyIsWholeThroughGetBinary) {
    struct TCase {
        const char* name;
        std::string head; // status line and header with its blank line
    };
    const std::string body("GIF89a\0\x01\r\n\r\n\0end", 17);
    for (const TCase& c : {TCase{"CRLF", "HTTP/1.0 200 OK\r\nContent-Type: image/gif\r\n\r\n"},
                           TCase{"bare LF", "HTTP/1.0 200 OK\nContent-Type: image/gif\n\n"}}) {
        SCOPED_TRACE(c.name);
        server_.SetDefault({TServer::Send(c.head + body)});
        http_.ErrorCode = 0;
        http_.Get(Url("/"), false);
        EXPECT_EQ(http_.GetEntityPos(), static_cast<int64_t>(c.head.size()) + 1);
        ASSERT_EQ(http_.GetBinaryLen(), static_cast<int64_t>(body.size()));
        EXPECT_EQ(std::string(http_.GetBinary(), body.size()), body);
        EXPECT_EQ(http_.GetEntity(), "GIF89a"); // text stops at the zero byte
        EXPECT_FALSE(http_.ResponseHeader.IsText);
    }
}

TEST_F(InetHTTPTest, SilentServerTimesOutWithNothingRead) {
    server_.SetDefault({TServer::Stall()});
    http_.Timeout = 1;
    http_.Get(Url("/"), false);
    EXPECT_EQ(http_.ErrorCode, 3);
    EXPECT_EQ(http_.ReceiveLength, 0);
}

TEST_F(InetHTTPTest, StallAfterTheFirstDataEndsQuietlyWithWhatArrived) {
    server_.SetDefault({TServer::Send("HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\npart"),
                        TServer::Stall()});
    http_.Timeout = 1;
    http_.Get(Url("/"), false);
    EXPECT_EQ(http_.ErrorCode, 0);
    EXPECT_EQ(http_.GetEntity(), "part");
    EXPECT_EQ(http_.ResponseHeader.Values.Get("content-length"), "100");
}

TEST_F(InetHTTPTest, UnreachableServerIsErrorTwoAndLeavesTheHeaderAlone) {
    server_.SetDefault({TServer::Respond(200, {"Content-Type: text/plain"}, "x")});
    http_.Get(Url("/"), false);
    ASSERT_EQ(http_.ResponseHeader.StatusCode, 200);
    int port;
    {
        TServer gone; // a port that was just free and is no longer served
        port = gone.Port();
    }
    http_.Port = port;
    http_.Head("http://127.0.0.1/");
    EXPECT_EQ(http_.ErrorCode, 2);
    EXPECT_EQ(http_.ResponseHeader.StatusCode, 200);
    EXPECT_EQ(http_.ResponseHeader.Values.Get("content-type"), "text/plain");
}

TEST_F(InetHTTPTest, ProxyGetsTheWholeAddressAndTheConnection) {
    server_.SetDefault({TServer::Respond(200, {}, "via proxy")});
    http_.ProxyHost = "127.0.0.1";
    http_.ProxyPort = server_.Port();
    http_.Port = 1; // ignored with a proxy
    // The host is never resolved: only the proxy is connected to.
    http_.Get("http://unreachable.invalid:81/d/a b.html?x=1", false);
    EXPECT_EQ(http_.ErrorCode, 0);
    EXPECT_EQ(http_.GetEntity(), "via proxy");
    ASSERT_TRUE(server_.WaitForRequests(1));
    const std::string request = server_.Requests()[0];
    EXPECT_EQ(request.substr(0, request.find("\r\n")),
              "GET http://unreachable.invalid/d/a%20b.html?x=1 HTTP/1.0");
    EXPECT_NE(request.find("\r\nHost: unreachable.invalid:81\r\n"), std::string::npos);
}

// Cancel from another thread, while a read waits and while a connect that
// does not complete is in progress: ErrorCode 1 in both, never 2.
TEST_F(InetHTTPTest, CancelFromAnotherThreadIsErrorOne) {
    server_.SetDefault({TServer::Send("HTTP/1.0 200 OK\r\n"), TServer::Stall()});
    TBlockedListener blocked;
    struct TCase {
        const char* name;
        int port;
        bool waitForRequest;
    };
    std::vector<TCase> cases{{"during a read", server_.Port(), true}};
    if (blocked.Ready()) cases.push_back({"during a connect", blocked.Port(), false});
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        TInetHTTP http;
        http.Port = c.port;
        http.Timeout = 60;
        size_t before = server_.Requests().size();
        auto done = std::async(std::launch::async, [&] { http.Get("http://127.0.0.1/", false); });
        if (c.waitForRequest) {
            ASSERT_TRUE(server_.WaitForRequests(before + 1));
        }
        EXPECT_EQ(done.wait_for(200ms), std::future_status::timeout);
        http.Cancel();
        ASSERT_EQ(done.wait_for(20s), std::future_status::ready);
        EXPECT_EQ(http.ErrorCode, 1);
        EXPECT_EQ(http.ReceiveData(), -1);
    }
}

TEST_F(InetHTTPTest, FileReceiveKeepsTheHeaderOutAndReplacesOrAppends) {
    const std::string body = "0123456789 body bytes";
    server_.SetDefault({TServer::Respond(200, {"Content-Type: text/plain"}, body)});
    struct TCase {
        const char* name;
        bool append;
        std::string expected;
    };
    for (const TCase& c : {TCase{"replace", false, body}, TCase{"append", true, "partial:" + body}}) {
        SCOPED_TRACE(c.name);
        const std::string name = std::string(c.name) + ".txt";
        ASSERT_TRUE(TFileOps::WriteWholeFile(WinPath(name), "partial:"));
        TInetHTTP http;
        http.Port = server_.Port();
        http.ReceiveToFile = true;
        http.TargetFile = WinPath(name);
        http.Append = c.append;
        http.Get(Url("/"), false);
        EXPECT_EQ(http.ErrorCode, 0);
        EXPECT_TRUE(http.HeaderParsed);
        EXPECT_EQ(http.ResponseHeader.StatusCode, 200);
        EXPECT_EQ(Contents(name), c.expected);
    }
}

// A header longer than one chunk, delivered at once and byte by byte (so the
// blank line itself may be split between reads): chunks that hold only header
// write nothing and report nothing; the file gets exactly the body.
TEST_F(InetHTTPTest, HeaderSplitAcrossChunksWritesOnlyTheBody) {
    const std::string head = "HTTP/1.0 200 OK\r\nX-Pad: " + std::string(1500, 'p') +
                             "\r\nContent-Type: application/octet-stream\r\n\r\n";
    const std::string body = std::string(3000, 'b') + "end";
    server_.On("/once", {TServer::Send(head + body)});
    // "/bytes" sends the start of the header in one piece, then the rest of
    // it and the start of the body byte by byte.
    server_.On("/bytes", {TServer::Send(head.substr(0, head.size() - 40)),
                          TServer::ByteByByte(head.substr(head.size() - 40) + body.substr(0, 8)),
                          TServer::Send(body.substr(8))});
    for (const char* path : {"/once", "/bytes"}) {
        SCOPED_TRACE(path);
        TInetHTTP http;
        http.Port = server_.Port();
        http.ReceiveToFile = true;
        http.TargetFile = WinPath("split.bin");
        int64_t reported = 0;
        // The chunk that ends right at the blank line reports 0 bytes.
        http.OnReceiveData = [&](TInetBase*, int count) {
            EXPECT_GE(count, 0);
            reported += count;
        };
        http.Get(Url(path), false);
        EXPECT_EQ(http.ErrorCode, 0);
        EXPECT_EQ(reported, static_cast<int64_t>(body.size()));
        EXPECT_TRUE(Contents("split.bin") == body);
        EXPECT_EQ(http.ResponseHeader.Values.Get("x-pad").size(), 1500u);
        EXPECT_FALSE(http.ResponseHeader.IsText);
    }
}

TEST_F(InetHTTPTest, ErrorStatusFromTheHeadKeepsTheFileEmpty) {
    server_.SetDefault({TServer::Respond(404, {}, std::string(5000, 'e'))});
    http_.Head(Url("/missing"));
    ASSERT_EQ(http_.ResponseHeader.StatusCode, 404);
    http_.ReceiveToFile = true;
    http_.TargetFile = WinPath("missing.bin");
    http_.Get(Url("/missing"), false);
    EXPECT_TRUE(http_.WriteCancelled);
    EXPECT_EQ(http_.ErrorCode, 0);
    EXPECT_EQ(Contents("missing.bin"), "");
}

} // namespace
