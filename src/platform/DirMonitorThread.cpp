#include "platform/DirMonitorThread.h"

#include "platform/FileDescriptor.h"
#include "platform/WaitClock.h"
#include "platform/WinPath.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <deque>
#include <unordered_map>
#include <vector>

#include <dirent.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>

namespace {

std::atomic<int> running{0};

constexpr uint32_t kWatchMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR | IN_DONT_FOLLOW;

// The watches of one tree: wd -> native folder path.
class TWatchTree {
public:
    TWatchTree(int fd, int maxWatches) : fd_(fd), max_(maxWatches < 1 ? 1 : maxWatches) {}

    // Watches `top` and the folders below it; false when even `top` cannot
    // be watched.
    bool Build(const std::string& top) {
        int wd = ::inotify_add_watch(fd_, top.c_str(), kWatchMask);
        if (wd < 0) return false;
        topWd_ = wd;
        paths_[wd] = top;
        AddBelow(top);
        return true;
    }

    // A folder made or moved in below a watched one.
    void FolderArrived(int parentWd, const char* name) {
        if (topOnly_) return;
        auto it = paths_.find(parentWd);
        if (it == paths_.end()) return;
        const std::string path = it->second + "/" + name;
        if (Add(path)) AddBelow(path);
    }

    void Forget(int wd) { paths_.erase(wd); }
    int TopWd() const { return topWd_; }

private:
    bool Add(const std::string& path) {
        if (topOnly_) return false;
        if (static_cast<int>(paths_.size()) >= max_) {
            FallBackToTop();
            return false;
        }
        int wd = ::inotify_add_watch(fd_, path.c_str(), kWatchMask);
        if (wd < 0) {
            // The kernel's own watch limit counts like ours.
            if (errno == ENOSPC) FallBackToTop();
            return false;
        }
        paths_[wd] = path;
        return true;
    }

    // Breadth first, so that a tree too large gives up before going deep.
    void AddBelow(const std::string& top) {
        std::deque<std::string> folders{top};
        while (!folders.empty() && !topOnly_) {
            const std::string folder = std::move(folders.front());
            folders.pop_front();
            DIR* dir = ::opendir(folder.c_str());
            if (!dir) continue;
            while (dirent* e = ::readdir(dir)) {
                if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
                const std::string path = folder + "/" + e->d_name;
                bool isDir = e->d_type == DT_DIR;
                if (e->d_type == DT_UNKNOWN) {
                    struct stat st;
                    isDir = ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
                }
                if (!isDir) continue;
                if (!Add(path)) break;
                folders.push_back(path);
            }
            ::closedir(dir);
        }
    }

    void FallBackToTop() {
        topOnly_ = true;
        for (auto it = paths_.begin(); it != paths_.end();) {
            if (it->first == topWd_) {
                ++it;
                continue;
            }
            ::inotify_rm_watch(fd_, it->first);
            it = paths_.erase(it);
        }
    }

    const int fd_;
    const int max_;
    int topWd_ = -1;
    bool topOnly_ = false;
    std::unordered_map<int, std::string> paths_;
};

// Reads what is queued; true when a name changed. `gone` is set when the
// watched folder itself was deleted or moved away.
bool Drain(int fd, TWatchTree& tree, bool& gone, std::atomic<int>& count) {
    alignas(inotify_event) char buffer[16 * (sizeof(inotify_event) + NAME_MAX + 1)];
    bool changed = false;
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        for (char* p = buffer; p < buffer + n;) {
            auto* ev = reinterpret_cast<inotify_event*>(p);
            p += sizeof(inotify_event) + ev->len;
            if (ev->mask & IN_Q_OVERFLOW) {
                changed = true;
                continue;
            }
            if (ev->mask & IN_IGNORED) {
                tree.Forget(ev->wd);
                continue;
            }
            if (ev->wd == tree.TopWd() && (ev->mask & (IN_DELETE_SELF | IN_MOVE_SELF))) {
                gone = true;
                changed = true;
                ++count;
                continue;
            }
            // A subfolder's own end shows in its parent's IN_DELETE too.
            if (ev->mask & (IN_DELETE_SELF | IN_MOVE_SELF)) continue;
            changed = true;
            ++count;
            if ((ev->mask & IN_ISDIR) && (ev->mask & (IN_CREATE | IN_MOVED_TO)) && ev->len > 0)
                tree.FolderArrived(ev->wd, ev->name);
        }
    }
    return changed;
}

} // namespace

TDirMonitorThread::TDirMonitorThread() : StopEvent(true, false) {
    ++running;
    FreeOnTerminate = true;
}

TDirMonitorThread::~TDirMonitorThread() {
    TerminateAndWait();
    --running;
}

int TDirMonitorThread::Running() { return running.load(); }

void TDirMonitorThread::Stop() {
    Terminate();
    StopEvent.SetEvent();
}

void TDirMonitorThread::DoChange() {
    // Runs on the main thread, where Stop runs too: no stale notice after it.
    if (!Terminated() && OnChange) OnChange(this);
}

void TDirMonitorThread::Execute() {
    if (WatchPath.empty()) return;
    std::string top = TWinPath::ToNative(WatchPath);
    while (top.size() > 1 && top.back() == '/') top.pop_back();
    if (top.empty()) return;
    TFileDescriptor fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    if (!fd.ok()) return;
    TWatchTree tree(fd.get(), MaxWatches);
    if (!tree.Build(top)) return;
    if (OnWatching) OnWatching();

    while (!Terminated()) {
        pollfd fds[2] = {{fd.get(), POLLIN, 0}, {StopEvent.Handle(), POLLIN, 0}};
        int rc = ::poll(fds, 2, -1);
        if (rc < 0 && errno == EINTR) continue;
        if (rc < 0 || (fds[1].revents & POLLIN) || Terminated()) break;
        if (fds[0].revents & (POLLERR | POLLNVAL)) break;
        bool gone = false;
        if (!Drain(fd.get(), tree, gone, nameChanges_)) continue;
        // Let the burst settle; what comes meanwhile belongs to this notice.
        TWaitClock settle(SettleMs);
        bool stopped = false;
        while (!gone && !settle.Expired()) {
            rc = ::poll(fds, 2, settle.Remaining());
            if (rc < 0 && errno == EINTR) continue;
            if (rc < 0 || (fds[1].revents & POLLIN)) {
                stopped = true;
                break;
            }
            if (fds[0].revents & POLLIN) Drain(fd.get(), tree, gone, nameChanges_);
        }
        if (stopped || Terminated()) break;
        Synchronize([this] { DoChange(); });
        if (gone) break;
    }
}
