// The pieces the main window places: the proxy box model and the
// favorites menu filler.
#include "app/FavoriteMenuFiller.h"
#include "app/ProxyBoxModel.h"
#include "engine/FavoriteManager.h"
#include "engine/ProxyManager.h"
#include "engine/QorConnGeneral.h"
#include "platform/CodePage.h"
#include "shell/QtText.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QtTest>

class MainWindowPiecesTest : public QObject {
    Q_OBJECT

private slots:
    void proxyBox() {
        TProxyManager list;
        list.Add(SJ("社内"), "h1", 8080);
        QComboBox box;
        TProxyBoxModel model(&list);
        box.setModel(&model);
        QCOMPARE(box.count(), 2);
        QCOMPARE(box.itemText(0), QString::fromUtf8("（使わない）"));
        QCOMPARE(box.itemText(1), QString::fromUtf8("社内"));
        TQorConnGeneral conn;
        QVERIFY(model.Choose(1, conn));
        QCOMPARE(conn.GetProxy(), std::string("h1"));
        QCOMPARE(conn.GetProxyPort(), 8080);
        QVERIFY(model.Choose(0, conn));
        QCOMPARE(conn.GetProxy(), std::string());

        list.Clear();
        QVERIFY(!model.Choose(1, conn)); // entries older than the list
        model.Refill();
        QCOMPARE(box.count(), 1);
    }

    void favoritesMenu() {
        QMenu menu;
        QAction* add = menu.addAction(QString::fromUtf8("お気に入りに追加(&A)"));
        QAction* separator = menu.addSeparator();
        TFavoriteMenuFiller filler(&menu, separator);
        std::string opened;
        filler.OnOpen = [&](const std::string& url) { opened = url; };
        TFavoriteManager list;
        for (int i = 1; i <= 10; ++i) list.Add("http://h/" + std::to_string(i), "A&B " + std::to_string(i));
        filler.Fill(list);
        filler.Fill(list); // a rebuild replaces, never appends
        const QList<QAction*> actions = menu.actions();
        QCOMPARE(actions.size(), 12);
        QCOMPARE(actions[0], add);
        QCOMPARE(actions[2]->text(), QString("A&&B 1"));
        QCOMPARE(actions[2]->shortcut(), QKeySequence("Ctrl+1"));
        QCOMPARE(actions[10]->shortcut(), QKeySequence("Ctrl+9"));
        QVERIFY(actions[11]->shortcut().isEmpty());
        actions[11]->trigger();
        QCOMPARE(opened, std::string("http://h/10"));
    }
};

QTEST_MAIN(MainWindowPiecesTest)
#include "MainWindowPiecesTest.moc"
