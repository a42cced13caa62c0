#pragma once
// The page text helpers done the slow, literal way: every replacement or
// dot segment is followed by a new search from the start of the text, and
// the link text is folded again after every piece. The one-pass versions
// in TQorPageItems and TQorAnchorText must give exactly these results;
// tests and the fuzz target compare them on small inputs.
#include "engine/QorFile.h"
#include "inet/ExRegexp.h"
#include "inet/InetURLEx.h"
#include "platform/CodePage.h"
#include "platform/SjisText.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace literal {

// Start of the character that ends right before byte `pos` (a boundary).
inline size_t CharBefore(std::string_view s, size_t pos) {
    size_t start = 0;
    for (size_t i = 0; i < pos; i += TSjisText::CharLength(s, i)) start = i;
    return start;
}

inline bool EndsWithChars(std::string_view s, std::string_view tail) {
    // Walk the characters and compare the last ones as single bytes.
    std::string singles;
    for (size_t i = 0; i < s.size();) {
        size_t n = TSjisText::CharLength(s, i);
        singles.push_back(n == 1 ? s[i] : '\0');
        i += n;
    }
    return singles.size() >= tail.size() && singles.compare(singles.size() - tail.size(), tail.size(), tail) == 0;
}

// strtol-style reading, kept apart from the program's own reader.
inline bool ReadNumber(std::string s, long long& out) {
    size_t k = s.find_first_not_of(' ');
    if (k == std::string::npos) return false;
    s.erase(0, k);
    bool neg = false;
    if (s[0] == '+' || s[0] == '-') {
        neg = s[0] == '-';
        s.erase(0, 1);
    }
    int base = 10;
    if (!s.empty() && (s[0] == '$' || s[0] == 'x' || s[0] == 'X')) {
        base = 16;
        s.erase(0, 1);
    } else if (s.size() >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.erase(0, 2);
    }
    if (s.empty() || s.size() > 40) return false;
    for (char c : s) {
        bool ok = base == 10 ? (c >= '0' && c <= '9')
                             : ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'));
        if (!ok) return false;
    }
    unsigned long long v = 0;
    for (char c : s) {
        int d = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
        v = v * static_cast<unsigned>(base) + static_cast<unsigned>(d);
        if (v > 0xFFFFFFFFull) return false;
    }
    if (base == 10 && v > (neg ? 2147483648ull : 2147483647ull)) return false;
    out = neg ? -static_cast<long long>(v) : static_cast<long long>(v);
    return true;
}

inline std::string ChangeHTMLSymbol(std::string_view text) {
    std::string s(text);
    struct Name {
        const char* name;
        const char* with;
    };
    const Name names[] = {{"&amp;", "&"}, {"&quot;", "\""}, {"&gt;", ">"}, {"&lt;", "<"}, {"&nbsp;", " "}};
    for (bool again = true; again;) {
        again = false;
        for (const Name& n : names) {
            size_t at = TSjisText::Find(s, n.name);
            if (at == std::string::npos) continue;
            s.replace(at, std::string_view(n.name).size(), n.with);
            again = true;
            break;
        }
    }
    TExRegexp re;
    re.SetPattern("&#[^;]*;");
    size_t from = 0;
    for (;;) {
        int pos = re.Find(s, from);
        if (pos <= 0) break;
        size_t at = static_cast<size_t>(pos - 1);
        long long value = 0;
        if (!ReadNumber(re.Match.substr(2, re.Match.size() - 3), value)) {
            from = at + re.Match.size();
            continue;
        }
        char16_t unit = static_cast<char16_t>(static_cast<unsigned long long>(value) & 0xFFFF);
        std::string c = unit == 0 ? std::string() : TCodePage::FromUtf16(std::u16string(1, unit));
        s.replace(at, re.Match.size(), c);
        from = 0;
    }
    return s;
}

inline std::string RemoveDotSegments(std::string s) {
    for (;;) {
        size_t d = TSjisText::Find(s, "./");
        if (d == std::string::npos) break;
        size_t a = TSjisText::Find(s, "../");
        if (a != std::string::npos && !(d < a)) {
            std::string s1 = s.substr(0, a > 0 ? CharBefore(s, a) : 0);
            size_t slash = TSjisText::FindLastChar(s1, '/');
            std::string s2 = slash == std::string::npos ? std::string() : s1.substr(0, slash + 1);
            if (EndsWithChars(s2, "://")) s2 = s1 + "/";
            s = s2 + s.substr(a + 3);
        } else {
            s.erase(d, 2);
        }
    }
    return s;
}

inline std::string ExpandRelativePath(std::string_view address, std::string_view base, const TInetURLEx& page) {
    std::string s(address);
    size_t scheme = TSjisText::Find(s, "://");
    size_t query = TSjisText::Find(s, "?");
    bool absolute = scheme != std::string::npos && (query == std::string::npos || query >= scheme);
    if (!absolute) {
        if (!s.empty() && s[0] == '/')
            s = (base.empty() ? page.GetHostPath() : TInetURLEx(base).GetHostPath()) + s;
        else
            s = (base.empty() ? page.GetFullDir() : std::string(base)) + s;
    }
    return RemoveDotSegments(s);
}

// The link text after each piece, as the extractor once made it.
inline void AppendAnchor(TQorFile& record, std::string_view piece) {
    record.SetAnchorString(record.AnchorString + std::string(piece));
}

} // namespace literal
