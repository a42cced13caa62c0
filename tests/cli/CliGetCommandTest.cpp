#include "cli/CliEngine.h"
#include "cli/CliGetCommand.h"
#include "cli/CliOptions.h"
#include "CliFixture.h"
#include "CliTestRun.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"
#include "support/TestHttpServer.h"

#include "platform/Thread.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <sys/wait.h>
#include <string_view>
#include <sys/xattr.h>
#include <unistd.h>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace {

using Server = TTestHttpServer;

const char kDate[] = "Last-Modified: Tue, 18 Apr 2006 12:34:56 GMT";

std::string Body(size_t n, char seed) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(seed + i * 7 % 251);
    return s;
}

// What is left of `body` from byte `from` on, as a server answers a range
// request.
Server::TAction Rest(const std::string& body, size_t from) {
    return Server::Respond(206,
                           {"Content-Length: " + std::to_string(body.size() - from),
                            "Content-Range: bytes " + std::to_string(from) + "-" + std::to_string(body.size() - 1) +
                                "/" + std::to_string(body.size()),
                            kDate},
                           body.substr(from));
}

class CliGetCommandTest : public TCliFixture {
protected:
    TCliRun Get(const std::vector<std::string>& args) {
        std::vector<const char*> argv{"get", "-d", saveTo_.Native().c_str(), "--retry-wait", "0"};
        for (const auto& a : args) argv.push_back(a.c_str());
        return RunCli<TCliGetCommand>(std::move(argv));
    }
};

TEST_F(CliGetCommandTest, DownloadsEveryFileAndTellsWhetherAllSucceeded) {
    std::vector<std::string> bodies;
    for (int i = 1; i <= 3; ++i) {
        bodies.push_back(Body(3000 + i * 1000, static_cast<char>(i)));
        server_.On("/f" + std::to_string(i) + ".bin",
                   {Server::Respond(200, {"Content-Length: " + std::to_string(bodies.back().size()), kDate},
                                    bodies.back())});
    }
    // The addresses come from a list file with a numbered range.
    std::ofstream(home_.NativePath("list.txt")) << server_.Url("/f[1-3].bin") << "\n";
    TCliRun ok = Get({"-j", "2", "-i", home_.NativePath("list.txt").string()});
    EXPECT_EQ(ok.status, 0) << ok.err;
    for (int i = 1; i <= 3; ++i)
        EXPECT_EQ(saveTo_.Contents("f" + std::to_string(i) + ".bin"), bodies[i - 1]) << i;
    EXPECT_NE(ok.err.find("succeeded: 3, failed: 0\n"), std::string::npos) << ok.err;

    TCliRun some = Get({"--retry", "1", server_.Url("/f1.bin"), server_.Url("/missing.bin")});
    EXPECT_EQ(some.status, 5) << some.err;
    EXPECT_NE(some.err.find("succeeded: 1, failed: 1\n"), std::string::npos) << some.err;
}

TEST_F(CliGetCommandTest, InterruptRecordsTheFileAndUnfinishedResumesIt) {
    const std::string body = Body(200000, 'a');
    const size_t first = 70000;
    // First answer: part of the body, then silence until the client goes.
    server_.On("/big.bin", {Server::Respond(200, {"Content-Length: " + std::to_string(body.size()), kDate},
                                            body.substr(0, first)),
                            Server::Stall()});
    std::thread interrupter([&] {
        // Once the first part has had time to arrive, Ctrl+C.
        if (server_.WaitForRequests(1)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            std::raise(SIGINT);
        }
    });
    TCliRun cut = Get({server_.Url("/big.bin")});
    interrupter.join();
    EXPECT_EQ(cut.status, 130) << cut.err;

    // The rest, as a server answers the range request.
    server_.On("/big.bin", {Rest(body, first)});
    TCliRun resumed = Get({"--unfinished"});
    EXPECT_EQ(resumed.status, 0) << resumed.err;
    EXPECT_EQ(saveTo_.Contents("big.bin"), body);
    bool ranged = false;
    for (const std::string& r : server_.Requests())
        if (r.find("range: bytes=" + std::to_string(first) + "-") != std::string::npos) ranged = true;
    EXPECT_TRUE(ranged);

    // Finished files leave the list: nothing is left to resume.
    TCliRun again = Get({"--unfinished"});
    EXPECT_EQ(again.status, 1);
}

} // namespace

