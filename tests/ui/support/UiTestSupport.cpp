#include "support/UiTestSupport.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

struct TBoxAnswerer::TImpl {
    QTimer timer;
};

TBoxAnswerer::TBoxAnswerer() : impl_(new TImpl) {
    impl_->timer.setInterval(20);
    QObject::connect(&impl_->timer, &QTimer::timeout, [this] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (!box || !box->isVisible()) continue;
            Texts << box->text();
            Titles << box->windowTitle();
            box->done(QMessageBox::Ok);
        }
    });
    impl_->timer.start();
}

TBoxAnswerer::~TBoxAnswerer() { delete impl_; }

bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QTest::qWait(10);
    }
    return true;
}
