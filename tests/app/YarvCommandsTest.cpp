// The main window's commands on a real window: the state with nothing
// loaded, F4 on web and local rows, the window-specific download submenu,
// the favorites' keys, Ctrl+] wrapping, Reset keeping the history, the
// editors' save failures and the tray's Exit under a modal box.
#include "app/YarvCommands.h"
#include "app/YarvWnd.h"

#include "download/QorDownloadList.h"
#include "download/ui/DownloadDlg.h"
#include "engine/QorPageTree.h"
#include "engine/ui/FilePropDlg.h"
#include "platform/CodePage.h"
#include "shell/FilePropertyDlg.h"
#include "shell/QtMainThreadBridge.h"
#include "shell/QtText.h"
#include "support/DialogDriver.h"
#include "support/TempFolder.h"
#include "support/TestHttpServer.h"
#include "views/QorAddressBar.h"
#include "views/QorFileList.h"
#include "views/QorHistoryTree.h"
#include "views/QorWebTree.h"
#include "app/ProxyEditorDlg.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

#include <filesystem>
#include <fstream>
#include <memory>

namespace {

constexpr int kPatience = 30000;
using TServer = TTestHttpServer;

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

// The items of a menu as shown: captions, "-" for a separator.
QStringList Shown(QMenu* menu) {
    QStringList items;
    for (QAction* a : menu->actions())
        if (a->isVisible()) items << (a->isSeparator() ? QString("-") : a->text());
    return items;
}

} // namespace

class YarvCommandsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TTempFolder> home_;
    std::unique_ptr<TServer> server_;
    TYarvWnd* wnd_ = nullptr;
    TYarvWnd& Wnd() { return *wnd_; }

    void Create() {
        wnd_ = new TYarvWnd;
        QVERIFY(!wnd_->InitFailed());
        wnd_->show();
        QVERIFY(QTest::qWaitForWindowExposed(wnd_));
    }
    void Open(const std::string& url) {
        Wnd().OpenAddress(url);
        QTRY_VERIFY_WITH_TIMEOUT(!Wnd().Loader().Loading && !Wnd().NoPage, kPatience);
    }
    QMenu* Menu(const char* name) { return Wnd().findChild<QMenu*>(name); }
    // Shows a menu the way a click does, so its rules run, and closes it.
    QStringList Open(QMenu* menu) {
        emit menu->aboutToShow();
        return Shown(menu);
    }
    void SelectAllRows() {
        Wnd().pflFile->setFocus();
        Wnd().pflFile->selectAll();
        QTRY_VERIFY(QApplication::focusWidget() == Wnd().pflFile);
    }

