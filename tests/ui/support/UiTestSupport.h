#pragma once
// What the window tests share: the error boxes the windows show are
// answered and recorded. (The engine's main-thread calls run through the
// program's own TQtMainThreadBridge, made in each test's initTestCase.)
#include <QString>
#include <QStringList>

#include <functional>

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
