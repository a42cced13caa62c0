#include "platform/InstanceLock.h"

#include "platform/WinPath.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

TInstanceLock::TInstanceLock(std::string_view folder, std::string_view name, int maxCount) {
    try {
        for (int n = 0; n < maxCount; ++n) {
            std::string path = TWinPath::IncludeTrailingBackslash(folder) + std::string(name) + "." +
                               std::to_string(n) + ".lock";
            std::string native = TWinPath::ToNative(path);
            if (native.empty()) return; // no such drive: no number at all
            // flock() needs no write access, so a read-only lock file works.
            int fd = ::open(native.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOCTTY, 0600);
            if (fd < 0) {
                // A missing folder fails the same way for every number;
                // anything else may be this one file's trouble.
                if (errno == ENOENT || errno == ENOTDIR) return;
                continue;
            }
            int rc;
            do rc = ::flock(fd, LOCK_EX | LOCK_NB);
            while (rc != 0 && errno == EINTR);
            if (rc == 0) {
                fd_ = fd;
                number_ = n;
                fileName_ = std::move(path);
                return;
            }
            ::close(fd);
        }
    } catch (...) {
        // Without memory there is no number; the caller runs as number 0.
    }
}

TInstanceLock::~TInstanceLock() {
    if (fd_ >= 0) ::close(fd_);
}
