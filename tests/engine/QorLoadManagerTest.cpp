#include "engine/QorLoadManager.h"

#include "engine/QorCacheManager.h"
#include "engine/QorConnGeneral.h"
#include "engine/QorPageItems.h"
#include "engine/QorUncachePage.h"
#include "inet/InetHTTPResponseHeader.h"
#include "platform/CodePage.h"
#include "platform/FileOps.h"
#include "platform/Thread.h"
#include "support/StrangerTlsRelay.h"
#include "support/TempFolder.h"
#include "support/MainThreadPump.h"
#include "support/TestHttpServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <poll.h>

namespace {

using TServer = TTestHttpServer;

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// A Last-Modified value `days` days from now.
std::string HttpDate(int days) {
    std::time_t t = std::time(nullptr) + static_cast<std::time_t>(days) * 86400;
    std::tm tm{};
    ::gmtime_r(&t, &tm);
    char text[64];
    std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S GMT", &tm);
    return text;
}

// What OnLoaded saw.
struct TLoaded {
    int state = -1;
    int reply = 0;
    std::vector<std::string> urls;
    std::string source;
    std::string title;
    bool fromCache = false;
    bool local = false;
    bool localList = false;
    bool canceled = false;
    bool modified = false;
    bool hadHeader = false;
    std::string memory;
};

class QorLoadManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        TThread::SetMainThread();
        ASSERT_TRUE(temp_.Ok());
        cacheDir_ = temp_.Win("cache\\");
        ASSERT_TRUE(TFileOps::ForceDirectories(cacheDir_));
        conn_.SetTimeout(120);
        Bind(manager_);
    }
    void TearDown() override {
        EXPECT_TRUE(PumpUntil([] { return TQorLoadThread::Alive() == 0; }));
    }

    void Bind(TQorLoadManager& manager) {
        manager.Conn = &conn_;
        manager.SetCachePath(cacheDir_);
        manager.OnLoad = [this](TQorLoadManager*, const TQorFile&) { order_.push_back("load"); };
        manager.OnLocalLoad = [this](TQorLoadManager*, const TQorFile&) {
            order_.push_back("local");
        };
        manager.OnHeading = [this](TQorLoadThread*, TQorFile&) { ++headings_; };
        manager.OnHead = [this](TQorLoadThread* sender, TQorFile&, bool, bool& getEntity) {
            ++heads_;
            if (onHead_) onHead_(sender, getEntity);
        };
        manager.OnLoaded = [this](TQorLoadManager* sender, int state, int reply) {
            order_.push_back("loaded");
            TLoaded r;
            r.state = state;
            r.reply = reply;
            for (const auto& file : sender->PageItems->Files) r.urls.push_back(file->URL->GetURL());
            r.source = sender->PageItems->Source;
            r.title = sender->PageItems->Title;
            r.fromCache = sender->FromCache;
            r.local = sender->Local;
            r.localList = sender->LocalList;
            r.canceled = sender->Canceled;
            r.modified = sender->Modified;
            r.hadHeader = sender->GetResponseHeader() != nullptr;
            sender->GetMemory(r.memory);
            loaded_.push_back(r);
        };
    }

    // Starts a load; `Loaded` pumps until `count` loads have been reported.
    void Start(const std::string& url) {
        TQorFile file(url);
        manager_.Load(&file);
    }
    bool Loaded(size_t count) {
        return PumpUntil([&] { return loaded_.size() >= count; });
    }
    TLoaded LoadAndWait(const std::string& url) {
        const size_t count = loaded_.size() + 1;
        Start(url);
        EXPECT_TRUE(Loaded(count));
        return loaded_.empty() ? TLoaded{} : loaded_.back();
    }
    bool IsCached(const std::string& url) const {
        TQorCacheManager cache;
        cache.CachePath = cacheDir_;
        TQorFile file(url);
        std::string path;
        return cache.IsCached(file.URL->GetCompURL(), path);
    }
    std::string Host() const { return "http://127.0.0.1:" + std::to_string(server_.Port()); }

    TServer server_;
    TTempFolder temp_{"loadmanager"};
    std::string cacheDir_;
    TQorConnGeneral conn_;
    std::vector<TLoaded> loaded_;
    std::vector<std::string> order_;
    std::atomic<int> headings_{0};
    std::atomic<int> heads_{0};
    std::function<void(TQorLoadThread*, bool&)> onHead_;
    TQorLoadManager manager_; // last: it goes first, while the server still runs
};

