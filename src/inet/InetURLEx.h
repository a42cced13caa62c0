#pragma once
// An address split into its eight text components, rebuilt on demand in the
// forms the program needs (full, request path, comparison keys, folder, local
// path). The parser never fails and works on CP932 characters, so the second
// byte of a double-byte character is never taken for a separator.
#include "platform/Persistent.h"

#include <functional>
#include <string>
#include <string_view>

class TInetURLEx : public TPersistent {
public:
    using TChangeSchemeEvent = std::function<void(TInetURLEx* sender, const std::string& scheme)>;

    // Initialize, then SetURL(text): an empty text gives "http:///".
    explicit TInetURLEx(std::string_view text = {});

    // Never fails. Fills in "http" (or "file" for a drive path such as
    // C:\dir\a.html) for a missing or unknown scheme; afterwards Dir starts
    // and ends with "/" and WithPort is false. An IPv6 host ("[::1]:8080")
    // keeps its brackets in Host and in every form built from it. OnChangeScheme runs on the
    // calling thread with the final scheme, before a file address drops its
    // host and credentials and, when it names an existing folder (which asks
    // the disk), becomes a folder address.
    void SetURL(std::string_view text);
    // Empties the eight texts and clears WithPort; OnChangeScheme stays bound.
    void Initialize();
    // Copies the eight texts of another TInetURLEx (not WithPort, not the
    // event); any other source does nothing.
    void Assign(const TPersistent* source) override;

    std::string GetURL() const;
    // GetURL appended to `out`.
    void AppendURL(std::string& out) const;
    std::string GetPortURL() const;
    std::string GetPlaneURL() const;
    // Comparison keys: as GetPortURL with the host lower-cased (A-Z only);
    // GetCompEntity leaves out the query.
    std::string GetCompURL() const;
    // GetCompURL appended to `out`, for callers that reuse a buffer.
    void AppendCompURL(std::string& out) const;
    // Whether GetCompURL() begins with `prefix`, without building it.
    bool CompURLStartsWith(std::string_view prefix) const;
    std::string GetCompEntity() const;
    // Scheme "://" Host, with ":" Port only when WithPort is set.
    std::string GetHostPath() const;
    std::string GetFullDir() const;
    std::string GetCompFullDir() const;
    std::string GetEntityPath() const;
    // "C:\dir\a.html" for file:///C|/dir/a.html; empty for other schemes.
    std::string GetLocalPath() const;

    std::string Scheme;
    // http and https: the schemes the HTTP code fetches.
    bool IsHttp() const { return Scheme == "http" || Scheme == "https"; }
    std::string User;
    std::string Password;
    std::string Host;
    std::string Port;
    std::string Dir;
    std::string FileName;
    std::string Query;
    bool WithPort = false;
    TChangeSchemeEvent OnChangeScheme;
};
