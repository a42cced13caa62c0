#pragma once
// The address input window: one address to open ("ページを開く") or many
// addresses to download, one a line ("ダウンロードファイルを入力"). OK is
// enabled only while the visible input holds more than blanks.
#include <QDialog>

#include <string>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class TURLInputWnd : public QDialog {
    Q_OBJECT
public:
    enum TMode { imOne, imMany };

    explicit TURLInputWnd(QWidget* parent = nullptr);
    void SetMode(TMode mode);
    TMode Mode() const { return mode_; }
    // The entered text (CP932) after OK; in many-address mode the whole text.
    const std::string& Result() const { return result_; }

    QLabel* lblTitle;
    QLineEdit* edtURL;
    QPlainTextEdit* mmURL;
    QPushButton* btnOK;
    QPushButton* btnCancel;

private:
    void InputChange();
    void btnOKClick();

    TMode mode_ = imOne;
    std::string result_;
};
