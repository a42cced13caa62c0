#include "engine/ui/QorAuthorDlg.h"

#include "engine/ui/QtText.h"
#include "platform/SjisText.h"
#include "platform/StringTable.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TQorAuthorDlg::TQorAuthorDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("QorAuthorDlg");
    setWindowTitle(QtLit("認証"));
    lblURL = new QLabel(this);
    lblURL->setObjectName("lblURL");
    lblURL->setTextFormat(Qt::PlainText);
    lblDescription = new QLabel(QtStr(TStringTable::Get(1008)), this);
    lblDescription->setObjectName("lblDescription");
    lblUser = new QLabel(QtStr(TStringTable::Get(1009)), this);
    lblUser->setObjectName("lblUser");
    lblPassword = new QLabel(QtStr(TStringTable::Get(1010)), this);
    lblPassword->setObjectName("lblPassword");
    edtUser = new QLineEdit(this);
    edtUser->setObjectName("edtUser");
    edtUser->setMaxLength(MaxLength);
    edtUser->setAttribute(Qt::WA_InputMethodEnabled, false);
    edtPassword = new QLineEdit(this);
    edtPassword->setObjectName("edtPassword");
    edtPassword->setMaxLength(MaxLength);
    edtPassword->setEchoMode(QLineEdit::Password);
    edtPassword->setAttribute(Qt::WA_InputMethodEnabled, false);
    lblUser->setBuddy(edtUser);
    lblPassword->setBuddy(edtPassword);
    btnOK = new QPushButton("OK", this);
    btnOK->setObjectName("btnOK");
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QtStr(TStringTable::Get(1011)), this);
    btnCancel->setObjectName("btnCancel");

    auto* fields = new QGridLayout;
    fields->addWidget(lblUser, 0, 0);
    fields->addWidget(edtUser, 0, 1);
    fields->addWidget(lblPassword, 1, 0);
    fields->addWidget(edtPassword, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblURL);
    layout->addWidget(lblDescription);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(btnOK, &QPushButton::clicked, this, &TQorAuthorDlg::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TQorAuthorDlg::showEvent(QShowEvent* event) {
    lblURL->setText(QtStr(URL));
    edtUser->setText(QtStr(UserName));
    edtPassword->setText(QtStr(Password));
    edtUser->setFocus();
    QDialog::showEvent(event);
}

void TQorAuthorDlg::btnOKClick() {
    UserName = TSjisText::Trim(SjStr(edtUser->text()));
    Password = TSjisText::Trim(SjStr(edtPassword->text()));
    accept();
}
