#pragma once
// The pattern the list editors share: a report list whose rows carry their
// own copy of an entry (one CP932 text per column), edit fields, and the
// add, update, delete, up and down buttons. The dialog says how to read its
// fields (checked, or refused with a message) and how to show a row in
// them; the panel does the rest.
#include <QObject>

#include <functional>
#include <string>
#include <vector>

class QAbstractButton;
class QTreeWidget;
class QTreeWidgetItem;

class TListEditPanel : public QObject {
    Q_OBJECT
public:
    using TRow = std::vector<std::string>; // CP932, one text per column

    // Buttons may be none (an editor without arrows).
    TListEditPanel(QTreeWidget* list, QAbstractButton* add, QAbstractButton* update,
                   QAbstractButton* remove, QAbstractButton* up, QAbstractButton* down);

    // Reads the fields into a row; false when they are refused (the reader
    // has shown why) and nothing is to change.
    std::function<bool(TRow& row)> ReadFields;
    // Shows the selected row in the fields.
    std::function<void(const TRow& row)> ShowRow;
    // Empties the fields (after a delete).
    std::function<void()> ClearFields;

    void AppendRow(const TRow& row);
    std::vector<TRow> Rows() const;
    int Selected() const; // -1 without a selection
    void UpdateButtons();

    void Add();
    void Update();
    void Delete();
    void MoveUp();
    void MoveDown();

private:
    QTreeWidgetItem* MakeItem(const TRow& row) const;
    static TRow RowOf(const QTreeWidgetItem* item);
    void Move(int to);
    void SelectItem(QTreeWidgetItem* item);

    QTreeWidget* list_;
    QAbstractButton* add_;
    QAbstractButton* update_;
    QAbstractButton* delete_;
    QAbstractButton* up_;
    QAbstractButton* down_;
};
