// The main window at work against a loopback server, in a data folder of
// its own under $TMPDIR:
// - start: from the window's creation with an address (as `vorlen ADDRESS`
//   starts) to the page's file list shown, over loopback and then from the
//   cache (a second window on the same data folder);
// - the same for `vorlen ADDRESS` as a process, from its start until it
//   reports the page shown (VORLEN_REPORT_SHOWN);
// - stall: the main thread's longest gap between ticks of a 1 ms timer
//   while a generated page of 10 MiB loads (parsing, caching and the file
//   list's rows stay on worker threads);
// - with --shots DIR: screenshots of a loaded page (tree, file list,
//   source), of a local folder listing and of the download question.
//   QT_QPA_PLATFORM=offscreen build/bench/mainwnd-bench
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/bench/mainwnd-bench --shots docs/screenshots
#include "app/YarvWnd.h"
#include "engine/QorFile.h"
#include "engine/QorPageItems.h"
#include "platform/CodePage.h"
#include "shell/QtMainThreadBridge.h"
#include "support/TestHttpServer.h"
#include "views/QorFileList.h"
#include "views/QorWebTree.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScreen>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <time.h>

namespace {

using TServer = TTestHttpServer;

void WaitUntil(const std::function<bool()>& done, int ms = 60000) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 5);
}

std::string U8(const char* utf8) { return TCodePage::FromUtf8(utf8); }

std::string SamplePage() {
    std::string body = "<html><head><meta charset=\"Shift_JIS\"><title>" + U8("サンプルの索引ページ") +
                       "</title></head><body>\n<h1>" + U8("画像と資料") + "</h1>\n";
    const char* names[] = {"photo01.jpg", "photo02.jpg", "map.png", "icon.gif", "manual.pdf", "data.zip"};
    for (const char* name : names) body += std::string("<a href=\"files/") + name + "\">" + name + "</a><br>\n";
    body += "<a href=\"about.html\">" + U8("このサイトについて") + "</a>\n";
    body += "<a href=\"news/\">" + U8("お知らせ") + "</a>\n";
    body += "<a href=\"mailto:info@example.test\">" + U8("お問い合わせ") + "</a>\n";
    body += "<img src=\"img/banner.png\"></body></html>\n";
    return body;
}

std::string LargePage(size_t bytes) {
    std::string body = "<html><head><title>large</title></head><body>\n";
    for (int i = 0; body.size() < bytes; ++i)
        body += "<p><a href=\"f" + std::to_string(i) + ".jpg\">file " + std::to_string(i) +
                "</a> some text around the link to make the page longer</p>\n";
    return body + "</body></html>\n";
}

double StartToList(const std::string& url) {
    QElapsedTimer clock;
    clock.start();
    auto* wnd = new TYarvWnd(url);
    wnd->show();
    WaitUntil([&] { return !wnd->NoPage && !wnd->Loader().Loading; });
    const double ms = clock.nsecsElapsed() / 1e6;
    wnd->close();
    delete wnd;
    return ms;
}

// `vorlen ADDRESS` as a process, from its start until it reports the page
// shown; also the time the program itself counts from its main().
double ProcessToList(const std::string& url, const std::filesystem::path& config, double& inside) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(config.string()));
    env.insert("VORLEN_REPORT_SHOWN", "1");
    process.setProcessEnvironment(env);
    QElapsedTimer clock;
    clock.start();
    process.start(VORLEN_EXE, {QString::fromStdString(url)});
    QByteArray out;
    WaitUntil([&] { return (out += process.readAllStandardOutput()).contains(" ms after start"); });
    const double ms = clock.nsecsElapsed() / 1e6;
    const int at = out.indexOf("page shown ");
    inside = at < 0 ? -1 : out.mid(at + 11).split(' ').value(0).toDouble();
    process.terminate();
    process.waitForFinished(30000);
    return ms;
}

void Shot(QWidget* window, const std::string& path) {
    QApplication::processEvents();
    const QRect frame = window->frameGeometry();
    QPixmap pixmap = window->grab();
    pixmap.save(QString::fromStdString(path));
    std::printf("screenshot %s (window %dx%d, content %dx%d)\n", path.c_str(), frame.width(), frame.height(),
                window->minimumSizeHint().width(), window->minimumSizeHint().height());
    std::fflush(stdout);
}

