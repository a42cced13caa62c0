#include "app/ErrorBox.h"

#include "platform/CodePage.h"
#include "platform/StringTable.h"
#include "shell/QtText.h"

#include <QMessageBox>

void TErrorBox::Show(QWidget* parent, std::string_view message) {
    QMessageBox::critical(parent, TQtText::ToQ(TStringTable::Get(14)), TQtText::ToQ(message));
}

std::string TErrorBox::SaveFailedMessage(std::string_view path) {
    return std::string(path) + SJ(" を保存できませんでした。以前の内容のまま残っています。");
}
