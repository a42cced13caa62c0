// Every menu of the main window open over a loaded page, the context menu
// and the tray menu, drawn on a real X display: each must show its items
// unclipped.
//
// VORLEN_SCREENSHOT_DIR=<folder> keeps the pictures as menu-<name>.png and
// tray-menu.png.
#include "app/YarvWnd.h"

#include "shell/QtMainThreadBridge.h"
#include "support/TempFolder.h"
#include "support/TestHttpServer.h"
#include "views/QorFileList.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QtTest>

#include <memory>

class MenuScreenshotsX11Test : public QObject {
    Q_OBJECT

    std::unique_ptr<TTempFolder> home_;
    std::unique_ptr<TTestHttpServer> server_;
    std::unique_ptr<TYarvWnd> wnd_;

    // The screen around the window and the open menu (and its submenu).
    void Keep(const QString& name, QList<QMenu*> menus, bool withWindow = true) {
        QTest::qWait(200);
        QRect area = withWindow ? wnd_->frameGeometry() : QRect();
        for (QMenu* menu : menus) {
            QVERIFY(menu->isVisible());
            QVERIFY(menu->width() >= menu->sizeHint().width());
            area = area.united(menu->geometry());
        }
        area = area.adjusted(-4, -4, 4, 4).intersected(QGuiApplication::primaryScreen()->geometry());
        const QPixmap picture = QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
        QVERIFY(!picture.isNull());
        const QString folder = qEnvironmentVariable("VORLEN_SCREENSHOT_DIR");
        if (!folder.isEmpty()) QVERIFY(picture.save(folder + "/" + name + ".png", "PNG"));
        for (QMenu* menu : menus) menu->hide();
        QTest::qWait(50);
    }

private slots:
    void initTestCase() {
        new TQtMainThreadBridge(this);
        home_ = std::make_unique<TTempFolder>("menushots");
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(home_->Native()));
        server_ = std::make_unique<TTestHttpServer>();
        server_->On("/index.html", {TTestHttpServer::Respond(200, {"Content-Type: text/html"},
                                                             "<html><head><title>Sample</title></head><body>"
                                                             "<a href=\"a.html\">A</a><img src=\"p.png\"></body></html>")});
        wnd_ = std::make_unique<TYarvWnd>();
        wnd_->Favorites.Add("http://www.example.co.jp/", "Example");
        wnd_->Favorites.Add("http://www.example.com/news/", "News");
        wnd_->RebuildFavoriteMenu();
        wnd_->setGeometry(40, 40, 900, 560);
        wnd_->show();
        QVERIFY(QTest::qWaitForWindowExposed(wnd_.get()));
        wnd_->OpenAddress(server_->Url("/index.html"));
        QTRY_VERIFY_WITH_TIMEOUT(!wnd_->NoPage && !wnd_->Loader().Loading, 30000);
        wnd_->NewDownloadWindow();
        wnd_->activateWindow();
        wnd_->pflFile->setFocus();
        wnd_->pflFile->selectAll();
    }
    void cleanupTestCase() {
        wnd_.reset();
        server_.reset();
        QTRY_COMPARE_WITH_TIMEOUT(TQorLoadThread::Alive(), 0, 30000);
    }

    void mainMenus() {
        const char* names[] = {"file", "edit", "view", "run", "favorite", "tool", "help"};
        const QList<QAction*> tops = wnd_->mnuMain->actions();
        QCOMPARE(tops.size(), 7);
        for (int i = 0; i < tops.size(); ++i) {
            QMenu* menu = tops[i]->menu();
            wnd_->mnuMain->setActiveAction(tops[i]);
            QTRY_VERIFY(menu->isVisible());
            Keep(QString("menu-") + names[i], {menu});
            wnd_->mnuMain->setActiveAction(nullptr);
        }
    }

    void subMenus() {
        struct {
            const char* Top;
            const char* Sub;
            const char* Name;
        } subs[] = {{"mnuView", "mnuViewCharset", "menu-view-charset"},
                    {"mnuRun", "mnuRunWndSelDownload", "menu-run-window"}};
        for (const auto& s : subs) {
            QMenu* top = wnd_->findChild<QMenu*>(s.Top);
            QMenu* sub = wnd_->findChild<QMenu*>(s.Sub);
            wnd_->mnuMain->setActiveAction(top->menuAction());
            QTRY_VERIFY(top->isVisible());
            top->setActiveAction(sub->menuAction());
            sub->popup(top->mapToGlobal(top->actionGeometry(sub->menuAction()).topRight()));
            QTRY_VERIFY(sub->isVisible());
            Keep(s.Name, {top, sub});
            wnd_->mnuMain->setActiveAction(nullptr);
        }
    }

    void contextMenu() {
        wnd_->pflFile->setFocus();
        const QPoint at = wnd_->pflFile->viewport()->mapToGlobal(QPoint(40, 30));
        wnd_->ppmPopup->popup(at);
        QTRY_VERIFY(wnd_->ppmPopup->isVisible());
        Keep("menu-context", {wnd_->ppmPopup});
    }

    void trayMenu() {
        wnd_->ppmTray->popup(QPoint(wnd_->frameGeometry().right() + 40, 60));
        QTRY_VERIFY(wnd_->ppmTray->isVisible());
        Keep("tray-menu", {wnd_->ppmTray}, false);
    }
};

QTEST_MAIN(MenuScreenshotsX11Test)
#include "MenuScreenshotsX11Test.moc"
