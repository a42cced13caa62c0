// The option dialog: filling from the two objects, the checks on OK (only
// the last failing message, nothing stored), storing on OK only, the
// linked check boxes, the clear buttons and a hand-written DblClk 2.
#include "app/OptionDlg.h"
#include "engine/QorConnGeneral.h"
#include "engine/QorOption.h"
#include "engine/QorUncachePage.h"
#include "platform/StringTable.h"
#include "support/DialogDriver.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

namespace {
QString U(const char* utf8) { return QString::fromUtf8(utf8); }
QString S(int id) { return TQtText::ToQ(TStringTable::Get(id)); }
} // namespace

class OptionDlgTest : public QObject {
    Q_OBJECT

private slots:
    void fillsTheControls() {
        TQorOption option;
        option.HistoryDay = 7;
        option.LoadStart = qlstFixFolder;
        option.LoadFolder = "C:\\dl\\";
        option.SearchAnchor = false;
        TQorConnGeneral conn;
        conn.SetTimeout(45);
        TOptionDlg dialog;
        dialog.Option = &option;
        dialog.Conn = &conn;
        dialog.show();
        QCOMPARE(Control<QLineEdit>(&dialog, "edtHistoryDay")->text(), U("7"));
        QCOMPARE(Control<QLineEdit>(&dialog, "edtTimeout")->text(), U("45"));
        QCOMPARE(Control<QLineEdit>(&dialog, "edtUserAgent")->text(), U("Vorlen/2.2"));
        QCOMPARE(Control<QComboBox>(&dialog, "cmbDblClk")->currentText(), U("プレビュー"));
        QVERIFY(Control<QLineEdit>(&dialog, "edtLoadFolder")->isEnabled());
        QVERIFY(!Control<QCheckBox>(&dialog, "chkSearchFile")->isEnabled());
        Control<QComboBox>(&dialog, "cmbLoadStart")->setCurrentIndex(qlstSuspend);
        QVERIFY(!Control<QLineEdit>(&dialog, "edtLoadFolder")->isEnabled());
        QVERIFY(!Control<QLabel>(&dialog, "lblLoadFolder")->isEnabled());
        Click(&dialog, "chkSearchAnchor");
        QVERIFY(Control<QCheckBox>(&dialog, "chkSearchFile")->isEnabled());
    }

    // Field texts on OK and the one message shown; none means accepted.
    void checksOnOK_data() {
        QTest::addColumn<QStringList>("edits"); // name=value
        QTest::addColumn<QString>("message");
        QTest::newRow("defaults") << QStringList{} << QString();
        QTest::newRow("cache 0, time-out 0: the time-out only")
            << QStringList{"edtCacheSize=0", "edtTimeout=0"} << S(25);
        QTest::newRow("count not a number") << QStringList{"edtLoadCount=x"} << S(24);
        QTest::newRow("count 0") << QStringList{"edtLoadCount=0"} << S(24);
        QTest::newRow("history 1000 and cache 0: the cache")
            << QStringList{"edtHistoryDay=1000", "edtCacheSize=0"} << S(49);
        QTest::newRow("history empty") << QStringList{"edtHistoryDay="} << S(46);
        QTest::newRow("unfinished days and retry: the retry")
            << QStringList{"edtUnreachSave=-1", "edtRetryWait=abc"}
            << U("リトライウェイトは 0 から 999 の間で指定してください。");
        QTest::newRow("unfinished days")
            << QStringList{"edtUnreachSave=x"}
            << U("未完了ファイルリストへの保持期限は 0 から 999 の間で指定してください。");
        QTest::newRow("notice days after count") << QStringList{"edtLoadCount=", "edtModifyLimit=abc"} << S(52);
    }
    void checksOnOK() {
        QFETCH(QStringList, edits);
        QFETCH(QString, message);
        TQorOption option;
        TQorConnGeneral conn;
        TOptionDlg dialog;
        dialog.Option = &option;
        dialog.Conn = &conn;
        TShownMessages shown;
        shown.Catch(dialog);
        dialog.show();
        Type(&dialog, "edtRetryWait", "20"); // a valid change, stored only on success
        for (const QString& edit : edits) {
            const auto parts = edit.split('=');
            Type(&dialog, parts[0].toUtf8().constData(), parts[1]);
        }
        Click(&dialog, "btnOK");
        if (message.isEmpty()) {
            QVERIFY(shown.Texts.empty());
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QCOMPARE(option.RetryWait, 20);
            return;
        }
        QCOMPARE(shown.Texts, std::vector<QString>{message});
        QVERIFY(dialog.isVisible());
        QCOMPARE(option.RetryWait, 10);
        QCOMPARE(option.CacheSize, 5u);
        QCOMPARE(conn.GetTimeout(), 30);
    }

