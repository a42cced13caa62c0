#include "platform/SjisText.h"

#include <cstdint>
#include <cstring>

namespace {

template <typename Fn>
std::string MapSingleBytes(std::string_view text, Fn fn) {
    std::string out(text);
    for (size_t i = 0; i < out.size();) {
        size_t n = TSjisText::CharLength(out, i);
        if (n == 1) out[i] = fn(out[i]);
        i += n;
    }
    return out;
}

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 0x20; }

} // namespace

std::string TSjisText::LowerCase(std::string_view text) {
    std::string out(text);
    LowerCaseInPlace(out);
    return out;
}

void TSjisText::LowerCaseInPlace(std::string& text) {
    const size_t n = text.size();
    char* p = text.data();
    for (size_t i = 0; i < n;) {
        // Eight ASCII bytes at a time: each is a character of its own.
        if (i + 8 <= n) {
            uint64_t w;
            std::memcpy(&w, p + i, 8);
            if ((w & 0x8080808080808080ull) == 0) {
                // 0x80 in each byte that holds A-Z.
                const uint64_t upper = ((w + 0x3F3F3F3F3F3F3F3Full) & ~(w + 0x2525252525252525ull)) & 0x8080808080808080ull;
                w |= upper >> 2;
                std::memcpy(p + i, &w, 8);
                i += 8;
                continue;
            }
        }
        const char c = p[i];
        if (c >= 'A' && c <= 'Z') {
            p[i] = static_cast<char>(c + 32);
            ++i;
        } else if (IsLeadByte(static_cast<unsigned char>(c)) && i + 1 < n) {
            i += 2;
        } else {
            ++i;
        }
    }
}

std::string TSjisText::UpperCase(std::string_view text) {
    return MapSingleBytes(text, [](char c) { return (c >= 'a' && c <= 'z') ? char(c - 32) : c; });
}

std::string TSjisText::Trim(std::string_view text) {
    size_t b = 0, e = text.size();
    while (b < e && IsBlank(text[b])) ++b;
    while (e > b && IsBlank(text[e - 1])) --e;
    return std::string(text.substr(b, e - b));
}

std::string TSjisText::TrimLeft(std::string_view text) {
    size_t b = 0;
    while (b < text.size() && IsBlank(text[b])) ++b;
    return std::string(text.substr(b));
}

std::string TSjisText::TrimRight(std::string_view text) {
    size_t e = text.size();
    while (e > 0 && IsBlank(text[e - 1])) --e;
    return std::string(text.substr(0, e));
}

namespace {

// Whether `pos` starts a character, given that `known` (<= pos) does: the
// byte before a run of lead-range bytes ends a character, and from there
// the bytes of the run pair up. Looking back only to `known`, and moving
// `known` forward with each test, keeps a search linear.
bool IsBoundary(std::string_view text, size_t known, size_t pos) {
    size_t k = pos;
    while (k > known && TSjisText::IsLeadByte(static_cast<unsigned char>(text[k - 1]))) --k;
    return (pos - k) % 2 == 0;
}

} // namespace

bool TSjisText::IsAscii(std::string_view text) {
    const char* p = text.data();
    size_t n = text.size();
    uint64_t high = 0;
    for (; n >= 8; p += 8, n -= 8) {
        uint64_t word;
        std::memcpy(&word, p, sizeof word);
        high |= word;
    }
    for (; n > 0; ++p, --n) high |= static_cast<unsigned char>(*p);
    return (high & 0x8080808080808080ull) == 0;
}

size_t TSjisText::Find(std::string_view text, std::string_view needle, size_t from) {
    if (needle.empty()) return from <= text.size() ? from : std::string_view::npos;
    // Candidates come from the fast byte search; each is accepted only when it
    // lies on a character boundary. A candidate that does not is the second
    // byte of a character, so the next byte starts one.
    size_t known = from;
    size_t pos = from;
    while ((pos = text.find(needle, pos)) != std::string_view::npos) {
        if (IsBoundary(text, known, pos)) return pos;
        known = pos = pos + 1;
    }
    return std::string_view::npos;
}

size_t TSjisText::FindChar(std::string_view text, char c, size_t from) {
    size_t known = from;
    size_t pos = from;
    while ((pos = text.find(c, pos)) != std::string_view::npos) {
        if (IsBoundary(text, known, pos)) return pos;
        known = pos = pos + 1;
    }
    return std::string_view::npos;
}

size_t TSjisText::FindLastChar(std::string_view text, char c) {
    // From the back: a hit counts when it starts a character that is a
    // single byte. Looking back from a hit stops at the first byte that is
    // no lead byte, so every byte is looked at a bounded number of times.
    size_t end = text.size();
    while (end > 0) {
        const size_t pos = text.rfind(c, end - 1);
        if (pos == std::string_view::npos) return pos;
        if (IsBoundary(text, 0, pos) && CharLength(text, pos) == 1) return pos;
        end = pos;
    }
    return std::string_view::npos;
}

std::string TSjisText::ReplaceChar(std::string_view text, char from, char to) {
    return MapSingleBytes(text, [from, to](char c) { return c == from ? to : c; });
}

std::string TSjisText::ReplaceAll(std::string_view text, std::string_view what, std::string_view with) {
    if (what.empty()) return std::string(text);
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    for (;;) {
        size_t hit = Find(text, what, pos);
        if (hit == std::string_view::npos) break;
        out.append(text.substr(pos, hit - pos));
        out.append(with);
        pos = hit + what.size();
    }
    out.append(text.substr(pos));
    return out;
}

std::string TSjisText::RemoveChars(std::string_view text, std::string_view chars) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        size_t n = CharLength(text, i);
        if (!(n == 1 && chars.find(text[i]) != std::string_view::npos)) out.append(text.substr(i, n));
        i += n;
    }
    return out;
}
