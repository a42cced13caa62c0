#include "engine/QorConnGeneral.h"

#include "inet/InetHTTP.h"
#include "platform/FileOps.h"
#include "platform/IniFile.h"
#include "platform/IniFileWriter.h"

namespace {

const char kSection[] = "Setting";

// The range of time-outs the option dialog accepts.
constexpr int kMinTimeout = 1;
constexpr int kMaxTimeout = 999;

} // namespace

TQorConnGeneral::TQorConnGeneral() = default;

int TQorConnGeneral::GetTimeout() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return values_.Timeout;
}
void TQorConnGeneral::SetTimeout(int value) {
    std::lock_guard<std::mutex> lock(mutex_);
    values_.Timeout = value;
}

bool TQorConnGeneral::GetRedirect() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return values_.Redirect;
}
void TQorConnGeneral::SetRedirect(bool value) {
    std::lock_guard<std::mutex> lock(mutex_);
    values_.Redirect = value;
}

bool TQorConnGeneral::GetUseProxy() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return values_.UseProxy;
}
void TQorConnGeneral::SetUseProxy(bool value) {
    std::lock_guard<std::mutex> lock(mutex_);
    values_.UseProxy = value;
}

std::string TQorConnGeneral::GetProxy() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return values_.Proxy;
}
void TQorConnGeneral::SetProxy(std::string_view value) {
    std::lock_guard<std::mutex> lock(mutex_);
    values_.Proxy = std::string(value);
}

int TQorConnGeneral::GetProxyPort() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return values_.ProxyPort;
}
void TQorConnGeneral::SetProxyPort(int value) {
    std::lock_guard<std::mutex> lock(mutex_);
    values_.ProxyPort = value;
}

bool TQorConnGeneral::GetAutoReferer() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return values_.AutoReferer;
}
void TQorConnGeneral::SetAutoReferer(bool value) {
    std::lock_guard<std::mutex> lock(mutex_);
    values_.AutoReferer = value;
}

std::string TQorConnGeneral::GetUserAgent() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return values_.UserAgent;
}
void TQorConnGeneral::SetUserAgent(std::string_view value) {
    std::lock_guard<std::mutex> lock(mutex_);
    values_.UserAgent = std::string(value);
}

TQorConnGeneral::Values TQorConnGeneral::Snapshot() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return values_;
}

void TQorConnGeneral::Assign(const TPersistent* source) {
    const auto* other = dynamic_cast<const TQorConnGeneral*>(source);
    if (!other || other == this) return;
    Values copy = other->Snapshot();
    std::lock_guard<std::mutex> lock(mutex_);
    values_ = std::move(copy);
}

bool TQorConnGeneral::LoadFromFile(std::string_view path) {
    try {
        if (!TFileOps::MissingOrReadable(path)) return false;
        TIniFile ini{std::string(path)};
        Values v = Snapshot();
        int timeout = ini.ReadInteger(kSection, "Timeout", v.Timeout);
        if (timeout >= kMinTimeout && timeout <= kMaxTimeout) v.Timeout = timeout;
        v.Redirect = ini.ReadBool(kSection, "Redirect", v.Redirect);
        v.UseProxy = ini.ReadBool(kSection, "UseProxy", v.UseProxy);
        v.AutoReferer = ini.ReadBool(kSection, "AutoReferer", v.AutoReferer);
        v.UserAgent = ini.ReadString(kSection, "UserAgent", v.UserAgent);
        // Only what the file holds changes; Proxy and ProxyPort may have been
        // set meanwhile and keep their present values.
        std::lock_guard<std::mutex> lock(mutex_);
        values_.Timeout = v.Timeout;
        values_.Redirect = v.Redirect;
        values_.UseProxy = v.UseProxy;
        values_.AutoReferer = v.AutoReferer;
        values_.UserAgent = std::move(v.UserAgent);
        return true;
    } catch (...) {
        return false;
    }
}

bool TQorConnGeneral::SaveToFile(std::string_view path) const {
    try {
        Values v = Snapshot();
        TIniFileWriter ini{std::string(path)};
        ini.WriteInteger(kSection, "Timeout", v.Timeout);
        ini.WriteBool(kSection, "Redirect", v.Redirect);
        ini.WriteBool(kSection, "UseProxy", v.UseProxy);
        ini.WriteBool(kSection, "AutoReferer", v.AutoReferer);
        ini.WriteString(kSection, "UserAgent", v.UserAgent);
        return ini.Commit();
    } catch (...) {
        return false;
    }
}

void TQorConnGeneral::ApplyTo(TInetHTTP& http) const {
    Values v = Snapshot();
    http.Timeout = v.Timeout;
    http.RequestHeader.UserAgent = v.UserAgent;
    if (v.UseProxy) {
        http.ProxyHost = v.Proxy;
        http.ProxyPort = v.ProxyPort;
    }
}
