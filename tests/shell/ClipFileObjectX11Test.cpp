// File lists through the real X clipboard, between this program and another
// process standing in for a file manager: what we put there is read by the
// other side in every form, and what a file manager holds is read by us.
#include "platform/CodePage.h"
#include "shell/ClipFileObject.h"

#include <QApplication>
#include <QClipboard>
#include <QEventLoop>
#include <QMimeData>
#include <QProcess>
#include <QTimer>
#include <QtTest>

#include <cstdio>
#include <cstring>

using Paths = std::vector<std::string>;
Q_DECLARE_METATYPE(Paths)

namespace {

const QStringList kFormats = {"text/uri-list", "x-special/gnome-copied-files",
                              "application/x-kde-cutselection", "text/plain"};

// The other process: "--read" prints every format it finds, hex-encoded, one
// per line; "--hold format hex ..." owns the clipboard with that data until
// it is killed.
int OtherProcess(int argc, char** argv) {
    QApplication app(argc, argv);
    if (std::strcmp(argv[1], "--read") == 0) {
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        for (const QString& f : kFormats)
            if (data && data->hasFormat(f))
                std::printf("%s %s\n", qPrintable(f), data->data(f).toHex().constData());
        return 0;
    }
    auto* data = new QMimeData;
    for (int i = 2; i + 1 < argc; i += 2) data->setData(QString::fromLatin1(argv[i]), QByteArray::fromHex(argv[i + 1]));
    QGuiApplication::clipboard()->setMimeData(data);
    // Once the loop runs, the ownership request has gone to the server.
    QTimer::singleShot(0, [] {
        std::printf("ready\n");
        std::fflush(stdout);
    });
    return app.exec();
}

// Runs the other process while our event loop keeps serving the clipboard.
QMap<QString, QByteArray> ReadInOtherProcess() {
    QProcess child;
    QEventLoop loop;
    QObject::connect(&child, &QProcess::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    child.start(QCoreApplication::applicationFilePath(), {"--read"});
    loop.exec();
    QMap<QString, QByteArray> seen;
    for (const QByteArray& line : child.readAllStandardOutput().split('\n')) {
        const qsizetype blank = line.indexOf(' ');
        if (blank > 0) seen[QString::fromLatin1(line.left(blank))] = QByteArray::fromHex(line.mid(blank + 1));
    }
    return seen;
}

} // namespace

class ClipFileObjectX11Test : public QObject {
    Q_OBJECT

private slots:
    void anotherProgramReadsOurCutFiles() {
        TClipFileObject::ToClipboard(nullptr, {"C:\\tmp\\a b.txt", "C:\\tmp\\" + SJ("表")}, TClipFileObject::deMove);
        const auto seen = ReadInOtherProcess();
        QCOMPARE(seen.value("text/uri-list"), QByteArray("file:///tmp/a%20b.txt\r\nfile:///tmp/%E8%A1%A8\r\n"));
        QCOMPARE(seen.value("x-special/gnome-copied-files"),
                 QByteArray("cut\nfile:///tmp/a%20b.txt\nfile:///tmp/%E8%A1%A8"));
        QCOMPARE(seen.value("application/x-kde-cutselection"), QByteArray("1"));
        QCOMPARE(QString::fromUtf8(seen.value("text/plain")), QStringLiteral("/tmp/a b.txt\n/tmp/表"));
    }

    void weReadWhatAFileManagerHolds_data() {
        QTest::addColumn<QStringList>("formats");
        QTest::addColumn<Paths>("paths");
        QTest::addColumn<int>("copyType");
        QTest::newRow("nautilus_44_copy")
            << QStringList{"x-special/gnome-copied-files", "copy\nfile:///home/me/%E8%A1%A8.txt",
                           "text/uri-list", "file:///home/me/%E8%A1%A8.txt\r\n"}
            << Paths{"C:\\home\\me\\" + SJ("表") + ".txt"} << int(TClipFileObject::deCopy);
        QTest::newRow("nautilus_43_text")
            << QStringList{"text/plain", "x-special/nautilus-clipboard\ncut\nfile:///home/me/a\n"}
            << Paths{"C:\\home\\me\\a"} << int(TClipFileObject::deMove);
        QTest::newRow("dolphin_cut")
            << QStringList{"text/uri-list", "file:///home/me/a\r\nfile:///home/me/b\r\n",
                           "application/x-kde-cutselection", "1"}
            << Paths{"C:\\home\\me\\a", "C:\\home\\me\\b"} << int(TClipFileObject::deMove);
    }
    void weReadWhatAFileManagerHolds() {
        QFETCH(QStringList, formats);
        QFETCH(Paths, paths);
        QFETCH(int, copyType);
        QStringList args{"--hold"};
        for (qsizetype i = 0; i + 1 < formats.size(); i += 2)
            args << formats[i] << QString::fromLatin1(formats[i + 1].toUtf8().toHex());
        QProcess holder;
        holder.start(QCoreApplication::applicationFilePath(), args);
        QVERIFY(holder.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(holder.canReadLine() || holder.waitForReadyRead(10), 30000);
        QCOMPARE(holder.readLine(), QByteArray("ready\n"));
        // The X server tells us of the new owner in its own time; until then
        // the previous owner's list may show.
        Paths got;
        QTRY_VERIFY_WITH_TIMEOUT(TClipFileObject::GetClipFiles(got) && got == paths, 30000);
        QCOMPARE(TClipFileObject::GetCopyType(), copyType);
        holder.kill();
        holder.waitForFinished();
    }
};

int main(int argc, char** argv) {
    if (argc >= 2 && (std::strcmp(argv[1], "--read") == 0 || std::strcmp(argv[1], "--hold") == 0))
        return OtherProcess(argc, argv);
    QApplication app(argc, argv);
    ClipFileObjectX11Test test;
    return QTest::qExec(&test, argc, argv);
}
#include "ClipFileObjectX11Test.moc"