// The main thread's own CPU time: the figure other processes on a busy
// machine do not stretch.
double ThreadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// A tick inside OnLoaded: some event loop runs nested in it (a place to
// stop in a debugger).
[[gnu::noinline]] void NestedTick(int& count) { ++count; }

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    std::string shots;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--shots") shots = argv[i + 1];
    TQtMainThreadBridge bridge;

    const std::filesystem::path work = std::filesystem::temp_directory_path() / "vorlen-mainwnd-bench";
    std::filesystem::remove_all(work);
    std::filesystem::create_directories(work / "config");
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString((work / "config").string()));

    TServer server;
    server.On("/index.html", {TServer::Respond(200, {"Content-Type: text/html; charset=Shift_JIS"}, SamplePage())});
    server.On("/files/data.zip", {TServer::Respond(200, {"Content-Type: application/zip"}, "PK")});
    const std::string large = LargePage(10u << 20);
    server.On("/large.html", {TServer::Respond(200, {"Content-Type: text/html"}, large)});

    const double loopback = StartToList(server.Url("/index.html"));
    const double cached = StartToList(server.Url("/index.html"));
    std::printf("start to file list, loopback: %.1f ms\n", loopback);
    std::printf("start to file list, cached:   %.1f ms\n", cached);
    std::fflush(stdout);
    {
        const std::filesystem::path config = work / "process-config";
        double inside = 0;
        const double fresh = ProcessToList(server.Url("/index.html"), config, inside);
        std::printf("process start to file list, loopback: %.1f ms (%.0f ms from main)\n", fresh, inside);
        const double again = ProcessToList(server.Url("/index.html"), config, inside);
        std::printf("process start to file list, cached:   %.1f ms (%.0f ms from main)\n", again, inside);
        std::fflush(stdout);
    }

    {
        TYarvWnd wnd;
        wnd.show();
        WaitUntil([&] { return wnd.isVisible(); });
        qint64 longest = 0;
        QElapsedTimer tick;
        tick.start();
        QTimer timer;
        timer.setInterval(1);
        bool inLoaded = false;
        int nestedTicks = 0;
        int ticks = 0;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            if (inLoaded) NestedTick(nestedTicks);
            ++ticks;
            longest = std::max(longest, tick.nsecsElapsed());
            tick.restart();
        });
        timer.start();
        double loadedMs = 0, loadedCpuMs = 0;
        auto loaded = wnd.Loader().OnLoaded;
        wnd.Loader().OnLoaded = [&](TQorLoadManager* sender, int state, int reply) {
            QElapsedTimer t;
            t.start();
            const double cpu = ThreadCpuMs();
            inLoaded = true;
            loaded(sender, state, reply);
            inLoaded = false;
            loadedMs = t.nsecsElapsed() / 1e6;
            loadedCpuMs = ThreadCpuMs() - cpu;
        };
        QElapsedTimer clock;
        clock.start();
        wnd.OpenURL(server.Url("/large.html"), 1, true);
        // The rows of a page this large come from a worker after the load.
        WaitUntil([&] { return !wnd.Loader().Loading && !wnd.pflFile->Building(); }, 120000);
        // The gap that holds OnLoaded ends at the next tick: wait for it,
        // or the longest stall goes unmeasured.
        const int seen = ticks;
        WaitUntil([&] { return ticks > seen; });
        timer.stop();
        std::printf("10 MiB page: %d rows in %.0f ms; longest main-thread stall %.1f ms (OnLoaded %.1f ms, %.1f ms of it on the CPU, %d ticks inside it)\n",
                    static_cast<int>(wnd.pflFile->Core.Rows().size()), clock.nsecsElapsed() / 1e6, longest / 1e6,
                    loadedMs, loadedCpuMs, nestedTicks);
        // The source text goes into its tab when the tab is first shown.
        QElapsedTimer source;
        source.start();
        wnd.pgcFile->setCurrentIndex(1);
        std::printf("10 MiB page: source tab first shown in %.0f ms\n", source.nsecsElapsed() / 1e6);
        // The next page frees the large one's rows, records and text.
        wnd.pgcFile->setCurrentIndex(0);
        wnd.OpenURL(server.Url("/index.html"), 1);
        WaitUntil([&] { return !wnd.Loader().Loading; });
        std::printf("next page after it: OnLoaded %.1f ms\n", loadedMs);
        wnd.close();
    }

    if (!shots.empty()) {
        std::filesystem::create_directories(shots);
        TYarvWnd wnd;
        wnd.resize(960, 600);
        wnd.splMain->setSizes({280, 680});
        wnd.show();
        WaitUntil([&] { return wnd.isVisible(); });
        wnd.OpenURL(server.Url("/index.html"), 1);
        WaitUntil([&] { return !wnd.NoPage && !wnd.Loader().Loading; });
        wnd.pwtTree->ExpandNode(wnd.pwtTree->RootNode()->Child(0));
        for (int i = 0; i < 4; ++i) wnd.pflFile->resizeColumnToContents(i);
        Shot(&wnd, shots + "/main-window.png");
        wnd.pgcFile->setCurrentIndex(1);
        Shot(&wnd, shots + "/main-window-source.png");
        wnd.pgcFile->setCurrentIndex(0);

        const std::filesystem::path folder = work / "ローカルフォルダ";
        std::filesystem::create_directories(folder / "写真");
        for (const char* name : {"報告書.txt", "readme.html", "image.png", "table.csv"})
            std::ofstream(folder / name) << "x";
        wnd.OpenAddress(TCodePage::FromUtf8(folder.string()));
        WaitUntil([&] { return !wnd.Loader().Loading; });
        for (int i = 0; i < 4; ++i) wnd.pflFile->resizeColumnToContents(i);
        Shot(&wnd, shots + "/local-folder.png");

        wnd.OpenURL(server.Url("/index.html"), 1);
        WaitUntil([&] { return !wnd.Loader().Loading; });
        QTimer poll;
        poll.setInterval(50);
        int seen = 0;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || ++seen < 4) return; // let it paint first
            poll.stop();
            box->grab().save(QString::fromStdString(shots + "/download-question.png"));
            std::printf("screenshot %s\n", (shots + "/download-question.png").c_str());
            box->button(QMessageBox::No)->click();
        });
        poll.start();
        wnd.OpenURL(server.Url("/files/data.zip"), 1);
        WaitUntil([&] { return !wnd.Loader().Loading; });
        wnd.close();
    }
    std::filesystem::remove_all(work);
    return 0;
}
