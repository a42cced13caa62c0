#pragma once
// Small helpers for driving the dialogs in tests: find a control by its
// name, type CP932-free UTF-8 text, select a row, and collect the messages
// a dialog would have shown in its error box.
#include "shell/QtText.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTimer>
#include <QLineEdit>
#include <QTreeWidget>
#include <QtTest>

#include <functional>
#include <string>
#include <vector>

template <typename T>
T* Control(QWidget* dialog, const char* name) {
    T* control = dialog->findChild<T*>(name);
    if (!control) qFatal("no control %s", name);
    return control;
}

inline void Type(QWidget* dialog, const char* name, const QString& text) {
    Control<QLineEdit>(dialog, name)->setText(text);
}

inline void Click(QWidget* dialog, const char* name) { Control<QAbstractButton>(dialog, name)->click(); }

inline void SelectRow(QWidget* dialog, const char* list, int row) {
    auto* view = Control<QTreeWidget>(dialog, list);
    view->setCurrentItem(view->topLevelItem(row));
}

// The rows of a list as "col0|col1|..." in UTF-8, for short comparisons.
inline QStringList RowTexts(QWidget* dialog, const char* list) {
    auto* view = Control<QTreeWidget>(dialog, list);
    QStringList rows;
    for (int i = 0; i < view->topLevelItemCount(); ++i) {
        QStringList cols;
        for (int c = 0; c < view->columnCount(); ++c) cols << view->topLevelItem(i)->text(c);
        rows << cols.join('|');
    }
    return rows;
}

// Messages in UTF-8.
struct TShownMessages {
    std::vector<QString> Texts;
    template <typename Dlg>
    void Catch(Dlg& dialog) {
        dialog.OnError = [this](const std::string& message) { Texts.push_back(TQtText::ToQ(message)); };
    }
};

// Runs `action` on the modal box of the given type as soon as it is open.
template <class Box>
void WhenModal(std::function<void(Box*)> action) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        if (auto* box = qobject_cast<Box*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            action(box);
        }
    });
    timer->start();
}
