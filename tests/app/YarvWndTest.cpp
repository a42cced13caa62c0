// The main window against our own HTTP server and temporary folders: the
// address of the command line, the tree with back and forward, the cache,
// failures, the download question, local folders and their monitor,
// credentials, Esc and closing during a load, and the files it writes.
#include "app/YarvWnd.h"

#include "download/ui/DownloadDlg.h"
#include "engine/LoadCycleRules.h"
#include "engine/QorAddressList.h"
#include "engine/QorPageItems.h"
#include "engine/QorPageTree.h"
#include "engine/ui/QorAuthorDlg.h"
#include "platform/CodePage.h"
#include "platform/FileOps.h"
#include "platform/IniFile.h"
#include "shell/QtMainThreadBridge.h"
#include "shell/QtText.h"
#include "support/DialogDriver.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"
#include "support/TestCertificates.h"
#include "support/TestHttpServer.h"
#include "support/TestTlsRelay.h"
#include "views/QorAddressBar.h"
#include "views/QorFileList.h"
#include "views/QorHistoryTree.h"
#include "views/QorWebTree.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QSystemTrayIcon>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sys/socket.h>
#include <netinet/in.h>
#include <unistd.h>

namespace {

constexpr int kPatience = 30000;
using TServer = TTestHttpServer;

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

TServer::TScript Html(const std::string& body, int status = 200) {
    return {TServer::Respond(status, {"Content-Type: text/html"}, body)};
}

// A port on 127.0.0.1 where nobody listens.
int ClosedPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

} // namespace

class YarvWndTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TTempFolder> home_;
    std::unique_ptr<TServer> server_;
    TYarvWnd* wnd_ = nullptr;

    TYarvWnd& Wnd() { return *wnd_; }
    std::string DataFile(const char* name) { return Wnd().Setting->DataFolder + name; }

    void Create(const std::string& startURL = {}) {
        wnd_ = new TYarvWnd(startURL);
        QVERIFY(!wnd_->InitFailed());
        wnd_->show();
        QVERIFY(QTest::qWaitForWindowExposed(wnd_));
    }
    void Destroy() {
        delete wnd_;
        wnd_ = nullptr;
    }
    // Waits for the end of the running load (the status shows its reply).
    void WaitLoaded() {
        QTRY_VERIFY_WITH_TIMEOUT(!Wnd().Loader().Loading, kPatience);
    }
    void Open(const std::string& url) {
        Wnd().OpenAddress(url);
        WaitLoaded();
    }
    QString Status() { return Wnd().StatusText(); }
    TQorPageNode* TopPage(int index = 0) { return Wnd().pwtTree->RootNode()->Child(index); }
    void ClickNode(TQorPageNode* node, Qt::KeyboardModifiers mods = {}) {
        for (TQorPageNode* up = node->Parent(); up; up = up->Parent()) Wnd().pwtTree->ExpandNode(up);
        const QRect caption = Wnd().pwtTree->CaptionRect(node);
        QTest::mouseClick(Wnd().pwtTree->viewport(), Qt::LeftButton, mods, caption.center());
    }
    int RowCount() { return static_cast<int>(Wnd().pflFile->Core.Rows().size()); }
    void DoubleClickRow(const std::string& fileName) {
        TQorFileList* list = Wnd().pflFile;
        for (int row = 0; row < RowCount(); ++row) {
            if (list->GetFileInfo(row)->URL->FileName != fileName) continue;
            const QModelIndex index = list->model()->index(row, 0);
            list->setCurrentIndex(index);
            const QPoint at = list->visualRect(index).center();
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
            return;
        }
        QFAIL("no such row");
    }

    static std::string IndexPage() {
        return "<html><head><title>" + TCodePage::FromUtf8("索引") +
               "</title></head><body><a href=\"a.html\">A</a> <a href=\"b.html\">B</a> "
               "<img src=\"p.png\"></body></html>";
    }

