#pragma once
// The program's error box: caption string 14 ("エラー"), the error icon.
#include <QWidget>

#include <string>
#include <string_view>

class TErrorBox {
public:
    // Shows `message` (CP932) modally over `parent`.
    static void Show(QWidget* parent, std::string_view message);
    // The message that a list file could not be written; the old file is
    // still in place (the list files are replaced in one step).
    static std::string SaveFailedMessage(std::string_view path);
};
