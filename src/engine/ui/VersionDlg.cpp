#include "engine/ui/VersionDlg.h"

#include "engine/ui/QtText.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#ifndef VORLEN_FILE_VERSION
#define VORLEN_FILE_VERSION "0.0.0.0"
#endif

TVersionDlg::TVersionDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("VersionDlg");
    setWindowTitle(QtLit("バージョン情報"));
    lblName = new QLabel("Vorlen Tiram", this);
    lblName->setObjectName("lblName");
    QFont big = lblName->font();
    big.setPointSizeF(big.pointSizeF() * 1.5);
    big.setBold(true);
    lblName->setFont(big);
    lblVersion = new QLabel(VersionText(FileVersion()), this);
    lblVersion->setObjectName("lblVersion");
    lblAuthor = new QLabel(QtLit("Vorlen Tiram の開発者"), this);
    lblAuthor->setObjectName("lblAuthor");
    btnClose = new QPushButton(QtLit("閉じる"), this);
    btnClose->setObjectName("btnClose");
    btnClose->setDefault(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblName);
    layout->addWidget(lblVersion);
    layout->addWidget(lblAuthor);
    layout->addWidget(btnClose, 0, Qt::AlignRight);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);
}

std::string TVersionDlg::FileVersion() { return VORLEN_FILE_VERSION; }

QString TVersionDlg::VersionText(const std::string& fileVersion) {
    std::string text = fileVersion;
    const size_t last = text.rfind('.');
    const std::string build = last == std::string::npos ? std::string() : text.substr(last + 1);
    // Cut at the last "." twice: the first two parts stay.
    for (int i = 0; i < 2; ++i) {
        const size_t dot = text.rfind('.');
        if (dot != std::string::npos) text.resize(dot);
    }
    return QString::fromStdString("Version " + text + " (Build " + build + ")");
}
