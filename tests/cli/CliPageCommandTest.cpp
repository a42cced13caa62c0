#include "cli/CliEngine.h"
#include "cli/CliOptions.h"
#include "cli/CliPageCommand.h"
#include "CliFixture.h"
#include "CliTestRun.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"
#include "support/TestHttpServer.h"

#include "platform/Thread.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Server = TTestHttpServer;

class CliPageCommandTest : public TCliFixture {
protected:
    TCliRun Run(std::vector<const char*> args) { return RunCli<TCliPageCommand>(std::move(args)); }
};

TEST_F(CliPageCommandTest, ListPrintsRecordsInPageOrderWithStatusAndTitle) {
    server_.On("/p.html", {Server::Respond(200, {"Content-Type: text/html; charset=Shift_JIS"},
                                           "<html><title>T\x95\x5C</title><body>"
                                           "<a href=\"a.html\">\x95\x5C A</a>"
                                           "<img src=\"/i.gif\">"
                                           "<a href=\"mailto:Me@Example.com\">m</a>"
                                           "</body></html>")});
    TCliRun run = Run({"list", "--no-text-search", server_.Url("/p.html").c_str()});
    EXPECT_EQ(run.status, 0) << run.err;
    std::string base = server_.Url("/");
    EXPECT_EQ(run.out, "0\t" + base + "a.html\t表 A\n" +
                           "0\t" + base + "i.gif\t\n" +
                           "1\tMe@Example.com\tm\n");
    EXPECT_NE(run.err.find("status: 200\n"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("title: T表\n"), std::string::npos) << run.err;
}

TEST_F(CliPageCommandTest, SourceIsConvertedAndHeadComesFromTheServer) {
    // EUC-JP "あ" (0xA4 0xA2) comes out as UTF-8.
    server_.On("/e.html", {Server::Respond(200, {"Content-Type: text/html; charset=EUC-JP", "X-Mark: 1"},
                                           "<p>\xA4\xA2</p>")});
    TCliRun source = Run({"source", server_.Url("/e.html").c_str()});
    EXPECT_EQ(source.status, 0) << source.err;
    EXPECT_EQ(source.out, "<p>あ</p>");

    TCliRun head = Run({"head", server_.Url("/e.html").c_str()});
    EXPECT_EQ(head.status, 0) << head.err;
    EXPECT_NE(head.out.find("HTTP/1.0 200"), std::string::npos) << head.out;
    EXPECT_NE(head.out.find("X-Mark: 1"), std::string::npos) << head.out;
}

TEST_F(CliPageCommandTest, ExitStatusTellsWhatWentWrong) {
    server_.On("/missing", {Server::Respond(404, {"Content-Type: text/html"}, "no")});
    server_.On("/silent", {Server::Stall()});
    TCliRun notFound = Run({"list", server_.Url("/missing").c_str()});
    EXPECT_EQ(notFound.status, 4);
    EXPECT_NE(notFound.err.find("404"), std::string::npos) << notFound.err;

    TCliRun timedOut = Run({"list", "--timeout", "1", server_.Url("/silent").c_str()});
    EXPECT_EQ(timedOut.status, 3) << timedOut.err;

    // A port nobody listens on: take the server's and stop it.
    std::string closed = server_.Url("/x");
    server_.Stop();
    TCliRun refused = Run({"list", closed.c_str()});
    EXPECT_EQ(refused.status, 2) << refused.err;

    TCliRun usage = Run({"list"});
    EXPECT_EQ(usage.status, 1);
    TCliRun badCharset = Run({"list", "--charset", "latin1", "http://h/"});
    EXPECT_EQ(badCharset.status, 1);
}

TEST_F(CliPageCommandTest, CredentialsAnswerOneUnauthorized) {
    // "dTpw" is the Base64 of "u:pw".
    server_.SetDefault({Server::Respond(401, {"WWW-Authenticate: Basic realm=\"r\""}, "")});
    server_.On("/auth", {Server::Respond(401, {"WWW-Authenticate: Basic realm=\"r\""}, "")});
    TCliRun without = Run({"list", server_.Url("/auth").c_str()});
    EXPECT_EQ(without.status, 4);

    TCliRun wrong = Run({"list", "--user", "u", "--password", "bad", server_.Url("/auth").c_str()});
    EXPECT_EQ(wrong.status, 4);
    bool sent = false;
    for (const std::string& request : server_.Requests())
        if (request.find("Authorization: Basic dTpiYWQ=") != std::string::npos) sent = true;
    EXPECT_TRUE(sent);
}

TEST_F(CliPageCommandTest, LocalPathsAreListedAsPages) {
    std::ofstream(home_.NativePath("a.htm")) << "<a href=\"b.htm\">b</a>";
    TCliRun page = Run({"list", home_.NativePath("a.htm").c_str()});
    EXPECT_EQ(page.status, 0) << page.err;
    EXPECT_NE(page.out.find("b.htm\tb\n"), std::string::npos) << page.out;

    TCliRun missing = Run({"list", home_.NativePath("none.htm").c_str()});
    EXPECT_EQ(missing.status, 4) << missing.err;
}

} // namespace
