#pragma once
// Texts between the program's CP932 strings and Qt's QString, always
// through TCodePage (the one place that converts).
#include "platform/CodePage.h"

#include <QString>

#include <string>
#include <string_view>

class TQtText {
public:
    static QString ToQ(std::string_view cp932) {
        std::u16string u16 = TCodePage::ToUtf16(cp932);
        return QString(reinterpret_cast<const QChar*>(u16.data()), static_cast<qsizetype>(u16.size()));
    }
    static std::string FromQ(const QString& text) {
        return TCodePage::FromUtf16(
            std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                static_cast<size_t>(text.size())));
    }
    // A Windows-form CP932 path as the native path Qt's file classes take.
    static QString NativePath(std::string_view winPath);
    // A native path from Qt (folder picker, drop) in the Windows form.
    static std::string WinPath(const QString& nativePath);
};
