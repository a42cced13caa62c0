#include "platform/SystemFolders.h"

#include "platform/WinPath.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace {

// A native folder as a Windows-form folder path with one trailing "\".
std::string ToFolder(std::string native) {
    if (native.empty()) return std::string();
    while (native.size() > 1 && native.back() == '/') native.pop_back();
    return TWinPath::IncludeTrailingBackslash(TWinPath::FromNative(native));
}

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string HomeFolder() {
    std::string home = Env("HOME");
    if (!home.empty()) return home;
    std::vector<char> buf(16384);
    struct passwd pw;
    struct passwd* found = nullptr;
    if (getpwuid_r(getuid(), &pw, buf.data(), buf.size(), &found) == 0 && found && found->pw_dir)
        return found->pw_dir;
    return std::string();
}

} // namespace

std::string TSystemFolders::AppDataFolder() {
    try {
        std::string config = Env("XDG_CONFIG_HOME");
        if (!config.empty() && config[0] == '/') return ToFolder(config);
        std::string home = HomeFolder();
        if (home.empty()) return std::string();
        if (home.back() != '/') home += '/';
        return ToFolder(home + ".config");
    } catch (...) {
        return std::string();
    }
}

std::string TSystemFolders::TempFolder() {
    try {
        std::string tmp = Env("TMPDIR");
        return ToFolder(tmp.empty() ? "/tmp" : tmp);
    } catch (...) {
        return std::string();
    }
}

std::string TSystemFolders::ExeFolder() {
    try {
        std::string path(4096, '\0');
        for (;;) {
            ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
            if (n < 0) return std::string();
            if (static_cast<size_t>(n) < path.size()) {
                path.resize(static_cast<size_t>(n));
                break;
            }
            path.resize(path.size() * 2);
        }
        size_t slash = path.find_last_of('/');
        if (slash == std::string::npos) return std::string();
        return ToFolder(slash == 0 ? "/" : path.substr(0, slash));
    } catch (...) {
        return std::string();
    }
}

std::string TSystemFolders::CurrentFolder() {
    try {
        std::string path(4096, '\0');
        while (!::getcwd(path.data(), path.size())) {
            if (errno != ERANGE) return std::string();
            path.resize(path.size() * 2);
        }
        path.resize(std::char_traits<char>::length(path.c_str()));
        return ToFolder(path);
    } catch (...) {
        return std::string();
    }
}
