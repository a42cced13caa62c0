#include "platform/SjisText.h"

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
    return MapSingleBytes(text, [](char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; });
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

size_t TSjisText::Find(std::string_view text, std::string_view needle, size_t from) {
    if (needle.empty()) return from <= text.size() ? from : std::string_view::npos;
    // Candidates come from the fast byte search; each is accepted only when it
    // lies on a character boundary, found by walking forward from the last
    // known boundary (so the whole search stays linear).
    size_t boundary = from;
    size_t pos = from;
    while ((pos = text.find(needle, pos)) != std::string_view::npos) {
        while (boundary < pos) boundary += CharLength(text, boundary);
        if (boundary == pos) return pos;
        pos = boundary;
    }
    return std::string_view::npos;
}

size_t TSjisText::FindChar(std::string_view text, char c, size_t from) {
    return Find(text, std::string_view(&c, 1), from);
}

size_t TSjisText::FindLastChar(std::string_view text, char c) {
    size_t last = std::string_view::npos;
    for (size_t i = 0; i < text.size(); i += CharLength(text, i))
        if (text[i] == c && CharLength(text, i) == 1) last = i;
    return last;
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
