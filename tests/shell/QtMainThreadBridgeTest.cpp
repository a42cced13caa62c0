// Workers reach the main thread through Qt's event loop, and a main-thread
// wait keeps Qt events and the engine's queued calls running.
#include "platform/Event.h"
#include "platform/Thread.h"
#include "shell/QtMainThreadBridge.h"

#include <QEventLoop>
#include <QTimer>
#include <QtTest>

#include <atomic>
#include <functional>

namespace {

class TBodyThread : public TThread {
public:
    explicit TBodyThread(std::function<void(TThread&)> body) : body_(std::move(body)) {}
    ~TBodyThread() override { TerminateAndWait(); }

protected:
    void Execute() override { body_(*this); }

private:
    std::function<void(TThread&)> body_;
};

// Quits `loop` from the main thread when `done` holds; gives up after a
// long patience so a fault fails instead of hanging.
void RunUntil(QEventLoop& loop, const std::function<bool()>& done) {
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done()) loop.quit();
    });
    poll.start(5);
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

class QtMainThreadBridgeTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { bridge_ = new TQtMainThreadBridge(this); }

    void synchronizeIsAnsweredByTheEventLoop() {
        std::atomic<bool> answered{false};
        bool ranOnMain = false;
        TBodyThread worker([&](TThread& self) {
            self.Synchronize([&] { ranOnMain = TThread::IsMainThread(); });
            answered = true;
        });
        worker.Start();
        QEventLoop loop;
        RunUntil(loop, [&] { return answered.load(); });
        QVERIFY(answered);
        QVERIFY(ranOnMain);
        worker.WaitFor();
    }

    void queuedCallsRunInOrderWithoutAnyPump() {
        QStringList seen;
        TBodyThread worker([&](TThread& self) {
            for (int i = 0; i < 3; ++i) self.Queue([&seen, i] { seen << QString::number(i); });
        });
        worker.Start();
        QEventLoop loop;
        RunUntil(loop, [&] { return seen.size() == 3; });
        QCOMPARE(seen, (QStringList{"0", "1", "2"}));
    }

    void waitKeepsQtEventsAndQueuedCallsRunning() {
        TEvent done(true, false);
        bool timerFired = false;
        bool syncRan = false;
        // The worker needs the main thread twice before it signals: once
        // when a Qt timer has fired (a plain Qt event), once for itself.
        TBodyThread worker([&](TThread& self) {
            bool fired = false;
            while (!fired) {
                self.Synchronize([&] { fired = timerFired; });
                if (!fired) TEvent(true, false).WaitFor(2);
            }
            self.Synchronize([&] { syncRan = true; });
            done.SetEvent();
        });
        QTimer::singleShot(0, [&] { timerFired = true; });
        worker.Start();
        QCOMPARE(TQtMainThreadBridge::WaitPumping(done, 30000), wrSignaled);
        QVERIFY(timerFired);
        QVERIFY(syncRan);
    }

    void waitTakesAnAutoResetSignalAndTimesOut() {
        TEvent autoReset(false, true);
        QCOMPARE(TQtMainThreadBridge::WaitPumping(autoReset, TEvent::kInfinite), wrSignaled);
        QCOMPARE(autoReset.WaitFor(0), wrTimeout); // the wait took it
        QCOMPARE(TQtMainThreadBridge::WaitPumping(autoReset, 0), wrTimeout);
        bool timerFired = false;
        QTimer::singleShot(0, [&] { timerFired = true; });
        QCOMPARE(TQtMainThreadBridge::WaitPumping(autoReset, 50), wrTimeout);
        QVERIFY(timerFired);
    }

    void threadWaitForPumpsWhileQtRuns() {
        // The engine's own WaitFor on the main thread must not starve a
        // worker that synchronizes under the bridge.
        int value = 0;
        TBodyThread worker([&](TThread& self) { self.Synchronize([&] { value = 7; }); });
        worker.Start();
        worker.WaitFor();
        QCOMPARE(value, 7);
    }

private:
    TQtMainThreadBridge* bridge_ = nullptr;
};

QTEST_MAIN(QtMainThreadBridgeTest)
#include "QtMainThreadBridgeTest.moc"
