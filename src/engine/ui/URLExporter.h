#pragma once
// Selected addresses out of the program: to the clipboard as text, or to a
// text file chosen in a save dialog. The file gets the text's bytes as they
// are (CP932, no byte-order mark, no line end added) and replaces an
// existing file in one step: a failed write leaves the old file as it was
// and is reported.
#include <string>

class QWidget;

class TURLExporter {
public:
    static void ToClipboard(const std::string& text);
    // The save dialog, then WriteFile; an error box when writing fails.
    // False when cancelled or failed.
    static bool ToFile(QWidget* parent, const std::string& text);
    // `path` in Windows form.
    static bool WriteFile(const std::string& path, const std::string& text);
};
