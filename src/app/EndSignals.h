#pragma once
// SIGTERM, SIGINT and SIGHUP as a Qt signal: the handler only writes a
// byte into a pipe, and a socket notifier on the main thread turns it into
// `received`, so no Qt code runs inside the signal handler.
#include <QObject>

class QSocketNotifier;

class TEndSignals : public QObject {
    Q_OBJECT

public:
    explicit TEndSignals(QObject* parent = nullptr);
    ~TEndSignals() override;

signals:
    void received(int signal);

private:
    QSocketNotifier* notifier_ = nullptr;
};
