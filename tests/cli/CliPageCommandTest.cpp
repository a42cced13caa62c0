#include "cli/CliEngine.h"
#include "cli/CliHelp.h"
#include "cli/CliLanguage.h"
#include "cli/CliOptions.h"
#include "cli/CliPageCommand.h"
#include "CliFixture.h"
#include "CliTestRun.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"
#include "support/TestHttpServer.h"

#include "platform/Thread.h"

#include <gtest/gtest.h>

#include <climits>
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

TEST_F(CliPageCommandTest, ExitStatusAndMessageTellWhatWentWrong) {
    server_.On("/missing", {Server::Respond(404, {"Content-Type: text/html"}, "no")});
    server_.On("/silent", {Server::Stall()});
    server_.On("/loop", {Server::Respond(302, {"Location: /loop"}, "")});
    // A port nobody listens on: another server's, stopped.
    TTestHttpServer closedServer;
    const std::string closed = closedServer.Url("/x");
    const std::string closedProxy = "127.0.0.1:" + std::to_string(closedServer.Port());
    closedServer.Stop();
    struct TCase {
        std::vector<std::string> args;
        int status;
        std::string message; // after "vorlen-cli: ADDRESS: "
    };
    const TCase cases[] = {
        {{"list", server_.Url("/missing")}, 4, "the server answered 404"},
        {{"list", "--timeout", "1", server_.Url("/silent")}, 3, "timed out (no answer within 1 s)"},
        {{"list", closed}, 2, "connection refused"},
        {{"source", "http://no..such.host/"}, 2, "unknown host"},
        {{"list", server_.Url("/loop")}, 4, "the redirections did not end (last answer 302)"},
        // The load manager keeps a 3xx page in the cache (it keeps what is
        // below 400), so the next load of it says --no-cache.
        {{"list", "--no-cache", "--no-redirect", server_.Url("/loop")}, 4, "redirection not followed (answer 302)"},
        {{"head", server_.Url("/loop")}, 4, "the redirections did not end (last answer 302)"},
        {{"list", "https://127.0.0.1:1/"}, 2, "connection refused"},
        {{"list", "ftp://127.0.0.1:1/"}, 1, "not fetched (only http, https and file addresses are fetched)"},
        {{"list", "--proxy", closedProxy, "http://example.invalid/"}, 2, "proxy " + closedProxy + ": connection refused"},
    };
    for (const TCase& c : cases) {
        std::vector<const char*> argv;
        for (const std::string& a : c.args) argv.push_back(a.c_str());
        SCOPED_TRACE(c.args.back());
        TCliRun run = Run(argv);
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_NE(run.err.find("vorlen-cli: " + c.args.back() + ": " + c.message), std::string::npos) << run.err;
    }

    // The header of a redirection not followed on purpose is what head was
    // asked for.
    TCliRun head = Run({"head", "--no-redirect", server_.Url("/loop").c_str()});
    EXPECT_EQ(head.status, 0) << head.err;
    EXPECT_NE(head.out.find("Location: /loop"), std::string::npos) << head.out;

    TCliRun usage = Run({"list"});
    EXPECT_EQ(usage.status, 1);
    TCliRun badCharset = Run({"list", "--charset", "latin1", "http://h/"});
    EXPECT_EQ(badCharset.status, 1);
}

TEST_F(CliPageCommandTest, OneLanguagePerRun) {
    server_.On("/missing", {Server::Respond(404, {"Content-Type: text/html"}, "<title>x</title>")});
    const std::string url = server_.Url("/missing");
    struct TCase {
        const char* lcAll;
        const char* lang;
        std::string expected;
    };
    const TCase cases[] = {
        {"", "ja_JP.UTF-8", "状態: 404\nタイトル: x\nvorlen-cli: " + url + ": サーバの応答 404\n"},
        {nullptr, "en_US.UTF-8", "status: 404\ntitle: x\nvorlen-cli: " + url + ": the server answered 404\n"},
        // LC_ALL comes before LANG.
        {"C.UTF-8", "ja_JP.UTF-8", "status: 404\ntitle: x\nvorlen-cli: " + url + ": the server answered 404\n"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.expected);
        TScopedEnv all("LC_ALL", c.lcAll);
        TScopedEnv messages("LC_MESSAGES", nullptr);
        TScopedEnv lang("LANG", c.lang);
        TCliRun run = Run({"list", url.c_str()});
        EXPECT_EQ(run.status, 4);
        EXPECT_EQ(run.err, c.expected);
    }
}

