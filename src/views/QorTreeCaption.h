#pragma once
// Where a tree row's caption is drawn, for the rule that a click or hover
// counts only on the caption or the 20 pixels left of it (the icon), not on
// the empty rest of the row.
#include <QModelIndex>
#include <QPoint>
#include <QRect>
#include <QStyleOptionViewItem>

class QTreeView;

class TQorTreeCaption {
public:
    static constexpr int IconMargin = 20;

    // The rectangle of the caption text of `index` in viewport coordinates;
    // `option` is the view's item option (initViewItemOption). Empty for an
    // index that is not shown.
    static QRect Rect(const QTreeView* view, QStyleOptionViewItem option, const QModelIndex& index);
    // left - 20 <= x <= right and top <= y <= bottom, all inclusive.
    static bool Contains(const QRect& caption, const QPoint& point);
};
