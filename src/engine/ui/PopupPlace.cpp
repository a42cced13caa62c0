#include "engine/ui/PopupPlace.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

void TPopupPlace::AtCursor(QWidget* window) {
    const QPoint at = QCursor::pos();
    QScreen* screen = QGuiApplication::screenAt(at);
    if (!screen) screen = QGuiApplication::primaryScreen();
    QPoint pos = at;
    const QSize size = window->frameGeometry().size().expandedTo(window->sizeHint());
    if (screen) {
        const QRect area = screen->availableGeometry();
        if (pos.x() + size.width() > area.right()) pos.setX(area.right() - size.width());
        if (pos.y() + size.height() > area.bottom() - 2) pos.setY(area.bottom() - 2 - size.height());
        pos.setX(std::max(pos.x(), area.left()));
        pos.setY(std::max(pos.y(), area.top()));
    }
    window->move(pos);
}
