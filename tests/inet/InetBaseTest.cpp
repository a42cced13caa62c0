#include "inet/InetBase.h"
#include "support/TempFolder.h"

#include "platform/FileOps.h"
#include "platform/WinPath.h"
#include "support/TestHttpServer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <future>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
using TServer = TTestHttpServer;

// Connects `inet` to the server and sends a plain request for `path`.
bool Request(TInetBase& inet, const TServer& server, const std::string& path) {
    inet.Host = "127.0.0.1";
    inet.Port = server.Port();
    return inet.Open() && inet.SendText("GET " + path + " HTTP/1.0\r\n\r\n");
}

std::string Pattern(size_t from, size_t count) {
    std::string text(count, '\0');
    for (size_t i = 0; i < count; ++i) text[i] = TServer::PatternAt(from + i);
    return text;
}

class InetBaseFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(temp_.Ok());
        dir_ = temp_.NativePath();
    }
    std::string WinPath(const std::string& name) const { return temp_.Win(name); }
    std::string Contents(const std::string& name) const { return temp_.Contents(name); }
    TTempFolder temp_{"inetbase"};
    std::filesystem::path dir_;
};

TEST(InetBaseTest, SilentServerTimesOutWithNothingRead) {
    TServer server;
    server.SetDefault({TServer::Stall()});
    TInetBase inet;
    inet.Timeout = 1;
    ASSERT_TRUE(Request(inet, server, "/"));
    EXPECT_EQ(inet.ReceiveData(), 0);
    EXPECT_EQ(inet.ErrorCode, 3);
    EXPECT_EQ(inet.ReceiveData(), -1); // refuses while an error is recorded
}

TEST(InetBaseTest, StallAfterTheFirstDataEndsQuietly) {
    TServer server;
    server.SetDefault({TServer::Send("HTTP/1.0 200 OK\r\n\r\nabc"), TServer::Stall()});
    TInetBase inet;
    inet.Timeout = 1;
    ASSERT_TRUE(Request(inet, server, "/"));
    EXPECT_EQ(inet.ReceiveData(), 22);
    EXPECT_EQ(inet.ErrorCode, 0);
    EXPECT_EQ(inet.GetText(), "HTTP/1.0 200 OK\r\n\r\nabc");
}

TEST(InetBaseTest, MemoryReceiveKeepsEveryByteAndReportsEachChunk) {
    const size_t size = 3 * 1024 * 1024 + 17;
    TServer server;
    server.SetDefault({TServer::Stream(size)});
    TInetBase inet;
    int64_t reported = 0;
    int largest = 0;
    inet.OnReceiveData = [&](TInetBase* sender, int count) {
        EXPECT_EQ(sender, &inet);
        reported += count;
        largest = std::max(largest, count);
    };
    ASSERT_TRUE(Request(inet, server, "/"));
    EXPECT_EQ(inet.ReceiveData(), static_cast<int64_t>(size));
    EXPECT_EQ(inet.ErrorCode, 0);
    EXPECT_EQ(inet.ReceiveLength, static_cast<int64_t>(size));
    EXPECT_EQ(reported, static_cast<int64_t>(size));
    EXPECT_LE(largest, kInetChunkSize);
    EXPECT_TRUE(inet.ReceiveBuffer == Pattern(0, size));
}

TEST(InetBaseTest, GetTextStopsAtTheFirstZeroByte) {
    TServer server;
    server.SetDefault({TServer::Send(std::string("ab\0cd", 5))});
    TInetBase inet;
    ASSERT_TRUE(Request(inet, server, "/"));
    EXPECT_EQ(inet.ReceiveData(), 5);
    EXPECT_EQ(inet.GetText(), "ab");
    inet.ReleaseReceiveBuffer();
    EXPECT_EQ(inet.ReceiveLength, 0);
    EXPECT_EQ(inet.GetText(), "");
}

TEST(InetBaseTest, ConnectFailureIsErrorTwoAndNothingIsSent) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0); // bound, not listening: refused
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), len), 0);
    ASSERT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len), 0);
    TInetBase inet;
    inet.Host = "127.0.0.1";
    inet.Port = ntohs(addr.sin_port);
    EXPECT_FALSE(inet.Open());
    EXPECT_EQ(inet.ErrorCode, 2);
    EXPECT_FALSE(inet.SendText("x"));
    EXPECT_EQ(inet.ReceiveData(), -1);
    ::close(fd);
}

TEST(InetBaseTest, SendThatIsNotTakenTimesOut) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0); // listening, never accepted, never read
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), len), 0);
    ASSERT_EQ(::listen(fd, 4), 0);
    ASSERT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len), 0);
    TInetBase inet;
    inet.Host = "127.0.0.1";
    inet.Port = ntohs(addr.sin_port);
    inet.Timeout = 1;
    ASSERT_TRUE(inet.Open());
    std::string big(64 * 1024 * 1024, 'x');
    EXPECT_FALSE(inet.SendText(big));
    EXPECT_EQ(inet.ErrorCode, 3);
    ::close(fd);
}

