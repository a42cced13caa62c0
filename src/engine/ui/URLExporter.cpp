#include "engine/ui/URLExporter.h"

#include "engine/ui/QtText.h"
#include "platform/FileOps.h"
#include "platform/StringTable.h"
#include "platform/WinPath.h"

#include <QClipboard>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>

void TURLExporter::ToClipboard(const std::string& text) { QGuiApplication::clipboard()->setText(QtStr(text)); }

bool TURLExporter::WriteFile(const std::string& path, const std::string& text) {
    return TFileOps::WriteFileAtomically(path, text);
}

bool TURLExporter::ToFile(QWidget* parent, const std::string& text) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("txt");
    dialog.setNameFilters({QtLit("テキスト文書 (*.txt)"), QtLit("全てのファイル (*)")});
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    const QString native = dialog.selectedFiles().front();
    if (WriteFile(TWinPath::FromNative(native.toStdString()), text)) return true;
    QMessageBox::critical(parent, QtStr(TStringTable::Get(14)),
                          native + "\n" + QtLit("ファイルに書き込めませんでした。"));
    return false;
}
