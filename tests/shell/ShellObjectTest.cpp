// File types, opening addresses and files, the folder picker and the
// property window, against the real MIME database and icon theme.
#include "platform/CodePage.h"
#include "shell/FilePropertyDlg.h"
#include "shell/QtText.h"
#include "shell/ShellObject.h"
#include "support/TempFolder.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QIcon>
#include <QLocale>
#include <QTimer>
#include <QUrl>
#include <QtTest>

#include <fstream>

// Stands in for the desktop's browser and file opener: records every URL.
class TUrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void handle(const QUrl& url) { urls.append(url); }
};

class ShellObjectTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        TShellObject::PrepareIconTheme();
        QIcon::setThemeName(QStringLiteral("Adwaita"));
        for (const char* scheme : {"http", "https", "ftp", "file", "javascript", "mailto"})
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &recorder_, "handle");
    }
    void init() { recorder_.urls.clear(); }
    void cleanupTestCase() {
        for (const char* scheme : {"http", "https", "ftp", "file", "javascript", "mailto"})
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }

    void fileTypeWithOrWithoutDotIsTheSame() {
        std::string a, b, c;
        bool ga = true, gb = true, gc = true;
        QIcon ia, ib, ic;
        QVERIFY(TShellObject::GetFileTypeInfo("txt", a, ga, ia));
        QVERIFY(TShellObject::GetFileTypeInfo(".txt", b, gb, ib));
        QVERIFY(TShellObject::GetFileTypeInfo(".TXT", c, gc, ic));
        QCOMPARE(a, b);
        QCOMPARE(a, c);
        QVERIFY(!ga);
        QCOMPARE(ia.name(), ib.name());
    }

    void fileTypeNamesAreJapanese_data() {
        QTest::addColumn<QString>("ext");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("icon");
        QTest::newRow("png") << "png" << QStringLiteral("PNG 画像") << "image-x-generic";
        QTest::newRow("html") << ".html" << QStringLiteral("HTML ドキュメント") << "text-html";
        QTest::newRow("dir") << "<dir>" << QStringLiteral("フォルダー") << "inode-directory";
    }
    void fileTypeNamesAreJapanese() {
        QFETCH(QString, ext);
        QFETCH(QString, name);
        QFETCH(QString, icon);
        const QLocale before;
        std::string typeName;
        bool generic = true;
        QIcon i;
        QVERIFY(TShellObject::GetFileTypeInfo(ext.toStdString(), typeName, generic, i));
        QCOMPARE(TQtText::ToQ(typeName), name);
        QCOMPARE(i.name(), icon);
        QVERIFY(!generic);
        QCOMPARE(QLocale().name(), before.name()); // the session's locale is left alone
    }

    void unknownExtensionGivesAnEmptyTypeAndAGenericIcon_data() {
        QTest::addColumn<QString>("ext");
        QTest::newRow("unknown") << "qqzzy";
        QTest::newRow("dot_only") << ".";
        QTest::newRow("empty") << "";
    }
    void unknownExtensionGivesAnEmptyTypeAndAGenericIcon() {
        QFETCH(QString, ext);
        std::string typeName = "stale";
        bool generic = false;
        QIcon icon;
        QVERIFY(!TShellObject::GetFileTypeInfo(ext.toStdString(), typeName, generic, icon));
        QVERIFY(typeName.empty());
        QVERIFY(generic);
        QVERIFY(!icon.isNull());
        QVERIFY(!icon.pixmap(16, 16).isNull());
    }

    void openByBrowserHandsOverOneUrl_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("url"); // empty: refused, nothing opened
        QTest::newRow("http") << "http://example.com/a.html?q=1&b=2" << "http://example.com/a.html?q=1&b=2";
        // A page's address with shell syntax stays one URL: nothing runs it.
        QTest::newRow("shell_syntax") << "http://example.com/$(touch x);`id`|y" << "http://example.com/$(touch%20x);%60id%60%7Cy";
        QTest::newRow("https_blank") << "https://example.com/a b" << "https://example.com/a%20b";
        QTest::newRow("local_drive_path") << "C:\\tmp\\a b.html" << "file:///tmp/a b.html";
        QTest::newRow("javascript") << "javascript:alert(1)" << "";
        QTest::newRow("option_like") << "-e foo" << "";
        QTest::newRow("no_host") << "http:///x" << "";
        QTest::newRow("other_drive") << "D:\\x.html" << "";
    }
    void openByBrowserHandsOverOneUrl() {
        QFETCH(QString, address);
        QFETCH(QString, url);
        const bool opened = TShellObject::OpenByBrowser(TQtText::FromQ(address));
        QCOMPARE(opened, !url.isEmpty());
        if (url.isEmpty()) {
            QVERIFY(recorder_.urls.isEmpty());
        } else {
            QCOMPARE(recorder_.urls.size(), 1);
            QCOMPARE(recorder_.urls[0].toString(QUrl::FullyEncoded),
                     QUrl(url, QUrl::TolerantMode).toString(QUrl::FullyEncoded));
        }
    }

    void executeOpensTheLocalFile() {
        TTempFolder tmp;
        const std::string path = tmp.Win(SJ("表 1.txt"));
        QVERIFY(TShellObject::Execute(path));
        QCOMPARE(recorder_.urls.size(), 1);
        QVERIFY(recorder_.urls[0].isLocalFile());
        QCOMPARE(recorder_.urls[0].toLocalFile(), QString::fromStdString(tmp.NativePath("表 1.txt").string()));
        QVERIFY(!TShellObject::Execute("D:\\x.txt"));
    }

    void selectFolderCancelledGivesEmptyAndMissingStartOpensAtRoot() {
        TTempFolder tmp;
        QString seenDir;
        QTimer::singleShot(0, [&] {
            auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(dlg);
            seenDir = dlg->directory().absolutePath();
            dlg->reject();
        });
        QCOMPARE(TShellObject::SelectFolder(nullptr, tmp.Win("gone\\"), SJ("選択")), std::string());
        QCOMPARE(seenDir, QStringLiteral("/"));
    }

    void selectFolderGivesTheChosenFolder() {
        TTempFolder tmp;
        std::filesystem::create_directory(tmp.NativePath("sub"));
        QString seenDir, title;
        QTimer::singleShot(0, [&] {
            auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(dlg);
            seenDir = dlg->directory().absolutePath();
            title = dlg->windowTitle();
            dlg->selectFile(QString::fromStdString(tmp.NativePath("sub").string()));
            QMetaObject::invokeMethod(dlg, "accept");
        });
        QCOMPARE(TShellObject::SelectFolder(nullptr, tmp.Win(), SJ("フォルダを選択")), tmp.Win("sub\\"));
        QCOMPARE(seenDir, QString::fromStdString(tmp.Native()));
        QCOMPARE(title, QStringLiteral("フォルダを選択"));
    }

    void propertyWindowShowsTheFile() {
        TTempFolder tmp;
        {
            std::ofstream(tmp.NativePath("a.txt")) << std::string(1500, 'x');
        }
        std::filesystem::permissions(tmp.NativePath("a.txt"), std::filesystem::perms(0640));
        TFilePropertyDlg dlg(nullptr, tmp.Win("a.txt"));
        QCOMPARE(dlg.Value("lblName"), QStringLiteral("a.txt"));
        QCOMPARE(dlg.Value("lblFolder"), TQtText::ToQ(tmp.Win()));
        QVERIFY(!dlg.Value("lblType").isEmpty());
        QCOMPARE(dlg.Value("lblSize"), QStringLiteral("2 KB (1500 バイト)"));
        QVERIFY(dlg.Value("lblPermissions").startsWith(QStringLiteral("rw-r----- (")));
        QVERIFY(QRegularExpression(QStringLiteral("^\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d$"))
                    .match(dlg.Value("lblModified")).hasMatch());
        QCOMPARE(dlg.windowTitle(), QStringLiteral("a.txtのプロパティ"));
    }

    void propertyWindowOfAFolderAndOfAMissingFile() {
        TTempFolder tmp;
        std::filesystem::create_directory(tmp.NativePath("sub"));
        TFilePropertyDlg folder(nullptr, tmp.Win("sub\\"));
        QCOMPARE(folder.Value("lblName"), QStringLiteral("sub"));
        QCOMPARE(folder.Value("lblType"), QStringLiteral("フォルダー"));
        QCOMPARE(folder.Value("lblSize"), QString());
        TFilePropertyDlg missing(nullptr, tmp.Win("gone.qqzzy"));
        QCOMPARE(missing.Value("lblType"), QStringLiteral("qqzzy ファイル"));
        QCOMPARE(missing.Value("lblSize"), QStringLiteral("(見つかりません)"));
    }

private:
    TUrlRecorder recorder_;
};

QTEST_MAIN(ShellObjectTest)
#include "ShellObjectTest.moc"
