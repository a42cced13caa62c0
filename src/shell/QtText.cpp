#include "shell/QtText.h"

#include "platform/WinPath.h"

QString TQtText::NativePath(std::string_view winPath) {
    return QString::fromStdString(TWinPath::ToNative(winPath));
}

std::string TQtText::WinPath(const QString& nativePath) {
    return TWinPath::FromNative(nativePath.toStdString());
}
