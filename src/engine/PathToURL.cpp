#include "engine/PathToURL.h"

#include "platform/FileOps.h"
#include "platform/IniFile.h"
#include "platform/SjisText.h"
#include "platform/WinPath.h"

std::string TPathToURL::FirstLine(std::string_view text) {
    const size_t end = text.find_first_of("\r\n");
    return std::string(end == std::string_view::npos ? text : text.substr(0, end));
}

namespace {

bool IsDrivePath(std::string_view text) {
    return text.size() >= 2 && (text[1] == ':' || text[1] == '|');
}

// "/home/me" but not "//host/x" (a network name has no place on our drive).
bool IsPosixPath(std::string_view text) {
    return !text.empty() && text[0] == '/' && (text.size() == 1 || text[1] != '/');
}

// The last character, a double-byte one counted whole.
std::string LastChar(std::string_view text) {
    size_t pos = 0, last = 0;
    while (pos < text.size()) {
        last = pos;
        pos += TSjisText::CharLength(text, pos);
    }
    return std::string(text.substr(last));
}

} // namespace

std::string TPathToURL::Convert(std::string_view text) {
    std::string path;
    if (IsDrivePath(text)) {
        path = std::string(text);
    } else if (IsPosixPath(text)) {
        path = "C:" + TSjisText::ReplaceChar(text, '/', '\\');
    } else {
        return std::string(text);
    }
    if (TSjisText::LowerCase(TWinPath::ExtractFileExt(path)) == ".url") {
        TIniFile ini(path);
        return ini.ReadString("InternetShortCut", "URL", "");
    }
    std::string url = "file:///" + path;
    const std::string last = LastChar(path);
    if (last != "\\" && last != "/" && TFileOps::DirectoryExists(path)) url += "/";
    return url;
}
