// The small windows: address input, run count, row folder, record
// properties (with a live header from the loopback server), version text,
// address export.
#include "download/ui/RunCountDlg.h"
#include "download/ui/SelDirDlg.h"
#include "engine/QorFile.h"
#include "engine/QorLoadThread.h"
#include "engine/ui/FilePropDlg.h"
#include "engine/ui/FilePropDlgManager.h"
#include "engine/ui/QtText.h"
#include "engine/ui/URLExporter.h"
#include "engine/ui/URLInputWnd.h"
#include "engine/ui/VersionDlg.h"
#include "platform/CodePage.h"
#include "shell/QtMainThreadBridge.h"
#include "support/TempFolder.h"
#include "support/TestHttpServer.h"
#include "support/UiTestSupport.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <filesystem>

using TServer = TTestHttpServer;

class SmallWindowsTest : public QObject {
    Q_OBJECT

    // Runs `act` once the dialog's own event loop is running.
    template <class D, class F>
    int ExecWith(D& dialog, F act) {
        QTimer::singleShot(0, &dialog, [&] { act(); });
        return dialog.exec();
    }

private slots:
    void initTestCase() { new TQtMainThreadBridge(this); }

    void urlInputOkOnlyWithText() {
        TURLInputWnd one;
        QCOMPARE(one.windowTitle(), QtLit("ページを開く"));
        QCOMPARE(one.size(), QSize(358, 108));
        one.edtURL->setText("   ");
        QVERIFY(!one.btnOK->isEnabled());
        one.edtURL->setText(QtLit(" http://h/表.html "));
        QVERIFY(one.btnOK->isEnabled());
        one.btnOK->click();
        QCOMPARE(one.result(), int(QDialog::Accepted));
        QCOMPARE(one.Result(), SJ(" http://h/表.html "));

        TURLInputWnd many;
        many.SetMode(TURLInputWnd::imMany);
        QCOMPARE(many.windowTitle(), QtLit("ダウンロードファイルを入力"));
        QVERIFY(many.edtURL->isHidden());
        many.mmURL->setPlainText("\n \n");
        QVERIFY(!many.btnOK->isEnabled());
        many.mmURL->setPlainText("http://h/a\nhttp://h/b");
        many.btnOK->click();
        QCOMPARE(many.Result(), std::string("http://h/a\nhttp://h/b"));
    }

    void runCountRefusesOutOfRange() {
        TBoxAnswerer boxes;
        TRunCountDlg d;
        d.Count = 0; // several rows: empty field
        const int r = ExecWith(d, [&] {
            QVERIFY(d.edtCount->text().isEmpty());
            for (const char* bad : {"0", ""}) {
                d.edtCount->setText(bad);
                d.btnOK->click();
                QVERIFY(d.isVisible());
            }
            d.edtCount->setText("9999");
            d.btnOK->click();
        });
        QCOMPARE(r, int(QDialog::Accepted));
        QCOMPARE(d.Count, 9999);
        QCOMPARE(boxes.Texts.size(), 2);
        QCOMPARE(boxes.Texts.front(), QtLit("実行回数は 1 回から 9999 回の間で指定してください。"));
        QCOMPARE(d.edtCount->maxLength(), 4);
    }

    void rowFolderDialog() {
        TTempFolder temp;
        TBoxAnswerer boxes;
        TSelDirDlg d;
        d.Path = temp.Win("missing");
        int r = ExecWith(d, [&] {
            QCOMPARE(d.edtPath->text(), QtStr(temp.Win("missing")));
            d.btnOK->click(); // missing: stays open
            QVERIFY(d.isVisible());
            d.chkDefault->setChecked(true);
            d.btnOK->click();
        });
        QCOMPARE(r, int(QDialog::Accepted));
        QCOMPARE(d.Path, std::string());
        QCOMPARE(boxes.Texts.size(), 1);
        QVERIFY(boxes.Texts.front().endsWith(QtLit("指定のパスは存在しません。パスの内容を確認してください。")));
    }

    void propertyWindowShowsTheHeaderAndChecksThePort() {
        TServer server;
        server.On("/f.zip", {TServer::Respond(200, {"Content-Type: application/zip", "Content-Length: 12345"}, "")});
        TFilePropDlgManager manager;
        TFilePropDlg* w = manager.Create();
        TQorFile f(server.Url("/f.zip"));
        f.URL->User = "me";
        f.Referer = "http://ref/";
        w->AddFile(&f);
        w->show();
        QCOMPARE(w->edtUserId->text(), QString("me"));
        QCOMPARE(w->edtReferer->text(), QString("http://ref/"));
        QCOMPARE(w->mmAddress->toPlainText(), QtStr(TInetURLEx(server.Url("/f.zip")).GetPlaneURL()));
        QVERIFY(WaitUntil([&] { return w->mmHTTPHeader->toPlainText().contains("Content-Length: 12345"); }));
        QCOMPARE(server.Requests().size(), size_t(1));

        TBoxAnswerer boxes;
        w->edtPort->setText("abc");
        w->btnOK->click();
        QVERIFY(WaitUntil([&] { return boxes.Texts.size() == 1; }));
        QCOMPARE(boxes.Texts.front(), QtLit("ポート番号が不正です。"));
        QVERIFY(w->isVisible());
        w->edtPort->setText("80");
        QPointer<TFilePropDlg> p(w);
        w->btnOK->click();
        QVERIFY(WaitUntil([&] { return p.isNull(); }));
        QCOMPARE(manager.Count(), 0);

        // A header that cannot be had.
        TFilePropDlg* bad = manager.Create();
        TQorFile closed("http://127.0.0.1:1/x");
        bad->AddFile(&closed);
        bad->show();
        QVERIFY(WaitUntil([&] { return bad->mmHTTPHeader->toPlainText() == QtLit("取得に失敗しました"); }));
        manager.CloseAll();
        QVERIFY(WaitUntil([] { return TQorLoadThread::Alive() == 0; }));
    }

    void versionText() {
        QCOMPARE(TVersionDlg::VersionText("2.2.0.128"), QString("Version 2.2 (Build 128)"));
        TVersionDlg d;
        QCOMPARE(d.windowTitle(), QtLit("バージョン情報"));
        QVERIFY(d.lblVersion->text().startsWith("Version "));
    }

    void exporterReplacesTheFileWhole() {
        TTempFolder temp;
        const std::string path = temp.Win("urls.txt");
        QVERIFY(TURLExporter::WriteFile(path, std::string(5000, 'x')));
        const std::string text = SJ("http://h/表.jpg\r\nhttp://h/b.jpg");
        QVERIFY(TURLExporter::WriteFile(path, text));
        QCOMPARE(temp.Contents("urls.txt"), text);
        // A folder in the way: the write fails and says so.
        std::filesystem::create_directories(temp.NativePath("dir.txt"));
        QVERIFY(!TURLExporter::WriteFile(temp.Win("dir.txt"), text));
    }
};

QTEST_MAIN(SmallWindowsTest)
#include "SmallWindowsTest.moc"
