// The download window at work, without a main window, measuring the main
// thread's longest stall (how late a 10 ms timer ticks) and the view's
// repaints per second.
//
// Two loads:
//   --files N      N files queued before the start, downloading 5 at a time
//                  from a paced loopback server (about 400 KB/s each), for
//                  --seconds S.
//   --cascade URL  a cascade from URL (--levels L, the start folder and
//                  below, the directory structure re-created) with 5
//                  transfers, until the crawl has ended and every row is
//                  finished (or --seconds S have passed).
// --shots DIR saves screenshots of the window's tabs and of a property
// window (taken during the --files run; they stall the loop themselves).
// The work folder is WORK (default $TMPDIR/vorlen-dlwin-bench).
//   QT_QPA_PLATFORM=offscreen build/bench/dlwin-bench [--files N | --cascade URL] ...
#include "download/ui/DownloadDlg.h"
#include "download/ui/DownloadListModel.h"
#include "engine/QorConnGeneral.h"
#include "engine/QorFile.h"
#include "engine/ui/FilePropDlg.h"
#include "engine/ui/FilePropDlgManager.h"
#include "engine/ui/QtText.h"
#include "platform/WinPath.h"
#include "shell/QtMainThreadBridge.h"
#include "support/TestHttpServer.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

// How late each tick of a 10 ms timer comes.
class TStallMeter {
public:
    TStallMeter() {
        clock_.start();
        timer_.setInterval(10);
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const qint64 now = clock_.nsecsElapsed();
            const qint64 late = (now - last_) / 1000000 - 10;
            last_ = now;
            worst_ = std::max(worst_, late);
            if (late >= 50) ++over50_;
            if (late >= 100) ++over100_;
        });
        last_ = clock_.nsecsElapsed();
        timer_.start();
    }
    double Seconds() const { return clock_.nsecsElapsed() / 1e9; }
    // CPU time of the main thread since the start (less sensitive to other
    // load on the machine than the wall time).
    double MainCpu() const { return ThreadCpu() - cpu0_; }
    static double ThreadCpu() {
        rusage u{};
        getrusage(RUSAGE_THREAD, &u);
        return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
    }
    qint64 Worst() const { return worst_; }
    int Over50() const { return over50_; }
    int Over100() const { return over100_; }

