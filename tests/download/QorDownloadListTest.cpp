#include "download/QorDownloadList.h"

#include "engine/QorConnGeneral.h"
#include "engine/QorFile.h"
#include "engine/QorLoadThread.h"
#include "platform/CodePage.h"
#include "platform/Thread.h"
#include "support/MainThreadPump.h"
#include "support/StrangerTlsRelay.h"
#include "support/TempFolder.h"
#include "support/TestHttpServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using TServer = TTestHttpServer;

std::string Body(size_t n, char salt) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 13 + static_cast<size_t>(salt)) & 0xFF);
    return s;
}

std::string ReadNative(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A loopback port with nothing listening on it.
int ClosedPort() {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(fd);
    return ntohs(a.sin_port);
}

class TDownloadListFixture : public ::testing::Test {
protected:
    void SetUp() override {
        TThread::SetMainThread();
        ASSERT_TRUE(temp.Ok());
        std::filesystem::create_directories(temp.NativePath("save"));
        std::filesystem::create_directories(temp.NativePath("cache"));
        conn.SetTimeout(20);
        list.Conn = &conn;
        list.SetDefaultSaveDir(temp.Win("save"));
        list.CachePath = temp.Win("cache") + "\\";
        list.RetryWait = 0;
        list.OnLoaded = [this](TQorDownloadList*, bool success, TQorFile* file) {
            ++loaded;
            (success ? successes : failures).push_back(file->URL->FileName);
        };
        list.OnProcessed = [this](TQorDownloadList*) { ++processed; };
    }
    void TearDown() override {
        list.Clear();
        EXPECT_TRUE(PumpUntil([] { return TQorLoadThread::Alive() == 0; }));
    }

    TQorDownloadRow* Add(const std::string& url) {
        TQorFile file(url);
        return list.AddFile(&file);
    }
    int Active() const {
        int n = 0;
        for (int i = 0; i < list.Count(); ++i) {
            uint8_t s = list.Items(i)->Data->State;
            if (s == 1 || s == 2) ++n;
        }
        return n;
    }
    std::filesystem::path Saved(const std::string& name) { return temp.NativePath("save") / name; }

    TTempFolder temp{"dllist"};
    TServer server;
    TQorConnGeneral conn;
    TQorDownloadList list;
    int loaded = 0;
    int processed = 0;
    std::atomic<int> changes{0}; // change notices come from transfer threads too
    std::vector<std::string> successes;
    std::vector<std::string> failures;
};

TEST_F(TDownloadListFixture, AddedRowTexts) {
    TQorDownloadRow* a = Add(server.Url("/dir/a.bin"));
    TQorDownloadRow* b = Add(server.Url("/dir/"));
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(a->Caption, "a.bin");
    EXPECT_EQ(b->Caption, "index.html");
    const std::vector<std::string> texts = {SJ("待機"), "", "", SJ("デフォルト"), "0/999", "", ""};
    EXPECT_EQ(a->SubItems, texts);
    EXPECT_EQ(a->ImageIndex, 0);
    EXPECT_EQ(list.GetManager(a)->Item, a);
    EXPECT_EQ(list.GetItem(list.GetManager(b)), b);
    EXPECT_EQ(list.GetDefaultSaveDir(), temp.Win("save") + "\\");

    list.SetSaveDir(b, "C:\\x\\");
    list.SetRetryCount(b, 5);
    EXPECT_EQ(b->SubItems[3], "C:\\x\\");
    EXPECT_EQ(b->SubItems[4], "0/5");
    list.SetSaveDir(b, "");
    EXPECT_EQ(b->SubItems[3], SJ("デフォルト"));
    EXPECT_EQ(list.GetUnfinished(), (std::vector<TQorDownloadRow*>{a, b}));
}

TEST_F(TDownloadListFixture, ProgressTextsFromTheHandlers) {
    TQorDownloadRow* row = Add(server.Url("/f.bin"));
    TQorDownloadManager* m = list.GetManager(row);
    m->SaveName = "f.bin";
    m->FileSize = 1536;
    m->LoadSize = 512;
    list.LoadManHead(m);
    EXPECT_EQ(row->SubItems[0], SJ("ダウンロード中"));
    EXPECT_EQ(row->SubItems[1], "2 KB");
    EXPECT_EQ(row->SubItems[2], "512 B (33%)");

    m->FileSize = 3'150'000;
    m->PrevLoadSize = 0;
    m->LoadSize = 150'000;
    list.LoadManReceiveData(m, 1000);
    EXPECT_EQ(row->SubItems[5], "147 KB/s");
    EXPECT_EQ(row->SubItems[6], "0:00:20");

    m->FileSize = -1;
    list.LoadManHead(m);
    EXPECT_EQ(row->SubItems[1], SJ("不明"));
    EXPECT_EQ(row->SubItems[2], "147 KB (0%)");
    list.LoadManReceiveData(m, 1000);
    EXPECT_EQ(row->SubItems[6], SJ("不明"));
    EXPECT_EQ(TQorDownloadList::RemainText(100'000, 0, 10), "2:46:40");

    list.LoadManHeading(m);
    EXPECT_EQ(row->SubItems[0], SJ("ヘッダを取得中"));
    EXPECT_EQ(row->SubItems[1], "");
    EXPECT_EQ(row->SubItems[5], "");
    EXPECT_EQ(row->ImageIndex, 1);
}

TEST(TDownloadListTexts, EndStates) {
    const std::string err = SJ("エラー");
    EXPECT_EQ(TQorDownloadList::StateText(0, 200), SJ("完了"));
    EXPECT_EQ(TQorDownloadList::StateText(0, 302), SJ("完了"));
    EXPECT_EQ(TQorDownloadList::StateText(0, 404), err + " [404]");
    EXPECT_EQ(TQorDownloadList::StateText(1, 0), "cancel");
    EXPECT_EQ(TQorDownloadList::StateText(2, 0), err + " [open fail]");
    EXPECT_EQ(TQorDownloadList::StateText(3, 200), err + " [time out]");
    EXPECT_EQ(TQorDownloadList::StateText(4, 200), err + " [file I/O]");
}

TEST_F(TDownloadListFixture, EmptyListIsProcessedAtOnce) {
    list.Download();
    EXPECT_EQ(processed, 1);
}

TEST_F(TDownloadListFixture, TwoAtATimeAllSavedIntact) {
    constexpr int kFiles = 5;
    std::vector<std::string> bodies;
    for (int i = 0; i < kFiles; ++i) {
        bodies.push_back(Body(20000 + static_cast<size_t>(i) * 1000, static_cast<char>(i)));
        const std::string target = "/f" + std::to_string(i) + ".bin";
        server.On(target, {TServer::Delay(150),
                           TServer::Respond(200, {"Content-Length: " + std::to_string(bodies.back().size())},
                                            bodies.back())});
        Add(server.Url(target));
    }
    list.LoadCount = 2;
    list.Download();
    // The first pass starts the first two rows and no more.
    EXPECT_EQ(list.Items(0)->Data->State, 1);
    EXPECT_EQ(list.Items(1)->Data->State, 1);
    for (int i = 2; i < kFiles; ++i) EXPECT_EQ(list.Items(i)->Data->State, 0);

    int most = 0;
    ASSERT_TRUE(PumpUntil([&] {
        most = std::max(most, Active());
        return loaded == kFiles;
    }));
    EXPECT_EQ(most, 2);
    EXPECT_EQ(processed, 1);
    EXPECT_EQ(list.GetLoadedCount(), kFiles);
    EXPECT_TRUE(list.GetUnfinished().empty());
    EXPECT_EQ(successes.size(), static_cast<size_t>(kFiles));
    for (int i = 0; i < kFiles; ++i) {
        SCOPED_TRACE(i);
        const std::string name = "f" + std::to_string(i) + ".bin";
        EXPECT_TRUE(ReadNative(Saved(name)) == bodies[static_cast<size_t>(i)]) << "saved file differs";
        TQorDownloadRow row = list.GetRow(i);
        EXPECT_EQ(row.Caption, name);
        EXPECT_EQ(row.SubItems[0], SJ("完了"));
        const std::string kb = std::to_string((bodies[static_cast<size_t>(i)].size() + 1023) / 1024) + " KB";
        EXPECT_EQ(row.SubItems[1], kb);
        EXPECT_EQ(row.SubItems[2], kb + " (100%)");
        EXPECT_EQ(row.SubItems[4], "1/999");
        EXPECT_EQ(row.ImageIndex, 2);
    }
}

// A certificate the transport refuses: the row's state says why.
TEST_F(TDownloadListFixture, CertificateFailureSaysWhyInTheRow) {
    const TStrangerTlsRelay tls(temp.Native(), server.Port());
    ASSERT_TRUE(tls.Ready());
    list.RetryCount = 1;
    TQorDownloadRow* row = Add(tls.Url("/f.bin"));
    list.Download();
    ASSERT_TRUE(PumpUntil([&] { return loaded == 1; }));
    EXPECT_EQ(row->SubItems[0], SJ("エラー [open fail] (証明書の発行者が不明です)"));
    EXPECT_EQ(row->ImageIndex, 3);
}

TEST_F(TDownloadListFixture, NotFoundAndRefusedRows) {
    list.RetryCount = 2;
    std::vector<std::string> retries;
    list.OnRetry = [&](TQorDownloadList*, TQorDownloadManager* m) {
        retries.push_back(m->File->URL->FileName + " " + std::to_string(m->RunCount) + " " +
                          std::to_string(m->Result) + " " + std::to_string(m->ConnectFailure));
    };
    TQorDownloadRow* missing = Add(server.Url("/missing.bin"));
    TQorDownloadRow* refused = Add("http://127.0.0.1:" + std::to_string(ClosedPort()) + "/r.bin");
    const std::string body = Body(3000, 9);
    server.On("/ok.bin", {TServer::Respond(200, {"Content-Length: 3000"}, body)});
    TQorDownloadRow* ok = Add(server.Url("/ok.bin"));
    list.LoadCount = 1;
    list.Download();
    ASSERT_TRUE(PumpUntil([&] { return loaded == 3; }));

    const std::string err = SJ("エラー");
    EXPECT_EQ(missing->SubItems[0], err + " [404]");
    EXPECT_EQ(missing->ImageIndex, 3);
    EXPECT_EQ(refused->SubItems[0], err + " [open fail]");
    EXPECT_EQ(refused->ImageIndex, 3);
    EXPECT_EQ(refused->SubItems[4], "2/2"); // both attempts used
    // The first attempt's failure was told before the second began.
    EXPECT_EQ(retries, (std::vector<std::string>{"r.bin 1 2 " + std::to_string(cfRefused)}));
    EXPECT_EQ(refused->Data->ConnectFailure, cfRefused);
    EXPECT_EQ(ok->SubItems[0], SJ("完了"));
    EXPECT_EQ(failures, (std::vector<std::string>{"missing.bin", "r.bin"}));
    EXPECT_EQ(successes, (std::vector<std::string>{"ok.bin"}));
    EXPECT_TRUE(ReadNative(Saved("ok.bin")) == body);

    // Failed rows go back to the end as waiting rows, in their order, with
    // their own save folder.
    list.SetSaveDir(refused, temp.Win("save") + "\\");
    list.OnChange = [this](TQorDownloadList*, int index) {
        ++changes;
        EXPECT_EQ(index, -1);
    };
    list.FailToWait();
    EXPECT_EQ(changes, 1);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Items(0), ok);
    EXPECT_EQ(list.GetRow(1).Caption, "missing.bin");
    EXPECT_EQ(list.GetRow(1).SubItems[0], SJ("待機"));
    EXPECT_EQ(list.GetRow(1).SubItems[3], SJ("デフォルト"));
    EXPECT_EQ(list.GetRow(2).Caption, "r.bin");
    EXPECT_EQ(list.GetRow(2).SubItems[3], temp.Win("save") + "\\");
    EXPECT_EQ(list.GetRow(2).SubItems[4], "0/2");
    EXPECT_EQ(list.Items(2)->Data->State, 0);
}

TEST_F(TDownloadListFixture, ARowRefusedBySizeDoesNotStopTheQueue) {
    server.On("/small.bin", {TServer::Respond(200, {"Content-Length: 1000"}, Body(1000, 1))});
    server.On("/large.bin", {TServer::Respond(200, {"Content-Length: 3000"}, Body(3000, 2))});
    list.CheckSize = true;
    list.SizeVector = true; // refuse files of at most 2 KB
    list.LimitSize = 2048;
    list.LoadCount = 1;
    Add(server.Url("/small.bin"));
    Add(server.Url("/large.bin"));
    list.Download();
    ASSERT_TRUE(PumpUntil([&] { return processed > 0; }));
    EXPECT_EQ(failures, (std::vector<std::string>{"small.bin"}));
    EXPECT_EQ(successes, (std::vector<std::string>{"large.bin"}));
    EXPECT_TRUE(list.Items(0)->Data->SizeRefused);
    EXPECT_EQ(list.GetRow(0).SubItems[0], "cancel");
}

TEST_F(TDownloadListFixture, SuspendHoldsTheSlotAndCancelStopsTheQueue) {
    constexpr size_t kBig = 4 * 1024 * 1024;
    server.On("/big.bin", {TServer::Send("HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(kBig) + "\r\n\r\n"),
                           TServer::Delay(300), TServer::Stream(kBig)});
    const std::string body = Body(2000, 3);
    server.On("/small.bin", {TServer::Respond(200, {"Content-Length: 2000"}, body)});
    TQorDownloadRow* big = Add(server.Url("/big.bin"));
    TQorDownloadRow* small = Add(server.Url("/small.bin"));
    list.LoadCount = 1;
    list.Download();
    // Stopped once its body is on the way, so no header text overwrites the
    // state afterwards.
    ASSERT_TRUE(PumpUntil([&] { return list.GetRow(0).SubItems[0] == SJ("ダウンロード中"); }));
    EXPECT_EQ(list.Suspend(), 1);
    EXPECT_EQ(list.GetRow(0).SubItems[0], SJ("停止"));
    list.Download(); // the stopped row keeps its slot
    PumpUntil([] { return false; }, 500);
    EXPECT_EQ(list.GetManager(small)->State, 0);
    EXPECT_EQ(small->SubItems[0], SJ("待機"));

    EXPECT_EQ(list.Resume(), 1);
    EXPECT_EQ(list.GetManager(big)->State, 1);
    // A cancelled row does not start the next one.
    list.GetManager(big)->Cancel();
    ASSERT_TRUE(PumpUntil([&] { return loaded == 1; }));
    EXPECT_EQ(big->SubItems[0], "cancel");
    EXPECT_EQ(big->ImageIndex, 3);
    PumpUntil([] { return false; }, 300);
    EXPECT_EQ(list.GetManager(small)->State, 0);
    EXPECT_EQ(list.GetUnfinished(), (std::vector<TQorDownloadRow*>{small}));

    list.Download();
    ASSERT_TRUE(PumpUntil([&] { return loaded == 2; }));
    EXPECT_EQ(small->SubItems[0], SJ("完了"));
    EXPECT_TRUE(ReadNative(Saved("small.bin")) == body);
}

TEST_F(TDownloadListFixture, IndependentRowDoesNotMoveTheQueue) {
    const std::string body = Body(1500, 5);
    server.SetDefault({TServer::Respond(200, {"Content-Length: 1500"}, body)});
    TQorDownloadRow* a = Add(server.Url("/a.bin"));
    TQorDownloadRow* b = Add(server.Url("/b.bin"));
    list.IndependenceDownload(b);
    ASSERT_TRUE(PumpUntil([&] { return loaded == 1; }));
    EXPECT_EQ(b->SubItems[0], SJ("完了"));
    EXPECT_FALSE(list.GetManager(b)->Independent);
    PumpUntil([] { return false; }, 300);
    EXPECT_EQ(list.GetManager(a)->State, 0);
    EXPECT_EQ(processed, 0);
    EXPECT_TRUE(ReadNative(Saved("b.bin")) == body);
    // A finished row may be started again the same way.
    list.IndependenceDownload(b);
    ASSERT_TRUE(PumpUntil([&] { return loaded == 2; }));
    EXPECT_TRUE(ReadNative(Saved("b(1).bin")) == body);
    EXPECT_EQ(list.GetManager(a)->State, 0);
}

TEST_F(TDownloadListFixture, DeletingARunningRowCancelsIt) {
    server.On("/stall.bin", {TServer::Stall()});
    TQorDownloadRow* row = Add(server.Url("/stall.bin"));
    list.OnChange = [this](TQorDownloadList*, int) { ++changes; };
    list.Download();
    ASSERT_TRUE(server.WaitForConnections(1));
    list.Delete(row);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(loaded, 0); // its end report is dropped
    EXPECT_GT(changes, 0);
}

} // namespace

namespace {

// The start pass skips the finished rows at the head of the list; a row
// started again by hand there must still count against LoadCount, and rows
// added behind finished ones must still start.
TEST_F(TDownloadListFixture, PassAfterFinishedRowsStillCountsRestartedOnes) {
    const std::string body = Body(1200, 3);
    server.SetDefault({TServer::Respond(200, {"Content-Length: 1200"}, body)});
    server.On("/slow.bin", {TServer::Delay(400), TServer::Respond(200, {"Content-Length: 1200"}, body)});
    list.LoadCount = 1;
    TQorDownloadRow* a = Add(server.Url("/slow.bin"));
    list.Download();
    ASSERT_TRUE(PumpUntil([&] { return loaded == 1; }));
    // Fed after the first rows finished, as a cascade feeds the queue.
    Add(server.Url("/b.bin"));
    list.Download();
    ASSERT_TRUE(PumpUntil([&] { return loaded == 2; }));
    EXPECT_TRUE(ReadNative(Saved("b.bin")) == body);

    list.IndependenceDownload(a); // the finished head row runs again
    TQorDownloadRow* c = Add(server.Url("/c.bin"));
    list.Download();
    EXPECT_EQ(list.GetManager(c)->State, 0) << "a restarted row holds the only slot";
    ASSERT_TRUE(PumpUntil([&] { return loaded == 3; }));
    list.Download();
    ASSERT_TRUE(PumpUntil([&] { return loaded == 4; }));
    EXPECT_TRUE(ReadNative(Saved("c.bin")) == body);
}

// A property window keeps row ids: a deleted row is gone for good, and ids
// are never reused within the list.
TEST_F(TDownloadListFixture, RowIdsFindLiveRowsOnly) {
    TQorDownloadRow* a = Add("http://127.0.0.1:1/a.bin");
    TQorDownloadRow* b = Add("http://127.0.0.1:1/b.bin");
    const uint64_t idA = a->Id, idB = b->Id;
    EXPECT_NE(idA, idB);
    EXPECT_EQ(list.FindRow(idB), b);
    list.Delete(b);
    EXPECT_EQ(list.FindRow(idB), nullptr);
    EXPECT_GT(Add("http://127.0.0.1:1/c.bin")->Id, idB);
    list.Clear();
    EXPECT_EQ(list.FindRow(idA), nullptr);
}

} // namespace
