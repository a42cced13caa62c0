#include "platform/WinPath.h"

#include "platform/CodePage.h"
#include "platform/SjisText.h"

#include <filesystem>
#include <system_error>

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
