#include "download/ui/SelDirDlg.h"

#include "download/SaveDirList.h"
#include "engine/ui/PopupPlace.h"
#include "engine/ui/QtText.h"
#include "platform/StringTable.h"
#include "shell/ShellObject.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

TSelDirDlg::TSelDirDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("SelDirDlg");
    setWindowTitle(QtLit("保存先フォルダの選択"));
    auto* label = new QLabel(QtLit("保存先のフォルダを選択してください。"), this);
    edtPath = new QLineEdit(this);
    edtPath->setObjectName("edtPath");
    tbbBrowse = new QToolButton(this);
    tbbBrowse->setObjectName("tbbBrowse");
    tbbBrowse->setText("...");
    tbbBrowse->setShortcut(QKeySequence("Ctrl+D"));
    chkDefault = new QCheckBox(QtLit("デフォルトに戻す(&D)"), this);
    chkDefault->setObjectName("chkDefault");
    btnOK = new QPushButton("OK", this);
    btnOK->setObjectName("btnOK");
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QtLit("キャンセル"), this);
    btnCancel->setObjectName("btnCancel");

    auto* path = new QHBoxLayout;
    path->addWidget(edtPath, 1);
    path->addWidget(tbbBrowse);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(chkDefault);
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addLayout(path);
    layout->addLayout(buttons);
    resize(420, sizeHint().height());

    connect(btnOK, &QPushButton::clicked, this, &TSelDirDlg::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(tbbBrowse, &QToolButton::clicked, this, &TSelDirDlg::tbbBrowseClick);
}

int TSelDirDlg::exec() {
    TPopupPlace::AtCursor(this);
    edtPath->setText(QtStr(Path));
    return QDialog::exec();
}

void TSelDirDlg::tbbBrowseClick() {
    const std::string folder =
        TShellObject::SelectFolder(this, TSaveDirList::Normalize(SjStr(edtPath->text())),
                                   SJ("保存先のフォルダを選択してください。"));
    if (!folder.empty()) edtPath->setText(QtStr(folder));
}

void TSelDirDlg::btnOKClick() {
    std::string folder, message;
    if (!TSaveDirList::CheckRowDir(SjStr(edtPath->text()), chkDefault->isChecked(), folder, message)) {
        QMessageBox::critical(this, QtStr(TStringTable::Get(14)), QtStr(message));
        return;
    }
    Path = folder;
    accept();
}
