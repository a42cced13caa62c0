#include "platform/WinPath.h"

#include "platform/CodePage.h"
#include "platform/SjisText.h"

#include <filesystem>
#include <system_error>

namespace {

// Position of the last single-byte character of `delims` in `text`, walking
// characters from the front; npos when none.
size_t LastDelimiter(std::string_view text, std::string_view delims) {
    size_t last = std::string_view::npos;
    for (size_t i = 0; i < text.size(); i += TSjisText::CharLength(text, i))
        if (TSjisText::CharLength(text, i) == 1 && delims.find(text[i]) != std::string_view::npos)
            last = i;
    return last;
}

// True when the last character of `text` is the single-byte "\".
bool EndsWithBackslash(std::string_view text) {
    size_t last = LastDelimiter(text, "\\");
    return !text.empty() && last == text.size() - 1;
}

} // namespace

bool TWinPath::HasDrive(std::string_view winPath) {
    return winPath.size() >= 2 && (winPath[1] == ':' || winPath[1] == '|') &&
           ((winPath[0] >= 'A' && winPath[0] <= 'Z') || (winPath[0] >= 'a' && winPath[0] <= 'z'));
}

std::string TWinPath::ToNative(std::string_view winPath) {
    std::string_view rest = winPath;
    if (HasDrive(rest)) {
        if (rest[0] != 'C' && rest[0] != 'c') return std::string();
        rest.remove_prefix(2);
    }
    std::string path = TSjisText::ReplaceChar(rest, '\\', '/');
    if (path.empty() || path[0] != '/') path.insert(path.begin(), '/');
    return TCodePage::ToUtf8(path);
}

std::string TWinPath::FromNative(std::string_view nativePath) {
    std::string native(nativePath);
    if (native.empty() || native[0] != '/') {
        std::error_code ec;
        auto abs = std::filesystem::absolute(std::filesystem::path(native), ec);
        if (!ec) native = abs.string();
    }
    std::string cp932 = TCodePage::FromUtf8(native);
    return "C:" + TSjisText::ReplaceChar(cp932, '/', '\\');
}

std::string TWinPath::IncludeTrailingBackslash(std::string_view path) {
    std::string out(path);
    if (!EndsWithBackslash(path)) out += '\\';
    return out;
}

std::string TWinPath::ExcludeTrailingBackslash(std::string_view path) {
    if (EndsWithBackslash(path)) path.remove_suffix(1);
    return std::string(path);
}

std::string TWinPath::ExtractFilePath(std::string_view path) {
    size_t i = LastDelimiter(path, "\\:");
    return i == std::string_view::npos ? std::string() : std::string(path.substr(0, i + 1));
}

std::string TWinPath::ExtractFileDir(std::string_view path) {
    size_t i = LastDelimiter(path, "\\:");
    if (i == std::string_view::npos) return std::string();
    // Keep the "\" of a root ("C:\") or of a run of separators.
    if (i > 0 && path[i] == '\\' && path[i - 1] != ':' && !EndsWithBackslash(path.substr(0, i)))
        return std::string(path.substr(0, i));
    return std::string(path.substr(0, i + 1));
}

std::string TWinPath::ExtractFileName(std::string_view path) {
    size_t i = LastDelimiter(path, "\\:");
    return std::string(i == std::string_view::npos ? path : path.substr(i + 1));
}

std::string TWinPath::ExtractFileExt(std::string_view path) {
    size_t i = LastDelimiter(path, ".\\:");
    if (i == std::string_view::npos || path[i] != '.') return std::string();
    return std::string(path.substr(i));
}

std::string TWinPath::ChangeFileExt(std::string_view path, std::string_view ext) {
    size_t i = LastDelimiter(path, ".\\:");
    if (i == std::string_view::npos || path[i] != '.') i = path.size();
    std::string out(path.substr(0, i));
    out += ext;
    return out;
}
