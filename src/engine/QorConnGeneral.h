#pragma once
// The settings every HTTP fetch needs: time-out, redirections, proxy,
// automatic referer and the user agent. The main window owns one, edits it
// in the option dialog and keeps it in connect.dat; load managers and
// download queues point at it, and every page load thread reads it while it
// runs. Other windows that fetch on their own hold a copy made with Assign.
//
// Threads: any thread may call any member. The values sit behind a mutex,
// so a load thread reading them while the main thread assigns new ones sees
// either value of each property, never a torn string; ApplyTo and Assign
// take all the values in one step.
#include "platform/Persistent.h"

#include <memory>
#include <mutex>
#include <string>
#include <string_view>

class TInetHTTP;
class TInetHTTPConnPool;

class TQorConnGeneral : public TPersistent {
public:
    // Timeout 30, Redirect on, UseProxy off, Proxy empty, ProxyPort 0,
    // AutoReferer on, UserAgent "Vorlen/2.2", KeepAlive off.
    TQorConnGeneral();
    ~TQorConnGeneral() override;

    // Seconds to wait for data (TInetBase::Timeout).
    int GetTimeout() const;
    void SetTimeout(int value);
    // Follow 3xx answers that carry a Location.
    bool GetRedirect() const;
    void SetRedirect(bool value);
    // Send requests through Proxy:ProxyPort.
    bool GetUseProxy() const;
    void SetUseProxy(bool value);
    // Proxy host and port. Not part of connect.dat: the main window fills
    // them from the proxy chosen in its proxy box.
    std::string GetProxy() const;
    void SetProxy(std::string_view value);
    int GetProxyPort() const;
    void SetProxyPort(int value);
    // Send a referer when a record has none, and give extracted records the
    // page as referer.
    bool GetAutoReferer() const;
    void SetAutoReferer(bool value);
    // The text of the User-Agent request line.
    std::string GetUserAgent() const;
    void SetUserAgent(std::string_view value);
    // Persistent connections: HTTP/1.1 with "Connection: keep-alive", and
    // connections kept in this object's pool between the fetches that use
    // it. Off, the requests are HTTP/1.0 with "Connection: close".
    bool GetKeepAlive() const;
    void SetKeepAlive(bool value);
    // The idle connections of every fetch that uses these settings (each
    // object has its own; Assign does not share it).
    const std::shared_ptr<TInetHTTPConnPool>& GetPool() const { return pool_; }

    // From another TQorConnGeneral copies all eight properties; any other
    // source (or none) does nothing.
    void Assign(const TPersistent* source) override;

    // Reads connect.dat: section "Setting", keys "Timeout", "Redirect",
    // "UseProxy", "AutoReferer", "UserAgent" and "KeepAlive" (booleans as
    // integers, any non-zero integer is true). A missing key, or one whose value is not an
    // integer where one is expected, leaves its property as it was; so does
    // a Timeout outside 1 to 999 seconds (the range the option dialog
    // accepts), which would otherwise wait without end or overflow the
    // millisecond count. A missing file reads as empty and answers true.
    // False when the file is there but cannot be read (a folder in its
    // place, no permission): then nothing changes.
    bool LoadFromFile(std::string_view path);
    // Writes the five keys in that order, then "KeepAlive" when it is on,
    // and nothing else (a file of someone who never turned it on stays as
    // it always was). The file is replaced in one step: on failure (false)
    // the old file stays as it was.
    bool SaveToFile(std::string_view path) const;

    // Hands the settings to an HTTP client before its first request: its
    // Timeout, its request header's UserAgent, KeepAlive with this object's
    // pool and, with UseProxy on, its ProxyHost and ProxyPort (left as they
    // are with UseProxy off). A proxy written "user:password@host" gives
    // the host, and the credentials for a CONNECT (ProxyUser, ProxyPassword,
    // percent-decoded).
    void ApplyTo(TInetHTTP& http) const;

private:
    struct Values {
        int Timeout = 30;
        bool Redirect = true;
        bool UseProxy = false;
        std::string Proxy;
        int ProxyPort = 0;
        bool AutoReferer = true;
        std::string UserAgent = "Vorlen/2.2";
        bool KeepAlive = false;
    };

    Values Snapshot() const;

    mutable std::mutex mutex_;
    Values values_;
    std::shared_ptr<TInetHTTPConnPool> pool_;
};
