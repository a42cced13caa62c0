#pragma once
// A fresh folder under $TMPDIR for one test, removed with everything in it
// when the object goes.
#include "platform/FileOps.h"
#include "platform/WinPath.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

class TTempFolder {
public:
    explicit TTempFolder(const std::string& prefix = "vorlen") {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + prefix + "-XXXXXX";
        if (::mkdtemp(pattern.data())) native_ = pattern;
    }
    ~TTempFolder() {
        std::error_code ec;
        if (!native_.empty()) std::filesystem::remove_all(native_, ec);
    }
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;

    bool Ok() const { return !native_.empty(); }
    // The folder as a native path, without a trailing slash.
    const std::string& Native() const { return native_; }
    std::filesystem::path NativePath(const std::string& name = {}) const {
        return name.empty() ? std::filesystem::path(native_) : std::filesystem::path(native_) / name;
    }
    // The folder in Windows form with a trailing "\", and a name inside it.
    std::string Win(const std::string& name = {}) const {
        return TWinPath::FromNative(native_) + "\\" + name;
    }

    // The whole content of a file inside the folder; empty when unreadable.
    std::string Contents(const std::string& name) const {
        std::string data;
        TFileOps::ReadWholeFile(Win(name), data);
        return data;
    }

private:
    std::string native_;
};
