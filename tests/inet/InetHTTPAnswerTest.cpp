// One answer per Head and Get of the same request, and persistent
// connections through a pool.
#include "inet/InetHTTP.h"
#include "inet/InetHTTPConnPool.h"
#include "support/TempFolder.h"
#include "support/TestHttpServer.h"

#include "platform/FileOps.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

using TServer = TTestHttpServer;

std::string Pattern(size_t count) {
    std::string text(count, '\0');
    for (size_t i = 0; i < count; ++i) text[i] = TServer::PatternAt(i);
    return text;
}

std::string Header(const std::string& status, const std::vector<std::string>& lines) {
    std::string text = status + "\r\n";
    for (const auto& line : lines) text += line + "\r\n";
    return text + "\r\n";
}

class InetHTTPAnswerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(temp_.Ok()); }

    std::unique_ptr<TInetHTTP> Client(bool keepAlive = false) {
        auto http = std::make_unique<TInetHTTP>();
        http->Port = server_.Port();
        http->Timeout = 10;
        if (keepAlive) {
            http->KeepAlive = true;
            http->Pool = pool_;
        }
        return http;
    }
    // Head, then Get of the same address, to memory or to `file`.
    void HeadThenGet(TInetHTTP& http, const std::string& path, const std::string& file = {}) {
        http.Head(server_.Url(path));
        ASSERT_EQ(http.ErrorCode, 0);
        if (!file.empty()) {
            http.ReceiveToFile = true;
            http.TargetFile = temp_.Win(file);
            http.Append = true;
        }
        http.Get(server_.Url(path), false);
    }

    TServer server_;
    std::shared_ptr<TInetHTTPConnPool> pool_ = std::make_shared<TInetHTTPConnPool>();
    TTempFolder temp_{"inetanswer"};
};

// The Head's answer gives the Get its body, to memory and to a file, whatever
// the size of the body (larger than what the Head reads).
TEST_F(InetHTTPAnswerTest, HeadAndGetOfOneRequestMakeOneRequest) {
    const std::string body = Pattern(3 << 20);
    server_.SetDefault({TServer::Send(Header("HTTP/1.0 200 OK", {"Content-Type: application/zip",
                                                                 "Content-Length: " + std::to_string(body.size())})),
                        TServer::Stream(body.size())});
    {
        auto http = Client();
        HeadThenGet(*http, "/m.zip");
        EXPECT_EQ(http->ErrorCode, 0);
        EXPECT_EQ(http->ResponseHeader.StatusCode, 200);
        ASSERT_EQ(http->GetBinaryLen(), static_cast<int64_t>(body.size()));
        EXPECT_TRUE(std::string(http->GetBinary(), body.size()) == body);
    }
    {
        ASSERT_TRUE(TFileOps::WriteWholeFile(temp_.Win("f.zip"), ""));
        auto http = Client();
        int64_t reported = 0;
        http->OnReceiveData = [&](TInetBase*, int count) { reported += count; };
        HeadThenGet(*http, "/f.zip", "f.zip");
        EXPECT_EQ(http->ErrorCode, 0);
        EXPECT_TRUE(http->HeaderParsed);
        EXPECT_TRUE(temp_.Contents("f.zip") == body);
    }
    EXPECT_EQ(server_.Requests().size(), 2u);
    EXPECT_EQ(server_.Connections(), 2u);
}

// When the Get's request differs (a range line, a POST) it is sent as such.
TEST_F(InetHTTPAnswerTest, AnotherRequestTextIsSentAgain) {
    server_.SetDefault({TServer::Respond(200, {"Content-Length: 4"}, "body")});
    auto http = Client();
    http->Head(server_.Url("/r"));
    http->RequestHeader.ExtraHeaders.push_back("range: bytes=2-");
    http->Get(server_.Url("/r"), false);
    EXPECT_EQ(http->GetEntity(), "body");
    const auto requests = server_.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].find("range:"), std::string::npos);
    EXPECT_NE(requests[1].find("\r\nrange: bytes=2-\r\n"), std::string::npos);
}

