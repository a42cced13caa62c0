#include "inet/InetTagObjectEx.h"

#include "platform/SjisText.h"

#include <cstring>
#include <utility>

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 0x20; }

// The white space of the equals test and of the unquoted value: space,
// carriage return, line feed and tab.
bool IsTagSpace(char c) { return c == ' ' || c == '\r' || c == '\n' || c == '\t'; }

bool IsAlnum(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// "[a-zA-Z0-9_/]": the characters of a tag name.
bool IsTagNameChar(char c) { return IsAlnum(c) || c == '_' || c == '/'; }

// "[_a-zA-Z0-9\-]" for the first attribute name, "[a-zA-Z0-9]" for the
// later ones. All members are ASCII, so a member byte is always a
// single-byte character of its own.
bool IsAttrNameChar(char c, bool first) { return IsAlnum(c) || (first && (c == '_' || c == '-')); }

std::string_view TrimView(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

// The text without its tabs, carriage returns and line feeds; a byte right
// after a lead byte belongs to that character and stays.
std::string RemoveBreaks(std::string_view s) {
    // Most texts hold none; the byte searches are much faster than the walk.
    if (!std::memchr(s.data(), '\n', s.size()) && !std::memchr(s.data(), '\r', s.size()) &&
        !std::memchr(s.data(), '\t', s.size()))
        return std::string(s);
    std::string out(s.size(), '\0');
    char* to = out.data();
    for (size_t i = 0; i < s.size();) {
        const char c = s[i];
        if (TSjisText::IsLeadByte(static_cast<unsigned char>(c)) && i + 1 < s.size()) {
            *to++ = c;
            *to++ = s[i + 1];
            i += 2;
            continue;
        }
        if (c != '\t' && c != '\r' && c != '\n') *to++ = c;
        ++i;
    }
    out.resize(static_cast<size_t>(to - out.data()));
    return out;
}

std::string LowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return out;
}

} // namespace

// ---------------------------------------------------------------------------
// TTagAttributes

size_t TTagAttributes::FindIndex(std::string_view lowerName) const {
    if (!index_.empty()) {
        auto it = index_.find(std::string(lowerName));
        return it == index_.end() ? std::string::npos : it->second;
    }
    for (size_t i = 0; i < entries_.size(); ++i)
        if (entries_[i].alive && entries_[i].pair.Name == lowerName) return i;
    return std::string::npos;
}

const std::string& TTagAttributes::Value(std::string_view name) const {
    static const std::string empty;
    size_t i = FindIndex(LowerAscii(name));
    return i == std::string::npos ? empty : entries_[i].pair.Value;
}

bool TTagAttributes::Contains(std::string_view name) const {
    return FindIndex(LowerAscii(name)) != std::string::npos;
}

void TTagAttributes::SetValue(std::string_view name, std::string value) {
    std::string lower = LowerAscii(name);
    size_t i = FindIndex(lower);
    if (value.empty()) {
        if (i == std::string::npos) return;
        entries_[i].alive = false;
        entries_[i].pair = TTagAttribute{};
        if (!index_.empty()) index_.erase(lower);
        --live_;
        if (entries_.size() - live_ > live_ + kLinearLimit) Compact();
        return;
    }
    if (i != std::string::npos) {
        entries_[i].pair.Value = std::move(value);
        return;
    }
    entries_.push_back(Entry{TTagAttribute{lower, std::move(value)}, true});
    ++live_;
    if (!index_.empty()) {
        index_.emplace(std::move(lower), entries_.size() - 1);
    } else if (entries_.size() > kLinearLimit) {
        RebuildIndex();
    }
}

void TTagAttributes::Clear() {
    entries_.clear();
    index_.clear();
    live_ = 0;
}

std::vector<TTagAttribute> TTagAttributes::List() const {
    std::vector<TTagAttribute> out;
    out.reserve(live_);
    for (const Entry& e : entries_)
        if (e.alive) out.push_back(e.pair);
    return out;
}

void TTagAttributes::Compact() {
    size_t to = 0;
    for (size_t from = 0; from < entries_.size(); ++from)
        if (entries_[from].alive) {
            if (to != from) entries_[to] = std::move(entries_[from]);
            ++to;
        }
    entries_.resize(to);
    RebuildIndex();
}

