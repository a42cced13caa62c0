#include "platform/FileOps.h"

#include "platform/WinPath.h"

#include <sys/stat.h>

namespace {

bool StatPath(std::string_view winPath, struct stat& st) {
    std::string native = TWinPath::ToNative(winPath);
    return !native.empty() && ::stat(native.c_str(), &st) == 0;
}

} // namespace

bool TFileOps::FileExists(std::string_view winPath) {
    struct stat st;
    return StatPath(winPath, st) && S_ISREG(st.st_mode);
}

bool TFileOps::DirectoryExists(std::string_view winPath) {
    struct stat st;
    return StatPath(winPath, st) && S_ISDIR(st.st_mode);
}
