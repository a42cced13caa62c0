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

    explicit TInetURLEx(std::string_view text = {});

    void SetURL(std::string_view text);
    void Initialize();
    void Assign(const TPersistent* source) override;

    std::string GetURL() const;
    std::string GetPortURL() const;
    std::string GetPlaneURL() const;
    std::string GetCompURL() const;
    std::string GetCompEntity() const;
    std::string GetHostPath() const;
    std::string GetFullDir() const;
    std::string GetCompFullDir() const;
    std::string GetEntityPath() const;
    std::string GetLocalPath() const;

    std::string Scheme;
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
