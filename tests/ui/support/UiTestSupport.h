#pragma once
// What the window tests share: the engine's main-thread calls run from the
// Qt event loop, as the window program's bridge runs them, and the error
// boxes the windows show are answered and recorded.
#include <QString>
#include <QStringList>

#include <functional>

// Runs TThread's queued calls whenever a worker queues one (idempotent).
void InstallMainThreadPump();

// Closes every message box shown from now on (until the object goes) and
// keeps its text.
class TBoxAnswerer {
public:
    TBoxAnswerer();
    ~TBoxAnswerer();
    QStringList Texts;
    QStringList Titles;

private:
    struct TImpl;
    TImpl* impl_;
};

// Runs the event loop until `done` holds; false after `timeoutMs`.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 30000);
