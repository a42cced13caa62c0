#pragma once
// The common form of the list editors (proxies, favorites, file types,
// address replacements): an optional label over a report list, one edit
// per field under it, the add, update and delete buttons (and the arrows
// where the editor has them) beside it, OK and Cancel below. The rows are
// the editor's private copy: FillRows copies the list in when the dialog is
// first shown, StoreRows gives it back on OK only.
#include <QDialog>

#include <functional>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class TListEditPanel;

class TListEditDlg : public QDialog {
    Q_OBJECT
public:
    struct Field {
        const char* Caption; // UTF-8
        const char* Name;    // objectName of the edit
        int MaxLength;
        bool Latin = false;  // an address or host: no input method
    };

    // Shows a refusal (CP932); an error box unless a test replaces it.
    std::function<void(const std::string& message)> OnError;

    void accept() override;

protected:
    TListEditDlg(QWidget* parent, const char* caption, const char* label, const char* listName,
                 const std::vector<const char*>& columns, const std::vector<Field>& fields, bool arrows);

    // The fields trimmed, as CP932, with TAB, CR and LF turned into blanks.
    std::string FieldText(int index) const;
    // Shows `message` and answers false, for ReadFields.
    bool Refuse(const std::string& message);

    virtual void FillRows() = 0;
    virtual void StoreRows() = 0;

    void showEvent(QShowEvent* event) override;

    QTreeWidget* List;
    std::vector<QLineEdit*> Edits;
    TListEditPanel* Panel;

private:
    void EnsureFilled();
    bool filled_ = false;
};
