// The vorlen window program: the main window over the engine, with the
// address given on the command line opened at start.
#include "app/EndSignals.h"
#include "app/YarvWnd.h"
#include "engine/LoadCycleRules.h"
#include "platform/CodePage.h"
#include "shell/QtMainThreadBridge.h"
#include "shell/ShellObject.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSessionManager>

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    QElapsedTimer sinceStart;
    sinceStart.start();
    QApplication app(argc, argv);
    // Hidden windows (the preview, download windows behind a hidden main
    // window) must not end the program: only the main window does.
    app.setQuitOnLastWindowClosed(false);
    TQtMainThreadBridge bridge;
    TShellObject::PrepareIconTheme();

    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i) arguments.push_back(TCodePage::FromUtf8(argv[i]));
    auto* wnd = new TYarvWnd(TLoadCycleRules::StartURL(arguments));
    if (wnd->InitFailed()) {
        wnd->ShowInitError();
        delete wnd;
        return 1;
    }
    wnd->setAttribute(Qt::WA_DeleteOnClose);
    // For benchmarks and tests that run the program: a line on standard
    // output each time a page has been shown.
    if (qEnvironmentVariableIsSet("VORLEN_REPORT_SHOWN"))
        wnd->OnPageShown = [sinceStart] {
            std::printf("vorlen: page shown %lld ms after start\n", static_cast<long long>(sinceStart.elapsed()));
            std::fflush(stdout);
        };
    QObject::connect(wnd, &QObject::destroyed, &app, &QCoreApplication::quit);

    // SIGTERM, SIGINT, SIGHUP and a session's end close the window as Exit does.
    TEndSignals endSignals;
    QObject::connect(&endSignals, &TEndSignals::received, wnd, &QWidget::close);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, wnd, [wnd](QSessionManager&) {
        wnd->CloseChildWindows();
        wnd->SaveWindowState();
    });

    if (wnd->ShowAtStart()) wnd->show();
    return app.exec();
}
