// Parses arbitrary bytes as an address and checks what every parse
// guarantees, whatever the input.
#include "inet/InetURLEx.h"
#include "platform/SjisText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

// True when `c` occurs as a single-byte character of `text`.
bool HasChar(std::string_view text, char c) { return TSjisText::FindChar(text, c) != std::string_view::npos; }

bool IsTrimmed(std::string_view text) {
    return text.empty() || (static_cast<unsigned char>(text.front()) > 0x20 && static_cast<unsigned char>(text.back()) > 0x20);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    TInetURLEx url;
    url.WithPort = true;
    int fired = 0;
    url.OnChangeScheme = [&](TInetURLEx* sender, const std::string& scheme) {
        Check(sender == &url && scheme == url.Scheme);
        ++fired;
    };
    url.SetURL(text);
    Check(fired == 1);
    Check(!url.WithPort);

    const std::string& s = url.Scheme;
    Check(s == "http" || s == "https" || s == "ftp" || s == "mms" || s == "file" || s == "rtsp" || s == "hcp");
    Check(url.Dir.size() >= 1 && url.Dir.front() == '/' && url.Dir.back() == '/');
    // The file name is trimmed before its anchor is cut, so it may end in a blank.
    for (const std::string* part : {&url.User, &url.Password, &url.Host, &url.Port, &url.Query})
        Check(IsTrimmed(*part));
    Check(!HasChar(url.Host, '/') && !HasChar(url.Host, '?') && !HasChar(url.Host, ':'));
    Check(!HasChar(url.User, ':') && !HasChar(url.User, '@') && !HasChar(url.Password, '@'));
    Check(!HasChar(url.Dir, '?'));
    Check(!HasChar(url.FileName, '/') && !HasChar(url.FileName, '?') && !HasChar(url.FileName, '#'));
    if (s == "file") {
        Check(url.Host.empty() && url.Port.empty() && url.User.empty() && url.Password.empty());
    } else {
        Check(url.GetLocalPath().empty());
    }

    std::string full = url.GetURL();
    std::string port = url.GetPortURL();
    std::string plane = url.GetPlaneURL();
    std::string comp = url.GetCompURL();
    std::string entity = url.GetCompEntity();
    std::string hostPath = url.GetHostPath();
    std::string fullDir = url.GetFullDir();
    std::string compFullDir = url.GetCompFullDir();
    std::string entityPath = url.GetEntityPath();
    std::string local = url.GetLocalPath();

    Check(full.size() >= port.size() && port.size() >= plane.size());
    Check(comp.size() == port.size() && comp.compare(0, entity.size(), entity) == 0);
    Check(full.ends_with(entityPath) && plane.ends_with(entityPath));
    Check(fullDir.starts_with(hostPath) && fullDir.size() == compFullDir.size());
    Check(hostPath == s + "://" + url.Host); // WithPort is off after the parse

    TInetURLEx copy;
    copy.Assign(&url);
    Check(copy.GetURL() == full && copy.GetLocalPath() == local);
    return 0;
}