void TTagAttributes::RebuildIndex() {
    index_.clear();
    if (entries_.size() <= kLinearLimit) return;
    for (size_t i = 0; i < entries_.size(); ++i)
        if (entries_[i].alive) index_.emplace(entries_[i].pair.Name, i);
}

// ---------------------------------------------------------------------------
// TInetTagObjectEx

TInetTagObjectEx::TInetTagObjectEx(std::string text) : Source(std::move(text)) {
    SetAttributeList(Source);
}

void TInetTagObjectEx::SetAttributeList(std::string_view text) {
    TagName.clear();
    Attributes.Clear();
    Text.clear();

    if (text.empty() || text[0] != '<') {
        Text = TrimView(RemoveBreaks(text));
        return;
    }

    // Everything between the angle brackets; the last byte is ">" for every
    // tag the scanner makes.
    const std::string_view rest = TrimView(text.size() >= 2 ? text.substr(1, text.size() - 2) : std::string_view());
    const size_t n = rest.size();

    size_t pos = 0;
    while (pos < n && IsTagNameChar(rest[pos])) ++pos;
    if (pos == 0) return; // a comment, a declaration or a stray "<"
    TagName = LowerAscii(rest.substr(0, pos));
    if (pos < n && rest[pos] == ' ') ++pos;

    // The literal reading removes each name from where it was found and
    // leaves whatever stood before it at the front of the remaining text.
    // Here the remaining text is `stray` (those leftovers, from strayBegin)
    // followed by rest[pos..]. The leftovers hold no name characters, so the
    // name search only ever has to look at rest[pos..]; what matters about
    // them is whether they are empty, white space only, and their first
    // byte.
    std::string stray;
    size_t strayBegin = 0;
    bool strayJunk = false; // the leftovers hold something other than white space
    bool first = true;

    for (;;) {
        // 1. The next name, on a character boundary.
        size_t p = pos;
        while (p < n && !IsAttrNameChar(rest[p], first)) p += TSjisText::CharLength(rest, p);
        if (p >= n) break;
        size_t e = p;
        while (e < n && IsAttrNameChar(rest[e], first)) ++e;
        std::string name = LowerAscii(rest.substr(p, e - p));
        // 2. What stood before the name stays in front.
        for (size_t i = pos; i < p; ++i) {
            stray.push_back(rest[i]);
            if (!IsTagSpace(rest[i])) strayJunk = true;
        }
        pos = e;
        first = false;

        // 3. "^[\s\r\n\t]*=[\s\r\n\t]*" at the front of the remaining text.
        std::string value;
        if (!strayJunk) {
            size_t q = pos;
            while (q < n && IsTagSpace(rest[q])) ++q;
            if (q < n && rest[q] == '=') {
                ++q;
                while (q < n && IsTagSpace(rest[q])) ++q;
                stray.clear();
                strayBegin = 0;
                pos = q;

                bool quoted = false;
                if (pos < n && (rest[pos] == '"' || rest[pos] == '\'' || rest[pos] == '`')) {
                    const char quote = rest[pos];
                    size_t c = pos + 1;
                    while (c < n && rest[c] != quote) c += TSjisText::CharLength(rest, c);
                    if (c < n) {
                        value = RemoveBreaks(rest.substr(pos + 1, c - pos - 1));
                        pos = c + 1;
                        quoted = true;
                    }
                }
                if (!quoted) {
                    size_t c = pos;
                    while (c < n && !IsTagSpace(rest[c])) c += TSjisText::CharLength(rest, c);
                    value.assign(rest.substr(pos, c - pos));
                    pos = c;
                }
            }
        }

        // 4. Empty values are not kept (and drop an earlier one).
        Attributes.SetValue(name, std::string(TrimView(value)));

        // 5. One leading space goes.
        if (strayBegin < stray.size()) {
            if (stray[strayBegin] == ' ') ++strayBegin;
        } else if (pos < n && rest[pos] == ' ') {
            ++pos;
        }
    }
}
