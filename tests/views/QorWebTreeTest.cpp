// The page tree view over its core: rows follow the core, the bold current
// page, the caption hit rule, the drag threshold and the modifier keys.
#include "platform/CodePage.h"
#include "shell/QtText.h"
#include "views/QorWebTree.h"
#include "views/QorWebTreeModel.h"

#include <QAbstractItemModelTester>
#include <QMouseEvent>
#include <QtTest>

class QorWebTreeTest : public QObject {
    Q_OBJECT

    // A shown tree with a root page and three links.
    struct Fixture {
        TQorWebTree tree;
        QAbstractItemModelTester tester{tree.Model(), QAbstractItemModelTester::FailureReportingMode::QtTest};
        TQorPageNode* page = nullptr;
        Fixture() {
            tree.resize(400, 300);
            tree.Initialize();
            page = tree.AddRootPage("http://h/a/index.html", false);
            for (const char* anchor : {"最初のリンク", "二番目", "三番目"}) {
                TQorFile link("http://h/a/" + std::to_string(page->ChildCount()) + ".html");
                link.SetAnchorString(SJ(anchor));
                tree.AddChild(page, link);
            }
            tree.ExpandNode(page);
            tree.show();
            QVERIFY(QTest::qWaitForWindowExposed(&tree));
        }
    };

    static QString Caption(TQorWebTree& tree, TQorPageNode* node) {
        return tree.IndexOf(node).data().toString();
    }

private slots:
    void rowsFollowTheCore() {
        Fixture f;
        QAbstractItemModel* model = f.tree.model();
        QCOMPARE(model->rowCount(), 1);
        const QModelIndex root = model->index(0, 0);
        QCOMPARE(root.data().toString(), QStringLiteral("インターネット"));
        QCOMPARE(model->rowCount(root), 1);
        QCOMPARE(f.tree.SelectedNode(), f.page); // a new page is selected
        QVERIFY(f.tree.isExpanded(root));
        QCOMPARE(model->rowCount(f.tree.IndexOf(f.page)), 3);
        QCOMPARE(Caption(f.tree, f.page->Child(1)), QStringLiteral("二番目"));

        // A rebuild while a child is selected, then a sort that keeps the
        // selection on its node.
        f.tree.SelectNode(f.page->Child(2));
        f.tree.DeleteChildren(f.page);
        QCOMPARE(model->rowCount(f.tree.IndexOf(f.page)), 0);
        for (const char* name : {"c.html", "b.html", "a.html"}) f.tree.AddChild(f.page, TQorFile(std::string("http://h/a/") + name));
        TQorPageNode* c = f.page->Child(0);
        f.tree.SelectNode(c);
        f.tree.SortChildren(f.page);
        QCOMPARE(Caption(f.tree, f.page->Child(0)), QStringLiteral("a.html"));
        QCOMPARE(f.tree.SelectedNode(), c);
        QCOMPARE(f.tree.currentIndex().row(), 2);
    }

    void currentPageIsBold() {
        Fixture f;
        TQorPageNode* child = f.page->Child(0);
        f.tree.SetCurrentNode(f.page);
        QVERIFY(f.tree.IndexOf(f.page).data(Qt::FontRole).value<QFont>().bold());
        f.tree.SetCurrentNode(child);
        QVERIFY(!f.tree.IndexOf(f.page).data(Qt::FontRole).isValid());
        QVERIFY(f.tree.IndexOf(child).data(Qt::FontRole).value<QFont>().bold());
    }

