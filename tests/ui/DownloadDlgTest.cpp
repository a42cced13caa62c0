// The download window driven as the main window would drive it, against the
// loopback server, without a main window.
#include "download/QorUnreachList.h"
#include "download/ui/DownloadDlg.h"
#include "download/ui/DownloadListModel.h"
#include "download/ui/DownloadWndManager.h"
#include "engine/FileFilter.h"
#include "engine/QorConnGeneral.h"
#include "engine/QorFile.h"
#include "engine/QorLoadThread.h"
#include "engine/ui/FilePropDlg.h"
#include "engine/ui/FilePropDlgManager.h"
#include "engine/ui/QtText.h"
#include "shell/QtMainThreadBridge.h"
#include "support/TempFolder.h"
#include "support/TestHttpServer.h"
#include "support/UiTestSupport.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTabWidget>
#include <QTest>
#include <QUrl>

#include <filesystem>
#include <fstream>

using TServer = TTestHttpServer;

namespace {

std::string Body(size_t n, char salt) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7 + static_cast<size_t>(salt)) & 0xFF);
    return s;
}

std::string ReadNative(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

const char* kLM = "Wed, 01 Jan 2020 00:00:00 GMT";

} // namespace

class DownloadDlgTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TTempFolder> temp;
    TQorConnGeneral conn;
    TQorUnreachList unreach;
    TDownloadWndManager manager;

    // A window set up in the order the main window uses.
    TDownloadDlg* Open(int loadCount = 1) {
        auto* w = new TDownloadDlg(manager.NextNumber(), 0, false, false);
        w->SetDataPath(temp->Win("data") + "\\");
        w->SetCachePath(temp->Win("cache") + "\\");
        w->SetLoadCount(loadCount);
        w->SetRunState(true);
        w->UnreachList = &unreach;
        w->SetConn(&conn);
        w->OnCloseWindow = [this](TDownloadDlg* sender) { manager.Remove(sender); };
        manager.Add(w);
        w->show();
        return w;
    }
    void Add(TDownloadDlg* w, const std::string& url) {
        TQorFile f(url);
        w->AddFile(&f);
    }
    std::string SaveDir() const { return temp->Win("save"); }

