#include "shell/SeOleTarget.h"

#include "platform/FileUriList.h"
#include "shell/SeOleData.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QWidget>

namespace {

// Copy when the source allows it; a source that offers only a link (some
// browsers) gets the link action, which is still no move.
bool ChooseAction(QDropEvent* event) {
    if (event->possibleActions() & Qt::CopyAction) {
        event->setDropAction(Qt::CopyAction);
        return true;
    }
    if (event->possibleActions() & Qt::LinkAction) {
        event->setDropAction(Qt::LinkAction);
        return true;
    }
    return false;
}

} // namespace

TSeOleTarget::TSeOleTarget(QWidget* window) : QObject(window), window_(window) {
    window_->setAcceptDrops(true);
    window_->installEventFilter(this);
}

TSeOleTarget::~TSeOleTarget() {
    if (window_) window_->removeEventFilter(this);
}

bool TSeOleTarget::Accepts(const QMimeData* data, const QPoint& point, const TDragEvent& handler) {
    const int formats = TSeOleData::Formats(data);
    bool accept = !NoAccept && !(NoFile && (formats & TSeOleData::fmFiles));
    if (handler) handler(this, point, formats, accept);
    return accept;
}

std::string TSeOleTarget::DropText(const QMimeData* data) const {
    std::vector<std::string> files = TSeOleData::Files(data);
    if (TSeOleData::Formats(data) & TSeOleData::fmText) {
        std::string text = TSeOleData::Text(data);
        // The file:// form of a file manager's own files: give the path.
        std::string path;
        if (!files.empty() && TFileUriList::UriToPath(text.substr(0, text.find_first_of("\r\n")), path))
            return files.front();
        if (!text.empty()) return text;
    }
    if (!files.empty() && !NoFile) return files.front();
    return std::string();
}

bool TSeOleTarget::eventFilter(QObject* watched, QEvent* event) {
    if (watched != window_) return false;
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        const TDragEvent& handler = event->type() == QEvent::DragEnter ? OnDragEnter : OnDragOver;
        if (Accepts(drag->mimeData(), drag->position().toPoint(), handler) && ChooseAction(drag))
            drag->accept();
        else
            drag->ignore();
        return true;
    }
    case QEvent::DragLeave:
        event->accept();
        return true;
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (!ChooseAction(drop)) {
            drop->ignore();
            return true;
        }
        drop->accept();
        const std::string text = DropText(drop->mimeData());
        if (!text.empty() && OnDropURL) OnDropURL(this, text);
        return true;
    }
    default:
        return false;
    }
}
