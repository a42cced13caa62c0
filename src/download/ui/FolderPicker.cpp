#include "download/ui/FolderPicker.h"

#include "engine/ui/QtText.h"
#include "platform/WinPath.h"

#include <QFileDialog>

bool TFolderPicker::Select(QWidget* parent, const QString& prompt, const std::string& start, std::string& folder) {
    const std::string native = TWinPath::HasDrive(start) ? TWinPath::ToNative(start) : std::string();
    const QString chosen = QFileDialog::getExistingDirectory(parent, prompt, QString::fromStdString(native));
    if (chosen.isEmpty()) return false;
    folder = TWinPath::FromNative(chosen.toStdString());
    return true;
}
