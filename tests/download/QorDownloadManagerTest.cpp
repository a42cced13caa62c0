#include "download/QorDownloadManager.h"

#include "engine/QorConnGeneral.h"
#include "engine/QorLoadThread.h"
#include "inet/XMD5.h"
#include "platform/CodePage.h"
#include "platform/FileOps.h"
#include "platform/Thread.h"
#include "platform/WinPath.h"
#include "support/TempFolder.h"
#include "support/TestHttpServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

using TServer = TTestHttpServer;
constexpr int kPatienceMs = 60000;

bool PumpUntil(const std::function<bool()>& done, int timeoutMs = kPatienceMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        TThread::CheckSynchronize(20);
    }
    return true;
}

std::string Body(size_t n, char salt = 0) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7 + static_cast<size_t>(salt)) & 0xFF);
    return s;
}

std::string ReadNative(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteNative(const std::filesystem::path& p, const std::string& data) {
    std::ofstream out(p, std::ios::binary);
    out << data;
}

// One attempt's answers: the header request and the body request.
struct TAttempt {
    TServer::TScript head;
    TServer::TScript get;
};

// A manager wired to the loopback server, with its save and cache folders
// in a fresh temporary folder. Each attempt's answers are put in place from
// the manager's events, so they never race the requests.
class TDownloadFixture : public ::testing::Test {
protected:
    void SetUp() override {
        TThread::SetMainThread();
        ASSERT_TRUE(temp.Ok());
        std::filesystem::create_directories(temp.NativePath("save"));
        std::filesystem::create_directories(temp.NativePath("cache"));
        conn.SetTimeout(20);
        m.Conn = &conn;
        m.SetSaveDir(temp.Win("save"));
        m.CachePath = temp.Win("cache") + "\\";
        m.RetryWait = 0;
        // Attempts are counted here: a 416 restart does not advance RunCount.
        m.OnHeading = [this](TQorDownloadManager*, TQorFile&) {
            std::lock_guard lock(mutex);
            ++headings;
            if (plan.empty()) return;
            size_t i = std::min<size_t>(static_cast<size_t>(headings - 1), plan.size() - 1);
            server.SetDefault(plan[i].head);
        };
        m.OnHead = [this](TQorDownloadManager*) {
            std::lock_guard lock(mutex);
            if (plan.empty()) return;
            size_t i = std::min<size_t>(static_cast<size_t>(headings - 1), plan.size() - 1);
            server.SetDefault(plan[i].get);
        };
        m.OnLoaded = [this](TQorDownloadManager*, int error, int status) {
            ++loaded;
            lastError = error;
            lastStatus = status;
        };
    }
    void TearDown() override {
        if (m.Thread) m.Cancel();
        EXPECT_TRUE(PumpUntil([] { return TQorLoadThread::Alive() == 0; }));
    }

    void Run(const std::string& target, std::vector<TAttempt> attempts) {
        path = target;
        plan = std::move(attempts);
        TQorFile file(server.Url(target));
        m.SetFile(&file);
        m.Download(true);
        ASSERT_TRUE(PumpUntil([this] { return loaded > 0; }));
    }
    // The same answer to both requests of every attempt.
    void RunSimple(const std::string& target, const TServer::TAction& answer) {
        Run(target, {{{answer}, {answer}}});
    }
    std::filesystem::path Saved(const std::string& name) { return temp.NativePath("save") / name; }
    std::string PartNative(const std::string& target, const std::string& name) {
        TInetURLEx url(server.Url(target));
        return (temp.NativePath("cache") / (TXMD5::Get(url.GetFullDir() + name) + ".pcf")).string();
    }
    std::vector<std::string> GetRequests() {
        std::vector<std::string> gets;
        auto all = server.Requests();
        // Each accepted attempt makes two requests; the second carries the range.
        for (auto& r : all)
            if (r.find("range:") != std::string::npos) gets.push_back(r);
        return gets;
    }

    TTempFolder temp{"dlmanager"};
    TServer server;
    TQorConnGeneral conn;
    TQorDownloadManager m;
    std::mutex mutex;
    std::string path;
    std::vector<TAttempt> plan;
    std::atomic<int> headings{0};
    int loaded = 0;
    int lastError = -1;
    int lastStatus = 0;
};

TEST_F(TDownloadFixture, SaveNameFromAddressDispositionAndType) {
    struct TCase {
        const char* name;
        std::string target;
        std::vector<std::string> headers;
        std::string saved;
    };
    const std::vector<TCase> cases = {
        {.name = "slash, html", .target = "/d1/", .headers = {"Content-Type: text/html"}, .saved = "index.html"},
        {.name = "dir, zip", .target = "/dir/", .headers = {"Content-Type: application/zip"}, .saved = "dir.zip"},
        {.name = "root, zip", .target = "/", .headers = {"Content-Type: application/zip"}, .saved = "dothead.zip"},
        {.name = "flash", .target = "/f1", .headers = {"Content-Type: application/x-shockwave-flash"}, .saved = "f1.swf"},
        {.name = "audio", .target = "/f2", .headers = {"Content-Type: audio/mpeg"}, .saved = "f2.mp3"},
        {.name = "video", .target = "/f3", .headers = {"Content-Type: video/mpeg"}, .saved = "f3.mpg"},
        {.name = "pjpeg", .target = "/f4", .headers = {"Content-Type: image/pjpeg"}, .saved = "f4.jpg"},
        {.name = "plain", .target = "/f5", .headers = {"Content-Type: text/plain"}, .saved = "f5.txt"},
        {.name = "octet", .target = "/f6", .headers = {"Content-Type: application/octet-stream"}, .saved = "f6.stream"},
        {.name = "dothead", .target = "/x/y.bin",
         .headers = {"Content-Disposition: attachment; filename=\".htaccess\""}, .saved = "dothead.htaccess"},
        {.name = "decoded, cleaned", .target = "/a%3Ab,c.txt", .headers = {}, .saved = "abc.txt"},
        // Percent-encoded UTF-8 is the name it encodes; encoded Shift-JIS stays Shift-JIS.
        {.name = "utf8 address", .target = "/%E6%97%A5%E6%9C%AC%E8%AA%9E.bin", .headers = {}, .saved = SJ("日本語.bin")},
        {.name = "utf8 without cp932 form", .target = "/caf%C3%A9%20%F0%9F%98%80.txt", .headers = {},
         .saved = SJ("café 😀.txt")},
        {.name = "sjis address", .target = "/%93%FA%96%7B.bin", .headers = {}, .saved = SJ("日本.bin")},
        {.name = "utf8 disposition", .target = "/get.cgi",
         .headers = {"Content-Disposition: attachment; filename=\"%E8%A1%A8%E3%81%82.zip\""}, .saved = SJ("表あ.zip")},
        {.name = "raw utf8 disposition", .target = "/get2.cgi",
         .headers = {"Content-Disposition: attachment; filename=\"r\xC3\xA9sum\xC3\xA9.pdf\""}, .saved = SJ("résumé.pdf")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        loaded = 0;
        headings = 0;
        const std::string body = Body(3000, static_cast<char>(c.saved.size()));
        auto headers = c.headers;
        headers.push_back("Content-Length: 3000");
        RunSimple(c.target, TServer::Respond(200, headers, body));
        EXPECT_EQ(lastError, 0);
        EXPECT_EQ(lastStatus, 200);
        EXPECT_EQ(m.SaveName, c.saved);
        EXPECT_TRUE(ReadNative(Saved(TCodePage::ToUtf8(c.saved))) == body) << "saved file differs";
        EXPECT_EQ(m.State, 3);
        EXPECT_EQ(m.LoadSize, 3000);
        std::filesystem::remove(Saved(TCodePage::ToUtf8(c.saved)));
    }
    EXPECT_TRUE(std::filesystem::is_empty(temp.NativePath("cache")));
}

TEST_F(TDownloadFixture, UniqueNames) {
    WriteNative(Saved("a.txt"), "x");
    WriteNative(Saved("a(1).txt"), "y");
    EXPECT_EQ(m.GetSaveFileNameA(temp.Win("save") + "\\", "a.txt"), temp.Win("save") + "\\a(2).txt");
    EXPECT_EQ(m.GetSaveFileNameA(temp.Win("save") + "\\", ""), temp.Win("save") + "\\index.html");

    const std::string body = Body(500);
    RunSimple("/a.txt", TServer::Respond(200, {"Content-Length: 500"}, body));
    EXPECT_TRUE(ReadNative(Saved("a(2).txt")) == body) << "saved file differs";
    EXPECT_TRUE(ReadNative(Saved("a.txt")) == "x") << "saved file differs";
}

TEST_F(TDownloadFixture, SizeFilterBothWays) {
    struct TCase {
        const char* name;
        bool vector;
        long long length; // -1: no Content-Length
        bool fetched;
    };
    const std::vector<TCase> cases = {
        {"at least: exact refused", false, 102400, false},
        {"at least: one less fetched", false, 102399, true},
        {"at least: unknown refused", false, -1, false},
        {"at most: exact refused", true, 102400, false},
        {"at most: one more fetched", true, 102401, true},
        {"at most: unknown fetched", true, -1, true},
    };
    m.CheckSize = true;
    m.LimitSize = 102400;
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        loaded = 0;
        headings = 0;
        m.SizeVector = c.vector;
        const std::string body = Body(c.length < 0 ? 102400 : static_cast<size_t>(c.length));
        std::vector<std::string> headers;
        if (c.length >= 0) headers.push_back("Content-Length: " + std::to_string(c.length));
        const std::string name = "s" + std::to_string(n++) + ".bin";
        RunSimple("/" + name, TServer::Respond(200, headers, body));
        if (c.fetched) {
            EXPECT_EQ(m.Result, 0);
            EXPECT_FALSE(m.SizeRefused);
            EXPECT_TRUE(ReadNative(Saved(name)) == body) << "saved file differs";
        } else {
            EXPECT_EQ(m.Result, 1);
            // No cancellation: the client had no error, so a queue moves on.
            EXPECT_EQ(lastError, 0);
            EXPECT_TRUE(m.SizeRefused);
            EXPECT_EQ(m.FileSize, -1);
            EXPECT_FALSE(std::filesystem::exists(Saved(name)));
        }
    }
}

// A fresh file takes one request: its body comes on the answer its head
// came with. A file the size filter refuses is closed without its body read.
TEST_F(TDownloadFixture, OneRequestPerFileAndARefusedOneReadsNoBody) {
    const std::string body = Body(300000);
    server.SetDefault({TServer::Respond(200, {"Content-Length: 300000"}, body)});
    TQorFile file(server.Url("/one.bin"));
    m.SetFile(&file);
    m.Download(true);
    ASSERT_TRUE(PumpUntil([this] { return loaded > 0; }));
    EXPECT_EQ(m.Result, 0);
    EXPECT_TRUE(ReadNative(Saved("one.bin")) == body) << "saved file differs";
    EXPECT_EQ(server.Requests().size(), 1u);

    loaded = 0;
    m.CheckSize = true;
    m.SizeVector = false; // refuse files of at least LimitSize bytes
    m.LimitSize = 1024;
    server.SetDefault({TServer::Respond(200, {"Content-Length: 268435456"}, ""), TServer::Stream(size_t{256} << 20)});
    TQorFile big(server.Url("/big.bin"));
    m.SetFile(&big);
    m.Download(true);
    ASSERT_TRUE(PumpUntil([this] { return loaded > 0; }));
    EXPECT_TRUE(m.SizeRefused);
    // The server's stream ends because the client went away, not after 256 MiB.
    EXPECT_TRUE(server.WaitForFinished(2));
    EXPECT_EQ(server.Requests().size(), 2u);
}

TEST_F(TDownloadFixture, ResumesWithTheSameLastModified) {
    const std::string lm = "Wed, 01 Jan 2020 00:00:00 GMT";
    const std::string body = Body(3000);
    WriteNative(PartNative("/r.bin", "r.bin"), lm + std::string(1, '\0') + body.substr(0, 1000));
    Run("/r.bin", {{{TServer::Respond(200, {"Last-Modified: " + lm, "Content-Length: 3000"}, "")},
                    {TServer::Respond(206, {"Last-Modified: " + lm, "Content-Length: 2000"}, body.substr(1000))}}});
    EXPECT_EQ(m.Result, 0);
    EXPECT_TRUE(ReadNative(Saved("r.bin")) == body) << "saved file differs";
    auto gets = GetRequests();
    ASSERT_EQ(gets.size(), 1u);
    EXPECT_NE(gets[0].find("range: bytes=1000-\r\n"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(PartNative("/r.bin", "r.bin")));
}

TEST_F(TDownloadFixture, RestartsWhenLastModifiedChangedOrAbsent) {
    struct TCase {
        const char* name;
        std::string stored;
        std::vector<std::string> headers;
    };
    const std::vector<TCase> cases = {
        {"changed", "Wed, 01 Jan 2020 00:00:00 GMT", {"Last-Modified: Thu, 02 Jan 2020 00:00:00 GMT"}},
        {"absent", "", {}},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        loaded = 0;
        headings = 0;
        const std::string name = "c" + std::to_string(n++) + ".bin";
        const std::string body = Body(2000, 3);
        WriteNative(PartNative("/" + name, name), c.stored + std::string(1, '\0') + Body(700, 9));
        auto headers = c.headers;
        headers.push_back("Content-Length: 2000");
        RunSimple("/" + name, TServer::Respond(200, headers, body));
        EXPECT_EQ(m.Result, 0);
        EXPECT_TRUE(ReadNative(Saved(name)) == body) << "saved file differs";
    }
    EXPECT_TRUE(GetRequests().empty());
}

TEST_F(TDownloadFixture, CloseMidBodyThenResumeFromThePartialFile) {
    const std::string lm = "Wed, 01 Jan 2020 00:00:00 GMT";
    const std::string body = Body(5000, 1);
    const TServer::TAction head = TServer::Respond(200, {"Last-Modified: " + lm, "Content-Length: 5000"}, "");
    Run("/m.bin",
        {{{head}, {TServer::Send("HTTP/1.0 200 OK\r\nLast-Modified: " + lm + "\r\nContent-Length: 5000\r\n\r\n" +
                                 body.substr(0, 1800)),
                   TServer::CloseNow()}},
         {{head}, {TServer::Respond(206, {"Content-Length: 3200"}, body.substr(1800))}}});
    EXPECT_EQ(m.RunCount, 2);
    EXPECT_EQ(loaded, 1);
    EXPECT_EQ(m.Result, 0);
    EXPECT_TRUE(ReadNative(Saved("m.bin")) == body) << "saved file differs";
    auto gets = GetRequests();
    ASSERT_EQ(gets.size(), 1u);
    EXPECT_NE(gets[0].find("range: bytes=1800-\r\n"), std::string::npos);
}

TEST_F(TDownloadFixture, WholeBodyAnswerToARangeRestartsTheFile) {
    const std::string lm = "Wed, 01 Jan 2020 00:00:00 GMT";
    const std::string body = Body(4000, 5);
    WriteNative(PartNative("/w.bin", "w.bin"), lm + std::string(1, '\0') + Body(1500, 77));
    RunSimple("/w.bin", TServer::Respond(200, {"Last-Modified: " + lm, "Content-Length: 4000"}, body));
    EXPECT_EQ(GetRequests().size(), 1u);
    EXPECT_EQ(m.Result, 0);
    EXPECT_TRUE(ReadNative(Saved("w.bin")) == body) << "saved file differs";
}

TEST_F(TDownloadFixture, WholeBodyAnswerCutShortResumesFromItsOwnBytes) {
    const std::string lm = "Wed, 01 Jan 2020 00:00:00 GMT";
    const std::string body = Body(4000, 6);
    WriteNative(PartNative("/v.bin", "v.bin"), lm + std::string(1, '\0') + Body(1500, 77));
    const TServer::TAction head = TServer::Respond(200, {"Last-Modified: " + lm, "Content-Length: 4000"}, "");
    Run("/v.bin",
        {{{head}, {TServer::Send("HTTP/1.0 200 OK\r\nContent-Length: 4000\r\n\r\n" + body.substr(0, 1000)),
                   TServer::CloseNow()}},
         {{head}, {TServer::Respond(206, {"Content-Length: 3000"}, body.substr(1000))}}});
    EXPECT_EQ(m.Result, 0);
    EXPECT_TRUE(ReadNative(Saved("v.bin")) == body) << "saved file differs";
    auto gets = GetRequests();
    ASSERT_EQ(gets.size(), 2u);
    EXPECT_NE(gets[1].find("range: bytes=1000-\r\n"), std::string::npos);
}

TEST_F(TDownloadFixture, Answer416RestartsWithoutUsingAnAttempt) {
    const std::string lm = "Wed, 01 Jan 2020 00:00:00 GMT";
    const std::string body = Body(1000, 2);
    WriteNative(PartNative("/q.bin", "q.bin"), lm + std::string(1, '\0') + Body(1200));
    const TServer::TAction head = TServer::Respond(200, {"Last-Modified: " + lm, "Content-Length: 1000"}, "");
    m.RetryCount = 1; // only the 416 being free lets the second attempt run
    Run("/q.bin", {{{head}, {TServer::Respond(416, {}, "")}},
                   {{head}, {TServer::Respond(200, {"Content-Length: 1000"}, body)}}});
    EXPECT_EQ(m.Result, 0);
    EXPECT_EQ(m.RunCount, 1);
    EXPECT_EQ(headings, 2);
    EXPECT_TRUE(ReadNative(Saved("q.bin")) == body) << "saved file differs";
}

TEST_F(TDownloadFixture, ServerThatAlwaysAnswers416EndsTheRow) {
    const std::string lm = "Wed, 01 Jan 2020 00:00:00 GMT";
    WriteNative(PartNative("/z.bin", "z.bin"), lm + std::string(1, '\0') + Body(100));
    RunSimple("/z.bin", TServer::Respond(416, {"Last-Modified: " + lm}, ""));
    // Either the header request already says 416 or the range request does;
    // after one restart without a range the row ends.
    EXPECT_TRUE(PumpUntil([this] { return !m.Thread; }));
    EXPECT_EQ(loaded, 1);
    EXPECT_EQ(lastStatus, 416);
    EXPECT_LE(headings, 2);
}

// The partial file goes with its side file, if it has one.
TEST_F(TDownloadFixture, NotFoundDeletesThePartialFile) {
    const std::string part = PartNative("/n.bin", "n.bin");
    WriteNative(part, "abc");
    WriteNative(std::filesystem::path(part).replace_extension(".pch"), std::string(1, '\0'));
    RunSimple("/n.bin", TServer::Respond(404, {}, "gone"));
    EXPECT_EQ(lastError, 0);
    EXPECT_EQ(lastStatus, 404);
    EXPECT_EQ(headings, 1);
    EXPECT_FALSE(std::filesystem::exists(part));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(part).replace_extension(".pch")));
    EXPECT_TRUE(std::filesystem::is_empty(temp.NativePath("save")));
}

