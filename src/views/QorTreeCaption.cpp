#include "views/QorTreeCaption.h"

#include <QFontMetrics>
#include <QIcon>
#include <QStyle>
#include <QTreeView>

QRect TQorTreeCaption::Rect(const QTreeView* view, QStyleOptionViewItem option, const QModelIndex& index) {
    const QRect cell = view->visualRect(index);
    if (!index.isValid() || cell.isEmpty()) return {};
    option.rect = cell;
    option.index = index;
    option.text = index.data(Qt::DisplayRole).toString();
    option.features |= QStyleOptionViewItem::HasDisplay;
    const QVariant font = index.data(Qt::FontRole);
    if (font.isValid()) option.font = font.value<QFont>();
    option.fontMetrics = QFontMetrics(option.font);
    const QVariant icon = index.data(Qt::DecorationRole);
    if (icon.canConvert<QIcon>()) {
        option.icon = icon.value<QIcon>();
        option.features |= QStyleOptionViewItem::HasDecoration;
    }
    QStyle* style = view->style();
    const QRect text = style->subElementRect(QStyle::SE_ItemViewItemText, &option, view);
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
    const int width = option.fontMetrics.horizontalAdvance(option.text) + 2 * margin;
    return QRect(text.left(), text.top(), qMin(width, text.width()), text.height());
}

bool TQorTreeCaption::Contains(const QRect& caption, const QPoint& point) {
    if (caption.isEmpty()) return false;
    return caption.left() - IconMargin <= point.x() && point.x() <= caption.right() &&
           caption.top() <= point.y() && point.y() <= caption.bottom();
}