    void isInCursorTakesTwentyPixelsLeftOfTheCaption_data() {
        QTest::addColumn<int>("dx"); // from the caption's left edge, or (with fromRight) its right edge
        QTest::addColumn<bool>("fromRight");
        QTest::addColumn<int>("dy");
        QTest::addColumn<bool>("inside");
        QTest::newRow("on the caption") << 3 << false << 0 << true;
        QTest::newRow("15 left, on the icon") << -15 << false << 0 << true;
        QTest::newRow("20 left") << -20 << false << 0 << true;
        QTest::newRow("21 left") << -21 << false << 0 << false;
        QTest::newRow("25 left") << -25 << false << 0 << false;
        QTest::newRow("right edge") << 0 << true << 0 << true;
        QTest::newRow("past the right edge") << 1 << true << 0 << false;
        QTest::newRow("far right, empty row") << 60 << true << 0 << false;
        QTest::newRow("above") << 3 << false << -1 << false;
    }
    void isInCursorTakesTwentyPixelsLeftOfTheCaption() {
        QFETCH(int, dx);
        QFETCH(bool, fromRight);
        QFETCH(int, dy);
        QFETCH(bool, inside);
        Fixture f;
        TQorPageNode* node = f.page->Child(1);
        const QRect caption = f.tree.CaptionRect(node);
        QVERIFY(!caption.isEmpty());
        QVERIFY(caption.left() > 25); // indented below two levels
        QVERIFY(caption.right() + 60 < f.tree.viewport()->width());
        const QPoint at((fromRight ? caption.right() : caption.left()) + dx, caption.top() + dy);
        QCOMPARE(f.tree.IsInCursorAt(node, at), inside);
        QVERIFY(!f.tree.IsInCursorAt(nullptr, at));
    }

    void dragThresholdIsFourPixels() {
        Fixture f;
        int ready = 0;
        f.tree.OnDragReady = [&](TQorWebTree*) { ++ready; };
        QWidget* vp = f.tree.viewport();
        const QPoint start = f.tree.CaptionRect(f.page->Child(0)).center();
        auto send = [&](QEvent::Type type, QPoint pos, Qt::MouseButtons buttons) {
            QMouseEvent event(type, pos, vp->mapToGlobal(pos),
                              type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
            QApplication::sendEvent(vp, &event);
        };
        send(QEvent::MouseButtonPress, start, Qt::LeftButton);
        QVERIFY(!f.tree.DragReady);
        send(QEvent::MouseMove, start + QPoint(4, 4), Qt::LeftButton);
        QVERIFY(!f.tree.DragReady);
        send(QEvent::MouseMove, start + QPoint(0, -5), Qt::LeftButton);
        QVERIFY(f.tree.DragReady);
        QCOMPARE(ready, 1);
        send(QEvent::MouseButtonRelease, start, Qt::NoButton);
        QVERIFY(!f.tree.DragReady);

        // A move with the right button too, or after a press on empty space,
        // is no drag.
        send(QEvent::MouseButtonPress, start, Qt::LeftButton);
        send(QEvent::MouseMove, start + QPoint(10, 0), Qt::LeftButton | Qt::RightButton);
        QVERIFY(!f.tree.DragReady);
        send(QEvent::MouseButtonRelease, start, Qt::NoButton);
        const QPoint empty(5, vp->height() - 5);
        send(QEvent::MouseButtonPress, empty, Qt::LeftButton);
        send(QEvent::MouseMove, empty + QPoint(10, 0), Qt::LeftButton);
        QVERIFY(!f.tree.DragReady);
        QCOMPARE(ready, 1);
    }

    void keysSetAndEmptyShiftState() {
        Fixture f;
        QTest::keyPress(&f.tree, Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(f.tree.ShiftState, Qt::KeyboardModifiers(Qt::ShiftModifier));
        QTest::keyRelease(&f.tree, Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(f.tree.ShiftState, Qt::KeyboardModifiers(Qt::NoModifier));
    }

    void backAfterAReloadNeverShowsAFreedNode() {
        Fixture f;
        TQorPageNode* child = f.page->Child(0);
        f.tree.AddHistory(f.page);
        f.tree.AddHistory(child);
        f.tree.SetCurrentNode(child);
        f.tree.DeleteChildren(f.page); // a reload of the page
        QCOMPARE(f.tree.CurrentNode(), nullptr);
        QCOMPARE(f.tree.HistoryIndex(), 0);
        QCOMPARE(f.tree.GetHistoryNode(0), f.page);
        QVERIFY(!f.tree.IsCanForward());
    }
};

QTEST_MAIN(QorWebTreeTest)
#include "QorWebTreeTest.moc"
