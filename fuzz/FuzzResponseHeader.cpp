// Response parsing and request building on arbitrary bytes: nothing may
// crash, a file name offered for saving never holds a path or reserved
// character, and no address or setting can split the request text.
#include "inet/InetHTTPRequestHeader.h"
#include "inet/InetHTTPResponseHeader.h"
#include "inet/InetURLEx.h"
#include "platform/SjisText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

void CheckResponse(std::string_view text) {
    TInetHTTPResponseHeader header;
    header.SetHeader(text);
    Check(text.substr(0, header.RawHeader.size()) == header.RawHeader);
    Check(header.RawHeader.find("\r\n\r\n") == std::string::npos);
    auto items = header.Values.Items();
    Check(items.size() == header.Values.Count());
    for (const auto& [name, value] : items) {
        Check(!value.empty());
        Check(TSjisText::Trim(value) == value && TSjisText::Trim(name) == name);
        Check(TSjisText::LowerCase(name) == name);
        Check(header.Values.Get(name) == value);
    }
    std::string alias = header.GetAlias();
    for (char c : std::string_view("\\\"|:/<>*?"))
        Check(TSjisText::FindChar(alias, c) == std::string::npos);
}

// Pieces of the input separated by zero bytes feed the address and settings.
std::vector<std::string_view> Pieces(std::string_view text) {
    std::vector<std::string_view> pieces;
    size_t start = 0;
    while (pieces.size() < 6) {
        size_t end = text.find('\0', start);
        pieces.push_back(text.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    pieces.resize(6);
    return pieces;
}

void CheckRequest(std::string_view data) {
    if (data.empty()) return;
    unsigned flags = static_cast<unsigned char>(data[0]);
    std::vector<std::string_view> p = Pieces(data.substr(1));

    TInetURLEx url(p[0]);
    TInetHTTPRequestHeader request;
    request.HeadMethod = flags & 1;
    request.ForceAuthorization = flags & 8;
    request.UserAgent = p[1];
    request.Referer = p[2];
    request.AuthUser = p[3];
    request.AuthPassword = p[4];
    request.ExtraHeaders = {std::string(p[5]), std::string(p[1])};
    bool absolute = flags & 2;
    bool post = flags & 4;
    std::string text = request.GetHeader(url, absolute, post);

    // One header: lines that each end in CR LF, then one blank line.
    size_t end = text.find("\r\n\r\n");
    Check(end != std::string::npos);
    std::string_view head = std::string_view(text).substr(0, end + 2);
    std::string_view body = std::string_view(text).substr(end + 4);
    for (size_t i = 0; i < head.size(); ++i) {
        if (head[i] == '\r') Check(i + 1 < head.size() && head[i + 1] == '\n');
        if (head[i] == '\n') Check(i > 0 && head[i - 1] == '\r');
    }
    if (post && !request.HeadMethod) {
        std::string length = "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n";
        Check(head.find(length) != std::string_view::npos);
    } else {
        Check(body.empty());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    CheckResponse(text);
    CheckRequest(text);
    return 0;
}
