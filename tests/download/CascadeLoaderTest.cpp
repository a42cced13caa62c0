#include "download/CascadeLoader.h"

#include "engine/QorConnGeneral.h"
#include "engine/QorLoadManager.h"
#include "engine/QorLoadThread.h"
#include "platform/CodePage.h"
#include "platform/FileOps.h"
#include "platform/Thread.h"
#include "support/MainThreadPump.h"
#include "support/TestHttpServer.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using TServer = TTestHttpServer;

// A small site on the loopback server. Every page is served as HTML; the
// other files are never fetched by a crawl (collecting does not download).
class TCascadeFixture : public ::testing::Test {
protected:
    void SetUp() override {
        TThread::SetMainThread();
        conn.SetTimeout(20);
    }
    void TearDown() override { EXPECT_TRUE(PumpUntil([] { return TQorLoadThread::Alive() == 0; })); }

    void Page(const std::string& path, const std::string& body) {
        server.On(path, {TServer::Respond(200, {"Content-Type: text/html"}, body)});
    }
    static std::string Links(const std::vector<std::string>& targets, const std::string& text = "") {
        std::string html = "<html><body>" + text;
        for (const std::string& t : targets) html += "<a href=\"" + t + "\">x</a>\n";
        return html + "</body></html>";
    }
    // The path (with query) of an address on the test server.
    std::string PathOf(const std::string& url) const {
        const std::string base = server.Url("");
        return url.rfind(base, 0) == 0 ? url.substr(base.size()) : url;
    }

    struct TRun {
        std::vector<std::string> searched; // paths, in order
        std::vector<std::string> searchedAfter;
        std::vector<std::string> found;    // paths, in order
        bool ended = false;
        bool canceled = false;
    };

    std::unique_ptr<TCascadeLoader> Make(const std::string& start, int levels, TRun& run) {
        auto loader = std::make_unique<TCascadeLoader>(&conn, server.Url(start));
        loader->FreeOnTerminate = false;
        loader->Levels = levels;
        loader->OnSearchPage = [&](TCascadeLoader*, TQorFile* page) { run.searched.push_back(PathOf(page->URL->GetURL())); };
        loader->OnSearchedPage = [&](TCascadeLoader*, TQorFile* page) {
            run.searchedAfter.push_back(PathOf(page->URL->GetURL()));
        };
        loader->OnFindFile = [&](TCascadeLoader*, TQorFile* file) { run.found.push_back(PathOf(file->URL->GetURL())); };
        TCascadeLoader* raw = loader.get();
        loader->OnTerminate = [&run, raw](TThread*) {
            run.ended = true;
            run.canceled = raw->Canceled;
        };
        return loader;
    }
    TRun Crawl(const std::string& start, int levels, int pathType = 0, const std::string& ext = "",
               const std::string& pageQuery = "", const std::string& fileQuery = "") {
        TRun run;
        auto loader = Make(start, levels, run);
        loader->PathType = pathType;
        loader->SetExt(ext);
        loader->SetPageQuery(pageQuery);
        loader->SetFileQuery(fileQuery);
        loader->Start();
        EXPECT_TRUE(PumpUntil([&] { return run.ended; }));
        return run;
    }

    TServer server;
    TQorConnGeneral conn;
};

using TPaths = std::vector<std::string>;

TEST_F(TCascadeFixture, LevelsBreadthFirstEachPageAndFileOnce) {
    Page("/index.html", Links({"a.html", "b.html", "img1.jpg"}));
    // IMG1.jpg is img1.jpg to the collected test, which ignores letter case.
    Page("/a.html", Links({"c.html", "img2.jpg", "IMG1.jpg"}));
    // b links a again (searched once) and img1 again (collected once).
    Page("/b.html", Links({"a.html", "img1.jpg", "c.html", "/"}));
    Page("/c.html", Links({"d.html", "img3.jpg"}));
    Page("/", Links({"index.html"}));

    struct TCase {
        int levels;
        TPaths searched;
        TPaths found;
    };
    const TCase cases[] = {
        {0, {"/index.html"}, {"/a.html", "/b.html", "/img1.jpg"}},
        {1, {"/index.html", "/a.html", "/b.html"}, {"/a.html", "/b.html", "/img1.jpg", "/c.html", "/img2.jpg", "/"}},
        {2,
         {"/index.html", "/a.html", "/b.html", "/c.html", "/"},
         {"/a.html", "/b.html", "/img1.jpg", "/c.html", "/img2.jpg", "/", "/d.html", "/img3.jpg", "/index.html"}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.levels);
        TRun run = Crawl("/index.html", c.levels);
        EXPECT_EQ(run.searched, c.searched);
        EXPECT_EQ(run.searchedAfter, c.searched);
        EXPECT_EQ(run.found, c.found);
        EXPECT_FALSE(run.canceled);
    }
}