private slots:
    void initTestCase() { new TQtMainThreadBridge(this); }
    void init() {
        home_ = std::make_unique<TTempFolder>("yarvcmds");
        QVERIFY(home_->Ok());
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(home_->Native()));
        server_ = std::make_unique<TServer>();
        server_->On("/index.html", {TServer::Respond(200, {"Content-Type: text/html"},
                                                      "<html><head><title>T</title></head><body>"
                                                      "<a href=\"a.html\">A</a><img src=\"p.png\"></body></html>")});
    }
    void cleanup() {
        delete wnd_;
        wnd_ = nullptr;
        server_.reset();
        QTRY_COMPARE_WITH_TIMEOUT(TQorLoadThread::Alive(), 0, kPatience);
        home_.reset();
    }

    void nothingLoaded() {
        Create();
        TYarvCommands& c = *Wnd().Commands;
        Open(Menu("mnuView"));
        QVERIFY(!Wnd().actUpdatePage->isEnabled());
        QVERIFY(!Wnd().mnuViewCharset->menuAction()->isVisible());
        Open(Menu("mnuFavorite"));
        QVERIFY(!c.Get("actAddFavorite")->isEnabled());
        QVERIFY(!c.RunKey(QKeySequence(Qt::Key_F5)));
        QVERIFY(!c.RunKey(QKeySequence(Qt::Key_F4))); // neither property holds
        QVERIFY(c.RunKey(QKeySequence(Qt::Key_Escape))); // stop works
        const QStringList file = Open(Menu("mnuFile"));
        QVERIFY(file.contains(U("ページを開く(&O)")));
        QVERIFY(!file.contains(U("現在のページをWWWブラウザで開く(&N)")));

        Open(server_->Url("/index.html"));
        Open(Menu("mnuView"));
        QVERIFY(Wnd().actUpdatePage->isEnabled());
        QVERIFY(Wnd().mnuViewCharset->menuAction()->isVisible());
    }

    void propertyOnWebRowsAndOnOneLocalRow() {
        Create();
        Open(server_->Url("/index.html"));
        SelectAllRows();
        QCOMPARE(Wnd().pflFile->SelectedRows().size(), size_t(2));
        QVERIFY(Wnd().Commands->RunKey(QKeySequence(Qt::Key_F4)));
        QCOMPARE(Wnd().PropDlgs.Count(), 1);
        QCOMPARE(Wnd().PropDlgs.Get(0)->Edit().Count(), 2);

        // Nothing selected in a focused view: F4 is the page's property.
        Wnd().activateWindow();
        Wnd().pgcFile->setCurrentWidget(Wnd().mmSource);
        Wnd().mmSource->setFocus();
        QTRY_VERIFY(QApplication::focusWidget() == Wnd().mmSource);
        QVERIFY(!Wnd().Commands->RuleOf("actProperty").Visible);
        QVERIFY(Wnd().Commands->RunKey(QKeySequence(Qt::Key_F4)));
        QCOMPARE(Wnd().PropDlgs.Count(), 2);

        TTempFolder folder("yarvcmdslocal");
        std::ofstream(folder.NativePath("one.txt")) << "1";
        Open(folder.Native());
        Wnd().activateWindow();
        Wnd().pgcFile->setCurrentIndex(0);
        SelectAllRows();
        QVERIFY(Wnd().Commands->RunKey(QKeySequence(Qt::Key_F4)));
        QCOMPARE(Wnd().PropDlgs.Count(), 2); // the system's sheet instead
        QTRY_VERIFY(!Wnd().findChildren<TFilePropertyDlg*>().isEmpty());
    }

    void windowSubmenuWithTwoWindows() {
        Create();
        Open(server_->Url("/index.html"));
        TDownloadDlg* older = Wnd().NewDownloadWindow();
        TDownloadDlg* newer = Wnd().NewDownloadWindow();
        SelectAllRows();
        QMenu* run = Menu("mnuRun");
        Open(run);
        QVERIFY(Wnd().Commands->Get("actWndSelDownload")->isVisible());
        QMenu* sub = Wnd().mnuRunWndSelDownload;
        const QStringList items = Shown(sub);
        QCOMPARE(items.size(), 3);
        QCOMPARE(items[0], "&0: " + newer->windowTitle());
        QCOMPARE(items[1], QString("-"));
        QCOMPARE(items[2], "&1: " + older->windowTitle());
        older->Paused = true;
        sub->actions()[2]->trigger();
        QCOMPARE(older->Queue().Count(), 2);
        QCOMPARE(newer->Queue().Count(), 0);
        QVERIFY(older->isVisible());
        QVERIFY(!newer->isVisible());
    }

    void favoritesKeys() {
        Create();
        for (int i = 1; i <= 10; ++i)
            Wnd().Favorites.Add("http://h/" + std::to_string(i), "fav" + std::to_string(i));
        Wnd().RebuildFavoriteMenu();
        QList<QAction*> items = Menu("mnuFavorite")->actions();
        QCOMPARE(items.size(), 3 + 10);
        QCOMPARE(items[3]->shortcut(), QKeySequence("Ctrl+1"));
        QCOMPARE(items[11]->shortcut(), QKeySequence("Ctrl+9"));
        QVERIFY(items[12]->shortcut().isEmpty()); // the tenth

        // Ctrl+D saves at once and appends an item without a key.
        Open(server_->Url("/index.html"));
        QVERIFY(Wnd().Commands->RunKey(QKeySequence(Qt::CTRL | Qt::Key_D)));
        QCOMPARE(Wnd().Favorites.Count(), 11);
        QVERIFY(std::filesystem::exists(std::filesystem::path(home_->Native()) / "Vorlen" / "favorite.dat"));
        items = Menu("mnuFavorite")->actions();
        QCOMPARE(items.last()->text(), U("T"));
        QVERIFY(items.last()->shortcut().isEmpty());
    }

    void bracketKeysWrap() {
        Create();
        TDownloadDlg* first = Wnd().NewDownloadWindow();  // index 1 after the next
        TDownloadDlg* second = Wnd().NewDownloadWindow(); // index 0: newest
        QVERIFY(Wnd().GlobalKey(Qt::Key_BracketRight, Qt::ControlModifier));
        QCOMPARE(Wnd().DownloadWindows.Active(), second); // none active: the first entry
        QVERIFY(Wnd().GlobalKey(Qt::Key_BracketRight, Qt::ControlModifier));
        QCOMPARE(Wnd().DownloadWindows.Active(), first);
        QVERIFY(Wnd().GlobalKey(Qt::Key_BracketRight, Qt::ControlModifier));
        QCOMPARE(Wnd().DownloadWindows.Active(), second); // wrapped
        QVERIFY(Wnd().GlobalKey(Qt::Key_BracketLeft, Qt::ControlModifier));
        QCOMPARE(Wnd().DownloadWindows.Active(), first);
        QVERIFY(!Wnd().GlobalKey(Qt::Key_BracketLeft, Qt::ControlModifier | Qt::ShiftModifier));
    }

    void resetKeepsHistory() {
        Create();
        Open(server_->Url("/index.html"));
        const int days = Wnd().phtHistory->model()->rowCount();
        QVERIFY(days > 0);
        QVERIFY(Wnd().Commands->RunKey(QKeySequence(Qt::CTRL | Qt::Key_Delete)));
        QVERIFY(Wnd().NoPage);
        QCOMPARE(Wnd().pwtTree->RootNode()->ChildCount(), 0);
        QVERIFY(!Wnd().pwtTree->IsCanBack());
        QVERIFY(Wnd().pflFile->Core.Rows().empty());
        QVERIFY(Wnd().pabAddress->GetHandle()->currentText().isEmpty());
        QCOMPARE(Wnd().windowTitle(), QString("Vorlen Tiram"));
        QCOMPARE(Wnd().phtHistory->model()->rowCount(), days);
    }

    void editorSaveFailureIsShown() {
        Create();
        // A folder in the file's place: the write fails.
        std::filesystem::create_directories(std::filesystem::path(home_->Native()) / "Vorlen" / "proxy.dat" / "x");
        std::vector<std::string> shown;
        Wnd().OnSaveError = [&](const std::string& m) { shown.push_back(m); };
        WhenModal<TProxyEditorDlg>([](TProxyEditorDlg* dlg) { dlg->accept(); });
        Wnd().ProxyEditCmd();
        QCOMPARE(shown.size(), size_t(1));
        QVERIFY(TCodePage::ToUtf8(shown[0]).find("proxy.dat") != std::string::npos);
    }

    void trayExitUnderModalBoxKeepsRunning() {
        Create();
        bool stillOpen = false;
        WhenModal<QMessageBox>([&](QMessageBox* box) {
            Wnd().TrayExit();
            QCoreApplication::processEvents();
            stillOpen = box->isVisible() && Wnd().isVisible();
            box->accept();
        });
        QMessageBox box(QMessageBox::Information, "t", "t", QMessageBox::Ok, wnd_);
        box.exec();
        QVERIFY(stillOpen);
        QVERIFY(Wnd().isVisible());
    }

    void hiddenCommandKeys() {
        Create();
        TYarvCommands& c = *Wnd().Commands;
        QVERIFY(c.RunKey(QKeySequence(Qt::CTRL | Qt::Key_F9)));
        QCOMPARE(Wnd().pgcFile->currentWidget(), static_cast<QWidget*>(Wnd().mmSource));
        QVERIFY(!c.RunKey(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F))); // only on "ファイル"
        QVERIFY(c.RunKey(QKeySequence(Qt::SHIFT | Qt::Key_F9)));
        QCOMPARE(Wnd().pgcNavi->currentWidget(), static_cast<QWidget*>(Wnd().phtHistory));
        QVERIFY(c.RunKey(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F9)));
        QCOMPARE(Wnd().pgcFile->currentWidget(), static_cast<QWidget*>(Wnd().plvUnreach));
    }
};

QTEST_MAIN(YarvCommandsTest)
#include "YarvCommandsTest.moc"
