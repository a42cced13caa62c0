#include "inet/InetURLEx.h"

#include "platform/CodePage.h"
#include "platform/FileOps.h"
#include "platform/SjisText.h"

#include <array>

namespace {

constexpr size_t npos = std::string_view::npos;

// Schemes kept as written; anything else (upper-case forms included) is
// replaced by "http" or, for a drive path, "file".
constexpr std::array<std::string_view, 6> kKnownSchemes = {"https", "ftp", "mms", "file", "rtsp", "hcp"};

bool IsKnownScheme(std::string_view scheme) {
    for (std::string_view s : kKnownSchemes)
        if (s == scheme) return true;
    return false;
}

// Byte position of the character with the given 0-based index, or npos
// when the text has fewer characters.
size_t CharStart(std::string_view text, size_t index) {
    size_t pos = 0;
    for (; index > 0 && pos < text.size(); --index) pos += TSjisText::CharLength(text, pos);
    return pos < text.size() ? pos : npos;
}

// True when the character with the given index is the single byte `c`.
bool CharAtIs(std::string_view text, size_t index, char c) {
    size_t pos = CharStart(text, index);
    return pos != npos && TSjisText::CharLength(text, pos) == 1 && text[pos] == c;
}

// A drive path: second character ":" or "|", third "\" or "/".
bool LooksLikeDrivePath(std::string_view rest) {
    return (CharAtIs(rest, 1, ':') || CharAtIs(rest, 1, '|')) &&
           (CharAtIs(rest, 2, '\\') || CharAtIs(rest, 2, '/'));
}

bool EndsWithChar(std::string_view text, char c) {
    return !text.empty() && TSjisText::FindLastChar(text, c) == text.size() - 1;
}

std::string Trimmed(std::string_view text) { return TSjisText::Trim(text); }

} // namespace

TInetURLEx::TInetURLEx(std::string_view text) {
    Initialize();
    SetURL(text);
}

void TInetURLEx::Initialize() {
    Scheme.clear();
    User.clear();
    Password.clear();
    Host.clear();
    Port.clear();
    Dir.clear();
    FileName.clear();
    Query.clear();
    WithPort = false;
}

void TInetURLEx::Assign(const TPersistent* source) {
    const auto* other = dynamic_cast<const TInetURLEx*>(source);
    if (other == nullptr || other == this) return;
    Scheme = other->Scheme;
    User = other->User;
    Password = other->Password;
    Host = other->Host;
    Port = other->Port;
    Dir = other->Dir;
    FileName = other->FileName;
    Query = other->Query;
}

