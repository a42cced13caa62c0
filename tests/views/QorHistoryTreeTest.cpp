// The history tree over its core: days shown with their Japanese captions,
// read on a double click on the caption, new pages of an opened today in
// caption order, and deleting rows.
#include "engine/QorFileProtector.h"
#include "platform/CodePage.h"
#include "support/TempFolder.h"
#include "views/QorHistoryModel.h"
#include "views/QorHistoryTree.h"

#include <QAbstractItemModelTester>
#include <QMouseEvent>
#include <QtTest>

#include <filesystem>

class QorHistoryTreeTest : public QObject {
    Q_OBJECT

    struct Fixture {
        TTempFolder temp{"historytree"};
        TQorHistoryTree tree;
        QAbstractItemModelTester tester{tree.Model(), QAbstractItemModelTester::FailureReportingMode::QtTest};
        Fixture() {
            TDateTime now = 0;
            TDateTimeText::TryEncode(2024, 3, 20, 9, 0, 0, now);
            tree.Core().Clock = [now] { return now; };
            tree.SetPath(temp.Win());
            std::filesystem::create_directories(temp.NativePath("20240317"));
            TQorFileProtector::SaveEncryptionText(temp.Win("20240317\\a.phs"),
                                                  SJ("日本語のページ") + "\thttp://h/jp.html\t");
            TQorFileProtector::SaveEncryptionText(temp.Win("20240317\\b.phs"), "About\thttp://h/about.html\t");
            tree.resize(300, 300);
            tree.show();
            QVERIFY(QTest::qWaitForWindowExposed(&tree));
            QVERIFY(tree.Read());
        }
    };

    static QStringList Rows(const QAbstractItemModel* model, const QModelIndex& parent = {}) {
        QStringList out;
        for (int i = 0; i < model->rowCount(parent); ++i) out << model->index(i, 0, parent).data().toString();
        return out;
    }

private slots:
    void daysAndLazyPages() {
        Fixture f;
        const QAbstractItemModel* model = f.tree.model();
        QCOMPARE(Rows(model), (QStringList{"3 月 17日（日）", "今日"}));
        const QModelIndex day = model->index(0, 0);
        QCOMPARE(model->rowCount(day), 0);
        QVERIFY(f.tree.GetDateInfo(day));
        QVERIFY(!f.tree.GetPageInfo(day));

        // A double click beside the caption does not read the day.
        f.tree.setCurrentIndex(day);
        const QRect caption = f.tree.CaptionRect(day);
        const QPoint beside(caption.right() + 30, caption.center().y());
        QTest::mouseDClick(f.tree.viewport(), Qt::LeftButton, {}, beside);
        QVERIFY(!f.tree.GetDateInfo(day)->Opened);
        QTest::mouseDClick(f.tree.viewport(), Qt::LeftButton, {}, caption.center());
        QVERIFY(f.tree.GetDateInfo(day)->Opened);
        QVERIFY(f.tree.isExpanded(day));
        QCOMPARE(Rows(model, day), (QStringList{"About", "日本語のページ"}));
        const QModelIndex page = model->index(1, 0, day);
        QVERIFY(f.tree.GetPageInfo(page));
        QCOMPARE(f.tree.GetPageInfo(page)->File->URL->GetURL(), std::string("http://h/jp.html"));
        QVERIFY(!f.tree.GetDateInfo(page));

        // Enter's toggle on an opened day.
        f.tree.OpenDateItem(day, true);
        QVERIFY(!f.tree.isExpanded(day));
        f.tree.OpenDateItem(day, true);
        QVERIFY(f.tree.isExpanded(day));
    }

    void todayShowsNewPagesOnceOpened() {
        Fixture f;
        const QModelIndex today = f.tree.IndexOfDay(f.tree.TodayNode());
        QVERIFY(f.tree.Add("Zulu", "http://h/z.html", ""));
        QCOMPARE(f.tree.model()->rowCount(today), 0);
        f.tree.OpenDateItem(today, false);
        QVERIFY(f.tree.Add(SJ("あいう"), "http://h/j.html", ""));
        QVERIFY(f.tree.Add("Alpha", "http://h/a.html", ""));
        QCOMPARE(Rows(f.tree.model(), today).size(), 3);
        QCOMPARE(Rows(f.tree.model(), today).first(), QStringLiteral("Alpha"));
    }

    void emptyDayAndDeleting() {
        Fixture f;
        const QModelIndex today = f.tree.IndexOfDay(f.tree.TodayNode());
        f.tree.OpenDateItem(today, false);
        QCOMPARE(today.data().toString(), QStringLiteral("今日 - No history"));
        QVERIFY(f.tree.Add("Page", "http://h/p.html", ""));
        QCOMPARE(today.data().toString(), QStringLiteral("今日"));

        QVERIFY(!f.tree.DeleteItem(today)); // today stays
        QVERIFY(f.tree.DeleteItem(f.tree.model()->index(0, 0, today)));
        QCOMPARE(f.tree.model()->rowCount(today), 0);
        QVERIFY(f.tree.DeleteItem(f.tree.model()->index(0, 0))); // the older day
        QCOMPARE(Rows(f.tree.model()), (QStringList{"今日"}));
        QVERIFY(!std::filesystem::exists(f.temp.NativePath("20240317")));
        QVERIFY(f.tree.DeleteAll());
        QCOMPARE(f.tree.model()->rowCount(), 1);
    }
};

QTEST_MAIN(QorHistoryTreeTest)
#include "QorHistoryTreeTest.moc"
