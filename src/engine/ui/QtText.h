#pragma once
// Short names for the CP932 texts at the Qt edge of the small windows and
// the download window; the conversion itself is the shell layer's TQtText.
#include "shell/QtText.h"

#include <QString>

#include <string>
#include <string_view>

inline QString QtStr(std::string_view cp932) { return TQtText::ToQ(cp932); }
inline std::string SjStr(const QString& text) { return TQtText::FromQ(text); }
// A UTF-8 literal of the source as a QString (captions written in the code).
inline QString QtLit(const char* utf8) { return QString::fromUtf8(utf8); }
