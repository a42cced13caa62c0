#pragma once
// Starts a drag of a text from a window: the text as text/plain and, unless
// TextOnly, its lines as a list of addresses (see TSeOleData). Only the copy
// action is offered. Releasing the button outside any target or pressing
// Escape ends the drag without effect.
//
// Main thread only.
#include <QObject>

#include <functional>
#include <string>

class QMimeData;
class QWidget;

class TSeOleDropSource : public QObject {
    Q_OBJECT
public:
    explicit TSeOleDropSource(QWidget* window);

    std::string Text;      // CP932; several lines for several items
    bool TextOnly = false; // offer no address list
    // Lets the owner add formats of its own to a drag (our views carry
    // their records between each other this way).
    std::function<void(TSeOleDropSource* sender, QMimeData& data)> OnMakeData;

    // Runs the drag and returns when it has ended: true when a target took
    // it. Nothing happens for an empty Text.
    bool StartDrag();

private:
    QWidget* window_;
};
