#pragma once
// The data of a drag that starts here: the text, and unless text only, the
// same lines as a list of addresses (text/uri-list) so that file managers
// take local paths as files and browsers take web addresses as links.
// Lines are CP932: a Windows-form path becomes its file:// address, a line
// with a scheme ("http://...") goes as it is, anything else only as text.
#include <string>
#include <string_view>
#include <vector>

class QMimeData;

class TSeOleData {
public:
    // Format bits, as the drop target reports what a drag offers.
    enum : int { fmText = 1, fmFiles = 2 };

    // A new object for the caller (or QDrag) to own; null for an empty text.
    static QMimeData* Make(std::string_view text, bool textOnly);

    // What a drag offers: fmText for text, fmFiles when it lists at least one
    // local file.
    static int Formats(const QMimeData* data);
    // The text of a drag (CP932), empty when it offers none.
    static std::string Text(const QMimeData* data);
    // The local files of a drag (Windows form), in order.
    static std::vector<std::string> Files(const QMimeData* data);
};