// Every page of a crawl is one request; with persistent connections the
// whole crawl goes over one connection.
TEST_F(TCascadeFixture, OneRequestPerPageAndOneConnectionWhenKept) {
    server.SetKeepAlive(true);
    auto page = [this](const std::string& path, const std::string& body) {
        server.On(path, {TServer::Send("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
                                       std::to_string(body.size()) + "\r\n\r\n" + body)});
    };
    page("/index.html", Links({"a.html", "b.html"}));
    page("/a.html", Links({"c.html", "x.jpg"}));
    page("/b.html", Links({"a.html", "c.html"}));
    page("/c.html", Links({"index.html"}));
    for (bool keep : {false, true}) {
        SCOPED_TRACE(keep);
        conn.SetKeepAlive(keep);
        const size_t requests = server.Requests().size();
        const size_t connections = server.Connections();
        TRun run = Crawl("/index.html", 2);
        EXPECT_EQ(run.searched, (TPaths{"/index.html", "/a.html", "/b.html", "/c.html"}));
        const auto all = server.Requests();
        ASSERT_EQ(all.size() - requests, 4u);
        std::map<std::string, int> perPath;
        for (size_t i = requests; i < all.size(); ++i) ++perPath[all[i].substr(0, all[i].find(" HTTP/"))];
        for (const auto& [line, count] : perPath) EXPECT_EQ(count, 1) << line;
        EXPECT_EQ(server.Connections() - connections, keep ? 1u : 4u);
    }
}

TEST_F(TCascadeFixture, QueriesAndExtensionsPickTheFiles) {
    Page("/index.html", Links({"photo.html", "other.html", "noext", "IMAGE.GIF", "a.png"}, "photo"));
    Page("/photo.html", Links({"img001.jpg", "img01.jpg", "IMG002.JPG", "x.gif"}, "Photo gallery"));
    Page("/other.html", Links({"img003.jpg", "deeper.html"}, "adult photo"));
    Page("/deeper.html", Links({"img004.jpg"}, "nothing here"));

    // The page query picks the pages whose files are collected; links are
    // followed from every page all the same.
    TRun run = Crawl("/index.html", 2, 0, "", "photo -adult");
    // noext has no extension, so it may be a page: it is followed (and
    // answers 404 here).
    EXPECT_EQ(run.searched, (TPaths{"/index.html", "/photo.html", "/other.html", "/noext", "/deeper.html"}));
    EXPECT_EQ(run.found, (TPaths{"/photo.html", "/other.html", "/noext", "/IMAGE.GIF", "/a.png", "/img001.jpg",
                                 "/img01.jpg", "/IMG002.JPG", "/x.gif"}));

    run = Crawl("/index.html", 1, 0, "jpg:gif");
    EXPECT_EQ(run.found, (TPaths{"/IMAGE.GIF", "/img001.jpg", "/img01.jpg", "/IMG002.JPG", "/x.gif", "/img003.jpg"}));

    run = Crawl("/index.html", 2, 0, "", "", "img\\\\\\.jpg");
    EXPECT_EQ(run.found, (TPaths{"/img001.jpg", "/IMG002.JPG", "/img003.jpg", "/img004.jpg"}));
}

TEST_F(TCascadeFixture, ScopesOnAStartAddressWithAPort) {
    // The test server runs on an explicit port, so these also show that the
    // start folder is compared with its port.
    Page("/a/", Links({"b/c.html", "/b/x.html", "index.html", "http://localhost:1/a/y.html"}));
    Page("/a/b/c.html", Links({}));
    Page("/a/index.html", Links({}));
    Page("/b/x.html", Links({}));
    struct TCase {
        int pathType;
        TPaths searched;
    };
    const TCase cases[] = {
        {TCascadeLoader::kPathAll, {"/a/", "/a/b/c.html", "/b/x.html", "/a/index.html", "http://localhost:1/a/y.html"}},
        {TCascadeLoader::kPathStartBelow, {"/a/", "/a/b/c.html", "/a/index.html"}},
        {TCascadeLoader::kPathStartOnly, {"/a/", "/a/index.html"}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.pathType);
        TRun run = Crawl("/a/", 1, c.pathType);
        EXPECT_EQ(run.searched, c.searched);
    }

    // Scope 2 on a bulletin board script: the same script with any query.
    Page("/bbs/read.cgi", Links({"read.cgi?n=2", "read.cgi?n=3", "list.cgi?n=1", "/bbs/READ.cgi"}));
    TRun run = Crawl("/bbs/read.cgi?n=1", 1, TCascadeLoader::kPathStartOnly);
    EXPECT_EQ(run.searched, (TPaths{"/bbs/read.cgi?n=1", "/bbs/read.cgi?n=2", "/bbs/read.cgi?n=3"}));
}