namespace {

// The real program, killed with SIGKILL in the middle of a download; the
// same get run again resumes from the partial file.
TEST_F(CliGetCommandTest, KilledProcessResumesFromItsPartialFile) {
    const std::string body = Body(300000, 'k');
    // The file side writes in 64 KiB pieces, so part of what arrived
    // reaches the partial file and the rest is lost with the process.
    const size_t sent = 140000;
    server_.On("/k.bin", {Server::Respond(200, {"Content-Length: " + std::to_string(body.size()), kDate},
                                          body.substr(0, sent)),
                          Server::Stall()});
    const std::string url = server_.Url("/k.bin");
    // Everything the child needs is made before the fork: between fork and
    // exec it may only make async-signal-safe calls.
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        if (std::string_view(*e).substr(0, 16) != "XDG_CONFIG_HOME=") env.emplace_back(*e);
    env.push_back("XDG_CONFIG_HOME=" + home_.Native());
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string exe = VORLEN_CLI_EXE, get = "get", d = "-d", folder = saveTo_.Native(), address = url;
    char* argv[] = {exe.data(), get.data(), d.data(), folder.data(), address.data(), nullptr};
    int devnull = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::dup2(devnull, 2);
        ::execve(exe.c_str(), argv, envp.data());
        ::_exit(127);
    }
    ::close(devnull);
    // Wait until body bytes are in the partial file, then kill.
    const std::filesystem::path temporary = home_.NativePath("Vorlen/Temporary");
    std::filesystem::path partial;
    for (int i = 0; i < 600 && partial.empty(); ++i) {
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(temporary, ec))
            if (entry.path().extension() == ".pcf" && entry.file_size(ec) > 65536) partial = entry.path();
        if (partial.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_FALSE(partial.empty());
    // The partial file: the body so far; in its attribute (or, on a file
    // system without them, beside it) the stored date and a zero byte.
    auto readAll = [](const std::filesystem::path& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    const std::string held = readAll(partial);
    std::string stored(1024, '\0');
    const ssize_t attribute = ::getxattr(partial.c_str(), "user.vorlen.date", stored.data(), stored.size());
    if (attribute >= 0)
        stored.resize(static_cast<size_t>(attribute));
    else
        stored = readAll(std::filesystem::path(partial).replace_extension(".pch"));
    ASSERT_FALSE(stored.empty());
    EXPECT_EQ(stored.back(), '\0');
    const size_t first = held.size();
    ASSERT_GT(first, 0u);
    ASSERT_LE(first, sent);
    EXPECT_EQ(held, body.substr(0, first));

    server_.On("/k.bin", {Rest(body, first)});
    TCliRun again = Get({url});
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(saveTo_.Contents("k.bin"), body);
    bool ranged = false;
    for (const std::string& r : server_.Requests())
        if (r.find("range: bytes=" + std::to_string(first) + "-") != std::string::npos) ranged = true;
    EXPECT_TRUE(ranged);
}

} // namespace

namespace {

TEST_F(CliGetCommandTest, SizeFilterSkipIsNotAFailureAndTheRunEnds) {
    server_.On("/small.bin", {Server::Respond(200, {"Content-Length: 1000"}, std::string(1000, 's'))});
    server_.On("/large.bin", {Server::Respond(200, {"Content-Length: 3000"}, std::string(3000, 'l'))});
    // One at a time, the skipped file first: the queue must move on to the
    // next one, and end after the last.
    TCliRun run = Get({"-j", "1", "--skip-at-most", "2", server_.Url("/small.bin"), server_.Url("/large.bin")});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(saveTo_.Contents("small.bin"), "");
    EXPECT_TRUE(saveTo_.Contents("large.bin") == std::string(3000, 'l'));
    EXPECT_NE(run.err.find(server_.Url("/small.bin") + "\tskipped: size filter\n"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("succeeded: 1, failed: 0, skipped: 1\n"), std::string::npos) << run.err;

    TCliRun alone = Get({"--skip-at-most", "2", server_.Url("/small.bin")});
    EXPECT_EQ(alone.status, 0) << alone.err;
}

TEST_F(CliGetCommandTest, EachFailedTryAndEachFailureSaysWhy) {
    server_.On("/missing.bin", {Server::Respond(404, {}, "no")});
    server_.On("/loop.bin", {Server::Respond(302, {"Location: /loop.bin"}, "")});
    server_.On("/silent.bin", {Server::Stall()});
    server_.On("/short.bin", {Server::Respond(200, {"Content-Length: 10"}, "x")});
    TTestHttpServer closedServer;
    const std::string refused = closedServer.Url("/r.bin");
    closedServer.Stop();
    struct TCase {
        std::string address;
        std::vector<std::string> extra;
        std::string reason;
        bool retried; // the failure is worth another try
    };
    const TCase cases[] = {
        {refused, {}, "connection refused", true},
        // An empty label fails in the resolver, without a query.
        {"http://no..such.host/f.bin", {}, "unknown host", true},
        {server_.Url("/silent.bin"), {"--timeout", "1"}, "timed out (no answer within 1 s)", true},
        {server_.Url("/short.bin"), {}, "the connection ended early (1 / 10 bytes)", true},
        {server_.Url("/missing.bin"), {}, "the server answered 404", false},
        {server_.Url("/loop.bin"), {}, "the redirections did not end (last answer 302)", false},
        {server_.Url("/loop.bin"), {"--no-redirect"}, "redirection not followed (answer 302)", false},
        {"https://127.0.0.1:1/f.bin", {}, "connection refused", true},
        {"ftp://127.0.0.1:1/f.bin", {}, "not fetched (only http, https and file addresses are fetched)", false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.address);
        std::vector<std::string> args{"--tries", "2"};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        args.push_back(c.address);
        TCliRun run = Get(args);
        EXPECT_EQ(run.status, 5) << run.err;
        const std::string tried = c.address + "\ttry 1/2 failed: " + c.reason + "; next try in 0 s\n";
        EXPECT_EQ(run.err.find(tried) != std::string::npos, c.retried) << run.err;
        const std::string failed = c.address + "\tfailed: " + c.reason + (c.retried ? " (2 tries)\n" : "\n");
        EXPECT_NE(run.err.find(failed), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("succeeded: 0, failed: 1\n"), std::string::npos) << run.err;
    }

    // Under a Japanese locale the same in the program's Japanese.
    TScopedEnv locale("LC_ALL", "ja_JP.UTF-8");
    TCliRun japanese = Get({"--tries", "1", refused});
    EXPECT_EQ(japanese.status, 5) << japanese.err;
    EXPECT_NE(japanese.err.find(refused + "\t失敗: 接続を拒否されました\n"), std::string::npos) << japanese.err;
    EXPECT_NE(japanese.err.find("成功:0 失敗:1\n"), std::string::npos) << japanese.err;
}

TEST_F(CliGetCommandTest, TwentyTriesUnlessToldOtherwise) {
    TTestHttpServer closedServer;
    const std::string refused = closedServer.Url("/r.bin");
    closedServer.Stop();
    TCliRun run = Get({refused});
    EXPECT_EQ(run.status, 5) << run.err;
    EXPECT_NE(run.err.find("\ttry 19/20 failed: connection refused"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("\ttry 20/20"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("\tfailed: connection refused (20 tries)\n"), std::string::npos) << run.err;
}

TEST_F(CliGetCommandTest, SaveFolderIsMadeAndAFolderThatCannotBeWrittenIsNamed) {
    server_.On("/a/f.bin", {Server::Respond(200, {"Content-Length: 3"}, "abc")});
    const std::string nested = (saveTo_.NativePath("new") / "deeper").string();
    TCliRun made = RunCli<TCliGetCommand>({"get", "-d", nested.c_str(), "--retry-wait", "0",
                                           server_.Url("/a/f.bin").c_str()});
    EXPECT_EQ(made.status, 0) << made.err;
    EXPECT_EQ(saveTo_.Contents("new/deeper/f.bin"), "abc");

    // A file where --dir-reapp wants the server's folder: the file cannot
    // be placed (whoever runs the test).
    std::ofstream(saveTo_.NativePath("127.0.0.1")) << "in the way";
    TCliRun blocked = Get({"--dir-reapp", server_.Url("/a/f.bin")});
    EXPECT_EQ(blocked.status, 5) << blocked.err;
    EXPECT_NE(blocked.err.find("\tfailed: cannot write to the save folder " + saveTo_.Native()), std::string::npos)
        << blocked.err;

    // A save folder that cannot be made is told before anything starts.
    const std::string under = saveTo_.NativePath("127.0.0.1").string() + "/sub";
    TCliRun refused = RunCli<TCliGetCommand>({"get", "-d", under.c_str(), server_.Url("/a/f.bin").c_str()});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("vorlen-cli: cannot create the save folder " + under + "\n"), std::string::npos)
        << refused.err;
}

} // namespace