private slots:
    void initTestCase() { new TQtMainThreadBridge(this); }

    void init() {
        home_ = std::make_unique<TTempFolder>("yarvwnd");
        QVERIFY(home_->Ok());
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(home_->Native()));
        server_ = std::make_unique<TServer>();
        server_->On("/index.html", Html(IndexPage()));
        server_->On("/a.html", Html("<html><head><title>A</title></head><body><a href=\"c.html\">C</a></body></html>"));
        server_->On("/b.html", Html("<html><head><title>B</title></head></html>"));
    }
    void cleanup() {
        Destroy();
        server_.reset();
        QTRY_COMPARE_WITH_TIMEOUT(TQorLoadThread::Alive(), 0, kPatience);
        home_.reset();
    }

    void commandLineAddressChildrenBackForward() {
        Create(server_->Url("/index.html"));
        QTRY_VERIFY_WITH_TIMEOUT(!Wnd().NoPage, kPatience);
        WaitLoaded();
        TQorPageNode* page = TopPage();
        QVERIFY(page);
        QCOMPARE(TQtText::ToQ(page->Caption()), U("索引"));
        QCOMPARE(page->ChildCount(), 2); // the image is no page link
        QCOMPARE(RowCount(), 3);
        QCOMPARE(Wnd().windowTitle(), U("索引 - Vorlen Tiram"));
        QCOMPARE(Status(), U("ステータス : 200"));
        QCOMPARE(Wnd().PageIcon, TQorPageTree::ImageLoaded);
        // The source goes into its tab when the tab is shown, and while it
        // is shown each page's source goes there at once.
        Wnd().pgcFile->setCurrentWidget(Wnd().mmSource);
        QVERIFY(Wnd().mmSource->toPlainText().contains("a.html"));
        // The address bar keeps the port: Enter there opens the same server.
        QCOMPARE(TQtText::ToQ(Wnd().pabAddress->GetURL()), QString::fromStdString(server_->Url("/index.html")));
        // A history record for the page.
        bool record = false;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(
                 std::filesystem::path(home_->Native()) / "Vorlen" / "History"))
            record = record || entry.path().extension() == ".phs";
        QVERIFY(record);

        TQorPageNode* child = page->Child(0);
        ClickNode(child);
        WaitLoaded();
        QCOMPARE(Wnd().pwtTree->CurrentNode(), child);
        QCOMPARE(TQtText::ToQ(child->Caption()), U("A"));
        QCOMPARE(Wnd().pwtTree->Core().HistoryCount(), 2);
        QVERIFY(Wnd().mmSource->toPlainText().contains("c.html"));
        Wnd().pgcFile->setCurrentIndex(0);

        Wnd().BackPage();
        WaitLoaded();
        QCOMPARE(Wnd().pwtTree->CurrentNode(), page);
        Wnd().ForwardPage();
        WaitLoaded();
        QCOMPARE(Wnd().pwtTree->CurrentNode(), child);
        QCOMPARE(Wnd().pwtTree->Core().HistoryCount(), 2);
        QVERIFY(!Wnd().pwtTree->IsCanForward());
    }

    void doubleClickedPageRowsOpen() {
        Create(server_->Url("/index.html"));
        QTRY_VERIFY_WITH_TIMEOUT(!Wnd().NoPage, kPatience);
        WaitLoaded();
        // A page row of the tree's current page opens its child node.
        DoubleClickRow("a.html");
        WaitLoaded();
        TQorPageNode* page = TopPage();
        QCOMPARE(Wnd().pwtTree->CurrentNode(), page->Child(0));
        QCOMPARE(TQtText::ToQ(page->Child(0)->Caption()), U("A"));
        QCOMPARE(RowCount(), 1);

        // After a page opened from the history it opens as a new top page.
        Wnd().OpenURL(server_->Url("/index.html"), loHistory);
        WaitLoaded();
        DoubleClickRow("b.html");
        WaitLoaded();
        QCOMPARE(Wnd().pwtTree->RootNode()->ChildCount(), 2);
        QCOMPARE(TQtText::ToQ(TopPage(1)->Caption()), U("B"));
        QCOMPARE(Wnd().pwtTree->CurrentNode(), TopPage(1));
    }

    void cachedReopenKeepsChildrenShiftRebuilds() {
        Create();
        Open(server_->Url("/index.html"));
        TQorPageNode* page = TopPage();
        TQorPageNode* firstChild = page->Child(0);
        ClickNode(firstChild);
        WaitLoaded();
        const size_t requests = server_->Requests().size();

        ClickNode(page); // from the cache: children kept
        WaitLoaded();
        QCOMPARE(server_->Requests().size(), requests);
        QCOMPARE(Wnd().PageIcon, TQorPageTree::ImageCached);
        QCOMPARE(page->Child(0), firstChild);

        ClickNode(page, Qt::ShiftModifier); // past the cache: rebuilt
        WaitLoaded();
        QVERIFY(server_->Requests().size() > requests);
        QCOMPARE(Wnd().PageIcon, TQorPageTree::ImageLoaded);
        QCOMPARE(page->ChildCount(), 2);
        QVERIFY(page->Child(0) != firstChild);

        // Ctrl+click does nothing.
        ClickNode(page->Child(1), Qt::ControlModifier);
        WaitLoaded();
        QCOMPARE(Wnd().pwtTree->CurrentNode(), page);
    }

    void failedPagesAreMarked() {
        server_->On("/missing.html", Html("<html><a href=\"x.html\">x</a></html>", 404));
        Create();
        Open(server_->Url("/missing.html"));
        TQorPageNode* page = TopPage();
        QVERIFY(TQtText::ToQ(page->Caption()).startsWith("[404] "));
        QCOMPARE(page->ImageIndex(), TQorPageTree::ImageFailed);
        QCOMPARE(Status(), U("ステータス : 404"));
        QVERIFY(RowCount() >= 1); // its links are still listed

        const std::string dead = "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/dead.html";
        Open(dead);
        TQorPageNode* failed = TopPage(1);
        QVERIFY(failed);
        QCOMPARE(TQtText::ToQ(failed->Caption()), U("[open fail] http://127.0.0.1/dead.html"));
        QCOMPARE(failed->ImageIndex(), TQorPageTree::ImageFailed);
        QCOMPARE(Status(), U("open fail http://127.0.0.1/dead.html"));
        QCOMPARE(RowCount(), 0);
    }

    // Rows built on a worker come in after the load; the next load shows
    // only its own rows, whenever the earlier build ends.
    void rowsBuiltOnAWorker() {
        Create();
        Wnd().pflFile->BackgroundRows = 1;
        Open(server_->Url("/index.html"));
        QTRY_VERIFY_WITH_TIMEOUT(!Wnd().pflFile->Building(), kPatience);
        QCOMPARE(RowCount(), 3);
        Open(server_->Url("/index.html"));
        Open(server_->Url("/a.html"));
        QTRY_VERIFY_WITH_TIMEOUT(!Wnd().pflFile->Building(), kPatience);
        QCOMPARE(RowCount(), 1);
        QCOMPARE(Wnd().pflFile->GetFileInfo(0)->URL->FileName, std::string("c.html"));
    }

    // A certificate the transport refuses: the status text and the page's
    // node say why, after the usual "open fail" and the address.
    void certificateFailuresSayWhy() {
        const TTestCertificates trusted("Trusted CA"), stranger("Stranger CA");
        const std::string caFile = home_->Native() + "/ca.pem";
        QVERIFY(trusted.WriteCa(caFile));
        TScopedEnv certFile("SSL_CERT_FILE", caFile);
        TScopedEnv certDir("SSL_CERT_DIR", home_->Native());
        struct TCase {
            const char* name;
            TTestCertificates::TIssued issued;
            const char* reason;
        } cases[] = {
            {.name = "unknown issuer", .issued = stranger.IssueLocal(), .reason = "証明書の発行者が不明です"},
            {.name = "expired", .issued = trusted.Issue({"localhost"}, {"127.0.0.1"}, -30, -1),
             .reason = "証明書の有効期限が切れています"},
            {.name = "wrong host", .issued = trusted.Issue({"other.test"}, {"10.0.0.1"}),
             .reason = "証明書のホスト名が一致しません"},
        };
        Create();
        for (int i = 0; i < int(std::size(cases)); ++i) {
            const TCase& c = cases[i];
            TTestTlsRelay tls(server_->Port(), c.issued.CertPem, c.issued.KeyPem);
            Open(tls.Url("/index.html"));
            const QString reason = U(" (") + U(c.reason) + U(")");
            QCOMPARE(Status(), U("open fail https://127.0.0.1/index.html") + reason);
            TQorPageNode* page = TopPage(i);
            QVERIFY2(page, c.name);
            QCOMPARE(TQtText::ToQ(page->Caption()), U("[open fail] https://127.0.0.1/index.html") + reason);
            QCOMPARE(page->ImageIndex(), TQorPageTree::ImageFailed);
        }
    }

    void downloadQuestionNoThenYes() {
        server_->On("/file.zip", {TServer::Respond(200, {"Content-Type: application/zip"}, "PK....")});
        Create();
        Wnd().poOption.LoadStart = qlstSuspend;
        Open(server_->Url("/index.html"));
        const int rows = RowCount();

        bool yesDefault = false;
        WhenModal<QMessageBox>([&](QMessageBox* box) {
            yesDefault = box->defaultButton() == box->button(QMessageBox::Yes);
            box->button(QMessageBox::No)->click();
        });
        Open(server_->Url("/file.zip"));
        QVERIFY(yesDefault);
        QCOMPARE(RowCount(), rows);
        QCOMPARE(Wnd().ShownPage.URL->FileName, std::string("index.html"));
        QCOMPARE(Wnd().DownloadWindows.Count(), 0);
        QCOMPARE(Wnd().pwtTree->RootNode()->ChildCount(), 1);

        WhenModal<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); });
        Open(server_->Url("/file.zip"));
        QCOMPARE(Wnd().DownloadWindows.Count(), 1);
        TDownloadDlg* dlg = Wnd().DownloadWindows.Get(0);
        QVERIFY(dlg->isVisible());
        QCOMPARE(dlg->Queue().Count(), 1);
        QCOMPARE(RowCount(), rows);
        QCOMPARE(Wnd().ShownPage.URL->FileName, std::string("index.html"));
    }

    void closeWhileTheQuestionIsOpen() {
        server_->On("/file.zip", {TServer::Respond(200, {"Content-Type: application/zip"}, "PK")});
        Create();
        QPointer<TYarvWnd> wnd(wnd_);
        wnd_->setAttribute(Qt::WA_DeleteOnClose);
        bool closedInside = false;
        WhenModal<QMessageBox>([&](QMessageBox*) { closedInside = !wnd->close(); });
        Wnd().OpenAddress(server_->Url("/file.zip"));
        QTRY_VERIFY_WITH_TIMEOUT(wnd.isNull(), kPatience);
        wnd_ = nullptr;
        QVERIFY(closedInside); // put off, then done
        QVERIFY(TFileOps::FileExists(home_->Win("Vorlen\\vorlenpos0.ini")));
    }

    void localFolderWithItsMonitor() {
        TTempFolder folder("yarvlocal");
        std::ofstream(folder.NativePath("one.txt")) << "1";
        std::filesystem::create_directory(folder.NativePath("sub"));
        Create();
        Open(folder.Native());
        QVERIFY(Wnd().Loader().LocalList);
        QCOMPARE(Status(), U("ステータス : 200"));
        QCOMPARE(RowCount(), 2);
        QCOMPARE(TopPage()->ChildCount(), 1); // the sub folder
        QVERIFY(Wnd().mmSource->toPlainText().isEmpty());
        QVERIFY(Wnd().DirMonitor->Active());
        QVERIFY(Wnd().DirMonitor->WaitWatching(kPatience));

        std::ofstream(folder.NativePath("two.txt")) << "2";
        QTRY_COMPARE_WITH_TIMEOUT(RowCount(), 3, kPatience);
        WaitLoaded();
        QVERIFY(Wnd().DirMonitor->Active());

        // On a web page local file operations are refused.
        Open(server_->Url("/index.html"));
        QVERIFY(!Wnd().DirMonitor->Active());
        bool refused = false;
        WhenModal<QMessageBox>([&](QMessageBox* box) {
            refused = box->objectName() == "RefuseLocalAccess";
            box->accept();
        });
        Wnd().pflFile->setFocus();
        Wnd().pflFile->selectAll();
        QTest::keyClick(Wnd().pflFile, Qt::Key_Delete);
        QVERIFY(refused);

        // A folder after a page whose source was never shown: its source
        // tab stays empty, not holding the page's.
        Open(folder.Native());
        Wnd().pgcFile->setCurrentWidget(Wnd().mmSource);
        QVERIFY(Wnd().mmSource->toPlainText().isEmpty());
    }

    void escDuringALoadKeepsTheShownPage() {
        server_->On("/slow.html", {TServer::Stall()});
        Create();
        Open(server_->Url("/index.html"));
        const size_t before = server_->Requests().size();
        Wnd().OpenAddress(server_->Url("/slow.html"));
        QVERIFY(server_->WaitForRequests(before + 1));
        QVERIFY(Wnd().Loader().Loading);
        Wnd().actStop->trigger();
        WaitLoaded();
        QCOMPARE(Status(), QString());
        QCOMPARE(Wnd().pwtTree->RootNode()->ChildCount(), 1);
        QCOMPARE(RowCount(), 3);

        // Update reloads the page shown, not the cancelled one.
        Wnd().UpdatePage();
        WaitLoaded();
        const auto requests = server_->Requests();
        QVERIFY(QString::fromStdString(requests.back()).contains("GET /index.html"));
        QCOMPARE(Status(), U("ステータス : 200"));
    }

    void closeDuringALoad() {
        server_->On("/slow.html", {TServer::Stall()});
        Create();
        Wnd().OpenAddress(server_->Url("/slow.html"));
        QVERIFY(server_->WaitForRequests(1));
        QVERIFY(Wnd().close());
        Destroy();
        QVERIFY(TFileOps::FileExists(home_->Win("Vorlen\\unreach.dat")));
        QVERIFY(TFileOps::FileExists(home_->Win("Vorlen\\vorlenpos0.ini")));
    }

    void credentialsAskedOnceAndKept() {
        server_->On("/secret.html", {TServer::Respond(401, {"WWW-Authenticate: Basic realm=\"x\""}, "no")});
        Create();
        int asked = 0;
        WhenModal<TQorAuthorDlg>([&](TQorAuthorDlg* dlg) {
            ++asked;
            dlg->edtUser->setText(" me ");
            dlg->edtPassword->setText("pw");
            server_->On("/secret.html", Html("<html><title>S</title></html>"));
            dlg->btnOK->click();
        });
        Open(server_->Url("/secret.html"));
        QCOMPARE(asked, 1);
        QCOMPARE(Status(), U("ステータス : 200"));
        QVERIFY(QString::fromStdString(server_->Requests().back()).contains("Authorization: Basic bWU6cHc="));
        QCOMPARE(TQorWebTree::GetFileInfo(TopPage())->URL->User, std::string("me"));

        // Asked for again in a fresh load, the kept credentials go first,
        // without a question; only when they are refused too is the user asked.
        server_->On("/secret.html", {TServer::Respond(401, {}, "no")});
        const size_t before = server_->Requests().size();
        size_t requestsWhenAsked = 0;
        WhenModal<TQorAuthorDlg>([&](TQorAuthorDlg* dlg) {
            ++asked;
            requestsWhenAsked = server_->Requests().size();
            dlg->btnCancel->click();
        });
        Wnd().OpenURL(server_->Url("/secret.html"), loNewRoot, true);
        WaitLoaded();
        QCOMPARE(asked, 2);
        QCOMPARE(requestsWhenAsked, before + 2);
        QVERIFY(!QString::fromStdString(server_->Requests()[before]).contains("Authorization:"));
        QVERIFY(QString::fromStdString(server_->Requests()[before + 1]).contains("Authorization: Basic bWU6cHc="));
        QVERIFY(TQtText::ToQ(TopPage(1)->Caption()).startsWith("[401] "));
    }

    void filesWritten() {
        Create();
        // A typed address goes into address.dat at once.
        QComboBox* box = Wnd().pabAddress->GetHandle();
        box->setFocus();
        box->lineEdit()->setText(QString::fromStdString(server_->Url("/index.html")));
        QTest::keyClick(box, Qt::Key_Return);
        WaitLoaded();
        TQorAddressList saved;
        QVERIFY(saved.LoadFromFile(DataFile("address.dat")));
        QVERIFY(saved.Count() >= 1);
        QCOMPARE(saved.Get(0), server_->Url("/index.html"));

        QVERIFY(Wnd().close());
        Destroy();
        // The window-position file: its sections and keys in order.
        std::string text;
        QVERIFY(TFileOps::ReadWholeFile(home_->Win("Vorlen\\vorlenpos0.ini"), text));
        QStringList keys;
        for (const QString& line : QString::fromStdString(text).split("\r\n", Qt::SkipEmptyParts))
            keys << (line.startsWith('[') ? line : line.section('=', 0, 0));
        QStringList expected{"[MainWindow]", "Left", "Top", "Width", "Height", "State", "NaviWidth",
                             "FILECOL0", "FILECOL1", "FILECOL2", "FILECOL3", "FileActiveCol",
                             "FileSortOrder", "ShowNavi", "UnreachCol0", "UnreachCol1", "UnreachCol2",
                             "UnreachCol3", "UnreachCol4", "UnreachCol5"};
        for (int i = 0; i < 5; ++i) expected << QString("[MainBand%1]").arg(i) << "ID" << "Break" << "Width";
        expected << "[PrevWindow]" << "Left" << "Top" << "Width" << "Height" << "Stretch" << "TopMost";
        QCOMPARE(keys, expected);
        TIniFile ini(home_->Win("Vorlen\\vorlenpos0.ini"));
        for (int i = 0; i < 5; ++i) QCOMPARE(ini.ReadInteger("MainBand" + std::to_string(i), "ID", -1), i);
        QCOMPARE(ini.ReadInteger("MainWindow", "ShowNavi", -1), 1);

        // The next start reads them back.
        Create();
        QCOMPARE(Wnd().pabAddress->Core().Count(), saved.Count());
    }

    void optionFileAsLaidOut() {
        Create();
        Wnd().poOption.LoadStart = qlstSelFolder;
        server_->On("/file.zip", {TServer::Respond(200, {"Content-Type: application/zip"}, "PK")});
        // The folder chosen for a download is kept in option.dat at once.
        WhenModal<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); });
        WhenModal<QFileDialog>([this](QFileDialog* dialog) {
            if (auto* edit = dialog->findChild<QLineEdit*>()) edit->setText(QString::fromStdString(home_->Native()));
            static_cast<QDialog*>(dialog)->accept();
        });
        Open(server_->Url("/file.zip"));
        std::string text;
        if (!TFileOps::ReadWholeFile(DataFile("option.dat"), text)) QSKIP("no folder dialog to answer");
        QStringList keys;
        for (const QString& line : QString::fromStdString(text).split("\r\n", Qt::SkipEmptyParts))
            keys << line.section('=', 0, 0);
        QCOMPARE(keys, QStringList({"[Setting]", "UseCache", "CacheSize", "HistoryDay", "LoadStart", "LoadFolder",
                                    "LoadCount", "AutoClose", "DirReapp", "UnreachSave", "RetryWait", "DblClk",
                                    "SearchAnchor", "SearchFile", "LastSaveDir", "ModifyLimit", "ShowAnchor",
                                    "HideStart", "ShowTray"}));
    }

    void noTrayNoHiding() {
        Create();
        if (QSystemTrayIcon::isSystemTrayAvailable()) QSKIP("a tray is available here");
        Wnd().poOption.HideStart = true;
        QVERIFY(Wnd().ShowAtStart());
        QVERIFY(!Wnd().HideWindow());
        QVERIFY(Wnd().isVisible());
    }
};

QTEST_MAIN(YarvWndTest)
#include "YarvWndTest.moc"
