#include "cli/CliCascadeCommand.h"
#include "CliFixture.h"
#include "CliTestRun.h"
#include "cli/CliEngine.h"
#include "engine/QorFile.h"
#include "support/ScopedEnv.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <string>
#include <thread>
#include <vector>

namespace {

using Server = TTestHttpServer;

class CliCascadeCommandTest : public TCliFixture {
protected:
    void SetUp() override {
        TCliFixture::SetUp();
        // index -> a, b; a and b share one picture; b's second picture is
        // missing on the server.
        Page("/index.html", {"a.html", "b.html", "top.jpg"});
        Page("/a.html", {"pic1.jpg", "shared.gif", "c.html"});
        Page("/b.html", {"shared.gif", "gone.jpg"});
        for (const char* file : {"/top.jpg", "/pic1.jpg", "/shared.gif"})
            server_.On(file, {Server::Respond(200, {"Content-Length: 5"}, std::string(file + 1, 5))});
    }
    void Page(const std::string& path, const std::vector<std::string>& links) {
        std::string html = "<html><body>";
        for (const std::string& l : links) html += "<a href=\"" + l + "\">" + l + "</a>";
        server_.On(path, {Server::Respond(200, {"Content-Type: text/html"}, html + "</body></html>")});
    }
    TCliRun Cascade(const std::vector<std::string>& args) {
        std::vector<const char*> argv{"cascade", "-d", saveTo_.Native().c_str(), "--retry-wait", "0", "--retry", "1"};
        for (const auto& a : args) argv.push_back(a.c_str());
        return RunCli<TCliCascadeCommand>(std::move(argv));
    }
};

TEST_F(CliCascadeCommandTest, ListPrintsEachCollectedFileOnceAndShowsThePagesInTheRunsLanguage) {
    struct TCase {
        const char* locale;
        std::string searching, taking, complete; // "%" stands for the page
    };
    const TCase cases[] = {
        {"C.UTF-8", "searching % ...", "taking the files of % ...", "all pages searched."},
        {"ja_JP.UTF-8", "% を検索しています...", "% からファイルを取得しています...", "全てのページの検索が完了しました。"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.locale);
        TScopedEnv locale("LC_ALL", c.locale);
        TCliRun run = Cascade({server_.Url("/index.html"), "-l", "1", "--ext", "jpg:gif", "--list"});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, server_.Url("/top.jpg") + "\n" + server_.Url("/pic1.jpg") + "\n" +
                               server_.Url("/shared.gif") + "\n" + server_.Url("/gone.jpg") + "\n");
        auto with = [](std::string text, const std::string& page) { return text.replace(text.find('%'), 1, page); };
        std::string expected;
        for (const char* page : {"/index.html", "/a.html", "/b.html"})
            expected += with(c.searching, server_.Url(page)) + "\n" + with(c.taking, server_.Url(page)) + "\n";
        EXPECT_EQ(run.err, expected + c.complete + "\n");
    }
    // Nothing was downloaded.
    for (const char* file : {"top.jpg", "pic1.jpg", "shared.gif"}) EXPECT_EQ(saveTo_.Contents(file), "") << file;
}

