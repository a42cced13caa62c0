#include "inet/InetHTTPRequestHeader.h"

#include "inet/InetBASE64.h"
#include "inet/InetURLEncoder.h"
#include "inet/InetURLEx.h"
#include "platform/SjisText.h"

#include <string_view>

namespace {

// A header value taken from an address or a setting, without the line ends
// that would start a line of its own.
std::string FieldValue(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (c != '\r' && c != '\n') out += c;
    return out;
}

// The query goes out as it is, except control bytes, which would break the
// request line.
std::string TargetQuery(std::string_view query) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(query.size());
    for (char c : query) {
        auto b = static_cast<unsigned char>(c);
        if (b < 0x20) {
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 15];
        } else {
            out += c;
        }
    }
    return out;
}

void AddLine(std::string& text, std::string_view line) {
    text += line;
    text += "\r\n";
}

} // namespace

std::string TInetHTTPRequestHeader::GetHeader(const TInetURLEx& url, bool absolute,
                                              bool post) const {
    std::string portSuffix;
    const char* defaultPort = url.Scheme == "https" ? "443" : "80";
    if (!url.Port.empty() && url.Port != defaultPort) portSuffix = ":" + url.Port;

    // The request target comes from a fresh parse of the full address, with
    // the path parts percent-encoded.
    TInetURLEx target(url.GetURL());
    target.Dir = TInetURLEncoder::Encode(target.Dir, "/%");
    target.FileName = TInetURLEncoder::Encode(target.FileName, "%");

    std::string body;
    std::string method;
    if (HeadMethod) {
        method = "HEAD ";
    } else if (!post) {
        method = "GET ";
    } else {
        method = "POST ";
        body = target.Query;
        for (char& c : body)
            if (c == '&') c = '\n';
    }

    target.Query = TargetQuery(target.Query);
    target.Host = FieldValue(target.Host);
    std::string requestTarget = absolute ? target.GetPlaneURL() : target.GetEntityPath();

    std::string text;
    AddLine(text, method + requestTarget + (KeepAlive ? " HTTP/1.1" : " HTTP/1.0"));
    AddLine(text, "Host: " + FieldValue(url.Host + portSuffix));
    AddLine(text, KeepAlive ? "Connection: keep-alive" : "Connection: close");
    AddLine(text, "Content-type: application/x-www-form-urlencoded");
    AddLine(text, "User-Agent: " + FieldValue(UserAgent));
    // An address met over TLS is not given away on a plain request.
    const bool hiddenReferer = url.Scheme != "https" && TSjisText::LowerCase(Referer.substr(0, 6)) == "https:";
    if (std::string referer = FieldValue(Referer); !referer.empty() && !hiddenReferer)
        AddLine(text, "Referer: " + referer);
    if (!AuthUser.empty() || !AuthPassword.empty() || ForceAuthorization)
        AddLine(text, "Authorization: Basic " + TInetBASE64::Encode(AuthUser + ":" + AuthPassword));
    if (post && !HeadMethod) AddLine(text, "Content-Length: " + std::to_string(body.size()));
    for (const std::string& extra : ExtraHeaders)
        if (std::string line = FieldValue(extra); !line.empty()) AddLine(text, line);
    text += "\r\n";
    text += body;
    return text;
}