// A body nobody wants is not read: the connection closes at once, however
// much the server had to send.
TEST_F(InetHTTPAnswerTest, DroppedAnswerClosesWithoutReadingTheBody) {
    server_.SetDefault({TServer::Respond(200, {"Content-Length: 268435456"}, ""), TServer::Stream(size_t{256} << 20)});
    auto http = Client();
    http->Head(server_.Url("/big"));
    EXPECT_LT(http->ReceiveLength, 64 * 1024);
    http->DropAnswer();
    EXPECT_FALSE(http->GetSocket()->Connected());
    EXPECT_TRUE(server_.WaitForFinished(1));
    EXPECT_EQ(server_.Requests().size(), 1u);
}

// A server that gave up on the pending answer (closed after the header, or
// part of the way into the body) gets the request again, and the body
// arrives whole; a body file holds it once, after what it held before.
TEST_F(InetHTTPAnswerTest, AnswerClosedWhilePendingIsAskedForAgain) {
    const std::string body = Pattern(200000);
    const std::string head = Header("HTTP/1.0 200 OK", {"Content-Length: " + std::to_string(body.size())});
    struct TCase {
        const char* name;
        std::string sentFirst; // what the first answer brings before its close
        bool toFile;
    } cases[] = {
        {"header only, memory", head, false},
        {"header only, file", head, true},
        {"part of the body, memory", head + body.substr(0, 5000), false},
        {"part of the body, file", head + body.substr(0, 5000), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TServer server;
        server.OnOnce("/d.bin", {TServer::Send(c.sentFirst), TServer::CloseNow()});
        // The answer asked for again is the one the header is read from.
        const std::string again = Header("HTTP/1.0 200 OK", {"Content-Length: " + std::to_string(body.size()), "X-Answer: again"});
        server.On("/d.bin", {TServer::Send(again + body)});
        TInetHTTP http;
        http.Port = server.Port();
        http.Head(server.Url("/d.bin"));
        ASSERT_EQ(http.ResponseHeader.StatusCode, 200);
        // The user takes long to answer; the server closes meanwhile.
        ASSERT_TRUE(server.WaitForFinished(1));
        int64_t reported = 0;
        http.OnReceiveData = [&](TInetBase*, int count) { reported += count; };
        if (c.toFile) {
            ASSERT_TRUE(TFileOps::WriteWholeFile(temp_.Win("d.bin"), "old:"));
            http.ReceiveToFile = true;
            http.TargetFile = temp_.Win("d.bin");
            http.Append = true;
        }
        http.Get(server.Url("/d.bin"), false);
        EXPECT_EQ(http.ErrorCode, 0);
        EXPECT_EQ(server.Requests().size(), 2u);
        EXPECT_EQ(http.ResponseHeader.Values.Get("x-answer"), "again");
        if (c.toFile) {
            EXPECT_TRUE(temp_.Contents("d.bin") == "old:" + body);
            EXPECT_EQ(reported, static_cast<int64_t>(body.size())); // bytes taken back are counted off
        } else {
            EXPECT_TRUE(http.GetEntity() == body);
        }
    }
}

// Persistent connections: two files from one server over one connection,
// requests in the HTTP/1.1 form; Content-Length and chunked bodies, the
// latter decoded byte for byte (extensions, a trailer, bytes that look like
// chunk lines).
TEST_F(InetHTTPAnswerTest, KeptConnectionCarriesTheNextRequests) {
    server_.SetKeepAlive(true);
    const std::string binary = std::string("a\r\n0\r\n\r\n\0z", 11) + Pattern(70000);
    std::string chunked = Header("HTTP/1.1 200 OK", {"Transfer-Encoding: chunked"});
    chunked += "b;ext=1\r\n" + binary.substr(0, 11) + "\r\n";
    chunked += "1ab0\r\n" + binary.substr(11, 0x1ab0) + "\r\n";
    const size_t rest = binary.size() - 11 - 0x1ab0;
    char size[32];
    std::snprintf(size, sizeof size, "%zX", rest);
    chunked += std::string(size) + "\r\n" + binary.substr(11 + 0x1ab0) + "\r\n0\r\nX-Trailer: t\r\n\r\n";
    server_.On("/c.bin", {TServer::Send(chunked)});
    server_.On("/l.txt", {TServer::Send(Header("HTTP/1.1 200 OK", {"Content-Length: 5"}) + "hello")});
    server_.On("/k.txt", {TServer::Send(Header("HTTP/1.0 200 OK", {"Connection: keep-alive", "Content-Length: 2"}) + "ok")});

    auto first = Client(true);
    HeadThenGet(*first, "/l.txt");
    EXPECT_EQ(first->GetEntity(), "hello");
    EXPECT_EQ(pool_->Idle(), 1u);
    first.reset();

    ASSERT_TRUE(TFileOps::WriteWholeFile(temp_.Win("c.bin"), ""));
    auto second = Client(true);
    HeadThenGet(*second, "/c.bin", "c.bin");
    EXPECT_EQ(second->ErrorCode, 0);
    EXPECT_TRUE(temp_.Contents("c.bin") == binary);

    auto third = Client(true);
    third->Get(server_.Url("/c.bin"), false);
    ASSERT_EQ(third->GetBinaryLen(), static_cast<int64_t>(binary.size()));
    EXPECT_TRUE(std::string(third->GetBinary(), binary.size()) == binary);
    third->Get(server_.Url("/k.txt"), false);
    EXPECT_EQ(third->GetEntity(), "ok");

    EXPECT_EQ(server_.Connections(), 1u);
    const auto requests = server_.Requests();
    ASSERT_EQ(requests.size(), 4u);
    for (const auto& request : requests) {
        EXPECT_NE(request.find(" HTTP/1.1\r\n"), std::string::npos) << request;
        EXPECT_NE(request.find("\r\nConnection: keep-alive\r\n"), std::string::npos) << request;
    }
}

// Servers that do not keep the connection: one that closes after each answer
// (an HTTP/1.0 answer without keep-alive, one that says close, one without a
// length), and one that closes a kept connection while it is idle or just as
// the next request arrives. Every request gets its whole answer.
TEST_F(InetHTTPAnswerTest, ConnectionsTheServerClosesAreOpenedAfresh) {
    server_.On("/a", {TServer::Respond(200, {"Content-Length: 1"}, "a")});
    server_.On("/b", {TServer::Send(Header("HTTP/1.1 200 OK", {"Connection: close", "Content-Length: 1"}) + "b")});
    server_.On("/c", {TServer::Send(Header("HTTP/1.1 200 OK", {}) + "c")});
    auto http = Client(true);
    for (const char* path : {"/a", "/b", "/c", "/a"}) {
        http->Get(server_.Url(path), false);
        EXPECT_EQ(http->GetEntity(), std::string(path + 1)) << path;
    }
    EXPECT_EQ(server_.Connections(), 4u);
    EXPECT_EQ(pool_->Idle(), 0u);

    TServer kept;
    kept.SetKeepAlive(true, 100);
    const std::string answer = Header("HTTP/1.1 200 OK", {"Content-Length: 1"}) + "k";
    kept.SetDefault({TServer::Send(answer)});
    http->Port = kept.Port();
    http->Get(kept.Url("/1"), false);
    ASSERT_EQ(pool_->Idle(), 1u);
    ASSERT_TRUE(kept.WaitForFinished(1)); // closed while idle
    http->Get(kept.Url("/2"), false);
    EXPECT_EQ(http->ErrorCode, 0);
    EXPECT_EQ(http->GetEntity(), "k");
    EXPECT_EQ(kept.Connections(), 2u);

    // Closed as the request arrives: sent once more on a fresh connection.
    pool_->Clear();
    TServer closing;
    closing.SetKeepAlive(true);
    closing.SetDefault({TServer::Send(answer)});
    closing.OnOnce("/2", {TServer::CloseNow()});
    http->Port = closing.Port();
    http->Get(closing.Url("/1"), false);
    ASSERT_EQ(pool_->Idle(), 1u);
    http->Get(closing.Url("/2"), false);
    EXPECT_EQ(http->ErrorCode, 0);
    EXPECT_EQ(http->GetEntity(), "k");
    EXPECT_EQ(closing.Connections(), 2u);
    EXPECT_EQ(closing.Requests().size(), 3u);
}

} // namespace
