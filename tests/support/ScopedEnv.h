#pragma once
// Sets (or, with nullptr, removes) an environment variable for one test and
// puts the old value back afterwards. TScopedTimeZone does the same for TZ
// and makes the C library read it again.
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

class TScopedEnv {
public:
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

class TScopedTimeZone {
    // Declared first, so it runs last: after env_ has put TZ back.
    struct Retzset {
        ~Retzset() { tzset(); }
    } retzset_;
    TScopedEnv env_;

public:
    explicit TScopedTimeZone(const char* zone) : env_("TZ", zone) { tzset(); }
};