TEST_F(TDownloadFixture, OtherSchemeEndsAtOnce) {
    TQorFile file("ftp://127.0.0.1/x.bin");
    m.SetFile(&file);
    m.Download(true);
    EXPECT_EQ(loaded, 1);
    EXPECT_EQ(lastError, 2);
    EXPECT_EQ(m.State, 3);
    EXPECT_EQ(m.Thread, nullptr);
}

TEST_F(TDownloadFixture, ConnectionFailureRetriesThenReportsOnce) {
    TServer closed;
    const std::string url = closed.Url("/c.bin");
    closed.Stop();
    m.RetryCount = 3;
    TQorFile file(url);
    m.SetFile(&file);
    m.Download(true);
    ASSERT_TRUE(PumpUntil([this] { return loaded > 0; }));
    EXPECT_TRUE(PumpUntil([this] { return !m.Thread; }));
    EXPECT_EQ(loaded, 1);
    EXPECT_EQ(lastError, 2);
    EXPECT_EQ(m.RunCount, 3);
}

TEST_F(TDownloadFixture, DirectoryReCreationStaysInsideTheSaveFolder) {
    TInetURLEx url("http://host/a:b/../c/.//d|e\\f/x.gif");
    EXPECT_EQ(TQorDownloadManager::ServerFolder(url), "host\\a%58b\\%46%46\\c\\d%124e%92f\\");

    m.DirReapp = true;
    const std::string body = Body(800);
    RunSimple("/a:b/c/x.gif", TServer::Respond(200, {"Content-Length: 800"}, body));
    EXPECT_TRUE(ReadNative(temp.NativePath("save") / "127.0.0.1" / "a%58b" / "c" / "x.gif") == body) << "saved file differs";
}