private slots:
    void initTestCase() { new TQtMainThreadBridge(this); }
    void init() {
        temp = std::make_unique<TTempFolder>("dlwin");
        QVERIFY(temp->Ok());
        for (const char* d : {"data", "cache", "save"}) std::filesystem::create_directories(temp->NativePath(d));
        conn.SetTimeout(20);
        unreach.ClearFile(true);
    }
    void cleanup() {
        for (int i = manager.Count() - 1; i >= 0; --i) manager.Get(i)->close();
        QVERIFY(WaitUntil([] { return TQorLoadThread::Alive() == 0; }));
        QTest::qWait(20);
        temp.reset();
    }

    void captionsAndRunButton() {
        TDownloadDlg* w = Open();
        const QString n = QString::number(w->WindowNumber);
        QCOMPARE(w->windowTitle(), n + QtLit("-[中断] ファイルはありません"));
        QVERIFY(!w->tbbSuspend->isEnabled());
        // A range expands to each of its addresses; a local file is no download.
        w->AddURL("http://127.0.0.1:1/img[1-3].jpg\r\nfile:///C|/tmp/x.txt\r\n");
        QCOMPARE(w->Queue().Count(), 3);
        QVERIFY(w->tbbSuspend->isEnabled());
        QCOMPARE(w->windowTitle(), n + QtLit("-[中断] 残り 3 ファイル"));
        w->chkDoCascade->click();
        QCOMPARE(w->windowTitle(), n + QtLit("-[中断] 残り 3 ファイル - カスケードダウンロード"));
        // The view follows on its next refresh.
        QVERIFY(WaitUntil([&] { return w->Model()->rowCount() == 3; }));
    }

    void folderChecksKeepTheWindowPaused() {
        TDownloadDlg* w = Open();
        Add(w, "http://127.0.0.1:1/a.bin");
        TBoxAnswerer boxes;
        const struct {
            const char* folder;
            const char* message;
        } cases[] = {{"dl", "保存フォルダに指定されているドライブは存在しません。"},
                     {"D:\\x", "保存フォルダに指定されているドライブは存在しません。"},
                     {"  ", "保存フォルダを指定してください。"}};
        for (const auto& c : cases) {
            boxes.Texts.clear();
            w->cmbSaveDir->setEditText(c.folder);
            w->tbbSuspend->trigger();
            QVERIFY(WaitUntil([&] { return !boxes.Texts.isEmpty(); }));
            QCOMPARE(boxes.Texts.front(), QtLit(c.message));
            QCOMPARE(boxes.Titles.front(), QtLit("エラー"));
            QVERIFY(w->Paused);
            QVERIFY(!w->tbbSuspend->isChecked());
        }
        // The cascade's own check runs too.
        boxes.Texts.clear();
        w->cmbSaveDir->setEditText(QtStr(SaveDir()));
        w->chkDoCascade->click();
        w->tbbSuspend->trigger();
        QVERIFY(WaitUntil([&] { return !boxes.Texts.isEmpty(); }));
        QCOMPARE(boxes.Texts.front(), QtLit("開始アドレスが空です。"));
        QCOMPARE(w->pgcMain->currentIndex(), 2);
        QVERIFY(w->Paused);
    }

    // Several files in parallel; closing leaves two unfinished ones in the
    // unfinished-file list and in unreach.dat; a new window resumes both with
    // range requests and saves them whole.
    void closeWithUnfinishedThenResumeInANewWindow() {
        TServer server;
        const std::string a = Body(4000, 1), b = Body(5000, 2), c = Body(3000, 3);
        auto partial = [&](const std::string& body) {
            return TServer::TScript{TServer::Send("HTTP/1.0 200 OK\r\nLast-Modified: " + std::string(kLM) +
                                                  "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" +
                                                  body.substr(0, 1000)),
                                    TServer::Stall()};
        };
        server.On("/a.bin", partial(a));
        server.On("/b.bin", partial(b));
        server.On("/c.bin", {TServer::Respond(200, {"Content-Length: 3000"}, c)});

        TDownloadDlg* w = Open(0); // a count of 0 runs one at a time, not none
        w->edtDlCount->setText("3");
        for (const char* p : {"/a.bin", "/b.bin", "/c.bin"}) Add(w, server.Url(p));
        w->cmbSaveDir->setEditText(QtStr(SaveDir()));
        w->tbbSuspend->trigger();
        QVERIFY(!w->Paused);
        QVERIFY(WaitUntil([&] { return w->SuccessCount == 1; }));
        QVERIFY(WaitUntil([&] {
            for (int i = 0; i < 2; ++i) {
                TQorDownloadManager* m = w->Queue().Items(i)->Data;
                if (!m || m->LoadSize < 1000) return false;
            }
            return true;
        }));
        QVERIFY(WaitUntil([&] { return w->PanelText(1) == QtLit("成功:1 失敗:0"); }));
        QPointer<TDownloadDlg> gone(w);
        w->close();
        QVERIFY(WaitUntil([&] { return gone.isNull(); }));
        QCOMPARE(manager.Count(), 0);

        QCOMPARE(unreach.EntryCount(), 2);
        TQorUnreachList saved;
        QVERIFY(saved.LoadFromFile(temp->Win("data") + "\\unreach.dat"));
        QCOMPARE(saved.EntryCount(), 2);
        QCOMPARE(saved.GetFile(0)->LoadSize, 1000);
        QCOMPARE(saved.GetFile(1)->FileSize, 5000);
        QCOMPARE(saved.GetFile(0)->Progress, 25);

        const size_t before = server.Requests().size();
        for (const auto& [path, body] : {std::pair{"/a.bin", &a}, std::pair{"/b.bin", &b}})
            server.On(path, {TServer::Respond(206,
                                              {"Last-Modified: " + std::string(kLM),
                                               "Content-Length: " + std::to_string(body->size() - 1000)},
                                              body->substr(1000))});
        TDownloadDlg* again = Open(2);
        for (int i = 0; i < unreach.Count(); ++i) again->AddFile(unreach.GetFileInfo(unreach.Item(i)));
        again->StartWithFolder(SaveDir());
        QVERIFY(WaitUntil([&] { return again->SuccessCount == 2; }));
        QVERIFY(ReadNative(temp->NativePath("save") / "a.bin") == a);
        QVERIFY(ReadNative(temp->NativePath("save") / "b.bin") == b);
        QVERIFY(ReadNative(temp->NativePath("save") / "c.bin") == c);
        int ranges = 0;
        const auto requests = server.Requests();
        for (size_t i = before; i < requests.size(); ++i)
            if (requests[i].find("range: bytes=1000-\r\n") != std::string::npos) ++ranges;
        QCOMPARE(ranges, 2);
        // Finished files leave the unfinished-file list.
        QCOMPARE(unreach.EntryCount(), 0);
        QVERIFY(WaitUntil([&] { return again->windowTitle().endsWith(QtLit("全て完了")); }));
    }

    void autoCloseWhenNothingIsLeft() {
        TServer server;
        server.SetDefault({TServer::Respond(200, {"Content-Length: 10"}, "0123456789")});
        auto* w = new TDownloadDlg(manager.NextNumber(), 0, false, true);
        w->SetCachePath(temp->Win("cache") + "\\");
        w->SetConn(&conn);
        w->show();
        QPointer<TDownloadDlg> p(w);
        Add(w, server.Url("/x.bin"));
        w->StartWithFolder(SaveDir());
        QVERIFY(WaitUntil([&] { return p.isNull(); }));

        // With the cascade box on it stays.
        auto* c = new TDownloadDlg(manager.NextNumber(), 0, false, true);
        c->SetCachePath(temp->Win("cache") + "\\");
        c->show();
        c->PrepareCascade("");
        QVERIFY(c->chkDoCascade->isChecked());
        QCOMPARE(c->pgcMain->currentIndex(), 2);
        QPointer<TDownloadDlg> q(c);
        QTest::qWait(300);
        QVERIFY(!q.isNull());
        c->close();
    }

    void cascadeFromTheCascadeTab() {
        TServer server;
        const std::string page = "<html><a href=\"p1.jpg\">1</a><a href=\"p2.jpg\">2</a><a href=\"x.txt\">x</a>"
                                 "<a href=\"sub.html\">s</a></html>";
        server.On("/c/index.html", {TServer::Respond(200, {"Content-Type: text/html"}, page)});
        server.On("/c/sub.html", {TServer::Respond(200, {"Content-Type: text/html"}, "<a href=\"p3.jpg\">3</a>")});
        for (const char* p : {"/c/p1.jpg", "/c/p2.jpg", "/c/p3.jpg"})
            server.On(p, {TServer::Respond(200, {"Content-Length: 4"}, "JPEG")});
        TDownloadDlg* w = Open(2);
        TFileFilter filters;
        filters.Add("Text", "txt");
        filters.Add("Images", "jpg:gif");
        w->SetFileFilter(&filters);
        QCOMPARE(w->cmbExt->count(), 2);
        w->PrepareCascade(server.Url("/c/index.html"));
        w->SelectExt(2);
        QCOMPARE(w->cmbExt->currentIndex(), 1);
        w->edtCascade->setText("1");
        w->cmbSaveDir->setEditText(QtStr(SaveDir()));
        w->tbbSuspend->trigger();
        QVERIFY(!w->Paused);
        QVERIFY(WaitUntil([&] { return w->PanelText(0) == QtLit("全てのページの検索が完了しました。"); }));
        QVERIFY(WaitUntil([&] { return w->SuccessCount == 3; }));
        QCOMPARE(w->Queue().Count(), 3);
        QCOMPARE(w->Loader, nullptr);
        for (const char* f : {"p1.jpg", "p2.jpg", "p3.jpg"}) QCOMPARE(ReadNative(temp->NativePath("save") / f), "JPEG");
    }

    // Closing during a crawl: the crawl's end notice comes later and must
    // find nothing of the window.
    void closingDuringACascade() {
        TServer server;
        server.On("/slow/index.html", {TServer::Delay(300), TServer::Respond(200, {"Content-Type: text/html"}, "<a href=a.jpg>a</a>")});
        TDownloadDlg* w = Open();
        w->PrepareCascade(server.Url("/slow/index.html"));
        w->edtCascade->setText("0");
        w->cmbSaveDir->setEditText(QtStr(SaveDir()));
        w->tbbSuspend->trigger();
        QVERIFY(w->Loader);
        QVERIFY(WaitUntil([&] { return !server.Requests().empty(); }));
        QPointer<TDownloadDlg> p(w);
        w->close();
        QVERIFY(WaitUntil([&] { return p.isNull(); }));
        QTest::qWait(500);
    }

    // Rows deleted, moved back to waiting or cleared while a property window
    // is open: OK writes only into the rows still there.
    void propertyWindowOutlivesItsRows() {
        TDownloadDlg* w = Open();
        for (const char* u : {"http://127.0.0.1:1/1.jpg", "http://127.0.0.1:1/2.jpg", "http://127.0.0.1:1/3.jpg"})
            Add(w, u);
        w->Model()->Refresh();
        w->pdlList->selectAll();
        w->tbbProp->trigger();
        QCOMPARE(w->PropDlgManager->Count(), 1);
        TFilePropDlg* prop = w->PropDlgManager->Get(0);
        QVERIFY(prop->windowTitle().contains(QtLit("1.jpg, ...")));
        QVERIFY(prop->edtReferer->text().isEmpty());
        // The second row goes.
        w->pdlList->clearSelection();
        w->pdlList->selectRow(1);
        w->tbbDelete->trigger();
        QCOMPARE(w->Queue().Count(), 2);
        prop->edtReferer->setText("http://ref/");
        prop->edtPort->setText("8080");
        QPointer<TFilePropDlg> p(prop);
        prop->btnOK->click();
        QVERIFY(WaitUntil([&] { return p.isNull(); }));
        QCOMPARE(w->PropDlgManager->Count(), 0);
        for (int i = 0; i < 2; ++i) {
            const TQorFile& f = *w->Queue().Items(i)->Data->File;
            QCOMPARE(f.Referer, std::string("http://ref/"));
            QCOMPARE(f.URL->Port, std::string("8080"));
        }
        // A window open while the queue is cleared.
        w->pdlList->selectAll();
        w->tbbProp->trigger();
        w->Queue().Clear();
        w->PropDlgManager->Get(0)->btnOK->click();
        QVERIFY(WaitUntil([&] { return w->PropDlgManager->Count() == 0; }));
    }

    // The view follows the queue by row ranges: a row whose text changed,
    // rows deleted from the middle, a thousand rows appended; never a reset,
    // and the selected row stays selected.
    void viewFollowsTheQueueKeepingTheSelection() {
        TDownloadDlg* w = Open();
        for (int i = 0; i < 5; ++i) Add(w, "http://127.0.0.1:1/" + std::to_string(i) + ".jpg");
        TDownloadListModel* model = w->Model();
        model->Refresh();
        QSignalSpy resets(model, &QAbstractItemModel::modelReset);
        w->pdlList->selectRow(3);
        const uint64_t selected = model->RowId(3);

        w->Queue().SetSaveDir(w->Queue().Items(1), SaveDir() + "\\");
        model->Refresh();
        QCOMPARE(model->data(model->index(1, 4)).toString(), QtStr(SaveDir() + "\\"));

        w->Queue().Delete(w->Queue().Items(2));
        w->Queue().Delete(w->Queue().Items(0));
        for (int i = 0; i < 1000; ++i) Add(w, "http://127.0.0.1:1/more" + std::to_string(i) + ".jpg");
        model->Refresh();
        QCOMPARE(model->rowCount(), w->Queue().Count());
        for (int i = 0; i < model->rowCount(); ++i) QCOMPARE(model->RowId(i), w->Queue().Items(i)->Id);
        QCOMPARE(model->data(model->index(0, 4)).toString(), QtStr(SaveDir() + "\\"));
        QCOMPARE(model->data(model->index(1002, 0)).toString(), QtLit("more999.jpg"));
        const std::vector<TQorDownloadRow*> rows = w->SelectedRows();
        QCOMPARE(rows.size(), size_t(1));
        QCOMPARE(rows[0]->Id, selected);
        QCOMPARE(resets.count(), 0);
    }

    // Addresses dropped from other programs (and for now the records of our
    // own views, which come as their addresses) are queued; a file
    // manager's files are taken but are no downloads (the range expansion
    // once made "C:\dl" the web address "http://C:dl").
    void dropsQueueAddresses() {
        TDownloadDlg* w = Open();
        auto drop = [&](QMimeData* data) {
            std::unique_ptr<QMimeData> owned(data);
            QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(w, &enter);
            if (!enter.isAccepted()) return false;
            QDropEvent dropped(QPointF(20, 20), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(w, &dropped);
            return dropped.isAccepted();
        };
        auto* text = new QMimeData;
        text->setText("http://127.0.0.1:1/a.jpg\r\nhttp://127.0.0.1:1/b[1-2].jpg\r\n");
        QVERIFY(drop(text));
        QCOMPARE(w->Queue().Count(), 3);
        auto* files = new QMimeData;
        files->setUrls({QUrl::fromLocalFile(QString::fromStdString(temp->NativePath("save").string()))});
        QVERIFY(drop(files));
        QCOMPARE(w->Queue().Count(), 3);
        w->AddURL(temp->Win("save") + "\\a[1-2].txt\r\nhttp://127.0.0.1:1/c.jpg");
        QCOMPARE(w->Queue().Count(), 4);
    }

    // The window's own keys work from inside its controls, and every key
    // goes on to OnKeyForward once, also a key the focused control takes.
    void keys() {
        TDownloadDlg* w = Open();
        for (const char* u : {"http://127.0.0.1:1/1.jpg", "http://127.0.0.1:1/2.jpg"}) Add(w, u);
        w->Model()->Refresh();
        std::vector<int> forwarded;
        w->OnKeyForward = [&](TDownloadDlg*, int key, Qt::KeyboardModifiers) {
            if (key != Qt::Key_Control && key != Qt::Key_Shift) forwarded.push_back(key);
        };
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        w->pdlList->setFocus();
        w->pdlList->selectRow(0);
        QTest::keyClick(w->pdlList, Qt::Key_F12);
        QTest::keyClick(w->pdlList, Qt::Key_Down); // the list moves its current row
        QTest::keyClick(w->pdlList, Qt::Key_Delete);
        QCOMPARE(forwarded, (std::vector<int>{Qt::Key_F12, Qt::Key_Down, Qt::Key_Delete}));
        QCOMPARE(w->Queue().Count(), 1);

        // Ctrl+V pastes into the queue, but not while the save-folder box has
        // the focus: there it is the box's own paste.
        QApplication::clipboard()->setText("http://127.0.0.1:1/pasted.jpg");
        QTest::keyClick(w->pdlList, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(w->Queue().Count(), 2);
        w->cmbSaveDir->setEditText("");
        w->cmbSaveDir->setFocus();
        QTest::keyClick(w->cmbSaveDir->lineEdit(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(w->Queue().Count(), 2);
        QCOMPARE(w->cmbSaveDir->currentText(), QtLit("http://127.0.0.1:1/pasted.jpg"));

        // Ctrl+Shift+D opens the save-folder list; Shift+Esc closes the window.
        w->cmbSaveDir->addItem(QtStr(SaveDir()));
        w->pdlList->setFocus();
        QTest::keyClick(w->pdlList, Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(w->cmbSaveDir->view()->isVisible());
        w->cmbSaveDir->hidePopup();
        QPointer<TDownloadDlg> p(w);
        QTest::keyClick(w->pdlList, Qt::Key_Escape, Qt::ShiftModifier);
        QVERIFY(WaitUntil([&] { return p.isNull(); }));
    }

    void managerNumbersAndCycles() {
        TDownloadWndManager m;
        QCOMPARE(m.Count(), 0);
        m.Cycle(false); // nothing open: nothing happens
        QCOMPARE(m.NextNumber(), 1);
        TDownloadDlg a(1, 0, false, false), b(2, 0, false, false), c(3, 0, false, false);
        m.Add(&a);
        m.Add(&b);
        m.Add(&c); // newest first: c b a
        QCOMPARE(m.Get(0), &c);
        QCOMPARE(m.CycleTarget(false), &c); // none active: the first
        m.SetActive(&a);
        QCOMPARE(m.CycleTarget(false), &c); // from the last to the first
        QCOMPARE(m.CycleTarget(true), &b);
        m.SetActive(&c);
        QCOMPARE(m.CycleTarget(true), &a); // from the first to the last
        m.Remove(&c);
        QCOMPARE(m.Active(), nullptr);
        QCOMPARE(m.Get(5), nullptr);
        for (int i = 2; i < 9999; ++i) m.NextNumber();
        QCOMPARE(m.NextNumber(), 9999);
        QCOMPARE(m.NextNumber(), 1);
    }
};

QTEST_MAIN(DownloadDlgTest)
#include "DownloadDlgTest.moc"