TEST_F(CliCascadeCommandTest, DownloadsWhileCrawling) {
    TCliRun run = Cascade({server_.Url("/index.html"), "-l", "1", "--scope", "below", "--file-query", "*.jpg *.gif",
                           "-j", "2"});
    EXPECT_EQ(run.status, 5) << run.err; // gone.jpg is missing
    EXPECT_NE(run.err.find("succeeded: 3, failed: 1\n"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(server_.Url("/gone.jpg") + "\tfailed: the server answered 404\n"), std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("all pages searched."), std::string::npos) << run.err;
    EXPECT_EQ(saveTo_.Contents("top.jpg"), "top.j");
    EXPECT_EQ(saveTo_.Contents("pic1.jpg"), "pic1.");
    EXPECT_EQ(saveTo_.Contents("shared.gif"), "share");

    TCliRun quiet = Cascade({server_.Url("/index.html"), "-l", "0", "--ext", "jpg"});
    EXPECT_EQ(quiet.status, 0) << quiet.err;
    EXPECT_NE(quiet.err.find("succeeded: 1, failed: 0"), std::string::npos) << quiet.err;
}

TEST_F(CliCascadeCommandTest, InputIsCheckedAsTheCascadeTabChecksIt) {
    struct TCase {
        std::vector<std::string> args;
        const char* english;
        const char* japanese;
    };
    const TCase cases[] = {
        {{"", "-l", "1"}, "the start address is empty", "開始アドレスが空です。"},
        {{"http://127.0.0.1:1/", "-l", "two"}, "the number of levels is not a number", "追跡階層数が不正です。"},
        {{"http://127.0.0.1:1/", "-l", "10000"}, "the number of levels must be from 0 to 9999",
         "追跡階層数は 1 から 9999 の間で設定してください。"},
        {{"http://127.0.0.1:1/"}, "cascade needs -l LEVELS", "cascade には -l LEVELS が必要です"},
        {{"http://127.0.0.1:1/", "-l", "1", "--scope", "up"}, "--scope must be one of all, below, only",
         "--scope には all、below、only のどれかを指定してください"},
    };
    for (const TCase& c : cases) {
        for (bool japanese : {false, true}) {
            TScopedEnv locale("LC_ALL", japanese ? "ja_JP.UTF-8" : "C.UTF-8");
            TCliRun run = Cascade(c.args);
            EXPECT_EQ(run.status, 1);
            EXPECT_NE(run.err.find(japanese ? c.japanese : c.english), std::string::npos) << run.err;
        }
    }
}

TEST_F(CliCascadeCommandTest, AStartPageThatFailsIsTheRunsFailure) {
    server_.On("/gone.html", {Server::Respond(404, {"Content-Type: text/html"}, "<p>no</p>")});
    server_.On("/loop.html", {Server::Respond(302, {"Location: /loop.html"}, "")});
    struct TCase {
        std::string start;
        std::vector<std::string> extra;
        int status;
        std::string reason;
    };
    const TCase cases[] = {
        {server_.Url("/gone.html"), {}, 4, "the server answered 404"},
        {server_.Url("/loop.html"), {}, 4, "the redirections did not end (last answer 302)"},
        {server_.Url("/loop.html"), {"--no-redirect"}, 4, "redirection not followed (answer 302)"},
        {"ftp://127.0.0.1:1/", {}, 1, "not fetched"},
        {"https://127.0.0.1:1/", {}, 2, "connection refused"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.start);
        for (bool listOnly : {true, false}) {
            std::vector<std::string> args{c.start, "-l", "1"};
            args.insert(args.end(), c.extra.begin(), c.extra.end());
            if (listOnly) args.push_back("--list");
            TCliRun run = Cascade(args);
            EXPECT_EQ(run.status, c.status) << run.err;
            EXPECT_NE(run.err.find("vorlen-cli: the start page failed: " + c.start + ": " + c.reason),
                      std::string::npos)
                << run.err;
            EXPECT_EQ(run.err.find("all pages searched."), std::string::npos) << run.err;
        }
    }
}

TEST_F(CliCascadeCommandTest, InterruptDuringAPageLoadStopsWithoutTheCompletionMessage) {
    server_.On("/b.html", {Server::Stall()});
    std::thread interrupter([&] {
        // index, then a, then the stalled b.
        if (server_.WaitForRequests(3)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            std::raise(SIGINT);
        }
    });
    TCliRun run = Cascade({server_.Url("/index.html"), "-l", "2", "--list"});
    interrupter.join();
    EXPECT_EQ(run.status, 130) << run.err;
    EXPECT_NE(run.err.find("searching " + server_.Url("/b.html") + " ..."), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("all pages searched."), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("searching " + server_.Url("/c.html")), std::string::npos) << run.err;
}

TEST(CliAuthorizer, AnswersEachAddressOnceInARow) {
    const char* argv[] = {"vorlen-cli", "cascade", "http://h/", "-l", "1", "--user", "u", "--password", "p"};
    TCliOptions options;
    std::string error;
    ASSERT_TRUE(options.Parse(9, argv, error)) << error;
    auto ask = TCliEngine::Authorizer(options);
    ASSERT_TRUE(ask);
    TQorFile a("http://h/private/a.html"), b("http://h/private/b.html");
    std::string user, password;
    EXPECT_TRUE(ask(a, user, password));
    EXPECT_EQ(user + ":" + password, "u:p");
    // Asked again for the same page: the server refused them.
    EXPECT_FALSE(ask(a, user, password));
    // The next page of the crawl gets them again, and so may a later visit.
    EXPECT_TRUE(ask(b, user, password));
    EXPECT_TRUE(ask(a, user, password));

    TCliOptions none;
    EXPECT_FALSE(TCliEngine::Authorizer(none));
}

} // namespace
