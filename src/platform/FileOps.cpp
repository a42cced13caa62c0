#include "platform/FileOps.h"

#include "platform/CodePage.h"
#include "platform/FileDescriptor.h"
#include "platform/WinPath.h"

#include <atomic>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Runs `fn`, turning any exception (an allocation failure, in practice)
// into the failure value, so that nothing escapes a file operation.
template <typename R, typename Fn>
R Guard(R failure, Fn fn) {
    try {
        return fn();
    } catch (...) {
        return failure;
    }
}

// Removes a file at the end of its scope unless released.
class TempFileGuard {
public:
    explicit TempFileGuard(std::string path) : path_(std::move(path)) {}
    ~TempFileGuard() {
        if (!path_.empty()) ::unlink(path_.c_str());
    }
    void Release() { path_.clear(); }

private:
    std::string path_;
};

bool StatNative(const std::string& native, struct stat& st) {
    return !native.empty() && ::stat(native.c_str(), &st) == 0;
}

bool StatPath(std::string_view winPath, struct stat& st) {
    return StatNative(TWinPath::ToNative(winPath), st);
}

int OpenRetry(const char* path, int flags, mode_t mode = 0) {
    int fd;
    do fd = ::open(path, flags | O_CLOEXEC, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
}

// Folder part of a native path ("/a/b" -> "/a", "/b" -> "/").
std::string NativeFolder(const std::string& native) {
    size_t slash = native.find_last_of('/');
    if (slash == std::string::npos || slash == 0) return "/";
    return native.substr(0, slash);
}

// A name for a temporary file in `folder` that no other writer in this
// process uses at the same time; O_EXCL settles the rest.
std::string TempName(const std::string& folder) {
    static std::atomic<unsigned> counter{0};
    std::string name = folder == "/" ? "/" : folder + "/";
    name += ".vorlen-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".tmp";
    return name;
}

// Opens a new temporary file in `folder`; the path goes to `tmpPath`.
int CreateTemp(const std::string& folder, std::string& tmpPath) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        tmpPath = TempName(folder);
        int fd = OpenRetry(tmpPath.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

void SyncFolder(const std::string& folder) {
    TFileDescriptor dir(OpenRetry(folder.c_str(), O_RDONLY | O_DIRECTORY));
    // Some file systems cannot flush a folder; the rename itself has been done.
    if (dir.ok()) ::fsync(dir.get());
}

// Copies the contents of an open regular file to `out`.
bool CopyContents(int in, int out) {
    char buf[64 * 1024];
    for (;;) {
        ssize_t n = ::read(in, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return true;
        if (!TFileDescriptor::WriteAll(out, buf, static_cast<size_t>(n))) return false;
    }
}

void CopyTimes(int out, const struct stat& st) {
    struct timespec times[2] = {st.st_atim, st.st_mtim};
    ::futimens(out, times);
}

bool CopyNative(const std::string& from, const std::string& to, bool failIfExists) {
    TFileDescriptor in(OpenRetry(from.c_str(), O_RDONLY));
    struct stat st;
    if (!in.ok() || ::fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    struct stat target;
    const bool existed = ::stat(to.c_str(), &target) == 0;
    if (existed) {
        if (failIfExists) return false;
        // Truncating the target would destroy the source.
        if (target.st_dev == st.st_dev && target.st_ino == st.st_ino) return false;
    }
    int flags = O_WRONLY | O_CREAT | (failIfExists ? O_EXCL : O_TRUNC);
    TFileDescriptor out(OpenRetry(to.c_str(), flags, st.st_mode & 0777));
    if (!out.ok()) return false;
    // A copy that fails half-way does not stay behind as a new file.
    TempFileGuard guard(existed ? std::string() : to);
    if (!CopyContents(in.get(), out.get())) return false;
    CopyTimes(out.get(), st);
    if (!out.Close()) return false;
    guard.Release();
    return true;
}

// A move between file systems: the copy goes to a temporary file beside the
// target and is renamed over it, so the target is never seen half-written.
bool MoveAcross(const std::string& from, const std::string& to) {
    struct stat st;
    if (::lstat(from.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    std::string tmp;
    {
        TFileDescriptor out(CreateTemp(NativeFolder(to), tmp));
        if (!out.ok()) return false;
        TempFileGuard guard(tmp);
        TFileDescriptor in(OpenRetry(from.c_str(), O_RDONLY));
        if (!in.ok() || !CopyContents(in.get(), out.get())) return false;
        ::fchmod(out.get(), st.st_mode & 07777);
        CopyTimes(out.get(), st);
        if (::fsync(out.get()) != 0 || !out.Close()) return false;
        if (::rename(tmp.c_str(), to.c_str()) != 0) return false;
        guard.Release();
    }
    ::unlink(from.c_str());
    return true;
}

} // namespace

bool TFileOps::FileExists(std::string_view winPath) {
    return Guard(false, [&] {
        struct stat st;
        return StatPath(winPath, st) && S_ISREG(st.st_mode);
    });
}

bool TFileOps::DirectoryExists(std::string_view winPath) {
    return Guard(false, [&] {
        struct stat st;
        return StatPath(winPath, st) && S_ISDIR(st.st_mode);
    });
}

bool TFileOps::ForceDirectories(std::string_view winPath) {
    return Guard(false, [&] {
        std::string native = TWinPath::ToNative(winPath);
        if (native.empty()) return false;
        struct stat st;
        if (StatNative(native, st)) return S_ISDIR(st.st_mode);
        // Create each missing level from the top; an existing level (or one
        // made at the same moment by another thread) is fine.
        for (size_t pos = 1; pos <= native.size(); ++pos) {
            if (pos != native.size() && native[pos] != '/') continue;
            if (native[pos - 1] == '/') continue;
            std::string level = native.substr(0, pos);
            if (::mkdir(level.c_str(), 0777) != 0 && errno != EEXIST) return false;
        }
        return StatNative(native, st) && S_ISDIR(st.st_mode);
    });
}

bool TFileOps::CreateDir(std::string_view winPath) {
    return Guard(false, [&] {
        std::string native = TWinPath::ToNative(winPath);
        return !native.empty() && ::mkdir(native.c_str(), 0777) == 0;
    });
}

bool TFileOps::RemoveDir(std::string_view winPath) {
    return Guard(false, [&] {
        std::string native = TWinPath::ToNative(winPath);
        return !native.empty() && ::rmdir(native.c_str()) == 0;
    });
}

bool TFileOps::DeleteFile(std::string_view winPath) {
    return Guard(false, [&] {
        std::string native = TWinPath::ToNative(winPath);
        // unlink() never removes a folder, so no stat is needed to spare one.
        return !native.empty() && ::unlink(native.c_str()) == 0;
    });
}

bool TFileOps::RenameFile(std::string_view fromPath, std::string_view toPath) {
    return Guard(false, [&] {
        std::string from = TWinPath::ToNative(fromPath);
        std::string to = TWinPath::ToNative(toPath);
        if (from.empty() || to.empty()) return false;
        if (::rename(from.c_str(), to.c_str()) == 0) return true;
        return errno == EXDEV && MoveAcross(from, to);
    });
}

bool TFileOps::CopyFile(std::string_view fromPath, std::string_view toPath, bool failIfExists) {
    return Guard(false, [&] {
        std::string from = TWinPath::ToNative(fromPath);
        std::string to = TWinPath::ToNative(toPath);
        return !from.empty() && !to.empty() && CopyNative(from, to, failIfExists);
    });
}

int64_t TFileOps::FileSize(std::string_view winPath) {
    return Guard(int64_t(-1), [&] {
        struct stat st;
        if (!StatPath(winPath, st) || !S_ISREG(st.st_mode)) return int64_t(-1);
        return int64_t(st.st_size);
    });
}

bool TFileOps::FileAge(std::string_view winPath, TDateTime& time) {
    return Guard(false, [&] {
        struct stat st;
        if (!StatPath(winPath, st)) return false;
        time = TDateTimeText::FromUnix(st.st_mtim.tv_sec);
        return true;
    });
}

bool TFileOps::SetFileAge(std::string_view winPath, TDateTime time) {
    return Guard(false, [&] {
        std::string native = TWinPath::ToNative(winPath);
        if (native.empty()) return false;
        struct timespec times[2];
        times[0].tv_sec = 0;
        times[0].tv_nsec = UTIME_OMIT;
        times[1].tv_sec = TDateTimeText::ToUnix(time);
        times[1].tv_nsec = 0;
        return ::utimensat(AT_FDCWD, native.c_str(), times, 0) == 0;
    });
}

bool TFileOps::ReadWholeFile(std::string_view winPath, std::string& data) {
    data.clear();
    bool ok = Guard(false, [&] {
        std::string native = TWinPath::ToNative(winPath);
        if (native.empty()) return false;
        TFileDescriptor in(OpenRetry(native.c_str(), O_RDONLY));
        struct stat st;
        if (!in.ok() || ::fstat(in.get(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
        if (S_ISREG(st.st_mode)) data.reserve(static_cast<size_t>(st.st_size));
        char buf[64 * 1024];
        for (;;) {
            ssize_t n = ::read(in.get(), buf, sizeof buf);
            if (n < 0) {
                if (errno == EINTR) continue;
                return false;
            }
            if (n == 0) return true;
            data.append(buf, static_cast<size_t>(n));
        }
    });
    if (!ok) std::string().swap(data);
    return ok;
}

bool TFileOps::WriteWholeFile(std::string_view winPath, std::string_view data) {
    return Guard(false, [&] {
        std::string native = TWinPath::ToNative(winPath);
        if (native.empty()) return false;
        TFileDescriptor out(OpenRetry(native.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666));
        return out.ok() && out.WriteAll(data.data(), data.size()) && out.Close();
    });
}

bool TFileOps::WriteFileAtomically(std::string_view winPath, std::string_view data) {
    return Guard(false, [&] {
        std::string native = TWinPath::ToNative(winPath);
        if (native.empty() || native.back() == '/') return false;
        struct stat old;
        bool hadOld = ::stat(native.c_str(), &old) == 0;
        if (hadOld && !S_ISREG(old.st_mode)) return false;
        const std::string folder = NativeFolder(native);
        std::string tmp;
        TFileDescriptor out(CreateTemp(folder, tmp));
        if (!out.ok()) return false;
        TempFileGuard guard(tmp);
        if (hadOld) ::fchmod(out.get(), old.st_mode & 07777);
        if (!out.WriteAll(data.data(), data.size())) return false;
        if (::fsync(out.get()) != 0 || !out.Close()) return false;
        if (::rename(tmp.c_str(), native.c_str()) != 0) return false;
        guard.Release();
        SyncFolder(folder);
        return true;
    });
}

bool TFileOps::ListFolder(std::string_view winPath, std::vector<TFolderEntry>& entries) {
    entries.clear();
    bool ok = Guard(false, [&] {
        std::string native = TWinPath::ToNative(winPath);
        if (native.empty()) return false;
        DIR* dir = ::opendir(native.c_str());
        if (!dir) return false;
        struct Closer {
            DIR* d;
            ~Closer() { ::closedir(d); }
        } closer{dir};
        const int dfd = ::dirfd(dir);
        while (struct dirent* e = ::readdir(dir)) {
            std::string_view name = e->d_name;
            if (name == "." || name == "..") continue;
            TFolderEntry entry;
            entry.Name = TCodePage::FromUtf8(name);
            struct stat st;
            if (::fstatat(dfd, e->d_name, &st, 0) == 0 ||
                ::fstatat(dfd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
                entry.IsFolder = S_ISDIR(st.st_mode);
                entry.Size = S_ISREG(st.st_mode) ? int64_t(st.st_size) : 0;
                entry.Time = TDateTimeText::FromUnix(st.st_mtim.tv_sec);
            }
            entries.push_back(std::move(entry));
        }
        return true;
    });
    if (!ok) entries.clear();
    return ok;
}

bool TFileOps::MissingOrReadable(std::string_view winPath) {
    if (FileExists(winPath)) {
        std::string native = TWinPath::ToNative(winPath);
        return ::access(native.c_str(), R_OK) == 0;
    }
    return !DirectoryExists(winPath);
}
