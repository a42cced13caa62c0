#include "views/QorHistoryTree.h"

#include "shell/QtText.h"
#include "views/QorHistoryModel.h"
#include "views/QorTreeCaption.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>

TQorHistoryTree::TQorHistoryTree(QWidget* parent) : QTreeView(parent) {
    core_.CompareCaptions = [](const std::string& a, const std::string& b) {
        return QString::localeAwareCompare(TQtText::ToQ(a), TQtText::ToQ(b));
    };
    model_ = new TQorHistoryModel(&core_, this);
    model_->SetImages({style()->standardIcon(QStyle::SP_DirClosedIcon), style()->standardIcon(QStyle::SP_FileIcon)});
    setModel(model_);
    setHeaderHidden(true);
    setRootIsDecorated(false); // no expand buttons
    setEditTriggers(NoEditTriggers);
    setSelectionMode(SingleSelection);
    setUniformRowHeights(true);
}

TQorHistoryTree::~TQorHistoryTree() {
    setModel(nullptr);
    delete model_;
}

TQorHistoryDate* TQorHistoryTree::GetDateInfo(const QModelIndex& index) const { return model_->DayOf(index); }

TQorHistoryPage* TQorHistoryTree::GetPageInfo(const QModelIndex& index) const { return model_->PageOf(index); }

QModelIndex TQorHistoryTree::IndexOfDay(const TQorHistoryDate* day) const { return model_->IndexOfDay(day); }

void TQorHistoryTree::OpenDateItem(const QModelIndex& index, bool toggle) {
    TQorHistoryDate* day = GetDateInfo(index);
    if (!day) return;
    if (!day->Opened) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        core_.OpenDateItem(day);
        expand(IndexOfDay(day));
        QApplication::restoreOverrideCursor();
    } else if (toggle) {
        const QModelIndex at = IndexOfDay(day);
        setExpanded(at, !isExpanded(at));
    }
}

bool TQorHistoryTree::DeleteItem(const QModelIndex& index) {
    if (GetPageInfo(index)) {
        return core_.DeletePage(GetDateInfo(index.parent()), index.row());
    }
    if (TQorHistoryDate* day = GetDateInfo(index)) {
        if (!core_.TodayNode() || day == core_.TodayNode()) return false;
        core_.DeleteDay(day);
        return true;
    }
    return false;
}

QRect TQorHistoryTree::CaptionRect(const QModelIndex& index) const {
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    return TQorTreeCaption::Rect(this, option, index);
}

bool TQorHistoryTree::IsInCursorAt(const QModelIndex& index, const QPoint& viewportPoint) const {
    return index.isValid() && TQorTreeCaption::Contains(CaptionRect(index), viewportPoint);
}

bool TQorHistoryTree::IsInCursor(const QModelIndex& index) const {
    return IsInCursorAt(index, viewport()->mapFromGlobal(QCursor::pos()));
}

void TQorHistoryTree::SetImages(const QList<QIcon>& images) { model_->SetImages(images); }

void TQorHistoryTree::keyPressEvent(QKeyEvent* event) {
    ShiftState = event->modifiers();
    QTreeView::keyPressEvent(event);
}

void TQorHistoryTree::keyReleaseEvent(QKeyEvent* event) {
    ShiftState = Qt::NoModifier;
    QTreeView::keyReleaseEvent(event);
}

void TQorHistoryTree::mouseDoubleClickEvent(QMouseEvent* event) {
    const QModelIndex selected = currentIndex();
    TQorHistoryDate* day = GetDateInfo(selected);
    const bool unread = day && !day->Opened;
    if (IsInCursorAt(selected, event->position().toPoint())) OpenDateItem(selected, false);
    // The ordinary double click expands or collapses; a day read just now
    // stays open instead of closing again at once.
    QTreeView::mouseDoubleClickEvent(event);
    if (unread && day->Opened) expand(IndexOfDay(day));
}