TEST_F(QorLoadManagerTest, NetworkLoadReportsThePage) {
    const std::string body = "<title>Net</title><a href=\"a.html\">a</a><img src=\"b.png\">";
    server_.On("/d/p.html", {TServer::Respond(200, {"Content-Type: text/html"}, body)});
    TLoaded r = LoadAndWait(server_.Url("/d/p.html"));

    EXPECT_EQ(r.state, 0);
    EXPECT_EQ(r.reply, 200);
    EXPECT_EQ(r.title, "Net");
    EXPECT_EQ(r.urls, (std::vector<std::string>{Host() + "/d/a.html", Host() + "/d/b.png"}));
    EXPECT_FALSE(r.fromCache);
    EXPECT_FALSE(r.canceled);
    EXPECT_TRUE(r.hadHeader);
    EXPECT_EQ(r.memory, body);
    EXPECT_EQ(order_, (std::vector<std::string>{"load", "loaded"}));
    EXPECT_EQ(headings_, 1);
    EXPECT_EQ(heads_, 1);

    // The load thread and the page's records are gone after OnLoaded.
    EXPECT_FALSE(manager_.Loading);
    EXPECT_EQ(manager_.GetResponseHeader(), nullptr);
    EXPECT_TRUE(manager_.PageItems->Files.empty());
    EXPECT_TRUE(IsCached(server_.Url("/d/p.html")));
}

// Without KeepBody the answer is freed once the page has its copy: the page
// is listed and cached as before, and GetMemory finds nothing.
TEST_F(QorLoadManagerTest, WithoutKeepBodyThePageIsListedAndTheAnswerFreed) {
    const std::string body = "<title>Net</title><a href=\"a.html\">a</a>";
    server_.On("/d/p.html", {TServer::Respond(200, {"Content-Type: text/html"}, body)});
    manager_.KeepBody = false;
    TLoaded r = LoadAndWait(server_.Url("/d/p.html"));

    EXPECT_EQ(r.reply, 200);
    EXPECT_EQ(r.title, "Net");
    EXPECT_EQ(r.urls, (std::vector<std::string>{Host() + "/d/a.html"}));
    EXPECT_EQ(r.memory, "");
    EXPECT_TRUE(IsCached(server_.Url("/d/p.html")));
}

TEST_F(QorLoadManagerTest, EachManagerHasItsOwnNamedLoadEvent) {
    TQorLoadManager other;
    EXPECT_EQ(manager_.LoadEventName().rfind("yarvloadevent-", 0), 0u);
    EXPECT_NE(manager_.LoadEventName(), other.LoadEventName());
}

TEST_F(QorLoadManagerTest, DisableOpenDoesNothing) {
    manager_.DisableOpen = true;
    Start(server_.Url("/p.html"));
    manager_.Load(nullptr);
    EXPECT_FALSE(PumpUntil([&] { return !loaded_.empty(); }, 300));
    EXPECT_TRUE(order_.empty());
    EXPECT_EQ(server_.Connections(), 0u);
}