private:
    QElapsedTimer clock_;
    QTimer timer_;
    qint64 last_ = 0, worst_ = 0;
    int over50_ = 0, over100_ = 0;
    double cpu0_ = ThreadCpu();
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::string shots, cascade;
    int files = 40, seconds = 8, levels = 2;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--shots") shots = argv[i + 1];
        if (a == "--files") files = std::atoi(argv[i + 1]);
        if (a == "--seconds") seconds = std::atoi(argv[i + 1]);
        if (a == "--cascade") cascade = argv[i + 1];
        if (a == "--levels") levels = std::atoi(argv[i + 1]);
    }
    if (!cascade.empty() && seconds == 8) seconds = 300;
    new TQtMainThreadBridge(&app);

    const char* where = std::getenv("WORK");
    const std::filesystem::path work =
        where ? std::filesystem::path(where) : std::filesystem::temp_directory_path() / "vorlen-dlwin-bench";
    std::filesystem::remove_all(work);
    for (const char* d : {"data", "cache", "save"}) std::filesystem::create_directories(work / d);
    auto win = [&](const char* d) { return TWinPath::FromNative((work / d).string()) + "\\"; };

    // Each file: 256 chunks of 16 KiB, 40 ms apart (about 400 KB/s each).
    std::unique_ptr<TTestHttpServer> server;
    if (cascade.empty()) {
        server = std::make_unique<TTestHttpServer>();
        TTestHttpServer::TScript script{TTestHttpServer::Send(
            "HTTP/1.0 200 OK\r\nLast-Modified: Wed, 01 Jan 2020 00:00:00 GMT\r\nContent-Length: " +
            std::to_string(256 * 16384) + "\r\n\r\n")};
        for (int i = 0; i < 256; ++i) {
            script.push_back(TTestHttpServer::Send(std::string(16384, static_cast<char>('a' + i % 26))));
            script.push_back(TTestHttpServer::Delay(40));
        }
        server->SetDefault(script);
    }

    TQorConnGeneral conn;
    auto* w = new TDownloadDlg(3, 0, false, false);
    w->SetDataPath(win("data"));
    w->SetCachePath(win("cache"));
    w->SetLoadCount(5);
    w->SetConn(&conn);
    w->resize(980, 460);
    w->show();
    // The site's off-site links (nobody listens) fail once and are done.
    w->Queue().RetryCount = 1;

    std::unique_ptr<TStallMeter> meter;
    double crawlEnd = -1;
    int startRefreshes = 0;
    auto begin = [&] {
        meter = std::make_unique<TStallMeter>();
        startRefreshes = w->Model()->Refreshes();
    };
    auto report = [&] {
        const double secs = meter->Seconds();
        const int rows = w->Queue().Count();
        std::printf("%s %s: rows %d, finished %d, %.1f s: longest main-thread stall %lld ms "
                    "(ticks late by 50 ms or more: %d, by 100 ms or more: %d), repaints %.1f/s, main thread CPU %.2f s\n",
                    QGuiApplication::platformName().toUtf8().constData(), cascade.empty() ? "files" : "cascade",
                    rows, w->Queue().GetLoadedCount(), secs, static_cast<long long>(meter->Worst()),
                    meter->Over50(), meter->Over100(), (w->Model()->Refreshes() - startRefreshes) / secs, meter->MainCpu());
        if (crawlEnd >= 0) std::printf("  the crawl ended after %.1f s\n", crawlEnd);
        std::fflush(stdout);
        w->close();
        QTimer::singleShot(200, &app, &QApplication::quit);
    };

    if (cascade.empty()) {
        for (int i = 0; i < files; ++i) {
            TQorFile f(server->Url("/file" + std::to_string(i) + ".bin"));
            w->AddFile(&f);
        }
        w->StartWithFolder(win("save"));
        begin();
        QTimer::singleShot(seconds * 1000, report);
    } else {
        w->PrepareCascade(cascade);
        w->edtCascade->setText(QString::number(levels));
        w->radPathStartBelow->setChecked(true);
        w->chkDirReapp->setChecked(true);
        w->cmbSaveDir->setEditText(QtStr(win("save")));
        begin();
        w->tbbSuspend->trigger();
        auto* poll = new QTimer(&app);
        poll->setInterval(100);
        QObject::connect(poll, &QTimer::timeout, [&, poll] {
            TQorDownloadList& q = w->Queue();
            if (!w->Loader && crawlEnd < 0) crawlEnd = meter->Seconds();
            const bool done = !w->Loader && q.Count() > 0 && q.GetLoadedCount() == q.Count();
            if (done || meter->Seconds() > seconds) {
                poll->stop();
                report();
            }
        });
        poll->start();
    }

    auto grab = [&](QWidget* widget, const char* name) {
        if (!shots.empty()) widget->grab().save(QString::fromStdString(shots + "/" + name));
    };
    if (!shots.empty() && cascade.empty()) QTimer::singleShot(3000, [&] {
        w->pdlList->selectRow(0);
        grab(w, "download-window.png");
        w->pgcMain->setCurrentIndex(1);
        grab(w, "download-window-options.png");
        w->pgcMain->setCurrentIndex(2);
        w->edtStartURL->setText("http://www.example.com/gallery/index.html");
        w->edtCascade->setText("2");
        w->cmbExt->setEditText("jpg:gif");
        grab(w, "download-window-cascade.png");
        w->pgcMain->setCurrentIndex(0);
        w->tbbProp->trigger();
        if (TFilePropDlg* prop = w->PropDlgManager->Get(0)) {
            QTimer::singleShot(800, [&, prop] { grab(prop, "property-window.png"); prop->close(); });
        }
    });
    const int rc = app.exec();
    std::filesystem::remove_all(work);
    return rc;
}
