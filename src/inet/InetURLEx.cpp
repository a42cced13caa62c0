#include "inet/InetURLEx.h"

#include "platform/CodePage.h"
#include "platform/FileOps.h"
#include "platform/SjisText.h"

#include <algorithm>
#include <array>
#include <initializer_list>

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

std::string_view TrimView(std::string_view text) {
    size_t b = 0, e = text.size();
    while (b < e && static_cast<unsigned char>(text[b]) <= 0x20) ++b;
    while (e > b && static_cast<unsigned char>(text[e - 1]) <= 0x20) --e;
    return text.substr(b, e - b);
}

// Appends the parts in one allocation.
std::string Join(std::initializer_list<std::string_view> parts) {
    size_t size = 0;
    for (std::string_view p : parts) size += p.size();
    std::string out;
    out.reserve(size);
    for (std::string_view p : parts) out.append(p);
    return out;
}

// The host with A-Z lower-cased, character by character.
void AppendLowerHost(std::string& out, std::string_view host) {
    const size_t at = out.size();
    out.append(host);
    for (size_t i = at; i < out.size();) {
        const size_t n = TSjisText::CharLength(out, i);
        if (n == 1 && out[i] >= 'A' && out[i] <= 'Z') out[i] = static_cast<char>(out[i] + 32);
        i += n;
    }
}

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
    if (text.empty()) {
        // What the parse below makes of it; every new record starts so.
        Scheme = "http";
        Dir.push_back('/');
        if (OnChangeScheme) OnChangeScheme(this, Scheme);
        return;
    }
    // The text still to be parsed, a view of `text` unless it had to be
    // rewritten (a file address, an escape). Every cut below is made at a
    // character boundary, so the rest always starts on one.
    std::string_view rest = text;
    std::string owned;
    // Nearly every address is ASCII: then its searches are plain byte searches.
    bool ascii = TSjisText::IsAscii(text);
    auto find = [&ascii](std::string_view in, char c, size_t from = 0) {
        return ascii ? in.find(c, from) : TSjisText::FindChar(in, c, from);
    };

    // Scheme, when its "://" comes before any query.
    size_t sep = ascii ? rest.find("://") : TSjisText::Find(rest, "://");
    if (sep != npos) {
        size_t q = find(rest, '?');
        if (q == npos || sep < q) {
            Scheme.assign(TrimView(rest.substr(0, sep)));
            rest.remove_prefix(sep + 3);
        }
    }
    if (!IsKnownScheme(Scheme)) Scheme = LooksLikeDrivePath(rest) ? "file" : "http";

    // C:\dir\a.html -> /C|/dir/a.html; a bare C: -> /C|/
    if (Scheme == "file") {
        owned = TSjisText::ReplaceChar(rest, '\\', '/');
        owned = TSjisText::ReplaceChar(owned, ':', '|');
        if (!owned.empty() && owned[0] != '/' && CharAtIs(owned, 1, '|')) owned.insert(owned.begin(), '/');
        if (EndsWithChar(owned, '|')) owned.push_back('/');
        rest = owned;
        ascii = TSjisText::IsAscii(rest);
    } else if (rest.find(static_cast<char>(TCodePage::kEscapeByte)) != npos) {
        // A character the code page cannot hold is requested as a browser
        // does, as percent-encoded UTF-8; a file address keeps it for the
        // file name on disk.
        owned = TCodePage::EscapesToPercent(rest);
        rest = owned;
        ascii = TSjisText::IsAscii(rest);
    }

    // Credentials: an "@" before both the query and the path.
    size_t at = find(rest, '@');
    if (at != npos) {
        size_t q = find(rest, '?');
        size_t s = find(rest, '/');
        if ((q == npos || at < q) && (s == npos || at < s)) {
            std::string_view cred = rest.substr(0, at);
            size_t colon = find(cred, ':');
            if (colon != npos) {
                User.assign(TrimView(cred.substr(0, colon)));
                Password.assign(TrimView(cred.substr(colon + 1)));
            } else {
                User.assign(TrimView(cred));
            }
            rest.remove_prefix(at + 1);
        }
    }

    // Host part: up to the first "/" (which goes with it) or up to the "?"
    // (which stays for the query).
    std::string_view hostPart;
    size_t slash = find(rest, '/');
    size_t question = find(rest, '?');
    if (slash != npos && (question == npos || slash < question)) {
        hostPart = rest.substr(0, slash);
        rest.remove_prefix(slash + 1);
    } else if (question != npos) {
        hostPart = rest.substr(0, question);
        rest.remove_prefix(question);
    } else {
        hostPart = rest;
        rest = {};
    }
    // An IPv6 literal keeps its brackets in Host; its colons are no port.
    size_t colon = npos;
    size_t lead = 0;
    while (lead < hostPart.size() && static_cast<unsigned char>(hostPart[lead]) <= 0x20) ++lead;
    const size_t close = find(hostPart, ']');
    if (lead < hostPart.size() && hostPart[lead] == '[' && close != npos)
        colon = find(hostPart, ':', close);
    else
        colon = find(hostPart, ':');
    if (colon != npos) {
        Host.assign(TrimView(hostPart.substr(0, colon)));
        Port.assign(TrimView(hostPart.substr(colon + 1)));
    } else {
        Host.assign(TrimView(hostPart));
    }

    // Path and query.
    std::string_view path;
    question = find(rest, '?');
    if (question != npos) {
        path = rest.substr(0, question);
        rest.remove_prefix(question + 1);
    } else {
        path = rest;
        rest = {};
    }
    size_t last = ascii ? path.rfind('/') : TSjisText::FindLastChar(path, '/');
    Dir.push_back('/');
    if (last != npos) {
        Dir.append(TrimView(path.substr(0, last + 1)));
        FileName.assign(TrimView(path.substr(last + 1)));
    } else {
        FileName.assign(TrimView(path));
    }
    size_t hash = find(FileName, '#');
    if (hash != npos) FileName.erase(hash);
    Query.assign(TrimView(rest));

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