TEST_F(QorLoadManagerTest, SecondLoadComesFromTheCacheWithoutHeaderEvents) {
    server_.On("/p.html", {TServer::Respond(200, {}, "<title>One</title><a href=\"x.html\">x</a>")});
    TLoaded first = LoadAndWait(server_.Url("/p.html"));
    ASSERT_EQ(server_.Requests().size(), 1u);

    TLoaded second = LoadAndWait(server_.Url("/p.html"));
    EXPECT_EQ(second.state, 0);
    EXPECT_EQ(second.reply, 200);
    EXPECT_TRUE(second.fromCache);
    EXPECT_FALSE(second.hadHeader);
    EXPECT_EQ(second.title, "One");
    EXPECT_EQ(second.urls, first.urls);
    EXPECT_EQ(headings_, 1);
    EXPECT_EQ(heads_, 1);
    EXPECT_EQ(server_.Requests().size(), 1u);

    // Not read, but written: the page comes again and replaces the cached one.
    server_.On("/p.html", {TServer::Respond(200, {}, "<title>Two</title>")});
    manager_.UnreadCache = true;
    TLoaded third = LoadAndWait(server_.Url("/p.html"));
    EXPECT_FALSE(third.fromCache);
    EXPECT_EQ(third.title, "Two");
    EXPECT_EQ(server_.Requests().size(), 2u);
    manager_.UnreadCache = false;
    EXPECT_EQ(LoadAndWait(server_.Url("/p.html")).title, "Two");
    EXPECT_EQ(server_.Requests().size(), 2u);

    // Without the cache nothing is read or written.
    manager_.UseCache = false;
    server_.On("/q.html", {TServer::Respond(200, {}, "q")});
    EXPECT_FALSE(LoadAndWait(server_.Url("/p.html")).fromCache);
    LoadAndWait(server_.Url("/q.html"));
    EXPECT_FALSE(IsCached(server_.Url("/q.html")));
}

TEST_F(QorLoadManagerTest, NeverCacheEntriesAreFetchedEveryTime) {
    TQorUncachePage uncache;
    uncache.Add(server_.Url("/never.html"), false);
    manager_.SetUncachePage(&uncache);
    server_.SetDefault({TServer::Respond(200, {}, "<title>N</title>")});

    LoadAndWait(server_.Url("/never.html"));
    EXPECT_TRUE(IsCached(server_.Url("/never.html"))); // stored all the same
    TLoaded again = LoadAndWait(server_.Url("/never.html"));
    EXPECT_FALSE(again.fromCache);
    EXPECT_EQ(server_.Requests().size(), 2u);
    EXPECT_EQ(headings_, 2);
    // With a query it is another page, and served from the cache.
    LoadAndWait(server_.Url("/never.html?x=1"));
    EXPECT_TRUE(LoadAndWait(server_.Url("/never.html?x=1")).fromCache);
}

TEST_F(QorLoadManagerTest, RedirectedPageIsCachedUnderBothAddresses) {
    server_.On("/old.html", {TServer::Respond(302, {"Location: /new.html"}, "")});
    server_.On("/new.html", {TServer::Respond(200, {}, "<title>New</title>")});
    TLoaded r = LoadAndWait(server_.Url("/old.html"));
    EXPECT_EQ(r.reply, 200);
    EXPECT_TRUE(IsCached(server_.Url("/old.html")));
    EXPECT_TRUE(IsCached(server_.Url("/new.html")));

    const size_t requests = server_.Requests().size();
    TLoaded cached = LoadAndWait(server_.Url("/new.html"));
    EXPECT_TRUE(cached.fromCache);
    EXPECT_EQ(cached.title, "New");
    EXPECT_EQ(server_.Requests().size(), requests);
}

