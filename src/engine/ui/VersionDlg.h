#pragma once
// The version window: program name, "Version 2.2 (Build 128)", the authors.
// The version is the one compiled in from the build.
#include <QDialog>

#include <string>

class QLabel;
class QPushButton;

class TVersionDlg : public QDialog {
    Q_OBJECT
public:
    explicit TVersionDlg(QWidget* parent = nullptr);

    // "2.2.0.128" -> "Version 2.2 (Build 128)".
    static QString VersionText(const std::string& fileVersion);
    static std::string FileVersion();

    QLabel* lblName;
    QLabel* lblVersion;
    QLabel* lblAuthor;
    QPushButton* btnClose;
};
