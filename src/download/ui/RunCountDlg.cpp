#include "download/ui/RunCountDlg.h"

#include "download/DownloadInput.h"
#include "engine/ui/PopupPlace.h"
#include "engine/ui/QtText.h"
#include "platform/StringTable.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QVBoxLayout>

TRunCountDlg::TRunCountDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("RunCountDlg");
    setWindowTitle(QtLit("実行回数の上限設定"));
    auto* text = new QLabel(
        QtLit("タイムアウト等が発生したときに自動でダウンロードをやり直す回数を設定してください。"), this);
    text->setWordWrap(true);
    edtCount = new QLineEdit(this);
    edtCount->setObjectName("edtCount");
    edtCount->setMaxLength(4);
    edtCount->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), edtCount));
    auto* label = new QLabel(QtLit("実行回数(&R):"), this);
    label->setBuddy(edtCount);
    // The up-down control: up counts up.
    udCount = new QScrollBar(Qt::Vertical, this);
    udCount->setObjectName("udCount");
    udCount->setRange(-TDownloadInput::kRunCountMax, -1);
    udCount->setFixedHeight(edtCount->sizeHint().height());
    btnOK = new QPushButton("OK", this);
    btnOK->setObjectName("btnOK");
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QtLit("キャンセル"), this);
    btnCancel->setObjectName("btnCancel");

    auto* field = new QHBoxLayout;
    field->addWidget(label);
    field->addWidget(edtCount);
    field->addWidget(udCount);
    field->addWidget(new QLabel(QtLit("回"), this));
    field->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addLayout(field);
    layout->addLayout(buttons);
    resize(360, sizeHint().height());

    connect(udCount, &QScrollBar::valueChanged, this,
            [this](int v) { edtCount->setText(QString::number(-v)); });
    connect(edtCount, &QLineEdit::textEdited, this, [this](const QString& t) {
        bool ok = false;
        const int v = t.toInt(&ok);
        if (ok && v >= 1) {
            const QSignalBlocker block(udCount);
            udCount->setValue(-v);
        }
    });
    connect(btnOK, &QPushButton::clicked, this, &TRunCountDlg::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

int TRunCountDlg::exec() {
    TPopupPlace::AtCursor(this);
    edtCount->setText(QtStr(TDownloadInput::RunCountText(Count)));
    {
        const QSignalBlocker block(udCount);
        udCount->setValue(-std::max(Count, 1));
    }
    return QDialog::exec();
}

void TRunCountDlg::btnOKClick() {
    std::string message;
    int count = 0;
    if (!TDownloadInput::RunCountValue(SjStr(edtCount->text()), count, message)) {
        QMessageBox::critical(this, QtStr(TStringTable::Get(14)), QtStr(message));
        return;
    }
    Count = count;
    accept();
}
