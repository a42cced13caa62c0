#include "shell/QtMainThreadBridge.h"

#include "platform/Thread.h"

#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

namespace {

TQtMainThreadBridge* instance = nullptr;

} // namespace

TQtMainThreadBridge::TQtMainThreadBridge(QObject* parent)
    : QObject(parent),
      notifier_(new QSocketNotifier(TThread::SyncEventHandle(), QSocketNotifier::Read, this)) {
    TThread::SetMainThread();
    // The handle stays readable while calls wait, so a call that queues
    // another one is picked up on the next pass of the loop.
    connect(notifier_, &QSocketNotifier::activated, this, [] { TThread::CheckSynchronize(0); });
    instance = this;
}

TQtMainThreadBridge::~TQtMainThreadBridge() {
    if (instance == this) instance = nullptr;
}

TWaitResult TQtMainThreadBridge::WaitPumping(TEvent& event, int milliseconds) {
    if (!instance || !TThread::IsMainThread()) return TThread::WaitPumping(event, milliseconds);
    if (event.WaitFor(0) == wrSignaled) return wrSignaled;
    if (event.Handle() < 0) return wrError;
    if (milliseconds == 0) return wrTimeout;

    QEventLoop loop;
    TWaitResult result = wrTimeout;
    QSocketNotifier signalled(event.Handle(), QSocketNotifier::Read);
    QObject::connect(&signalled, &QSocketNotifier::activated, &loop, [&] {
        // Another waiter may have taken an auto-reset signal first.
        if (event.WaitFor(0) != wrSignaled) return;
        result = wrSignaled;
        signalled.setEnabled(false);
        loop.quit();
    });
    QTimer timeout;
    if (milliseconds != TEvent::kInfinite) {
        timeout.setSingleShot(true);
        QObject::connect(&timeout, &QTimer::timeout, &loop, [&] {
            signalled.setEnabled(false);
            loop.quit();
        });
        timeout.start(milliseconds);
    }
    loop.exec();
    return result;
}