TEST_F(TDownloadFixture, CancelEndsTheAttemptAndStopsRetries) {
    path = "/s.bin";
    plan = {{{TServer::Respond(200, {"Content-Length: 100000"}, "")},
             {TServer::Send("HTTP/1.0 200 OK\r\nContent-Length: 100000\r\n\r\nabc"), TServer::Stall()}}};
    TQorFile file(server.Url(path));
    m.SetFile(&file);
    m.Download(true);
    ASSERT_TRUE(PumpUntil([this] { return m.LoadSize.load() == 3; }));
    m.Cancel();
    EXPECT_TRUE(m.Terminated);
    EXPECT_EQ(m.Thread, nullptr);
    EXPECT_EQ(loaded, 1);
    EXPECT_EQ(lastError, 1);
}

// Offsets past 4 GiB: a sparse partial file whose body is 4 GiB + 100 bytes
// resumes with the right range and is copied out whole (holes stay holes).
TEST_F(TDownloadFixture, ResumePast4GiB) {
    const std::string lm = "Wed, 01 Jan 2020 00:00:00 GMT";
    const int64_t have = (int64_t{1} << 32) + 100;
    const std::string part = PartNative("/big.bin", "big.bin");
    {
        int fd = ::open(part.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        std::string head = lm + std::string(1, '\0');
        ASSERT_EQ(::write(fd, head.data(), head.size()), static_cast<ssize_t>(head.size()));
        ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(head.size() + have)), 0);
        ::close(fd);
    }
    const std::string tail = Body(50, 4);
    const std::string total = std::to_string(have + 50);
    Run("/big.bin", {{{TServer::Respond(200, {"Last-Modified: " + lm, "Content-Length: " + total}, "")},
                      {TServer::Respond(206, {"Content-Length: 50"}, tail)}}});
    EXPECT_EQ(m.Result, 0);
    EXPECT_EQ(m.FileSize, have + 50);
    EXPECT_EQ(m.LoadSize, have + 50);
    auto gets = GetRequests();
    ASSERT_EQ(gets.size(), 1u);
    EXPECT_NE(gets[0].find("range: bytes=" + std::to_string(have) + "-\r\n"), std::string::npos);
    const auto saved = Saved("big.bin");
    ASSERT_EQ(static_cast<int64_t>(std::filesystem::file_size(saved)), have + 50);
    int fd = ::open(saved.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    std::string got(50, '\0');
    EXPECT_EQ(::pread(fd, got.data(), 50, static_cast<off_t>(have)), 50);
    char first = 1;
    EXPECT_EQ(::pread(fd, &first, 1, 0), 1);
    ::close(fd);
    EXPECT_EQ(got, tail);
    EXPECT_EQ(first, 0);
}

} // namespace

