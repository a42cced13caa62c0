#pragma once
// CP932 text at the Qt edge of the small windows: through TCodePage only.
#include "platform/CodePage.h"

#include <QString>

#include <string>
#include <string_view>

inline QString QtStr(std::string_view cp932) { return QString::fromStdU16String(TCodePage::ToUtf16(cp932)); }
inline std::string SjStr(const QString& text) { return TCodePage::FromUtf16(text.toStdU16String()); }
// A UTF-8 literal of the source as a QString (captions written in the code).
inline QString QtLit(const char* utf8) { return QString::fromUtf8(utf8); }
