// Every dialog of this folder drawn on a real X display with the Japanese
// font, with a few rows in it: each must paint at a sensible size.
//
// VORLEN_SCREENSHOT_DIR=<folder> keeps the pictures as <dialog>.png.
#include "app/FavoriteOptDlg.h"
#include "app/FileFilterDlg.h"
#include "app/OptionDlg.h"
#include "app/ProxyEditorDlg.h"
#include "app/URLReplaceEditDlg.h"
#include "app/UncachePageDlg.h"
#include "engine/FavoriteManager.h"
#include "engine/FileFilter.h"
#include "engine/ProxyManager.h"
#include "engine/QorConnGeneral.h"
#include "engine/QorOption.h"
#include "engine/QorURLReplace.h"
#include "engine/QorUncachePage.h"
#include "platform/CodePage.h"

#include <QTabWidget>
#include <QTreeWidget>
#include <QtTest>

class DialogScreenshotsX11Test : public QObject {
    Q_OBJECT

    void Keep(QWidget* dialog, const QString& name, bool select = true) {
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        if (select) {
            if (auto* list = dialog->findChild<QTreeWidget*>(); list && list->topLevelItemCount() > 0)
                list->setCurrentItem(list->topLevelItem(0));
        }
        QTest::qWait(100);
        const QPixmap picture = dialog->grab();
        QVERIFY(!picture.isNull());
        QVERIFY(picture.width() >= 300 && picture.height() >= 200);
        const QString folder = qEnvironmentVariable("VORLEN_SCREENSHOT_DIR");
        if (!folder.isEmpty()) QVERIFY(picture.save(folder + "/" + name + ".png", "PNG"));
    }

private slots:
    void proxyEditor() {
        TProxyManager list;
        list.Add(SJ("社内プロキシ"), "proxy.example.co.jp", 8080);
        list.Add("squid", "192.168.0.10", 3128);
        TProxyEditorDlg dialog;
        dialog.Manager = &list;
        Keep(&dialog, "proxy-editor");
    }
    void favorites() {
        TFavoriteManager list;
        list.Add("http://www.example.jp/", SJ("例のサイト トップページ"));
        list.Add("http://news.example.com/today.html", SJ("今日のニュース"));
        TFavoriteOptDlg dialog;
        dialog.Manager = &list;
        Keep(&dialog, "favorites");
    }
    void fileFilter() {
        TFileFilter filter;
        filter.Add(SJ("画像"), "jpg:jpeg:gif:png");
        filter.Add(SJ("圧縮ファイル"), "zip:lzh:gz");
        TFileFilterDlg dialog;
        dialog.Filter = &filter;
        Keep(&dialog, "file-filter");
    }
    void urlReplace() {
        TQorURLReplace rules;
        rules.Add("http://old.example.jp/", "http://www.example.jp/");
        TURLReplaceEditDlg dialog;
        dialog.Replace = &rules;
        Keep(&dialog, "url-replace");
    }
    void uncachePage() {
        TQorUncachePage list;
        list.Add("http://news.example.com/", true);
        list.Add("http://www.example.jp/index.html", false);
        TUncachePageDlg dialog;
        dialog.Uncache = &list;
        Keep(&dialog, "uncache-page", false);
    }
    void options() {
        TQorOption option;
        TQorConnGeneral conn;
        TOptionDlg dialog;
        dialog.Option = &option;
        dialog.Conn = &conn;
        const char* names[] = {"option-general", "option-download", "option-connection", "option-other"};
        auto* tabs = dialog.findChild<QTabWidget*>("pgcOption");
        QVERIFY(tabs);
        QCOMPARE(tabs->count(), 4);
        for (int i = 0; i < 4; ++i) {
            tabs->setCurrentIndex(i);
            Keep(&dialog, names[i]);
        }
    }
};

QTEST_MAIN(DialogScreenshotsX11Test)
#include "DialogScreenshotsX11Test.moc"
