#pragma once
// Owns a POSIX file descriptor and closes it at the end of its scope.
#include <unistd.h>

class TFileDescriptor {
public:
    explicit TFileDescriptor(int fd = -1) : fd_(fd) {}
    ~TFileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    TFileDescriptor(const TFileDescriptor&) = delete;
    TFileDescriptor& operator=(const TFileDescriptor&) = delete;

    int get() const { return fd_; }
    bool ok() const { return fd_ >= 0; }
    // Closes now and reports the result (a late write error shows here).
    bool Close() {
        int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int fd_;
};