// Opened again under the address that redirected, the cached page lists its
// relative links against the final address, exactly as its first load did.
TEST_F(QorLoadManagerTest, RedirectedPageFromTheCacheListsWhatItsFirstLoadListed) {
    server_.On("/a/old.html", {TServer::Respond(301, {"Location: /b/c/new.html"}, "")});
    server_.On("/b/c/new.html",
               {TServer::Respond(200, {}, "<a href=\"x.html\">x</a><img src=\"../y.png\">"
                                          "<a href=\"?q=1\">q</a>")});
    TLoaded first = LoadAndWait(server_.Url("/a/old.html"));
    ASSERT_EQ(first.reply, 200);
    ASSERT_EQ(first.urls, (std::vector<std::string>{Host() + "/b/c/x.html", Host() + "/b/y.png",
                                                    Host() + "/b/c/new.html?q=1"}));

    for (const char* path : {"/a/old.html", "/b/c/new.html"}) {
        TLoaded again = LoadAndWait(server_.Url(path));
        EXPECT_TRUE(again.fromCache) << path;
        EXPECT_EQ(again.urls, first.urls) << path;
        EXPECT_EQ(again.source, first.source) << path;
    }

    // A cache file of a page without a redirection still reads as before,
    // and one with a final address read by the cache alone gives the text.
    TQorCacheManager cache;
    cache.CachePath = cacheDir_;
    ASSERT_TRUE(cache.Load(TQorFile(server_.Url("/a/old.html")).URL->GetCompURL()));
    EXPECT_EQ(cache.Text, first.source);
    EXPECT_EQ(cache.FinalURL, Host() + "/b/c/new.html");
    ASSERT_TRUE(cache.Load(TQorFile(server_.Url("/b/c/new.html")).URL->GetCompURL()));
    EXPECT_EQ(cache.Text, first.source);
    EXPECT_TRUE(cache.FinalURL.empty());
}

// Neither is kept: a cached error page would come back as a page that
// arrived (200), and a failed transfer has nothing to keep.
TEST_F(QorLoadManagerTest, ErrorPagesAndFailedTransfersAreNotCached) {
    int closedPort = 0;
    {
        TServer gone;
        closedPort = gone.Port();
    }
    server_.On("/missing.html", {TServer::Respond(404, {}, "<title>Not here</title>")});
    TLoaded notFound = LoadAndWait(server_.Url("/missing.html"));
    EXPECT_EQ(notFound.state, 0);
    EXPECT_EQ(notFound.reply, 404);
    EXPECT_FALSE(IsCached(server_.Url("/missing.html")));
    TLoaded again = LoadAndWait(server_.Url("/missing.html"));
    EXPECT_FALSE(again.fromCache);
    EXPECT_EQ(again.reply, 404);

    // A redirection that is not followed is no page either: served from the
    // cache it would come back as 200.
    conn_.SetRedirect(false);
    server_.On("/moved.html", {TServer::Respond(302, {"Location: /there.html"}, "<a href=x>")});
    TLoaded moved = LoadAndWait(server_.Url("/moved.html"));
    EXPECT_EQ(moved.reply, 302);
    EXPECT_FALSE(IsCached(server_.Url("/moved.html")));
    EXPECT_EQ(LoadAndWait(server_.Url("/moved.html")).reply, 302);
    conn_.SetRedirect(true);

    const std::string refused = "http://127.0.0.1:" + std::to_string(closedPort) + "/p.html";
    TLoaded failed = LoadAndWait(refused);
    EXPECT_EQ(failed.state, 2);
    EXPECT_FALSE(IsCached(refused));
    EXPECT_EQ(manager_.ConnectFailure, cfRefused);
    EXPECT_EQ(manager_.ConnectDetail, "");
}

// The transport's reason for a refused certificate stays with the manager
// after the load, until the next load.
TEST_F(QorLoadManagerTest, CertificateFailureKeepsItsReason) {
    const TStrangerTlsRelay tls(temp_.Native(), server_.Port());
    ASSERT_TRUE(tls.Ready());
    server_.On("/p.html", {TServer::Respond(200, {"Content-Type: text/html"}, "<title>P</title>")});

    TLoaded failed = LoadAndWait(tls.Url("/p.html"));
    EXPECT_EQ(failed.state, 2);
    EXPECT_EQ(manager_.ConnectFailure, cfCertificate);
    EXPECT_EQ(manager_.ConnectDetail, "unknown issuer");
    EXPECT_FALSE(IsCached(tls.Url("/p.html")));

    EXPECT_EQ(LoadAndWait(server_.Url("/p.html")).state, 0);
    EXPECT_EQ(manager_.ConnectFailure, cfNone);
    EXPECT_EQ(manager_.ConnectDetail, "");
}