    void storesEveryControlOnOK() {
        TQorOption option;
        TQorConnGeneral conn;
        TOptionDlg dialog;
        dialog.Option = &option;
        dialog.Conn = &conn;
        dialog.show();
        Type(&dialog, "edtHistoryDay", "0");
        Type(&dialog, "edtCacheSize", "999");
        Type(&dialog, "edtLoadCount", "9");
        Type(&dialog, "edtModifyLimit", "1");
        Type(&dialog, "edtUnreachSave", "2");
        Type(&dialog, "edtTimeout", "999");
        Control<QComboBox>(&dialog, "cmbDblClk")->setCurrentIndex(0);
        Control<QComboBox>(&dialog, "cmbLoadStart")->setCurrentIndex(2);
        Type(&dialog, "edtLoadFolder", U("C:\\保存\\"));
        Type(&dialog, "edtUserAgent", "Agent\r\nX-Evil: 1");
        for (const char* box : {"chkUseCache", "chkAutoClose", "chkDirReapp", "chkUseProxy", "chkRedirect",
                                "chkAutoReferer", "chkKeepAlive", "chkShowAnchor"})
            Click(&dialog, box);
        Click(&dialog, "btnOK");
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(option.HistoryDay, 0);
        QCOMPARE(option.CacheSize, 999u);
        QCOMPARE(option.LoadCount, 9);
        QCOMPARE(option.ModifyLimit, 1);
        QCOMPARE(option.UnreachSave, 2);
        QCOMPARE(option.DblClk, qdctOpenByBrowser);
        QCOMPARE(option.LoadStart, qlstFixFolder);
        QCOMPARE(TQtText::ToQ(option.LoadFolder), U("C:\\保存\\"));
        QVERIFY(!option.UseCache);
        QVERIFY(option.AutoClose && option.DirReapp && !option.ShowAnchor);
        QCOMPARE(conn.GetTimeout(), 999);
        QVERIFY(conn.GetUseProxy() && !conn.GetRedirect() && !conn.GetAutoReferer() && conn.GetKeepAlive());
        // A line break in the user agent would have started a header line.
        QCOMPARE(conn.GetUserAgent(), std::string("Agent  X-Evil: 1"));
    }

    void handWrittenDblClkIsKeptUnlessChanged() {
        for (int choose : {-1, 1}) {
            TQorOption option;
            option.DblClk = qdctOpen;
            TQorConnGeneral conn;
            TOptionDlg dialog;
            dialog.Option = &option;
            dialog.Conn = &conn;
            dialog.show();
            auto* combo = Control<QComboBox>(&dialog, "cmbDblClk");
            QCOMPARE(combo->currentIndex(), -1);
            if (choose >= 0) combo->setCurrentIndex(choose);
            Click(&dialog, "btnOK");
            QCOMPARE(option.DblClk, choose < 0 ? qdctOpen : qdctPreview);
        }
    }

    void cancelStoresNothing() {
        TQorOption option;
        TQorConnGeneral conn;
        TOptionDlg dialog;
        dialog.Option = &option;
        dialog.Conn = &conn;
        dialog.show();
        Type(&dialog, "edtHistoryDay", "99");
        Click(&dialog, "chkUseProxy");
        Click(&dialog, "btnCancel");
        QCOMPARE(option.HistoryDay, 14);
        QVERIFY(!conn.GetUseProxy());
    }

    void hiddenStartNeedsTheTray() {
        TQorOption option;
        option.ShowTray = false;
        TQorConnGeneral conn;
        TOptionDlg dialog;
        dialog.Option = &option;
        dialog.Conn = &conn;
        dialog.show();
        auto* hide = Control<QCheckBox>(&dialog, "chkHideStart");
        auto* tray = Control<QCheckBox>(&dialog, "chkShowTray");
        QVERIFY(!tray->isChecked());
        hide->click();
        QVERIFY(hide->isChecked() && tray->isChecked());
        tray->click();
        QVERIFY(!hide->isChecked() && !tray->isChecked());
        Click(&dialog, "btnOK");
        QVERIFY(!option.HideStart && !option.ShowTray);
    }

    void clearButtonsTurnOffWhenDone() {
        TQorOption option;
        TQorConnGeneral conn;
        TQorUncachePage uncache;
        TOptionDlg dialog;
        dialog.Option = &option;
        dialog.Conn = &conn;
        dialog.Uncache = &uncache;
        int historyCalls = 0;
        TOptionDlg* sender = nullptr;
        dialog.OnClearHistory = [&](TOptionDlg* from, bool& done) {
            sender = from;
            QVERIFY(!done);
            ++historyCalls;
            done = true;
        };
        dialog.OnClearCache = [](TOptionDlg*, bool& done) { done = false; }; // failed
        TQorUncachePage* edited = nullptr;
        dialog.OnEditUncache = [&](TQorUncachePage* list) { edited = list; };
        dialog.show();
        Click(&dialog, "btnClearHistory");
        Click(&dialog, "btnClearCache");
        Click(&dialog, "btnUncache");
        QCOMPARE(historyCalls, 1);
        QCOMPARE(sender, &dialog);
        QVERIFY(!Control<QPushButton>(&dialog, "btnClearHistory")->isEnabled());
        QVERIFY(Control<QPushButton>(&dialog, "btnClearCache")->isEnabled());
        QCOMPARE(edited, &uncache);
    }
};

QTEST_MAIN(OptionDlgTest)
#include "OptionDlgTest.moc"
