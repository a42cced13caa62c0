#pragma once
// The folder dialog of the queue's rows: one folder for the selected rows,
// or (chkDefault) back to the queue's default folder, an empty Path.
#include <QDialog>

#include <string>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QToolButton;

class TSelDirDlg : public QDialog {
    Q_OBJECT
public:
    explicit TSelDirDlg(QWidget* parent = nullptr);

    // Preset before exec (CP932, Windows form); the result after OK.
    std::string Path;

    QLineEdit* edtPath;
    QToolButton* tbbBrowse;
    QCheckBox* chkDefault;
    QPushButton* btnOK;
    QPushButton* btnCancel;

    int exec() override;

private:
    void btnOKClick();
    void tbbBrowseClick();
};
