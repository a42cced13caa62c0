#include "engine/QorConnGeneral.h"

#include "inet/InetHTTP.h"
#include "inet/InetHTTPConnPool.h"
#include "platform/FileOps.h"
#include "platform/IniFile.h"
#include "platform/IniFileWriter.h"

namespace {

const char kSection[] = "Setting";

// The range of time-outs the option dialog accepts.
constexpr int kMinTimeout = 1;
constexpr int kMaxTimeout = 999;

// "%" and two hex digits become that byte; everything else (a "+" too) is
// taken as it stands, as in the user part of an address.
std::string PercentDecoded(std::string_view text) {
    auto hex = [](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hex(text[i + 1]) >= 0 && hex(text[i + 2]) >= 0) {
            out += static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

} // namespace

TQorConnGeneral::TQorConnGeneral() : pool_(std::make_shared<TInetHTTPConnPool>()) {}

TQorConnGeneral::~TQorConnGeneral() = default;

bool TQorConnGeneral::GetKeepAlive() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return values_.KeepAlive;
}
void TQorConnGeneral::SetKeepAlive(bool value) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        values_.KeepAlive = value;
    }
    if (!value) pool_->Clear();
}

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
    const bool keepAlive = copy.KeepAlive;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        values_ = std::move(copy);
    }
    // Connections kept while it was on would otherwise stay open unused.
    if (!keepAlive) pool_->Clear();
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
        v.KeepAlive = ini.ReadBool(kSection, "KeepAlive", v.KeepAlive);
        // Only what the file holds changes; Proxy and ProxyPort may have been
        // set meanwhile and keep their present values.
        {
            std::lock_guard<std::mutex> lock(mutex_);
            values_.Timeout = v.Timeout;
            values_.Redirect = v.Redirect;
            values_.UseProxy = v.UseProxy;
            values_.AutoReferer = v.AutoReferer;
            values_.UserAgent = std::move(v.UserAgent);
            values_.KeepAlive = v.KeepAlive;
        }
        if (!v.KeepAlive) pool_->Clear();
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
        if (v.KeepAlive) ini.WriteBool(kSection, "KeepAlive", v.KeepAlive);
        return ini.Commit();
    } catch (...) {
        return false;
    }
}

void TQorConnGeneral::ApplyTo(TInetHTTP& http) const {
    Values v = Snapshot();
    http.Timeout = v.Timeout;
    http.RequestHeader.UserAgent = v.UserAgent;
    http.KeepAlive = v.KeepAlive;
    http.Pool = v.KeepAlive ? pool_ : nullptr;
    if (v.UseProxy) {
        // "user:password@host": the last "@" ends the credentials, which
        // may hold one themselves.
        std::string host = v.Proxy;
        http.ProxyUser.clear();
        http.ProxyPassword.clear();
        if (size_t at = host.rfind('@'); at != std::string::npos) {
            const std::string credentials = host.substr(0, at);
            host.erase(0, at + 1);
            const size_t colon = credentials.find(':');
            http.ProxyUser = PercentDecoded(credentials.substr(0, colon));
            if (colon != std::string::npos) http.ProxyPassword = PercentDecoded(credentials.substr(colon + 1));
        }
        http.ProxyHost = host;
        http.ProxyPort = v.ProxyPort;
    }
}