TEST_F(CliPageCommandTest, ADataFolderThatCannotBeMadeIsNamed) {
    // XDG_CONFIG_HOME is a file: no folder can be made below it.
    std::ofstream(home_.NativePath("file")) << "x";
    TScopedEnv xdg("XDG_CONFIG_HOME", home_.NativePath("file").string());
    const std::string folder = home_.NativePath("file").string() + "/Vorlen/";
    TCliRun english = Run({"list", "http://h/"});
    EXPECT_EQ(english.status, 1);
    EXPECT_EQ(english.err, "cannot set up the data folder " + folder);
    TScopedEnv locale("LC_ALL", "ja_JP.UTF-8");
    TCliRun japanese = Run({"list", "http://h/"});
    EXPECT_EQ(japanese.status, 1);
    EXPECT_EQ(japanese.err, "初期処理でエラーが発生しました。プログラムの実行を継続できません。 (" + folder + ")");
}

TEST(CliOptions, CharsetNamesAndTries) {
    struct TCase {
        const char* value;
        const char* charset; // "" refused
    };
    const TCase cases[] = {
        {"Shift_JIS", "sjis"}, {"shift-jis", "sjis"}, {"SJIS", "sjis"}, {"CP932", "sjis"},
        {"EUC-JP", "euc"},     {"eucjp", "euc"},      {"ISO-2022-JP", "jis"}, {"jis", "jis"},
        {"UTF-8", "utf8"},     {"utf8", "utf8"},      {"latin1", ""},
    };
    for (const TCase& c : cases) {
        const char* argv[] = {"vorlen-cli", "list", "--charset", c.value, "http://h/"};
        TCliOptions options;
        std::string error;
        EXPECT_EQ(options.Parse(5, argv, error), *c.charset != '\0') << c.value;
        if (*c.charset) {
            EXPECT_EQ(options.Charset, c.charset) << c.value;
        }
    }
    const char* tries[] = {"vorlen-cli", "get", "-t", "0", "http://h/"};
    TCliOptions options;
    std::string error;
    ASSERT_TRUE(options.Parse(5, tries, error)) << error;
    EXPECT_EQ(options.Retry, INT_MAX); // 0: no limit, as wget's
}

TEST(CliLanguage, TheFirstSetVariableDecides) {
    EXPECT_TRUE(TCliLanguage::IsJapanese("ja_JP.UTF-8", "C", "C"));
    EXPECT_FALSE(TCliLanguage::IsJapanese("C.UTF-8", "ja_JP.UTF-8", "ja_JP.UTF-8"));
    EXPECT_TRUE(TCliLanguage::IsJapanese("", "ja_JP.eucJP", "en_US.UTF-8"));
    EXPECT_TRUE(TCliLanguage::IsJapanese(nullptr, nullptr, "ja"));
    EXPECT_FALSE(TCliLanguage::IsJapanese(nullptr, "", "en_US.UTF-8"));
    EXPECT_FALSE(TCliLanguage::IsJapanese(nullptr, nullptr, nullptr));
}

TEST(CliHelp, EachCommandTellsItsOptionsAndDefaults) {
    const std::string get = TCliHelp::Text("get", false);
    for (const char* part : {"-j N", "default: option.dat's", "--timeout SECONDS", "30 unless changed", "--tries N",
                             "default: 20", "--retry-wait SECONDS", "10 unless changed", "made when missing"})
        EXPECT_NE(get.find(part), std::string::npos) << part;
    const std::string cascade = TCliHelp::Text("cascade", false);
    for (const char* part : {"wget's -l N+1", "to any", "wget -H", "-t, --tries N"})
        EXPECT_NE(cascade.find(part), std::string::npos) << part;
    EXPECT_EQ(TCliHelp::Text("list", false).find("--tries"), std::string::npos);
    EXPECT_NE(TCliHelp::Text("get", true).find("既定: wget と同じ"), std::string::npos);
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
