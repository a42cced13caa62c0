#include "engine/QorPrivateFile.h"

#include "platform/WinPath.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace {

bool ChangeMode(std::string_view winPath, mode_t mode) {
    std::string native = TWinPath::ToNative(winPath);
    while (native.size() > 1 && native.back() == '/') native.pop_back();
    return !native.empty() && ::chmod(native.c_str(), mode) == 0;
}

} // namespace

bool TQorPrivateFile::Prepare(std::string_view winPath) {
    const std::string native = TWinPath::ToNative(winPath);
    if (native.empty() || native.back() == '/') return false;
    int fd;
    do {
        fd = ::open(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    } while (fd < 0 && errno == EINTR);
    if (fd >= 0) {
        ::close(fd);
        return true;
    }
    return errno == EEXIST && ::chmod(native.c_str(), 0600) == 0;
}

bool TQorPrivateFile::RestrictFile(std::string_view winPath) { return ChangeMode(winPath, 0600); }

bool TQorPrivateFile::RestrictFolder(std::string_view winPath) { return ChangeMode(winPath, 0700); }
