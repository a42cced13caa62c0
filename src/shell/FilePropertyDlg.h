#pragma once
// The property window of a local file or folder: name, folder, type, size,
// dates and permissions, read once when the window opens.
#include <QDialog>

#include <string>

class QFormLayout;
class QLabel;

class TFilePropertyDlg : public QDialog {
    Q_OBJECT
public:
    TFilePropertyDlg(QWidget* owner, const std::string& path);

    // The value shown beside a row's caption, by the control's object name
    // (lblName, lblFolder, lblType, lblSize, lblModified, lblAccessed,
    // lblPermissions); for tests and the host.
    QString Value(const QString& objectName) const;

private:
    QLabel* AddRow(const QString& caption, const QString& objectName, const QString& value);

    QFormLayout* form_ = nullptr;
};
