// The vorlen program as a process: started with an address it shows the
// page, and each end signal closes it as Exit does (the window-position
// file and unreach.dat written, exit code 0).
#include "download/QorUnreachList.h"
#include "platform/IniFile.h"
#include "support/TempFolder.h"
#include "support/TestHttpServer.h"

#include <QProcess>
#include <QtTest>

#include <csignal>
#include <filesystem>

namespace {

constexpr int kPatience = 30000;
using TServer = TTestHttpServer;

} // namespace

class VorlenProcessTest : public QObject {
    Q_OBJECT

private slots:
    void endSignalClosesAsExit_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGINT") << SIGINT;
        QTest::newRow("SIGHUP") << SIGHUP;
    }
    void endSignalClosesAsExit() {
        QFETCH(int, signal);
        TTempFolder home("vorlenproc");
        QVERIFY(home.Ok());
        TServer server;
        server.On("/index.html", {TServer::Respond(200, {"Content-Type: text/html"},
                                                   "<html><head><title>T</title></head>"
                                                   "<body><a href=\"a.html\">A</a></body></html>")});

        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", QString::fromStdString(home.Native()));
        env.insert("XDG_CONFIG_HOME", QString::fromStdString(home.Native()));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("VORLEN_REPORT_SHOWN", "1");
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::SeparateChannels);
        process.start(VORLEN_EXE, {QString::fromStdString(server.Url("/index.html"))});
        QVERIFY(process.waitForStarted(kPatience));

        // The page is shown: the signal handler is in place long before.
        QByteArray out;
        QTRY_VERIFY_WITH_TIMEOUT((out += process.readAllStandardOutput()).contains("vorlen: page shown"), kPatience);
        const std::filesystem::path data = home.NativePath("Vorlen");
        QVERIFY(!std::filesystem::exists(data / "vorlenpos0.ini"));
        QVERIFY(!std::filesystem::exists(data / "unreach.dat"));

        ::kill(static_cast<pid_t>(process.processId()), signal);
        QVERIFY(process.waitForFinished(kPatience));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);

        TIniFile ini(home.Win("Vorlen\\vorlenpos0.ini"));
        QVERIFY(std::filesystem::exists(data / "vorlenpos0.ini"));
        QVERIFY(ini.ReadInteger("MainWindow", "Width", 0) > 0);
        TQorUnreachList unreach;
        QVERIFY(unreach.LoadFromFile(home.Win("Vorlen\\unreach.dat")));
    }
};

QTEST_GUILESS_MAIN(VorlenProcessTest)
#include "VorlenProcessTest.moc"
