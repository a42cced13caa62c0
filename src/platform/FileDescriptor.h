#pragma once
// Owns a POSIX file descriptor and closes it at the end of its scope.
#include <cerrno>
#include <cstddef>
#include <cstdint>
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
    // Takes `fd` over, closing the one held before.
    void Reset(int fd) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }
    bool ok() const { return fd_ >= 0; }
    // Hands the descriptor over without closing it.
    int Release() {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }
    // Closes now and reports the result (a late write error shows here).
    bool Close() {
        int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }

    // Writes all `size` bytes (a short write goes on, EINTR is retried).
    bool WriteAll(const void* data, size_t size) const { return WriteAll(fd_, data, size); }
    static bool WriteAll(int fd, const void* data, size_t size) {
        const char* p = static_cast<const char*>(data);
        while (size > 0) {
            ssize_t n = ::write(fd, p, size);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            p += n;
            size -= static_cast<size_t>(n);
        }
        return true;
    }
    // Reads exactly `size` bytes at `offset`; false on an error or the end.
    bool ReadAllAt(void* data, size_t size, uint64_t offset) const {
        char* p = static_cast<char*>(data);
        while (size > 0) {
            ssize_t n = ::pread(fd_, p, size, static_cast<off_t>(offset));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            p += n;
            size -= static_cast<size_t>(n);
            offset += static_cast<uint64_t>(n);
        }
        return true;
    }

private:
    int fd_;
};
