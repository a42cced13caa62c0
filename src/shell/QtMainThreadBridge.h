#pragma once
// Runs the engine's main-thread calls (TThread::Synchronize and Queue) from
// Qt's event loop, so workers reach windows only through those calls.
//
// One bridge per program, made on the main thread after the QApplication
// and kept for its life: it makes the calling thread the engine's main
// thread and watches TThread::SyncEventHandle with a socket notifier, which
// fires while calls wait, in the outer loop and in every nested one
// (dialogs, menus, drags).
#include "platform/Event.h"

#include <QObject>

class QSocketNotifier;

class TQtMainThreadBridge : public QObject {
    Q_OBJECT
public:
    explicit TQtMainThreadBridge(QObject* parent = nullptr);
    ~TQtMainThreadBridge() override;

    // A wait of the main thread that keeps both pumping: Qt events and the
    // queued calls run until `event` is signalled or `milliseconds` passed
    // (TEvent::kInfinite: no limit). Takes the signal of an auto-reset
    // event. Without a bridge it is TThread::WaitPumping (queued calls only).
    static TWaitResult WaitPumping(TEvent& event, int milliseconds);

private:
    QSocketNotifier* notifier_;
};
