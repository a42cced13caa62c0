#include "engine/ui/URLInputWnd.h"

#include "engine/ui/QtText.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TURLInputWnd::TURLInputWnd(QWidget* parent) : QDialog(parent) {
    setObjectName("URLInputWnd");
    lblTitle = new QLabel(QtLit("URLを入力してください。"), this);
    edtURL = new QLineEdit(this);
    edtURL->setObjectName("edtURL");
    mmURL = new QPlainTextEdit(this);
    mmURL->setObjectName("mmURL");
    mmURL->setLineWrapMode(QPlainTextEdit::NoWrap);
    mmURL->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    mmURL->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    btnOK = new QPushButton("OK", this);
    btnOK->setObjectName("btnOK");
    btnOK->setDefault(true);
    btnOK->setEnabled(false);
    btnCancel = new QPushButton(QtLit("キャンセル"), this);
    btnCancel->setObjectName("btnCancel");

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(4);
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    buttons->setContentsMargins(0, 0, 8, 0);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblTitle);
    layout->addWidget(edtURL);
    layout->addWidget(mmURL, 1);
    layout->addLayout(buttons);

    connect(edtURL, &QLineEdit::textChanged, this, &TURLInputWnd::InputChange);
    connect(mmURL, &QPlainTextEdit::textChanged, this, &TURLInputWnd::InputChange);
    connect(btnOK, &QPushButton::clicked, this, &TURLInputWnd::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    SetMode(imOne);
}

void TURLInputWnd::SetMode(TMode mode) {
    mode_ = mode;
    const bool one = mode == imOne;
    edtURL->setVisible(one);
    mmURL->setVisible(!one);
    if (one) {
        setWindowTitle(QtLit("ページを開く"));
        setFixedSize(358, 108);
        edtURL->setFocus();
    } else {
        setWindowTitle(QtLit("ダウンロードファイルを入力"));
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        resize(420, 240);
        mmURL->setFocus();
    }
    // Enter in the one-line box presses OK; in the multi-line box it is a
    // new line.
    btnOK->setDefault(one);
    btnOK->setAutoDefault(one);
    InputChange();
}

void TURLInputWnd::InputChange() {
    const QString text = mode_ == imOne ? edtURL->text() : mmURL->toPlainText();
    btnOK->setEnabled(!text.trimmed().isEmpty());
}

void TURLInputWnd::btnOKClick() {
    if (!btnOK->isEnabled()) return;
    result_ = SjStr(mode_ == imOne ? edtURL->text() : mmURL->toPlainText());
    accept();
}