void TInetURLEx::SetURL(std::string_view text) {
    Initialize();
    // The text still to be parsed. Every cut below is made at a character
    // boundary, so the rest always starts on one.
    std::string rest(text);

    // Scheme, when its "://" comes before any query.
    size_t sep = TSjisText::Find(rest, "://");
    if (sep != npos) {
        size_t q = TSjisText::FindChar(rest, '?');
        if (q == npos || sep < q) {
            Scheme = Trimmed(std::string_view(rest).substr(0, sep));
            rest.erase(0, sep + 3);
        }
    }
    if (!IsKnownScheme(Scheme)) Scheme = LooksLikeDrivePath(rest) ? "file" : "http";

    // C:\dir\a.html -> /C|/dir/a.html; a bare C: -> /C|/
    if (Scheme == "file") {
        rest = TSjisText::ReplaceChar(rest, '\\', '/');
        rest = TSjisText::ReplaceChar(rest, ':', '|');
        if (!rest.empty() && rest[0] != '/' && CharAtIs(rest, 1, '|')) rest.insert(rest.begin(), '/');
        if (EndsWithChar(rest, '|')) rest.push_back('/');
    } else {
        // A character the code page cannot hold is requested as a browser
        // does, as percent-encoded UTF-8; a file address keeps it for the
        // file name on disk.
        rest = TCodePage::EscapesToPercent(rest);
    }

    // Credentials: an "@" before both the query and the path.
    size_t at = TSjisText::FindChar(rest, '@');
    if (at != npos) {
        size_t q = TSjisText::FindChar(rest, '?');
        size_t s = TSjisText::FindChar(rest, '/');
        if ((q == npos || at < q) && (s == npos || at < s)) {
            std::string_view cred = std::string_view(rest).substr(0, at);
            size_t colon = TSjisText::FindChar(cred, ':');
            if (colon != npos) {
                User = Trimmed(cred.substr(0, colon));
                Password = Trimmed(cred.substr(colon + 1));
            } else {
                User = Trimmed(cred);
            }
            rest.erase(0, at + 1);
        }
    }

    // Host part: up to the first "/" (which goes with it) or up to the "?"
    // (which stays for the query).
    std::string hostPart;
    size_t slash = TSjisText::FindChar(rest, '/');
    size_t question = TSjisText::FindChar(rest, '?');
    if (slash != npos && (question == npos || slash < question)) {
        hostPart = rest.substr(0, slash);
        rest.erase(0, slash + 1);
    } else if (question != npos) {
        hostPart = rest.substr(0, question);
        rest.erase(0, question);
    } else {
        hostPart = std::move(rest);
        rest.clear();
    }
    // An IPv6 literal keeps its brackets in Host; its colons are no port.
    size_t colon = npos;
    const std::string_view hostView = hostPart;
    size_t lead = 0;
    while (lead < hostView.size() && static_cast<unsigned char>(hostView[lead]) <= 0x20) ++lead;
    const size_t close = TSjisText::FindChar(hostView, ']');
    if (lead < hostView.size() && hostView[lead] == '[' && close != npos)
        colon = TSjisText::FindChar(hostView, ':', close);
    else
        colon = TSjisText::FindChar(hostPart, ':');
    if (colon != npos) {
        Host = Trimmed(std::string_view(hostPart).substr(0, colon));
        Port = Trimmed(std::string_view(hostPart).substr(colon + 1));
    } else {
        Host = Trimmed(hostPart);
    }

    // Path and query.
    std::string path;
    question = TSjisText::FindChar(rest, '?');
    if (question != npos) {
        path = rest.substr(0, question);
        rest.erase(0, question + 1);
    } else {
        path = std::move(rest);
        rest.clear();
    }
    size_t last = TSjisText::FindLastChar(path, '/');
    if (last != npos) {
        Dir = Trimmed(std::string_view(path).substr(0, last + 1));
        FileName = Trimmed(std::string_view(path).substr(last + 1));
    } else {
        FileName = Trimmed(path);
    }
    Dir.insert(Dir.begin(), '/');
    size_t hash = TSjisText::FindChar(FileName, '#');
    if (hash != npos) FileName.erase(hash);
    Query = Trimmed(rest);

    if (OnChangeScheme) OnChangeScheme(this, Scheme);

    if (Scheme == "file") {
        // A file address naming a folder becomes a folder address.
        if (!FileName.empty() && TFileOps::DirectoryExists(GetLocalPath())) {
            Dir += FileName;
            Dir.push_back('/');
            FileName.clear();
        }
        Host.clear();
        Port.clear();
        User.clear();
        Password.clear();
    }
}

std::string TInetURLEx::GetURL() const {
    std::string url = Scheme + "://";
    if (!User.empty()) url += User + ":" + Password + "@";
    url += Host;
    if (!Port.empty()) url += ":" + Port;
    return url + GetEntityPath();
}

std::string TInetURLEx::GetPortURL() const {
    std::string url = Scheme + "://" + Host;
    if (!Port.empty()) url += ":" + Port;
    return url + GetEntityPath();
}

std::string TInetURLEx::GetPlaneURL() const { return Scheme + "://" + Host + GetEntityPath(); }

std::string TInetURLEx::GetCompURL() const {
    std::string url = GetCompEntity();
    if (!Query.empty()) url += "?" + Query;
    return url;
}

std::string TInetURLEx::GetCompEntity() const {
    std::string url = Scheme + "://" + TSjisText::LowerCase(Host);
    if (!Port.empty()) url += ":" + Port;
    return url + Dir + FileName;
}

std::string TInetURLEx::GetHostPath() const {
    std::string path = Scheme + "://" + Host;
    if (WithPort && !Port.empty()) path += ":" + Port;
    return path;
}

std::string TInetURLEx::GetFullDir() const { return GetHostPath() + Dir; }

std::string TInetURLEx::GetCompFullDir() const { return TSjisText::LowerCase(GetHostPath()) + Dir; }

std::string TInetURLEx::GetEntityPath() const {
    std::string path = Dir + FileName;
    if (!Query.empty()) path += "?" + Query;
    return path;
}

std::string TInetURLEx::GetLocalPath() const {
    if (Scheme != "file") return std::string();
    // /C|/dir/a.html -> C:\dir\a.html
    std::string path = Dir + FileName;
    if (!path.empty()) path.erase(0, TSjisText::CharLength(path, 0));
    path = TSjisText::ReplaceChar(path, '/', '\\');
    return TSjisText::ReplaceChar(path, '|', ':');
}
