#include "platform/FileUriList.h"

#include "platform/WinPath.h"

namespace {

bool Unreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string PercentDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        int hi, lo;
        if (text[i] == '%' && i + 2 < text.size() && (hi = HexValue(text[i + 1])) >= 0 &&
            (lo = HexValue(text[i + 2])) >= 0) {
            out += static_cast<char>(hi * 16 + lo);
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i]) return false;
    }
    return true;
}

// Splits at CR LF, LF or CR; empty lines are kept out.
std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == '\n' || text[i] == '\r') {
            if (i > start) lines.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    return lines;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

} // namespace

std::string TFileUriList::PathToUri(std::string_view winPath) {
    std::string native = TWinPath::ToNative(winPath);
    if (native.empty()) return std::string();
    if (native.size() > 1 && native.back() == '/') native.pop_back();
    static const char kHex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (unsigned char c : native) {
        if (Unreserved(c)) {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += kHex[c >> 4];
            uri += kHex[c & 15];
        }
    }
    return uri;
}

bool TFileUriList::UriToPath(std::string_view uri, std::string& winPath) {
    uri = Trim(uri);
    if (!StartsWithNoCase(uri, "file:")) return false;
    std::string_view rest = uri.substr(5);
    if (rest.substr(0, 2) == "//") {
        rest.remove_prefix(2);
        size_t slash = rest.find('/');
        if (slash == std::string_view::npos) return false;
        std::string_view host = rest.substr(0, slash);
        if (!host.empty() && !(host.size() == 9 && StartsWithNoCase(host, "localhost")))
            return false;
        rest.remove_prefix(slash);
    }
    if (rest.empty() || rest[0] != '/') return false;
    // A query or fragment is no part of a file's name.
    size_t cut = rest.find_first_of("?#");
    if (cut != std::string_view::npos) rest = rest.substr(0, cut);
    std::string native = PercentDecode(rest);
    if (native.find('\0') != std::string::npos) return false;
    winPath = TWinPath::FromNative(native);
    return true;
}

std::string TFileUriList::FromPaths(const std::vector<std::string>& winPaths) {
    std::string out;
    for (const auto& path : winPaths) {
        std::string uri = PathToUri(path);
        if (uri.empty()) continue;
        out += uri;
        out += "\r\n";
    }
    return out;
}

std::vector<std::string> TFileUriList::ToPaths(std::string_view uriList) {
    std::vector<std::string> paths;
    for (std::string_view line : Lines(uriList)) {
        if (line[0] == '#') continue;
        std::string path;
        if (UriToPath(line, path)) paths.push_back(std::move(path));
    }
    return paths;
}

std::string TFileUriList::GnomeCopiedFiles(const std::vector<std::string>& winPaths, bool cut) {
    std::string out = cut ? "cut" : "copy";
    for (const auto& path : winPaths) {
        std::string uri = PathToUri(path);
        if (uri.empty()) continue;
        out += '\n';
        out += uri;
    }
    return out;
}

bool TFileUriList::ParseGnomeCopiedFiles(std::string_view text, bool& cut,
                                         std::vector<std::string>& winPaths) {
    winPaths.clear();
    std::vector<std::string_view> lines = Lines(text);
    size_t first = 0;
    if (!lines.empty() && Trim(lines[0]) == "x-special/nautilus-clipboard") first = 1;
    if (first >= lines.size()) return false;
    std::string_view mark = Trim(lines[first]);
    if (mark != "cut" && mark != "copy") return false;
    cut = mark == "cut";
    for (size_t i = first + 1; i < lines.size(); ++i) {
        std::string path;
        if (UriToPath(lines[i], path)) winPaths.push_back(std::move(path));
    }
    return true;
}
