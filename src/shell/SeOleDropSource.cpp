#include "shell/SeOleDropSource.h"

#include "shell/SeOleData.h"

#include <QDrag>
#include <QMimeData>
#include <QWidget>

TSeOleDropSource::TSeOleDropSource(QWidget* window) : QObject(window), window_(window) {}

bool TSeOleDropSource::StartDrag() {
    QMimeData* data = TSeOleData::Make(Text, TextOnly);
    if (!data) return false;
    if (OnMakeData) OnMakeData(this, *data);
    auto* drag = new QDrag(window_);
    drag->setMimeData(data);
    const Qt::DropAction action = drag->exec(Qt::CopyAction, Qt::CopyAction);
    // Qt deletes the QDrag itself once the drag is over.
    return action != Qt::IgnoreAction;
}
