#pragma once
// The address conversion every text given as an address goes through
// (typed, opened, dropped on the main or the preview window).
//
// A drive path ("C:\data", "c|/x.htm") is a local address: an Internet
// shortcut file (".url", any letter case) gives the "URL" entry of its
// "InternetShortCut" section (empty when missing); anything else becomes
// "file:///" + the path, with "/" appended when it names an existing folder
// that does not end in "\" or "/". A POSIX path ("/home/me", the way
// desktops drop and terminals type them) is the same path on our one drive
// and is treated as its drive form. Any other text stays as it is.
//
// CP932 in and out. Reads the disk (folder test, shortcut file).
#include <string>
#include <string_view>

class TPathToURL {
public:
    // The text before the first CR LF (or lone CR or LF).
    static std::string FirstLine(std::string_view text);
    static std::string Convert(std::string_view text);
};