// The forms are built in one allocation each: the page item extractor
// makes several for every address of a page.
std::string TInetURLEx::GetURL() const {
    std::string url;
    AppendURL(url);
    return url;
}

void TInetURLEx::AppendURL(std::string& out) const {
    const bool user = !User.empty();
    const bool port = !Port.empty();
    const bool query = !Query.empty();
    const std::initializer_list<std::string_view> parts = {
        Scheme, "://", User, user ? ":" : "", user ? std::string_view(Password) : std::string_view(), user ? "@" : "",
        Host, port ? ":" : "", Port, Dir, FileName, query ? "?" : "", Query};
    size_t size = out.size();
    for (std::string_view part : parts) size += part.size();
    out.reserve(size);
    for (std::string_view part : parts) out.append(part);
}

std::string TInetURLEx::GetPortURL() const {
    const bool port = !Port.empty();
    const bool query = !Query.empty();
    return Join({Scheme, "://", Host, port ? ":" : "", Port, Dir, FileName, query ? "?" : "", Query});
}

std::string TInetURLEx::GetPlaneURL() const {
    return Join({Scheme, "://", Host, Dir, FileName, Query.empty() ? "" : "?", Query});
}

std::string TInetURLEx::GetCompURL() const {
    std::string url;
    url.reserve(Scheme.size() + Host.size() + Port.size() + Dir.size() + FileName.size() + Query.size() + 5);
    AppendCompURL(url);
    return url;
}

void TInetURLEx::AppendCompURL(std::string& url) const {
    url.append(Scheme).append("://");
    AppendLowerHost(url, Host);
    if (!Port.empty()) url.append(":").append(Port);
    url.append(Dir).append(FileName);
    if (!Query.empty()) url.append("?").append(Query);
}

bool TInetURLEx::CompURLStartsWith(std::string_view prefix) const {
    // The parts of GetCompURL in turn, each compared with what is left.
    auto part = [&prefix](std::string_view text) {
        const size_t n = std::min(text.size(), prefix.size());
        if (text.substr(0, n) != prefix.substr(0, n)) return false;
        prefix.remove_prefix(n);
        return true;
    };
    if (!part(Scheme) || !part("://")) return false;
    // The host as GetCompURL lowers it: bytes that are single-byte
    // characters other than A-Z stay as they are, the rest one by one.
    size_t i = 0;
    for (const size_t m = std::min(Host.size(), prefix.size()); i < m; ++i) {
        const unsigned char c = static_cast<unsigned char>(Host[i]);
        if (c >= 0x80 || (c >= 'A' && c <= 'Z') || c != static_cast<unsigned char>(prefix[i])) break;
    }
    prefix.remove_prefix(i);
    while (i < Host.size() && !prefix.empty()) {
        const size_t n = TSjisText::CharLength(Host, i);
        char c = Host[i];
        if (n == 1 && c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        if (c != prefix[0]) return false;
        prefix.remove_prefix(1);
        if (n == 2 && !prefix.empty()) {
            if (Host[i + 1] != prefix[0]) return false;
            prefix.remove_prefix(1);
        }
        i += n;
    }
    if (!Port.empty() && (!part(":") || !part(Port))) return false;
    if (!part(Dir) || !part(FileName)) return false;
    if (!Query.empty() && (!part("?") || !part(Query))) return false;
    return prefix.empty();
}

std::string TInetURLEx::GetCompEntity() const {
    std::string url;
    url.reserve(Scheme.size() + Host.size() + Port.size() + Dir.size() + FileName.size() + 4);
    url.append(Scheme).append("://");
    AppendLowerHost(url, Host);
    if (!Port.empty()) url.append(":").append(Port);
    url.append(Dir).append(FileName);
    return url;
}

std::string TInetURLEx::GetHostPath() const {
    const bool port = WithPort && !Port.empty();
    return Join({Scheme, "://", Host, port ? ":" : "", port ? std::string_view(Port) : ""});
}

std::string TInetURLEx::GetFullDir() const {
    const bool port = WithPort && !Port.empty();
    return Join({Scheme, "://", Host, port ? ":" : "", port ? std::string_view(Port) : "", Dir});
}

std::string TInetURLEx::GetCompFullDir() const { return TSjisText::LowerCase(GetHostPath()) + Dir; }

std::string TInetURLEx::GetEntityPath() const {
    return Join({Dir, FileName, Query.empty() ? "" : "?", Query});
}

std::string TInetURLEx::GetLocalPath() const {
    if (Scheme != "file") return std::string();
    // /C|/dir/a.html -> C:\dir\a.html
    std::string path = Dir + FileName;
    if (!path.empty()) path.erase(0, TSjisText::CharLength(path, 0));
    path = TSjisText::ReplaceChar(path, '/', '\\');
    return TSjisText::ReplaceChar(path, '|', ':');
}
