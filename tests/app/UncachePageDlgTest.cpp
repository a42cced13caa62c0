// The never-cache editor: rows from the list, add with the all flag,
// toggling by double-click, and uncache.dat written by the dialog on OK
// only.
#include "app/UncachePageDlg.h"
#include "engine/QorFileProtector.h"
#include "engine/QorUncachePage.h"
#include "platform/FileOps.h"
#include "support/DialogDriver.h"
#include "support/TempFolder.h"

#include <QCheckBox>
#include <QPushButton>
#include <QtTest>

class UncachePageDlgTest : public QObject {
    Q_OBJECT

private slots:
    void addToggleAndSave() {
        TTempFolder temp;
        TQorUncachePage list;
        list.FilePath = temp.Win("uncache.dat");
        list.Add("http://Keep.example/a.html", true);
        QVERIFY(list.SaveToFile());
        const std::string before = temp.Contents("uncache.dat");

        for (bool ok : {false, true}) {
            TUncachePageDlg dialog;
            dialog.Uncache = &list;
            TShownMessages shown;
            shown.Catch(dialog);
            dialog.show();
            QCOMPARE(RowTexts(&dialog, "lvPage"), QStringList({"http://keep.example/a.html|yes"}));
            auto* add = Control<QPushButton>(&dialog, "btnAdd");
            QVERIFY(!add->isEnabled());
            QVERIFY(!Control<QPushButton>(&dialog, "btnDelete")->isEnabled());
            Type(&dialog, "memURL", "http://News.example/list?page=2");
            QVERIFY(add->isEnabled());
            Control<QCheckBox>(&dialog, "chkAll")->setChecked(false);
            QTest::keyClick(Control<QLineEdit>(&dialog, "memURL"), Qt::Key_Return); // presses add
            QCOMPARE(RowTexts(&dialog, "lvPage").last(), QString("http://news.example/list?page=2|no"));
            QVERIFY(Control<QCheckBox>(&dialog, "chkAll")->isChecked());
            QVERIFY(Control<QLineEdit>(&dialog, "memURL")->text().isEmpty());
            QVERIFY(dialog.isVisible());
            auto* view = Control<QTreeWidget>(&dialog, "lvPage");
            emit view->itemDoubleClicked(view->topLevelItem(1), 0);
            QCOMPARE(view->topLevelItem(1)->text(1), QString("yes"));
            emit view->itemDoubleClicked(view->topLevelItem(0), 0);
            Type(&dialog, "memURL", "http://gone.example/");
            Click(&dialog, "btnAdd");
            SelectRow(&dialog, "lvPage", 2);
            Click(&dialog, "btnDelete");
            Click(&dialog, ok ? "btnOK" : "btnCancel");
            QVERIFY(shown.Texts.empty());
            if (!ok) {
                QCOMPARE(list.GetCount(), 1);
                QCOMPARE(temp.Contents("uncache.dat"), before);
            }
        }
        // The query typed goes: the list keeps the entity form.
        QCOMPARE(TQorFileProtector::Scramble(temp.Contents("uncache.dat")),
                 std::string("http://keep.example/a.html\t0\r\nhttp://news.example/list\t1"));
        QCOMPARE(list.GetCount(), 2);
    }

    void failedSaveIsShown() {
        TTempFolder temp;
        TQorUncachePage list;
        list.FilePath = temp.Win("uncache.dat");
        QVERIFY(TFileOps::WriteWholeFile(list.FilePath, "old"));
        for (int n = 1; n <= 100; ++n)
            QVERIFY(TFileOps::WriteWholeFile(temp.Win("~" + std::to_string(n) + "~uncache.dat"), "x"));
        TUncachePageDlg dialog;
        dialog.Uncache = &list;
        TShownMessages shown;
        shown.Catch(dialog);
        dialog.show();
        Type(&dialog, "memURL", "http://a/");
        Click(&dialog, "btnAdd");
        Click(&dialog, "btnOK");
        QCOMPARE(shown.Texts.size(), size_t(1));
        QVERIFY(shown.Texts[0].contains(QString::fromUtf8("保存できませんでした")));
        QCOMPARE(temp.Contents("uncache.dat"), std::string("old"));
    }
};

QTEST_MAIN(UncachePageDlgTest)
#include "UncachePageDlgTest.moc"