namespace {

// A relative redirection is resolved against the address asked for; the
// extractor that resolves it lives only as long as the transfer.
TEST_F(TDownloadFixture, RelativeRedirectionIsFollowed) {
    server.On("/dir/old.bin", {TServer::Respond(302, {"Location: ../new/file.bin"}, "")});
    server.On("/new/file.bin", {TServer::Respond(200, {"Content-Length: 5"}, "hello")});
    EXPECT_FALSE(m.PageItems);
    Run("/dir/old.bin", {});
    EXPECT_EQ(lastError, 0);
    EXPECT_EQ(lastStatus, 200);
    std::vector<std::string> saved;
    for (const auto& entry : std::filesystem::directory_iterator(temp.NativePath("save"))) {
        std::ifstream in(entry.path(), std::ios::binary);
        saved.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    EXPECT_EQ(saved, std::vector<std::string>{"hello"});
    EXPECT_FALSE(m.PageItems);
}

} // namespace

namespace {

ino_t InodeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

std::string HeadNative(const std::string& part) {
    return std::filesystem::path(part).replace_extension(".pch").string();
}

constexpr char kHeadAttribute[] = "user.vorlen.date";

// The head attribute's bytes, or none when the file has no such attribute.
std::optional<std::string> AttributeOf(const std::string& path) {
    char buffer[1024];
    const ssize_t n = ::getxattr(path.c_str(), kHeadAttribute, buffer, sizeof buffer);
    if (n < 0) return std::nullopt;
    return std::string(buffer, static_cast<size_t>(n));
}

void SetAttribute(const std::string& path, const std::string& value) {
    ASSERT_EQ(::setxattr(path.c_str(), kHeadAttribute, value.data(), value.size(), 0), 0) << path;
}

// Whether files in `folder` take extended attributes (else partial files
// keep their heads in side files).
bool TakesAttributes(const std::filesystem::path& folder) {
    const std::string probe = (folder / "attribute-probe").string();
    WriteNative(probe, "");
    const bool takes = ::setxattr(probe.c_str(), "user.probe", "1", 1, 0) == 0;
    std::filesystem::remove(probe);
    return takes;
}

// A partial file's head wherever it is kept: its attribute, else its side
// file.
std::string StoredHead(const std::string& part) {
    const std::optional<std::string> attribute = AttributeOf(part);
    return attribute ? *attribute : ReadNative(HeadNative(part));
}

// A finished body file on the save folder's file system is renamed into
// place: the saved file is the partial file itself, and neither it nor its
// head is left behind. The head is the body file's attribute where the file
// system has them (no side file is made), else a side file.
TEST_F(TDownloadFixture, FinishedFileIsRenamedIntoTheSaveFolder) {
    const std::string lm = "Wed, 01 Jan 2020 00:00:00 GMT";
    const std::string body = Body(300000, 2);
    const std::string part = PartNative("/mv.bin", "mv.bin");
    const bool attributes = TakesAttributes(temp.Native());
    ino_t partInode = 0;
    std::string headSeen;
    bool sideSeen = false;
    auto wired = m.OnHead;
    m.OnHead = [&](TQorDownloadManager* s) {
        partInode = InodeOf(part);
        headSeen = StoredHead(part);
        sideSeen = std::filesystem::exists(HeadNative(part));
        wired(s);
    };
    RunSimple("/mv.bin", TServer::Respond(200, {"Last-Modified: " + lm, "Content-Length: 300000"}, body));
    EXPECT_EQ(m.Result, 0);
    EXPECT_EQ(headSeen, lm + std::string(1, '\0'));
    EXPECT_TRUE(ReadNative(Saved("mv.bin")) == body) << "saved file differs";
    EXPECT_NE(partInode, 0u);
    EXPECT_EQ(InodeOf(Saved("mv.bin").string()), partInode);
    EXPECT_EQ(sideSeen, !attributes);
    EXPECT_FALSE(AttributeOf(Saved("mv.bin").string()));
    EXPECT_FALSE(std::filesystem::exists(part));
    EXPECT_FALSE(std::filesystem::exists(HeadNative(part)));
}

// A partial file of the present layout (body alone, its date beside it)
// resumes with a range.
TEST_F(TDownloadFixture, ResumesFromABodyFileWithItsHeadBeside) {
    const std::string lm = "Wed, 01 Jan 2020 00:00:00 GMT";
    const std::string body = Body(3000, 8);
    const std::string part = PartNative("/s.bin", "s.bin");
    WriteNative(part, body.substr(0, 1200));
    WriteNative(HeadNative(part), lm + std::string(1, '\0'));
    Run("/s.bin", {{{TServer::Respond(200, {"Last-Modified: " + lm, "Content-Length: 3000"}, "")},
                    {TServer::Respond(206, {"Content-Length: 1800"}, body.substr(1200))}}});
    EXPECT_EQ(m.Result, 0);
    EXPECT_TRUE(ReadNative(Saved("s.bin")) == body) << "saved file differs";
    auto gets = GetRequests();
    ASSERT_EQ(gets.size(), 1u);
    EXPECT_NE(gets[0].find("range: bytes=1200-\r\n"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(part));
    EXPECT_FALSE(std::filesystem::exists(HeadNative(part)));
}

// A save folder on another file system (tmpfs): the body is copied on a
// worker, the row is told (OnMove) while the manager still counts as
// downloading, and the partial files go only once the copy is whole. Both
// layouts of partial file take this way.
TEST_F(TDownloadFixture, MoveAcrossFileSystemsCopiesOffTheMainThread) {
    char pattern[] = "/dev/shm/vorlen-dlmove-XXXXXX";
    if (!::mkdtemp(pattern)) GTEST_SKIP() << "no /dev/shm";
    struct TRemove {
        std::string path;
        ~TRemove() {
            std::error_code ec;
            std::filesystem::remove_all(path, ec);
        }
    } remove{pattern};
    struct stat a {}, b {};
    ASSERT_EQ(::stat(pattern, &a), 0);
    ASSERT_EQ(::stat(temp.Native().c_str(), &b), 0);
    if (a.st_dev == b.st_dev) GTEST_SKIP() << "/dev/shm is on the cache's file system";
    m.SetSaveDir(TWinPath::FromNative(pattern));

    const std::string lm = "Wed, 01 Jan 2020 00:00:00 GMT";
    struct TCase {
        const char* name;
        bool oldLayout;
    };
    for (const TCase& c : {TCase{"new.bin", false}, TCase{"old.bin", true}}) {
        SCOPED_TRACE(c.name);
        loaded = 0;
        headings = 0;
        const std::string body = Body(400000, c.oldLayout ? 5 : 6);
        const std::string part = PartNative(std::string("/") + c.name, c.name);
        if (c.oldLayout) WriteNative(part, lm + std::string(1, '\0') + body.substr(0, 1000));
        int moves = 0;
        bool stateWhileMoving = false;
        m.OnMove = [&](TQorDownloadManager* s) {
            ++moves;
            stateWhileMoving = s->Moving && s->State == 1 && std::filesystem::exists(part);
        };
        if (c.oldLayout)
            Run(std::string("/") + c.name,
                {{{TServer::Respond(200, {"Last-Modified: " + lm, "Content-Length: 400000"}, "")},
                  {TServer::Respond(206, {"Content-Length: 399000"}, body.substr(1000))}}});
        else
            RunSimple(std::string("/") + c.name,
                      TServer::Respond(200, {"Last-Modified: " + lm, "Content-Length: 400000"}, body));
        EXPECT_EQ(m.Result, 0);
        EXPECT_EQ(moves, 1);
        EXPECT_TRUE(stateWhileMoving);
        EXPECT_FALSE(m.Moving);
        EXPECT_EQ(m.State, 3);
        EXPECT_TRUE(ReadNative(std::filesystem::path(pattern) / c.name) == body) << "saved file differs";
        EXPECT_FALSE(std::filesystem::exists(part));
        EXPECT_FALSE(std::filesystem::exists(HeadNative(part)));
    }
}

} // namespace

namespace {

int RenameRefused(const char*, const char*) {
    errno = EINVAL;
    return -1;
}

// The end of a file on a file system with and without a rename that never
// replaces: a free name takes the body itself, a taken name (a user's file
// or folder) is never written over and the next free one is used, and
// missing server folders are made.
TEST_F(TDownloadFixture, FinishedBodyTakesAFreeNameAndNeverATakenOne) {
    struct TRestore {
        ~TRestore() { TQorDownloadManager::RenameNoReplace = kept; }
        int (*kept)(const char*, const char*) = TQorDownloadManager::RenameNoReplace;
    } restore;
    auto real = TQorDownloadManager::RenameNoReplace;
    struct TCase {
        const char* name;
        bool noReplace;
        int taken; // 0 free, 1 a file there, 2 a folder there
    };
    int n = 0;
    for (const TCase& c : {TCase{"free", true, 0}, TCase{"file", true, 1}, TCase{"folder", true, 2},
                           TCase{"free-old-fs", false, 0}, TCase{"file-old-fs", false, 1},
                           TCase{"folder-old-fs", false, 2}}) {
        SCOPED_TRACE(c.name);
        TQorDownloadManager::RenameNoReplace = c.noReplace ? real : RenameRefused;
        loaded = 0;
        headings = 0;
        const std::string name = "t" + std::to_string(n) + ".bin";
        const std::string body = Body(3000, static_cast<char>(n++));
        if (c.taken == 1) WriteNative(Saved(name), "mine");
        if (c.taken == 2) std::filesystem::create_directory(Saved(name));
        const std::string part = PartNative("/" + name, name);
        ino_t partInode = 0;
        auto wired = m.OnHead;
        m.OnHead = [&](TQorDownloadManager* s) {
            partInode = InodeOf(part);
            wired(s);
        };
        RunSimple("/" + name, TServer::Respond(200, {"Last-Modified: x", "Content-Length: 3000"}, body));
        m.OnHead = wired;
        EXPECT_EQ(m.Result, 0);
        const auto target = c.taken ? Saved("t" + std::to_string(n - 1) + "(1).bin") : Saved(name);
        EXPECT_TRUE(ReadNative(target) == body) << "saved file differs";
        EXPECT_EQ(InodeOf(target.string()), partInode) << "the body file itself goes into place";
        if (c.taken == 1) {
            EXPECT_EQ(ReadNative(Saved(name)), "mine");
        }
        if (c.taken == 2) {
            EXPECT_TRUE(std::filesystem::is_directory(Saved(name)));
        }
        EXPECT_FALSE(std::filesystem::exists(part));
        EXPECT_FALSE(std::filesystem::exists(HeadNative(part)));
    }

    // Server folders that are not there yet, both ways.
    m.DirReapp = true;
    for (bool noReplace : {true, false}) {
        SCOPED_TRACE(noReplace ? "folders" : "folders-old-fs");
        TQorDownloadManager::RenameNoReplace = noReplace ? real : RenameRefused;
        loaded = 0;
        headings = 0;
        const std::string dir = noReplace ? "/d1/" : "/d2/";
        RunSimple(dir + "f.bin", TServer::Respond(200, {"Content-Length: 5"}, "hello"));
        EXPECT_EQ(m.Result, 0);
        TInetURLEx url(server.Url(dir + "f.bin"));
        EXPECT_EQ(ReadNative(temp.NativePath("save") / url.Host / dir.substr(1, 2) / "f.bin"), "hello");
    }
}

// Whatever a crash or kill left of the partial files, the next run either
// resumes correctly or starts over, and the saved file is the server's
// body. The states are those the order of the steps can leave (an empty
// body file with or without a head, a head being written, a head alone, a
// body with its head, in a side file or in the attribute) and stale ones
// from another version of the file.
TEST_F(TDownloadFixture, LeftPartialFilesResumeCorrectlyOrStartOver) {
    const std::string lm = "Wed, 01 Jan 2020 00:00:00 GMT";
    const std::string zero(1, '\0');
    struct TCase {
        const char* name;
        std::optional<std::string> body; // the .pcf (none: absent)
        std::optional<std::string> head; // the .pch
        int64_t range;                   // the range asked for; -1 none
        std::optional<std::string> attribute = std::nullopt; // the .pcf's
    };
    const std::string full = Body(6000, 11);
    const std::vector<TCase> cases = {
        {"empty body alone", "", std::nullopt, -1},
        {"empty body, its head", "", lm + zero, 0},
        {"empty body, stale head", "", "Mon, 01 Jan 2001 00:00:00 GMT" + zero, -1},
        {"empty body, head cut short", "", lm.substr(0, 10), -1},
        {"empty body, empty head", "", "", -1},
        {"head alone", std::nullopt, lm + zero, -1},
        {"body with its head", full.substr(0, 2500), lm + zero, 2500},
        {"body under a stale head", Body(2500, 3), "Mon, 01 Jan 2001 00:00:00 GMT" + zero, -1},
        {"older layout, same date", lm + zero + full.substr(0, 1000), std::nullopt, 1000},
        {"older layout, stale date", "Mon, 01 Jan 2001 00:00:00 GMT" + zero + Body(900, 4), std::nullopt, -1},
        {"body alone with no date in it", Body(900, 5).replace(0, 1, "A"), std::nullopt, -1},
        {"empty body, its head in the attribute", "", std::nullopt, 0, lm + zero},
        {"body with its head in the attribute", full.substr(0, 2500), std::nullopt, 2500, lm + zero},
        {"body under a stale attribute", Body(2500, 3), std::nullopt, -1, "Mon, 01 Jan 2001 00:00:00 GMT" + zero},
        {"attribute without a 0x00", Body(2500, 3), std::nullopt, -1, lm},
        {"attribute beside a stale head file", full.substr(0, 2500), "Mon, 01 Jan 2001 00:00:00 GMT" + zero, 2500,
         lm + zero},
    };
    const bool attributes = TakesAttributes(temp.Native());
    int n = 0;
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.attribute && !attributes) continue;
        loaded = 0;
        headings = 0;
        const std::string name = "p" + std::to_string(n++) + ".bin";
        const std::string part = PartNative("/" + name, name);
        if (c.body) WriteNative(part, *c.body);
        if (c.head) WriteNative(HeadNative(part), *c.head);
        if (c.attribute) SetAttribute(part, *c.attribute);
        std::string headSeen, bodySeen;
        auto wired = m.OnHead;
        m.OnHead = [&](TQorDownloadManager* s) {
            headSeen = StoredHead(part);
            bodySeen = ReadNative(part);
            wired(s);
        };
        const auto before = server.Requests().size();
        const TServer::TAction whole = TServer::Respond(200, {"Last-Modified: " + lm, "Content-Length: 6000"}, full);
        if (c.range >= 0) {
            const size_t from = static_cast<size_t>(c.range);
            Run("/" + name, {{{whole}, {TServer::Respond(206, {"Content-Length: " + std::to_string(6000 - from)},
                                                          full.substr(from))}}});
        } else {
            RunSimple("/" + name, whole);
        }
        m.OnHead = wired;
        EXPECT_EQ(m.Result, 0);
        EXPECT_TRUE(ReadNative(Saved(name)) == full) << "saved file differs";
        auto all = server.Requests();
        std::vector<std::string> ranges;
        for (size_t i = before; i < all.size(); ++i)
            if (all[i].find("range:") != std::string::npos) ranges.push_back(all[i]);
        if (c.range < 0) {
            EXPECT_TRUE(ranges.empty());
            // Started over: the head is this answer's, the body file empty
            // before the body comes.
            EXPECT_EQ(headSeen, lm + zero);
            EXPECT_EQ(bodySeen, "");
        } else {
            ASSERT_EQ(ranges.size(), 1u);
            EXPECT_NE(ranges[0].find("range: bytes=" + std::to_string(c.range) + "-\r\n"), std::string::npos);
        }
        EXPECT_FALSE(std::filesystem::exists(part));
        EXPECT_FALSE(std::filesystem::exists(HeadNative(part)));
        EXPECT_FALSE(AttributeOf(Saved(name).string()));
    }
}

} // namespace
