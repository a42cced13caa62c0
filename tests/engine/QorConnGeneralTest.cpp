#include "engine/QorConnGeneral.h"

#include "inet/InetHTTP.h"
#include "inet/InetHTTPConnPool.h"
#include "platform/TcpTransport.h"
#include "platform/FileOps.h"
#include "support/TempFolder.h"
#include "support/TestHttpServer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <thread>
#include <tuple>

namespace {

const std::string kHyou = "\x95\x5C"; // 表: its second byte is "\"

using Values = std::tuple<int, bool, bool, std::string, int, bool, std::string>;

Values ValuesOf(const TQorConnGeneral& c) {
    return {c.GetTimeout(), c.GetRedirect(), c.GetUseProxy(), c.GetProxy(),
            c.GetProxyPort(), c.GetAutoReferer(), c.GetUserAgent()};
}

// Every property away from its initial value.
void SetOthers(TQorConnGeneral& c) {
    c.SetTimeout(120);
    c.SetRedirect(false);
    c.SetUseProxy(true);
    c.SetProxy("proxy.example");
    c.SetProxyPort(8080);
    c.SetAutoReferer(false);
    c.SetUserAgent("Agent " + kHyou);
}

const Values kInitial{30, true, false, "", 0, true, "Vorlen/2.2"};
const Values kOthers{120, false, true, "proxy.example", 8080, false, "Agent " + kHyou};

std::string FileText(const std::string& path) {
    std::string text;
    TFileOps::ReadWholeFile(path, text);
    return text;
}

TEST(QorConnGeneralTest, InitialValues) { EXPECT_EQ(ValuesOf(TQorConnGeneral()), kInitial); }

TEST(QorConnGeneralTest, SavesFiveKeysAndLoadsThemBack) {
    TTempFolder temp;
    const std::string path = temp.Win() + "connect.dat";
    // An older file's other keys and sections do not survive a save.
    ASSERT_TRUE(TFileOps::WriteWholeFile(path, "[Setting]\r\nOld=1\r\nTimeout=5\r\n[Other]\r\nA=1\r\n"));
    TQorConnGeneral saved;
    SetOthers(saved);
    ASSERT_TRUE(saved.SaveToFile(path));
    EXPECT_EQ(FileText(path), "[Setting]\r\nTimeout=120\r\nRedirect=0\r\nUseProxy=1\r\nAutoReferer=0\r\n"
                              "UserAgent=Agent " + kHyou + "\r\n");

    // The proxy itself is not in the file: loading keeps what is there.
    TQorConnGeneral loaded;
    loaded.SetProxy("keep");
    ASSERT_TRUE(loaded.LoadFromFile(path));
    EXPECT_EQ(ValuesOf(loaded), (Values{120, false, true, "keep", 0, false, "Agent " + kHyou}));

    // A path that cannot be written answers false and leaves nothing.
    EXPECT_FALSE(saved.SaveToFile(temp.Win() + "missing\\connect.dat"));
}

struct LoadCase {
    const char* name;
    std::string text; // nothing written when empty
    Values expected;
};


const LoadCase kLoadCases[] = {
    {.name = "missingFile", .text = "", .expected = kOthers},
    {.name = "lfLineEnds",
     .text = "[Setting]\nTimeout=7\nRedirect=1\nUseProxy=0\nAutoReferer=1\nUserAgent=X\n",
     .expected = {7, true, false, "proxy.example", 8080, true, "X"}},
    {.name = "anyNonZeroIsTrue",
     .text = "[Setting]\r\nRedirect=2\r\nUseProxy=-1\r\nAutoReferer=0x10\r\n",
     .expected = {120, true, true, "proxy.example", 8080, true, "Agent " + kHyou}},
    {.name = "missingKeysKeepValues", .text = "[Setting]\r\nUserAgent=\r\n",
     .expected = {120, false, true, "proxy.example", 8080, false, ""}},
    {.name = "notNumbersKeepValues", .text = "[Setting]\r\nTimeout=abc\r\nRedirect=yes\r\nUseProxy=\r\n",
     .expected = kOthers},
    {.name = "timeoutZero", .text = "[Setting]\r\nTimeout=0\r\n", .expected = kOthers},
    {.name = "timeoutNegative", .text = "[Setting]\r\nTimeout=-1\r\n", .expected = kOthers},
    {.name = "timeoutTooLong", .text = "[Setting]\r\nTimeout=3000000\r\n", .expected = kOthers},
    {.name = "timeoutLimits", .text = "[Setting]\r\nTimeout=999\r\n",
     .expected = {999, false, true, "proxy.example", 8080, false, "Agent " + kHyou}},
    {.name = "otherSectionOnly", .text = "[Settings]\r\nTimeout=9\r\n", .expected = kOthers},
    {.name = "binaryJunk", .text = std::string("\x00\xff\x81[\r\n=\x95\x5c\n", 10), .expected = kOthers},
};

class ConnLoadTable : public ::testing::TestWithParam<LoadCase> {};

TEST_P(ConnLoadTable, LoadsOrKeeps) {
    const LoadCase& c = GetParam();
    TTempFolder temp;
    const std::string path = temp.Win() + "connect.dat";
    if (!c.text.empty()) {
        ASSERT_TRUE(TFileOps::WriteWholeFile(path, c.text));
    }
    TQorConnGeneral conn;
    SetOthers(conn);
    EXPECT_TRUE(conn.LoadFromFile(path));
    EXPECT_EQ(ValuesOf(conn), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, ConnLoadTable, ::testing::ValuesIn(kLoadCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(QorConnGeneralTest, UnreadableFileAnswersFalseAndChangesNothing) {
    TTempFolder temp;
    const std::string path = temp.Win() + "connect.dat";
    ASSERT_TRUE(TFileOps::CreateDir(path));
    TQorConnGeneral conn;
    SetOthers(conn);
    EXPECT_FALSE(conn.LoadFromFile(path));
    EXPECT_EQ(ValuesOf(conn), kOthers);
    EXPECT_FALSE(conn.SaveToFile(path));
    EXPECT_TRUE(TFileOps::DirectoryExists(path));
}

TEST(QorConnGeneralTest, AssignCopiesOnlyFromItsOwnKind) {
    TQorConnGeneral source;
    SetOthers(source);
    TQorConnGeneral target;
    target.Assign(&source);
    EXPECT_EQ(ValuesOf(target), kOthers);
    target.Assign(&target);
    EXPECT_EQ(ValuesOf(target), kOthers);

    TQorConnGeneral untouched;
    TPersistent other;
    untouched.Assign(&other);
    untouched.Assign(nullptr);
    EXPECT_EQ(ValuesOf(untouched), kInitial);
}

// KeepAlive is written only when on, so a file of someone who never turned
// it on keeps its five keys; Assign copies it, but not the pool.
TEST(QorConnGeneralTest, KeepAliveKeyOnlyWhenOn) {
    TTempFolder temp;
    const std::string path = temp.Win() + "connect.dat";
    TQorConnGeneral conn;
    conn.SetKeepAlive(true);
    ASSERT_TRUE(conn.SaveToFile(path));
    EXPECT_EQ(FileText(path), "[Setting]\r\nTimeout=30\r\nRedirect=1\r\nUseProxy=0\r\nAutoReferer=1\r\n"
                              "UserAgent=Vorlen/2.2\r\nKeepAlive=1\r\n");
    TQorConnGeneral loaded;
    ASSERT_TRUE(loaded.LoadFromFile(path));
    EXPECT_TRUE(loaded.GetKeepAlive());
    loaded.SetKeepAlive(false);
    ASSERT_TRUE(loaded.SaveToFile(path));
    EXPECT_EQ(FileText(path).find("KeepAlive"), std::string::npos);

    TQorConnGeneral copy;
    copy.Assign(&conn);
    EXPECT_TRUE(copy.GetKeepAlive());
    EXPECT_NE(copy.GetPool(), conn.GetPool());
}

// Turning keep-alive off by any way (the setter, a connect.dat that says
// so, Assign from settings where it is off) closes the kept connections.
TEST(QorConnGeneralTest, KeepAliveOffClosesKeptConnections) {
    TTestHttpServer server;
    TTempFolder temp;
    const std::string offFile = temp.Win() + "connect.dat";
    TQorConnGeneral off;
    {
        std::ofstream file(temp.NativePath("connect.dat"), std::ios::binary);
        file << "[Setting]\r\nKeepAlive=0\r\n";
    }
    const std::string key = TInetHTTPConnPool::Key(false, "127.0.0.1", server.Port(), "", 0);
    const std::function<void(TQorConnGeneral&)> ways[] = {
        [](TQorConnGeneral& conn) { conn.SetKeepAlive(false); },
        [&](TQorConnGeneral& conn) { ASSERT_TRUE(conn.LoadFromFile(offFile)); },
        [&](TQorConnGeneral& conn) { conn.Assign(&off); },
    };
    for (size_t i = 0; i < std::size(ways); ++i) {
        SCOPED_TRACE(i);
        TQorConnGeneral conn;
        conn.SetKeepAlive(true);
        auto connection = std::make_unique<TTcpTransport>();
        ASSERT_EQ(connection->Connect("127.0.0.1", server.Port(), nullptr), crConnected);
        conn.GetPool()->Put(key, std::move(connection));
        ASSERT_EQ(conn.GetPool()->Idle(), 1u);
        ways[i](conn);
        EXPECT_FALSE(conn.GetKeepAlive());
        EXPECT_EQ(conn.GetPool()->Idle(), 0u);
    }
}

TEST(QorConnGeneralTest, AppliesKeepAliveAndProxyCredentials) {
    TQorConnGeneral conn;
    TInetHTTP off;
    conn.ApplyTo(off);
    EXPECT_FALSE(off.KeepAlive);
    EXPECT_EQ(off.Pool, nullptr);
    conn.SetKeepAlive(true);
    TInetHTTP on;
    conn.ApplyTo(on);
    EXPECT_TRUE(on.KeepAlive);
    EXPECT_EQ(on.Pool, conn.GetPool());

    conn.SetUseProxy(true);
    conn.SetProxyPort(3128);
    struct TCase {
        std::string proxy, host, user, password;
    } cases[] = {
        {"proxy.example", "proxy.example", "", ""},
        {"alice:s%40c+r%3At@proxy.example", "proxy.example", "alice", "s@c+r:t"},
        {"bob@10.0.0.1", "10.0.0.1", "bob", ""},
        {"a@b:c@[::1]", "[::1]", "a@b", "c"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.proxy);
        conn.SetProxy(c.proxy);
        TInetHTTP http;
        http.ProxyUser = "stale";
        conn.ApplyTo(http);
        EXPECT_EQ(http.ProxyHost, c.host);
        EXPECT_EQ(http.ProxyPort, 3128);
        EXPECT_EQ(http.ProxyUser, c.user);
        EXPECT_EQ(http.ProxyPassword, c.password);
    }
}

TEST(QorConnGeneralTest, AppliesToTheHttpClient) {
    TQorConnGeneral conn;
    SetOthers(conn);
    conn.SetUseProxy(false);
    TInetHTTP direct;
    direct.ProxyHost = "set.before";
    direct.ProxyPort = 3128;
    conn.ApplyTo(direct);
    EXPECT_EQ(direct.Timeout, 120);
    EXPECT_EQ(direct.RequestHeader.UserAgent, "Agent " + kHyou);
    EXPECT_EQ(direct.ProxyHost, "set.before"); // left alone without UseProxy
    EXPECT_EQ(direct.ProxyPort, 3128);

    conn.SetUseProxy(true);
    TInetHTTP proxied;
    conn.ApplyTo(proxied);
    EXPECT_EQ(proxied.ProxyHost, "proxy.example");
    EXPECT_EQ(proxied.ProxyPort, 8080);
}

// A load thread applies the settings while the main thread assigns others:
// each application sees one whole set, never a mix of two.
TEST(QorConnGeneralTest, ApplyDuringAssignSeesOneWholeSet) {
    TQorConnGeneral a, b, shared;
    a.SetTimeout(11);
    a.SetUserAgent(std::string(200, 'a'));
    b.SetTimeout(22);
    b.SetUserAgent(std::string(300, 'b'));
    shared.Assign(&a);
    std::atomic<bool> stop{false};
    std::atomic<int> mixed{0};
    std::thread reader([&] {
        while (!stop) {
            TInetHTTP http;
            shared.ApplyTo(http);
            const std::string& agent = http.RequestHeader.UserAgent;
            bool isA = http.Timeout == 11 && agent == std::string(200, 'a');
            bool isB = http.Timeout == 22 && agent == std::string(300, 'b');
            if (!isA && !isB) ++mixed;
        }
    });
    for (int i = 0; i < 20000; ++i) shared.Assign(i % 2 ? &a : &b);
    stop = true;
    reader.join();
    EXPECT_EQ(mixed, 0);
}

} // namespace
