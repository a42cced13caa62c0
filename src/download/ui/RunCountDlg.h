#pragma once
// The run-count dialog of the queue's rows: how many attempts a row makes
// (1 to 9999). Count 0 or less presets an empty field.
#include <QDialog>

class QLineEdit;
class QPushButton;
class QScrollBar;

class TRunCountDlg : public QDialog {
    Q_OBJECT
public:
    explicit TRunCountDlg(QWidget* parent = nullptr);

    int Count = 0;

    QLineEdit* edtCount;
    QScrollBar* udCount;
    QPushButton* btnOK;
    QPushButton* btnCancel;

    int exec() override;

private:
    void btnOKClick();
};
