// File lists on the clipboard: what we put there, and reading what the
// common file managers put there.
#include "platform/CodePage.h"
#include "shell/ClipFileObject.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QtTest>

using Paths = std::vector<std::string>;
Q_DECLARE_METATYPE(Paths)

class ClipFileObjectTest : public QObject {
    Q_OBJECT

private slots:
    void cutFilesCarryEveryMark() {
        const Paths paths = {"C:\\tmp\\a b.txt", "C:\\tmp\\" + SJ("表") + "\\"};
        TClipFileObject::ToClipboard(nullptr, paths, TClipFileObject::deMove);
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        QVERIFY(data);
        QCOMPARE(data->data("text/uri-list"),
                 QByteArray("file:///tmp/a%20b.txt\r\nfile:///tmp/%E8%A1%A8\r\n"));
        QCOMPARE(data->data("x-special/gnome-copied-files"),
                 QByteArray("cut\nfile:///tmp/a%20b.txt\nfile:///tmp/%E8%A1%A8"));
        QCOMPARE(data->data("application/x-kde-cutselection"), QByteArray("1"));
        QCOMPARE(data->text(), QStringLiteral("/tmp/a b.txt\n/tmp/表/"));

        Paths back{"stale"};
        QVERIFY(TClipFileObject::GetClipFiles(back));
        QCOMPARE(back, (Paths{"C:\\tmp\\a b.txt", "C:\\tmp\\" + SJ("表")}));
        QCOMPARE(TClipFileObject::GetCopyType(), int(TClipFileObject::deMove));
    }

    void copiedFilesAreMarkedAsCopied() {
        TClipFileObject::ToClipboard(nullptr, {"C:\\tmp\\a"}, TClipFileObject::deCopy | TClipFileObject::deLink);
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        QCOMPARE(data->data("x-special/gnome-copied-files"), QByteArray("copy\nfile:///tmp/a"));
        QCOMPARE(data->data("application/x-kde-cutselection"), QByteArray("0"));
        QCOMPARE(TClipFileObject::GetCopyType(), int(TClipFileObject::deCopy));
    }

    void readsWhatFileManagersPutThere_data() {
        QTest::addColumn<QStringList>("formats"); // pairs: format, content
        QTest::addColumn<Paths>("paths");
        QTest::addColumn<int>("copyType");
        const Paths ab = {"C:\\home\\me\\a.txt", "C:\\home\\me\\b c"};
        QTest::newRow("nautilus_43_text_only")
            << QStringList{"text/plain", "x-special/nautilus-clipboard\ncut\nfile:///home/me/a.txt\nfile:///home/me/b%20c\n"}
            << ab << int(TClipFileObject::deMove);
        QTest::newRow("nautilus_44")
            << QStringList{"x-special/gnome-copied-files", "copy\nfile:///home/me/a.txt\nfile:///home/me/b%20c",
                           "text/uri-list", "file:///home/me/a.txt\r\nfile:///home/me/b%20c\r\n"}
            << ab << int(TClipFileObject::deCopy);
        QTest::newRow("dolphin_cut")
            << QStringList{"text/uri-list", "file:///home/me/a.txt\r\nfile:///home/me/b%20c\r\n",
                           "application/x-kde-cutselection", "1",
                           "text/plain", "/home/me/a.txt\n/home/me/b c"}
            << ab << int(TClipFileObject::deMove);
        QTest::newRow("dolphin_copy")
            << QStringList{"text/uri-list", "file:///home/me/a.txt\r\nfile:///home/me/b%20c\r\n"}
            << ab << int(TClipFileObject::deNone);
        QTest::newRow("thunar_copy")
            << QStringList{"x-special/gnome-copied-files", "copy\r\nfile:///home/me/a.txt\r\nfile:///home/me/b%20c\r\n"}
            << ab << int(TClipFileObject::deCopy);
        QTest::newRow("plain_text_no_files")
            << QStringList{"text/plain", "file:///home/me/a.txt"} << Paths{} << int(TClipFileObject::deNone);
        QTest::newRow("web_addresses_only")
            << QStringList{"text/uri-list", "http://example.com/a\r\n"} << Paths{} << int(TClipFileObject::deNone);
    }
    void readsWhatFileManagersPutThere() {
        QFETCH(QStringList, formats);
        QFETCH(Paths, paths);
        QFETCH(int, copyType);
        auto* data = new QMimeData;
        for (qsizetype i = 0; i + 1 < formats.size(); i += 2) data->setData(formats[i], formats[i + 1].toUtf8());
        QGuiApplication::clipboard()->setMimeData(data);
        Paths got{"stale"};
        QCOMPARE(TClipFileObject::GetClipFiles(got), !paths.empty());
        QCOMPARE(got, paths);
        QCOMPARE(TClipFileObject::GetCopyType(), copyType);
    }

    void clearLeavesNoFiles() {
        TClipFileObject::ToClipboard(nullptr, {"C:\\tmp\\a"}, TClipFileObject::deMove);
        TClipFileObject::Clear();
        Paths got;
        QVERIFY(!TClipFileObject::GetClipFiles(got));
        QCOMPARE(TClipFileObject::GetCopyType(), int(TClipFileObject::deNone));
    }
};

QTEST_MAIN(ClipFileObjectTest)
#include "ClipFileObjectTest.moc"