// Cancel from another thread while the receive waits: before any data, and
// in the middle of an answer.
TEST(InetBaseTest, CancelEndsAWaitingReadAtOnce) {
    struct TCase {
        const char* name;
        std::string first; // what the server sends before it stalls
    };
    for (const TCase& c : {TCase{"before data", ""}, TCase{"mid answer", "HTTP/1.0 200 OK\r\n"}}) {
        SCOPED_TRACE(c.name);
        TServer server;
        server.SetDefault({TServer::Send(c.first), TServer::Stall()});
        TInetBase inet;
        inet.Timeout = 60;
        std::atomic<int64_t> seen{0};
        inet.OnReceiveData = [&](TInetBase*, int n) { seen += n; };
        ASSERT_TRUE(Request(inet, server, "/"));
        auto received = std::async(std::launch::async, [&] { return inet.ReceiveData(); });
        while (seen.load() < static_cast<int64_t>(c.first.size()))
            std::this_thread::sleep_for(1ms);
        EXPECT_EQ(received.wait_for(100ms), std::future_status::timeout);
        inet.Cancel();
        ASSERT_EQ(received.wait_for(20s), std::future_status::ready);
        EXPECT_EQ(received.get(), static_cast<int64_t>(c.first.size()));
        EXPECT_EQ(inet.ErrorCode, 1);
        EXPECT_EQ(inet.ReceiveData(), -1);
        EXPECT_FALSE(inet.Open()); // the Cancel stays in force
        EXPECT_EQ(inet.ErrorCode, 1);
    }
}

TEST(InetBaseTest, CancelDuringAConnectThatDoesNotCompleteIsErrorOne) {
    TBlockedListener blocked;
    if (!blocked.Ready()) GTEST_SKIP() << "could not fill the accept queue";
    TInetBase inet;
    inet.Host = "127.0.0.1";
    inet.Port = blocked.Port();
    auto opened = std::async(std::launch::async, [&] { return inet.Open(); });
    EXPECT_EQ(opened.wait_for(200ms), std::future_status::timeout);
    inet.Cancel();
    ASSERT_EQ(opened.wait_for(20s), std::future_status::ready);
    EXPECT_FALSE(opened.get());
    EXPECT_EQ(inet.ErrorCode, 1);
}

TEST_F(InetBaseFileTest, FileReceiveReplacesOrAppends) {
    const size_t size = 300 * 1024 + 5; // several file buffers and a partial one
    TServer server;
    server.SetDefault({TServer::Stream(size)});
    struct TCase {
        const char* name;
        bool append;
        std::string expectedStart;
    };
    for (const TCase& c : {TCase{"replace", false, ""}, TCase{"append", true, "old part"}}) {
        SCOPED_TRACE(c.name);
        std::string target = WinPath(std::string(c.name) + ".bin");
        ASSERT_TRUE(TFileOps::WriteWholeFile(target, "old part"));
        TInetBase inet;
        inet.ReceiveToFile = true;
        inet.TargetFile = target;
        inet.Append = c.append;
        int64_t reported = 0;
        inet.OnReceiveData = [&](TInetBase*, int n) { reported += n; };
        ASSERT_TRUE(Request(inet, server, "/"));
        EXPECT_EQ(inet.ReceiveData(), static_cast<int64_t>(size));
        EXPECT_EQ(inet.ErrorCode, 0);
        EXPECT_EQ(reported, static_cast<int64_t>(size));
        EXPECT_EQ(inet.ReceiveLength, 0); // nothing kept in memory
        EXPECT_TRUE(Contents(std::string(c.name) + ".bin") == c.expectedStart + Pattern(0, size));
    }
}

TEST_F(InetBaseFileTest, FileThatCannotBeOpenedIsErrorFour) {
    TServer server;
    server.SetDefault({TServer::Respond(200, {}, "body")});
    struct TCase {
        const char* name;
        std::string target;
        bool append;
    };
    for (const TCase& c : {TCase{"missing folder", WinPath("no\\such\\a.bin"), false},
                           TCase{"append to missing file", WinPath("missing.bin"), true}}) {
        SCOPED_TRACE(c.name);
        TInetBase inet;
        inet.ReceiveToFile = true;
        inet.TargetFile = c.target;
        inet.Append = c.append;
        ASSERT_TRUE(Request(inet, server, "/"));
        EXPECT_EQ(inet.ReceiveData(), -1);
        EXPECT_EQ(inet.ErrorCode, 4);
    }
}

TEST_F(InetBaseFileTest, WriteFailureIsErrorFour) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    TServer server;
    server.SetDefault({TServer::Stream(200 * 1024)});
    TInetBase inet;
    inet.ReceiveToFile = true;
    inet.TargetFile = TWinPath::FromNative("/dev/full");
    inet.Append = true; // open the device as it is
    ASSERT_TRUE(Request(inet, server, "/"));
    EXPECT_GT(inet.ReceiveData(), 0);
    EXPECT_EQ(inet.ErrorCode, 4);
}

TEST_F(InetBaseFileTest, CancelWriteStopsTheFileAtTheNextChunk) {
    TServer server;
    server.SetDefault({TServer::Stream(200 * 1024)});
    TInetBase inet;
    inet.ReceiveToFile = true;
    inet.TargetFile = WinPath("cut.bin");
    inet.OnReceiveData = [&](TInetBase* sender, int) { sender->CancelWrite(); };
    ASSERT_TRUE(Request(inet, server, "/"));
    inet.ReceiveData();
    EXPECT_EQ(inet.ErrorCode, 0);
    EXPECT_TRUE(inet.WriteCancelled);
    EXPECT_LE(Contents("cut.bin").size(), static_cast<size_t>(kInetChunkSize));
}

} // namespace
