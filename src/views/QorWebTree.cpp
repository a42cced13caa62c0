#include "views/QorWebTree.h"

#include "shell/QtText.h"
#include "shell/SeOleDropSource.h"
#include "views/QorTreeCaption.h"
#include "views/QorWebTreeModel.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>

namespace {

QList<QIcon> DefaultImages(const QStyle* style) {
    return {
        style->standardIcon(QStyle::SP_DriveNetIcon),        // root
        style->standardIcon(QStyle::SP_FileIcon),            // not loaded yet
        style->standardIcon(QStyle::SP_FileDialogContentsView), // loaded
        style->standardIcon(QStyle::SP_MessageBoxCritical),  // failed
        style->standardIcon(QStyle::SP_DriveHDIcon),         // cache or disk
        style->standardIcon(QStyle::SP_FileIcon),
        style->standardIcon(QStyle::SP_BrowserReload),       // loop
    };
}

} // namespace

TQorWebTree::TQorWebTree(QWidget* parent) : QTreeView(parent) {
    core_.CompareCaptions = [](const std::string& a, const std::string& b) {
        return QString::localeAwareCompare(TQtText::ToQ(a), TQtText::ToQ(b));
    };
    model_ = new TQorWebTreeModel(&core_, this);
    model_->SetImages(DefaultImages(style()));
    setModel(model_);
    setHeaderHidden(true);
    setEditTriggers(NoEditTriggers);
    setSelectionMode(SingleSelection);
    setDragEnabled(false); // drags start from our own threshold
    setUniformRowHeights(true);
}

TQorWebTree::~TQorWebTree() {
    setModel(nullptr);
    delete model_;
}

void TQorWebTree::Initialize() {
    if (core_.RootNode()) return;
    model_->BeginReset();
    core_.Initialize();
    model_->EndReset();
}

TQorPageNode* TQorWebTree::AddRootPage(const std::string& url, bool blankCaption) {
    TQorPageNode* node = core_.AddRootPage(url, blankCaption);
    if (!node) return nullptr;
    expand(IndexOf(core_.RootNode()));
    SelectNode(node);
    return node;
}

QModelIndex TQorWebTree::IndexOf(const TQorPageNode* node) const { return model_->IndexOf(node); }

TQorPageNode* TQorWebTree::NodeOf(const QModelIndex& index) const { return TQorWebTreeModel::NodeOf(index); }

TQorPageNode* TQorWebTree::NodeAt(const QPoint& viewportPoint) const { return NodeOf(indexAt(viewportPoint)); }

TQorPageNode* TQorWebTree::SelectedNode() const { return NodeOf(currentIndex()); }

void TQorWebTree::SelectNode(TQorPageNode* node) {
    if (!node) return;
    const QModelIndex index = IndexOf(node);
    setCurrentIndex(index);
    scrollTo(index);
}

void TQorWebTree::ExpandNode(TQorPageNode* node, bool expand) {
    if (node) setExpanded(IndexOf(node), expand);
}

void TQorWebTree::SetImages(const QList<QIcon>& images) { model_->SetImages(images); }

QRect TQorWebTree::CaptionRect(const TQorPageNode* node) const {
    if (!node) return {};
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    return TQorTreeCaption::Rect(this, option, IndexOf(node));
}

bool TQorWebTree::IsInCursorAt(const TQorPageNode* node, const QPoint& viewportPoint) const {
    return node && TQorTreeCaption::Contains(CaptionRect(node), viewportPoint);
}

bool TQorWebTree::IsInCursor(const TQorPageNode* node) const {
    return IsInCursorAt(node, viewport()->mapFromGlobal(QCursor::pos()));
}

void TQorWebTree::StartDrag(const TQorPageNode* node) {
    const std::string text = TQorPageTree::GetDragText(node);
    if (text.empty()) return;
    TSeOleDropSource source(this);
    source.Text = text;
    if (OnMakeDragData)
        source.OnMakeData = [this, node](TSeOleDropSource*, QMimeData& data) { OnMakeDragData(this, node, data); };
    DragReady = false;
    source.StartDrag();
}

void TQorWebTree::keyPressEvent(QKeyEvent* event) {
    ShiftState = event->modifiers();
    QTreeView::keyPressEvent(event);
}

void TQorWebTree::keyReleaseEvent(QKeyEvent* event) {
    ShiftState = Qt::NoModifier;
    QTreeView::keyReleaseEvent(event);
}

void TQorWebTree::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        downPos_ = event->position().toPoint();
        downOnNode_ = indexAt(downPos_).isValid();
        if (downOnNode_) DragReady = false;
    }
    QTreeView::mousePressEvent(event);
}

void TQorWebTree::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() == Qt::LeftButton && downOnNode_ && !DragReady) {
        const QPoint pos = event->position().toPoint();
        if (qAbs(pos.x() - downPos_.x()) > 4 || qAbs(pos.y() - downPos_.y()) > 4) {
            DragReady = true;
            if (OnDragReady) {
                OnDragReady(this);
            } else {
                // Without a host that decides, the pressed page's address goes.
                StartDrag(NodeAt(downPos_));
                return;
            }
        }
    }
    QTreeView::mouseMoveEvent(event);
}

void TQorWebTree::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) DragReady = false;
    QTreeView::mouseReleaseEvent(event);
}