TEST_F(QorLoadManagerTest, DeclinedBodyKeepsTheHeaderAndCachesNothing) {
    server_.On("/big.zip", {TServer::Respond(200, {"Content-Type: application/zip"}, "PK")});
    onHead_ = [](TQorLoadThread*, bool& getEntity) { getEntity = false; };
    TLoaded r = LoadAndWait(server_.Url("/big.zip"));
    EXPECT_EQ(r.state, 0);
    EXPECT_EQ(r.reply, 200);
    EXPECT_TRUE(r.canceled);
    EXPECT_TRUE(Contains(manager_.HeadText, "HTTP/1.0 200"));
    EXPECT_TRUE(Contains(manager_.HeadText, "Content-Type: application/zip"));
    EXPECT_FALSE(IsCached(server_.Url("/big.zip")));
    EXPECT_EQ(server_.Requests().size(), 1u);
}

TEST_F(QorLoadManagerTest, CheckModifyComparesTheModificationDay) {
    manager_.CheckModify = true;
    manager_.ModifyLimit = 3;
    struct TCase {
        const char* name;
        const char* path;
        int days; // Last-Modified relative to now
        bool header;
        bool modified;
    } cases[] = {
        {.name = "yesterday", .path = "/y.html", .days = -1, .header = true, .modified = true},
        {.name = "ten days ago", .path = "/t.html", .days = -10, .header = true, .modified = false},
        {.name = "in the future", .path = "/f.html", .days = 2, .header = true, .modified = true},
        {.name = "no date", .path = "/n.html", .days = 0, .header = false, .modified = false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> headers;
        if (c.header) headers.push_back("Last-Modified: " + HttpDate(c.days));
        server_.On(c.path, {TServer::Respond(200, headers, "page")});
        EXPECT_EQ(LoadAndWait(server_.Url(c.path)).modified, c.modified);
    }
    manager_.CheckModify = false;
    server_.On("/o.html", {TServer::Respond(200, {"Last-Modified: " + HttpDate(-1)}, "page")});
    EXPECT_FALSE(LoadAndWait(server_.Url("/o.html")).modified);
}

TEST_F(QorLoadManagerTest, CredentialsEnteredDuringTheLoadAreKept) {
    server_.On("/sec.html", {TServer::Respond(401, {}, "")});
    manager_.OnAuthorize = [this](const TQorFile&, std::string& user, std::string& password) {
        user = "alice";
        password = "secret";
        server_.On("/sec.html", {TServer::Respond(200, {}, "<title>In</title>")});
        return true;
    };
    TLoaded r = LoadAndWait(server_.Url("/sec.html"));
    EXPECT_EQ(r.reply, 200);
    EXPECT_TRUE(manager_.Authorized);
    EXPECT_EQ(manager_.AuthUser, "alice");
    EXPECT_EQ(manager_.AuthPassword, "secret");
}

TEST_F(QorLoadManagerTest, LocalPagesAndFolders) {
    namespace fs = std::filesystem;
    const fs::path root = temp_.NativePath("site");
    fs::create_directories(root / "sub");
    {
        std::string page = "<title>Local</title>\n<a href=\"b.html\">b</a>\r\nend";
        ASSERT_TRUE(TFileOps::WriteWholeFile(temp_.Win("site\\page.htm"), page));
        ASSERT_TRUE(TFileOps::WriteWholeFile(temp_.Win("site\\notes.txt"), "text"));
    }
    // A page file that exists but cannot be read.
    fs::create_symlink("/proc/self/mem", root / "broken.html");

    const std::string site = temp_.Win("site\\");
    TQorFile folder(site);
    const std::string folderURL = folder.URL->GetURL();
    ASSERT_EQ(folderURL.rfind("file:///C|/", 0), 0u) << folderURL;
    ASSERT_EQ(folderURL.back(), '/');

    struct TCase {
        const char* name;
        std::string address;
        int reply;
        bool list;
    } cases[] = {
        {.name = "page", .address = site + "page.htm", .reply = 200, .list = false},
        {.name = "missing page", .address = site + "gone.htm", .reply = 904, .list = false},
        {.name = "unreadable page", .address = site + "broken.html", .reply = 905, .list = false},
        {.name = "not a page", .address = site + "notes.txt", .reply = 900, .list = false},
        {.name = "folder", .address = site, .reply = 200, .list = true},
        {.name = "missing folder", .address = site + "nothing\\", .reply = 900, .list = false},
        {.name = "drives", .address = "file:///", .reply = 200, .list = true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        order_.clear();
        const size_t count = loaded_.size();
        Start(c.address);
        // A local load ends inside Load.
        ASSERT_EQ(loaded_.size(), count + 1);
        const TLoaded& r = loaded_.back();
        EXPECT_EQ(r.state, 0);
        EXPECT_EQ(r.reply, c.reply);
        EXPECT_TRUE(r.local);
        EXPECT_TRUE(r.fromCache); // the opposite of UnreadCache
        EXPECT_EQ(r.localList, c.list);
        EXPECT_EQ(order_, (std::vector<std::string>{"local", "load", "loaded"}));
        if (c.reply != 200) {
            EXPECT_EQ(r.source, "");
        }
    }
    EXPECT_EQ(headings_, 0);
    EXPECT_EQ(server_.Connections(), 0u);

    // The page file, its lines joined with CR LF, its links local addresses.
    const TLoaded& page = loaded_[0];
    EXPECT_EQ(page.source, "<title>Local</title>\r\n<a href=\"b.html\">b</a>\r\nend");
    EXPECT_EQ(page.title, "Local");
    EXPECT_EQ(page.urls, (std::vector<std::string>{folderURL + "b.html"}));

    // The folder list: its name as title, folders ending in "/".
    const TLoaded& list = loaded_[4];
    EXPECT_EQ(list.title, "site");
    EXPECT_TRUE(Contains(list.source, "<meta content=\"text/html; charset=shift_jis\">\n"));
    std::vector<std::string> urls = list.urls;
    std::sort(urls.begin(), urls.end());
    EXPECT_EQ(urls, (std::vector<std::string>{folderURL + "broken.html", folderURL + "notes.txt",
                                              folderURL + "page.htm", folderURL + "sub/"}));

    // The drive list: the one root.
    const TLoaded& drives = loaded_[6];
    EXPECT_EQ(drives.title, SJ("ローカルルート"));
    EXPECT_TRUE(Contains(drives.source, "<a href=\"file:///C:\\\"></a>\n"));
    EXPECT_EQ(drives.urls, (std::vector<std::string>{"file:///C|/"}));

    manager_.UnreadCache = true;
    EXPECT_FALSE(LoadAndWait(site + "page.htm").fromCache);
}

TEST_F(QorLoadManagerTest, ExtensionTests) {
    struct TCase {
        const char* ext;
        bool page;
        bool localPage;
    } cases[] = {
        {".html", true, true}, {".HTM", true, true}, {".asx", true, true}, {".smi", true, true},
        {".php", true, false}, {".cgi", true, false}, {".shtml", true, false},
        {".txt", false, false}, {".htmlx", false, false}, {"", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ext);
        EXPECT_EQ(TQorLoadManager::IsPageExt(c.ext), c.page);
        EXPECT_EQ(TQorLoadManager::IsLocalPageExt(c.ext), c.localPage);
    }
}

// Cancel during each phase of a load ends it at once; a Load right after it
// works.
TEST_F(QorLoadManagerTest, CancelInEveryPhaseThenLoadAgain) {
    server_.On("/stall", {TServer::Stall()});
    server_.On("/body", {TServer::Send("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n<a "),
                         TServer::Stall()});
    server_.On("/head", {TServer::Respond(200, {}, "never")});
    server_.On("/auth", {TServer::Respond(401, {}, "")});
    server_.On("/ok.html", {TServer::Respond(200, {}, "<title>OK</title><a href=\"z.html\">z</a>")});
    std::atomic<bool> inHead{false};
    bool asked = false;
    manager_.OnAuthorize = [&](const TQorFile&, std::string&, std::string&) {
        asked = true;
        return true;
    };

    // A header that comes one byte at a time: the worker passes its
    // suspension check points all the while.
    server_.On("/slow", {TServer::ByteByByte("HTTP/1.0 200 OK\r\n" + std::string(4000, 'x'), 10)});

    struct TCase {
        const char* name;
        std::string path;
        // Returns once the load is in the phase to cancel; `before` is the
        // number of requests the server had when the load started.
        std::function<bool(size_t before)> reached;
    } cases[] = {
        {.name = "header", .path = "/stall",
         .reached = [this](size_t before) { return server_.WaitForRequests(before + 1); }},
        {.name = "OnHead", .path = "/head",
         .reached = [&](size_t) { return PumpUntil([&] { return inHead.load(); }); }},
        // The body comes on the answer the header came with.
        {.name = "body", .path = "/body",
         .reached = [this](size_t before) {
             if (!server_.WaitForRequests(before + 1)) return false;
             std::this_thread::sleep_for(std::chrono::milliseconds(100));
             return true;
         }},
        // The worker waits for the main thread to ask for credentials.
        {.name = "credentials", .path = "/auth",
         .reached = [](size_t) { return WaitForPendingCall(); }},
        // A parked worker must still end.
        {.name = "suspended", .path = "/slow",
         .reached = [this](size_t before) {
             if (!server_.WaitForRequests(before + 1)) return false;
             manager_.LoadSuspend();
             std::this_thread::sleep_for(std::chrono::milliseconds(200));
             return true;
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        inHead = false;
        // The OnHead handler holds the worker until the load is cancelled.
        onHead_ = [&](TQorLoadThread* sender, bool&) {
            if (c.path != "/head") return;
            inHead = true;
            const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
            while (sender->GetHTTP().ErrorCode != 1 && std::chrono::steady_clock::now() < end)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        };
        const size_t count = loaded_.size();
        const size_t before = server_.Requests().size();
        Start(server_.Url(c.path));
        ASSERT_TRUE(c.reached(before));

        manager_.Cancel();
        // Cancel returned once the load had been reported.
        ASSERT_EQ(loaded_.size(), count + 1);
        EXPECT_EQ(loaded_.back().state, 1);
        EXPECT_TRUE(loaded_.back().canceled);
        EXPECT_FALSE(manager_.Loading);
        EXPECT_FALSE(asked);
        EXPECT_FALSE(IsCached(server_.Url(c.path)));

        onHead_ = nullptr;
        TLoaded next = LoadAndWait(server_.Url("/ok.html"));
        EXPECT_EQ(next.state, 0);
        EXPECT_EQ(next.title, "OK");
        EXPECT_EQ(next.urls, (std::vector<std::string>{Host() + "/z.html"}));
        EXPECT_TRUE(PumpUntil([] { return TQorLoadThread::Alive() == 0; }));
    }
}

TEST_F(QorLoadManagerTest, CancelDuringACacheLoad) {
    // A page large enough that its parse is still running when Cancel comes.
    std::string body = "<title>Big</title>";
    for (int i = 0; i < 5000; ++i)
        body += "<a href=\"p" + std::to_string(i) + ".html\">" + std::to_string(i) + "</a>\n";
    server_.On("/big.html", {TServer::Respond(200, {}, body)});
    server_.On("/ok.html", {TServer::Respond(200, {}, "<title>OK</title>")});
    ASSERT_EQ(LoadAndWait(server_.Url("/big.html")).urls.size(), 5000u);

    Start(server_.Url("/big.html"));
    manager_.Cancel();
    ASSERT_EQ(loaded_.size(), 2u);
    // A cache load reports success; the manager knows it was cancelled.
    EXPECT_EQ(loaded_.back().state, 0);
    EXPECT_EQ(loaded_.back().reply, 200);
    EXPECT_TRUE(loaded_.back().fromCache);
    EXPECT_TRUE(loaded_.back().canceled);
    EXPECT_LE(loaded_.back().urls.size(), 5000u);

    TLoaded next = LoadAndWait(server_.Url("/ok.html"));
    EXPECT_EQ(next.title, "OK");
    EXPECT_FALSE(next.canceled);
    // The cancelled parse leaves the cached page whole.
    EXPECT_EQ(LoadAndWait(server_.Url("/big.html")).urls.size(), 5000u);
}

TEST_F(QorLoadManagerTest, LoadDuringALoadCancelsItFirst) {
    server_.On("/stall", {TServer::Stall()});
    server_.On("/ok.html", {TServer::Respond(200, {}, "<title>OK</title>")});
    Start(server_.Url("/stall"));
    ASSERT_TRUE(server_.WaitForRequests(1));
    Start(server_.Url("/ok.html"));
    ASSERT_TRUE(Loaded(2));
    EXPECT_EQ(loaded_[0].state, 1);
    EXPECT_EQ(loaded_[1].state, 0);
    EXPECT_EQ(loaded_[1].title, "OK");
}

TEST_F(QorLoadManagerTest, CancelWithoutWaitReturnsAtOnce) {
    server_.On("/stall", {TServer::Stall()});
    server_.On("/ok.html", {TServer::Respond(200, {}, "<title>OK</title>")});
    manager_.CancelWait = false;
    Start(server_.Url("/stall"));
    ASSERT_TRUE(server_.WaitForRequests(1));
    manager_.Cancel();
    EXPECT_TRUE(loaded_.empty()); // the end report needs the main thread
    // The next Load waits for it, and the main thread keeps serving meanwhile.
    Start(server_.Url("/ok.html"));
    ASSERT_TRUE(Loaded(2));
    EXPECT_EQ(loaded_[0].state, 1);
    EXPECT_EQ(loaded_[1].state, 0);
}

TEST_F(QorLoadManagerTest, CancelFromOnLoadBeforeTheWorkerStarts) {
    server_.On("/ok.html", {TServer::Respond(200, {}, "ok")});
    manager_.OnLoad = [](TQorLoadManager* sender, const TQorFile&) { sender->Cancel(); };
    TLoaded r = LoadAndWait(server_.Url("/ok.html"));
    EXPECT_EQ(r.state, 1);
    EXPECT_EQ(server_.Connections(), 0u);
}

TEST_F(QorLoadManagerTest, CancelFromAnotherThreadWhileTheMainThreadPumps) {
    server_.On("/stall", {TServer::Stall()});
    Start(server_.Url("/stall"));
    ASSERT_TRUE(server_.WaitForRequests(1));
    std::thread canceller([this] {
        manager_.CancelWait = false;
        manager_.Cancel();
    });
    ASSERT_TRUE(Loaded(1));
    canceller.join();
    EXPECT_EQ(loaded_[0].state, 1);
}

TEST_F(QorLoadManagerTest, DestroyingTheManagerEndsItsLoad) {
    server_.On("/stall", {TServer::Stall()});
    auto manager = std::make_unique<TQorLoadManager>();
    manager->Conn = &conn_;
    int reports = 0;
    manager->OnLoaded = [&](TQorLoadManager*, int, int) { ++reports; };
    TQorFile file(server_.Url("/stall"));
    manager->Load(&file);
    ASSERT_TRUE(server_.WaitForRequests(1));
    manager.reset();
    EXPECT_EQ(reports, 1);
    EXPECT_TRUE(PumpUntil([] { return TQorLoadThread::Alive() == 0; }));
}

} // namespace
