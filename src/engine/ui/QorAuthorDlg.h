#pragma once
// "認証": the user name and password for an address that answered 401. The
// window program shows it modally on the main thread when a load thread
// asks (through the load thread's credentials question).
#include <QDialog>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

class TQorAuthorDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr int MaxLength = 64;

    explicit TQorAuthorDlg(QWidget* parent = nullptr);

    // Set before exec (CP932): the address shown and the prefilled fields.
    std::string URL;
    std::string UserName;
    std::string Password;

    QLabel* lblURL;
    QLabel* lblDescription;
    QLabel* lblUser;
    QLabel* lblPassword;
    QLineEdit* edtUser;
    QLineEdit* edtPassword;
    QPushButton* btnOK;
    QPushButton* btnCancel;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void btnOKClick();
};