TEST_F(TCascadeFixture, ListsLiveInTemporaryFilesThatGoAway) {
    Page("/index.html", Links({"a.html", "A.HTML", "pic.jpg"}));
    Page("/a.html", Links({"pic.jpg"}));
    TRun run;
    auto loader = Make("/index.html", 1, run);
    const std::string queue = loader->QueueFile(), visit = loader->VisitFile(), found = loader->FoundFile();
    for (const std::string& p : {queue, visit, found}) EXPECT_EQ(TFileOps::FileSize(p), 0) << p;
    loader->Start();
    ASSERT_TRUE(PumpUntil([&] { return run.ended; }));
    // A.HTML is a.html to the visited and the collected test, which ignore
    // letter case.
    EXPECT_EQ(run.searched, (TPaths{"/index.html", "/a.html"}));
    std::string text;
    ASSERT_TRUE(TFileOps::ReadWholeFile(visit, text));
    EXPECT_EQ(text, server.Url("/index.html") + "\r\n" + server.Url("/a.html") + "\r\n");
    ASSERT_TRUE(TFileOps::ReadWholeFile(found, text));
    EXPECT_EQ(text, server.Url("/a.html") + "\r\n" + server.Url("/pic.jpg") + "\r\n");
    loader.reset();
    for (const std::string& p : {queue, visit, found}) EXPECT_FALSE(TFileOps::FileExists(p)) << p;
}

TEST_F(TCascadeFixture, CancelDuringAPageLoadEndsWithoutMoreEvents) {
    Page("/index.html", Links({"slow.html", "later.html", "pic.jpg"}));
    server.On("/slow.html", {TServer::Stall()});
    Page("/later.html", Links({}));
    TRun run;
    auto loader = Make("/index.html", 1, run);
    loader->Start();
    ASSERT_TRUE(PumpUntil([&] { return run.searched.size() == 2; }));
    ASSERT_TRUE(server.WaitForRequests(2));
    loader->Cancel();
    ASSERT_TRUE(PumpUntil([&] { return run.ended; }));
    EXPECT_TRUE(run.canceled);
    EXPECT_EQ(run.searched, (TPaths{"/index.html", "/slow.html"}));
    EXPECT_EQ(run.searchedAfter, (TPaths{"/index.html"}));
    EXPECT_EQ(run.found, (TPaths{"/slow.html", "/later.html", "/pic.jpg"}));
}

TEST_F(TCascadeFixture, CancelWhilePausedLetsTheCrawlEnd) {
    Page("/index.html", Links({"a.html"}));
    server.On("/a.html", {TServer::Delay(300), TServer::Respond(200, {}, Links({"b.html"}))});
    TRun run;
    auto loader = Make("/index.html", 3, run);
    loader->Start();
    ASSERT_TRUE(PumpUntil([&] { return run.searched.size() == 2; }));
    loader->Pause();
    loader->Cancel();
    ASSERT_TRUE(PumpUntil([&] { return run.ended; }));
    EXPECT_TRUE(run.canceled);
    EXPECT_EQ(run.searched.size(), 2u);
}

TEST_F(TCascadeFixture, FreesItselfWhenTheQueueRunsOut) {
    Page("/index.html", Links({"pic.jpg"}));
    bool ended = false;
    std::string visit;
    auto* loader = new TCascadeLoader(&conn, server.Url("/index.html"));
    visit = loader->VisitFile();
    loader->OnTerminate = [&](TThread*) { ended = true; };
    loader->Start();
    ASSERT_TRUE(PumpUntil([&] { return ended && !TFileOps::FileExists(visit); }));
}

TEST(TCascadeChecks, StartAddressAndLevels) {
    struct TCase {
        const char* start;
        const char* levels;
        const char* message; // UTF-8; empty when the input is accepted
        int value;
    };
    const TCase cases[] = {
        {"http://h/", "", "", 0},
        {"http://h/", "0", "", 0},
        {"http://h/", " 12 ", "", 12},
        {"http://h/", "9999", "", 9999},
        {"  ", "3", "開始アドレスが空です。", 3},
        {"http://h/", "abc", "追跡階層数が不正です。", 0},
        {"", "abc", "追跡階層数が不正です。", 0}, // the last failing check speaks
        {"http://h/", "1x", "追跡階層数が不正です。", 0},
        {"http://h/", "10000x", "追跡階層数が不正です。", 0}, // not a number, so no range
        {"http://h/", "-1", "追跡階層数は 1 から 9999 の間で設定してください。", -1},
        {"http://h/", "10000", "追跡階層数は 1 から 9999 の間で設定してください。", 10000},
        {"", "10000", "追跡階層数は 1 から 9999 の間で設定してください。", 10000},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.start) + "|" + c.levels);
        std::string message;
        EXPECT_EQ(TCascadeLoader::CheckInput(c.start, c.levels, message), *c.message == '\0');
        EXPECT_EQ(message, SJ(c.message));
        EXPECT_EQ(TCascadeLoader::LevelsValue(c.levels), c.value);
    }
}

} // namespace
