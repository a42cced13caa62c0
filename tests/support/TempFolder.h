#pragma once
// Test helpers: a fresh folder under $TMPDIR removed with everything in it
// at the end, and an environment variable set (or removed) for one scope.
#include "platform/WinPath.h"

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>

class TTempFolder {
public:
    explicit TTempFolder(const char* prefix = "vorlen") {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + prefix + "-XXXXXX";
        if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        native_ = pattern;
    }
    ~TTempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(native_, ec);
    }
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;

    // "/tmp/vorlen-abc123", no trailing "/".
    const std::string& Native() const { return native_; }
    // "C:\tmp\vorlen-abc123\", CP932.
    std::string Win() const { return TWinPath::FromNative(native_) + "\\"; }

private:
    std::string native_;
};

class TScopedEnv {
public:
    // nullptr removes the variable for the scope.
    TScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value) setenv(name, value, 1);
        else unsetenv(name);
    }
    TScopedEnv(const char* name, const std::string& value) : TScopedEnv(name, value.c_str()) {}
    ~TScopedEnv() {
        if (old_) setenv(name_.c_str(), old_->c_str(), 1);
        else unsetenv(name_.c_str());
    }
    TScopedEnv(const TScopedEnv&) = delete;
    TScopedEnv& operator=(const TScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};
