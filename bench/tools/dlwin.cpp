// The download window at work, without a main window: N files downloading
// in parallel from a paced loopback server. Measures the main thread's
// longest stall (the latest tick of a 10 ms timer) and the view's repaints
// per second, and with --shots DIR saves screenshots of the window's tabs
// and of a property window.
//   QT_QPA_PLATFORM=offscreen build/bench/dlwin-bench [--shots DIR] [--files N] [--seconds S]
#include "download/ui/DownloadDlg.h"
#include "download/ui/DownloadListModel.h"
#include "engine/QorConnGeneral.h"
#include "engine/QorFile.h"
#include "engine/ui/FilePropDlg.h"
#include "engine/ui/FilePropDlgManager.h"
#include "engine/ui/QtText.h"
#include "platform/Thread.h"
#include "platform/WinPath.h"
#include "support/TestHttpServer.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QSocketNotifier>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::string shots;
    int files = 40, seconds = 8;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--shots") shots = argv[i + 1];
        if (a == "--files") files = std::atoi(argv[i + 1]);
        if (a == "--seconds") seconds = std::atoi(argv[i + 1]);
    }
    TThread::SetMainThread();
    QSocketNotifier pump(TThread::SyncEventHandle(), QSocketNotifier::Read);
    QObject::connect(&pump, &QSocketNotifier::activated, [] { TThread::CheckSynchronize(0); });

    const std::filesystem::path work = std::filesystem::temp_directory_path() / "vorlen-dlwin-bench";
    std::filesystem::remove_all(work);
    for (const char* d : {"data", "cache", "save"}) std::filesystem::create_directories(work / d);
    auto win = [&](const char* d) { return TWinPath::FromNative((work / d).string()) + "\\"; };

    // Each file: 256 chunks of 16 KiB, 40 ms apart (about 400 KB/s each).
    TTestHttpServer server;
    TTestHttpServer::TScript script{TTestHttpServer::Send("HTTP/1.0 200 OK\r\nLast-Modified: Wed, 01 Jan 2020 00:00:00 GMT\r\nContent-Length: " +
                                                          std::to_string(256 * 16384) + "\r\n\r\n")};
    for (int i = 0; i < 256; ++i) {
        script.push_back(TTestHttpServer::Send(std::string(16384, static_cast<char>('a' + i % 26))));
        script.push_back(TTestHttpServer::Delay(40));
    }
    server.SetDefault(script);

    TQorConnGeneral conn;
    auto* w = new TDownloadDlg(3, 0, false, false);
    w->SetDataPath(win("data"));
    w->SetCachePath(win("cache"));
    w->SetLoadCount(5);
    w->SetConn(&conn);
    w->resize(980, 460);
    w->show();
    for (int i = 0; i < files; ++i) {
        TQorFile f(server.Url("/file" + std::to_string(i) + ".bin"));
        w->AddFile(&f);
    }
    w->StartWithFolder(win("save"));

    QElapsedTimer clock;
    clock.start();
    qint64 last = 0, worst = 0;
    QTimer tick;
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        worst = std::max(worst, now - last - 10);
        last = now;
    });
    tick.start();
    const int startRefreshes = w->Model()->Refreshes();

    auto grab = [&](QWidget* widget, const char* name) {
        if (!shots.empty()) widget->grab().save(QString::fromStdString(shots + "/" + name));
    };
    if (!shots.empty()) QTimer::singleShot(3000, [&] {
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
    QTimer::singleShot(seconds * 1000, [&] {
        const double secs = clock.elapsed() / 1000.0;
        std::printf("files %d, 5 at a time, %.1f s: longest main-thread stall %lld ms, repaints %.1f/s\n", files, secs,
                    static_cast<long long>(worst), (w->Model()->Refreshes() - startRefreshes) / secs);
        w->close();
        QTimer::singleShot(200, &app, &QApplication::quit);
    });
    const int rc = app.exec();
    std::filesystem::remove_all(work);
    return rc;
}
