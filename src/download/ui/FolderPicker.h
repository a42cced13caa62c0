#pragma once
// The folder selection of the download window and its folder dialog, in the
// program's Windows form.
#include <QString>

#include <string>

class QWidget;

class TFolderPicker {
public:
    // `start` and `folder` CP932 Windows form; false when cancelled.
    static bool Select(QWidget* parent, const QString& prompt, const std::string& start, std::string& folder);
};
