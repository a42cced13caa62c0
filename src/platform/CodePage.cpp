#include "platform/CodePage.h"

#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>
#include <iconv.h>

namespace {

// iconv descriptors carry shift state, so each thread keeps its own.
class IconvHandle {
public:
    IconvHandle(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~IconvHandle() {
        if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;
    iconv_t get() const { return cd_; }
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

private:
    iconv_t cd_;
};

// Length of the invalid or unconvertible unit at the front of `in`, so that
// it is replaced as one character.
using UnitLength = size_t (*)(const unsigned char* p, size_t left);

bool IsLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

size_t Cp932Unit(const unsigned char* p, size_t left) { return (IsLead(p[0]) && left >= 2) ? 2 : 1; }

size_t Utf8Unit(const unsigned char* p, size_t left) {
    unsigned char c = p[0];
    size_t n = c < 0xC0 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    if (n > left) n = left;
    // Stop at the first byte that is not a continuation byte.
    for (size_t i = 1; i < n; ++i)
        if ((p[i] & 0xC0) != 0x80) return i;
    return n;
}

// Converts with iconv, replacing what cannot be converted one source
// character at a time by replace(unit, length) (already in the target
// encoding).
template <class Replace>
std::string Convert(IconvHandle& h, const char* data, size_t size, UnitLength unit, Replace replace) {
    std::string out;
    if (size == 0) return out;
    if (!h.ok()) {
        out.assign(data, size);
        return out;
    }
    iconv(h.get(), nullptr, nullptr, nullptr, nullptr);
    out.resize(size * 2 + 16);
    char* in = const_cast<char*>(data);
    size_t inLeft = size;
    size_t used = 0;
    while (inLeft > 0) {
        char* dst = out.data() + used;
        size_t dstLeft = out.size() - used;
        size_t r = iconv(h.get(), &in, &inLeft, &dst, &dstLeft);
        used = out.size() - dstLeft;
        if (r != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
            continue;
        }
        // EILSEQ or EINVAL: replace one source unit and go on.
        size_t skip = unit(reinterpret_cast<const unsigned char*>(in), inLeft);
        if (skip == 0) skip = 1;
        const std::string_view replacement = replace(reinterpret_cast<const unsigned char*>(in), skip);
        in += skip;
        inLeft -= skip;
        if (out.size() - used < replacement.size() + 16) out.resize(out.size() * 2 + replacement.size());
        out.replace(used, replacement.size(), replacement);
        used += replacement.size();
        iconv(h.get(), nullptr, nullptr, nullptr, nullptr);
    }
    // Flush any shift state.
    for (;;) {
        char* dst = out.data() + used;
        size_t dstLeft = out.size() - used;
        size_t r = iconv(h.get(), nullptr, nullptr, &dst, &dstLeft);
        used = out.size() - dstLeft;
        if (r != static_cast<size_t>(-1) || errno != E2BIG) break;
        out.resize(out.size() * 2);
    }
    out.resize(used);
    return out;
}

std::string Convert(IconvHandle& h, const char* data, size_t size, UnitLength unit, std::string_view replacement) {
    return Convert(h, data, size, unit, [replacement](const unsigned char*, size_t) { return replacement; });
}

// Unicode comes in as glibc's own code points (WCHAR_T, UCS-4): that is a
// single conversion step. From UTF-8 or UTF-16 glibc converts in two steps,
// and every character the second step cannot take makes it convert the
// first step's whole buffer again, several milliseconds per kilobyte of
// Korean or emoji text. Decoding UTF-8 and UTF-16 here avoids that.
IconvHandle& Handle(int which) {
    thread_local IconvHandle toUtf8("UTF-8", "CP932");
    thread_local IconvHandle toUtf16("UTF-16LE", "CP932");
    thread_local IconvHandle fromWide("CP932", "WCHAR_T");
    thread_local IconvHandle fromEuc("WCHAR_T", "EUC-JP");
    switch (which) {
    case 0: return toUtf8;
    case 2: return toUtf16;
    case 3: return fromEuc;
    default: return fromWide;
    }
}

size_t WideUnit(const unsigned char*, size_t left) { return left < sizeof(wchar_t) ? left : sizeof(wchar_t); }

static_assert(sizeof(wchar_t) == 4, "WCHAR_T is UCS-4 on the platforms we build for");

// The code point of the well-formed UTF-8 sequence at p, or -1 (overlong
// forms, surrogates and values above U+10FFFF are not well formed).
long DecodeUtf8At(const unsigned char* p, size_t left, size_t& len) {
    unsigned char c = p[0];
    long cp;
    long min;
    if (c < 0x80) {
        len = 1;
        return c;
    } else if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
        cp = c & 0x1F;
        min = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        cp = c & 0x0F;
        min = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        cp = c & 0x07;
        min = 0x10000;
    } else {
        return -1;
    }
    if (len > left) return -1;
    for (size_t i = 1; i < len; ++i) {
        if ((p[i] & 0xC0) != 0x80) return -1;
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return -1;
    return cp;
}

// A sequence that is not well formed becomes one "?" per unit as Utf8Unit
// measures it.
std::wstring DecodeUtf8(std::string_view s) {
    std::wstring out;
    out.reserve(s.size());
    const unsigned char* p = reinterpret_cast<const unsigned char*>(s.data());
    size_t left = s.size();
    while (left > 0) {
        size_t len = 0;
        long cp = DecodeUtf8At(p, left, len);
        if (cp < 0) {
            len = Utf8Unit(p, left);
            cp = '?';
        }
        out.push_back(static_cast<wchar_t>(cp));
        p += len;
        left -= len;
    }
    return out;
}

// A lone surrogate becomes "?".
std::wstring DecodeUtf16(std::u16string_view s) {
    std::wstring out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        char32_t u = s[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            u = 0x10000 + ((u - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            u = '?';
        }
        out.push_back(static_cast<wchar_t>(u));
    }
    return out;
}

// The escape of a code point: 0xFD, then 6 bits in each of four bytes.
void PutEscape(char* out, char32_t cp) {
    out[0] = static_cast<char>(TCodePage::kEscapeByte);
    for (int k = 0; k < 4; ++k) out[1 + k] = static_cast<char>(0xA0 + ((cp >> (6 * (3 - k))) & 0x3F));
}

std::string FromWide(const std::wstring& wide, TCodePage::TUnmappable unmappable) {
    if (!Handle(1).ok()) {
        // No converter on this system: keep ASCII, the rest cannot be told.
        std::string out;
        for (wchar_t w : wide) out.push_back(w < 0x80 ? static_cast<char>(w) : '?');
        return out;
    }
    char escape[TCodePage::kEscapeLength];
    auto replace = [&](const unsigned char* unit, size_t len) -> std::string_view {
        if (unmappable == TCodePage::umQuestion || len != sizeof(wchar_t)) return "?";
        wchar_t w;
        std::memcpy(&w, unit, sizeof w);
        const auto cp = static_cast<char32_t>(w);
        if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return "?";
        PutEscape(escape, cp);
        return std::string_view(escape, sizeof escape);
    };
    return Convert(Handle(1), reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t), WideUnit,
                   replace);
}

// Whether the code point converts to CP932: the escape stands only for
// those that do not, so each text has one spelling.
bool HasCp932Form(char32_t cp) {
    IconvHandle& h = Handle(1);
    if (!h.ok()) return cp < 0x80;
    wchar_t w = static_cast<wchar_t>(cp);
    char buf[8];
    char* in = reinterpret_cast<char*>(&w);
    size_t inLeft = sizeof w;
    char* out = buf;
    size_t outLeft = sizeof buf;
    iconv(h.get(), nullptr, nullptr, nullptr, nullptr);
    const size_t r = iconv(h.get(), &in, &inLeft, &out, &outLeft);
    iconv(h.get(), nullptr, nullptr, nullptr, nullptr);
    return r != static_cast<size_t>(-1);
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// UTF-16LE bytes, as the iconv route gives them.
void AppendUtf16Bytes(std::string& out, char32_t cp) {
    auto unit = [&out](char32_t u) {
        out.push_back(static_cast<char>(u & 0xFF));
        out.push_back(static_cast<char>((u >> 8) & 0xFF));
    };
    if (cp < 0x10000) {
        unit(cp);
    } else {
        unit(0xD800 + ((cp - 0x10000) >> 10));
        unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
    }
}

constexpr std::string_view kUtf8Replacement = "\xEF\xBF\xBD";

// CP932 to UTF-8 by table: what iconv (with Convert's replacement of a unit
// it cannot take) gives for every single byte, every lead byte at the very
// end, and every pair of a lead byte and any byte, learnt once, a row of
// pairs per iconv call. CP932 has no shift state, so a text converts as its
// characters do one by one; the lines of a page listing then cost a table
// look per character instead of an iconv call each.
class TUtf8Table {
    static_assert(std::endian::native == std::endian::little, "entries are written as words");

public:
    static const TUtf8Table& Get() {
        static const TUtf8Table table;
        return table;
    }
    bool Ok() const { return ok_; }
    // Appends the UTF-8 of p[0, size) to `out`.
    void Append(std::string& out, const unsigned char* p, size_t size) const {
        const size_t before = out.size();
        out.resize(before + 3 * size); // no character grows to more than three bytes per byte
        char* to = out.data() + before;
        size_t i = 0;
        while (i < size) {
            const unsigned char c = p[i];
            uint32_t entry;
            if (c < 0x80) {
                // ASCII as it stands, eight bytes at a time while they all are.
                uint64_t word;
                while (i + 8 <= size && (std::memcpy(&word, p + i, 8), (word & 0x8080808080808080ull) == 0)) {
                    std::memcpy(to, &word, 8);
                    to += 8;
                    i += 8;
                }
                if (i < size && p[i] < 0x80) {
                    *to++ = static_cast<char>(p[i]);
                    ++i;
                }
                continue;
            }
            if (!IsLead(c)) {
                entry = single_[c];
                ++i;
            } else if (i + 1 >= size) {
                entry = lone_[c];
                ++i;
            } else {
                entry = pairs_[(static_cast<size_t>(rows_[c]) << 8) | p[i + 1]];
                i += 2;
            }
            const uint32_t bytes = entry & 0xFFFFFF;
            std::memcpy(to, &bytes, 3); // the bytes are in order in a little-endian word
            to += entry >> 24;
        }
        out.resize(static_cast<size_t>(to - out.data()));
    }

private:
    // An entry: up to three bytes of UTF-8, the first in the lowest byte,
    // and in the top byte how many.
    static bool Pack(std::string_view utf8, uint32_t& entry) {
        if (utf8.empty() || utf8.size() > 3) return false;
        entry = static_cast<uint32_t>(utf8.size()) << 24;
        for (size_t k = 0; k < utf8.size(); ++k) entry |= static_cast<uint32_t>(static_cast<unsigned char>(utf8[k])) << (8 * k);
        return true;
    }
    // The length of the UTF-8 character at the front of `text` (lead byte
    // alone); 0 when `text` does not start with one.
    static size_t Utf8Length(std::string_view text) {
        const unsigned char c = static_cast<unsigned char>(text[0]);
        const size_t n = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 0;
        return n <= text.size() ? n : 0;
    }

    TUtf8Table() {
        // The rows of the lead bytes only, one after the other.
        uint8_t row = 0;
        for (unsigned c = 0; c < 256; ++c)
            if (IsLead(static_cast<unsigned char>(c))) rows_[c] = row++;
        pairs_.resize(static_cast<size_t>(row) << 8);
        IconvHandle& h = Handle(0);
        if (!h.ok()) return;
        auto convert = [&h](const char* data, size_t size) {
            return Convert(h, data, size, Cp932Unit, kUtf8Replacement);
        };
        for (unsigned c = 0; c < 256; ++c) {
            const char byte = static_cast<char>(c);
            if (!Pack(convert(&byte, 1), IsLead(static_cast<unsigned char>(c)) ? lone_[c] : single_[c])) return;
        }
        for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
            if (!IsLead(static_cast<unsigned char>(lead))) continue;
            std::string row;
            for (unsigned trail = 0; trail < 256; ++trail) {
                row.push_back(static_cast<char>(lead));
                row.push_back(static_cast<char>(trail));
            }
            // One character (or one replacement) per pair, else the table
            // cannot stand for iconv.
            const std::string utf8 = convert(row.data(), row.size());
            std::string_view rest = utf8;
            for (unsigned trail = 0; trail < 256; ++trail) {
                const size_t n = rest.empty() ? 0 : Utf8Length(rest);
                if (n == 0 || !Pack(rest.substr(0, n), pairs_[(static_cast<size_t>(rows_[lead]) << 8) | trail])) return;
                rest.remove_prefix(n);
            }
            if (!rest.empty()) return;
        }
        ok_ = true;
    }

    bool ok_ = false;
    uint32_t single_[256] = {};
    uint32_t lone_[256] = {};
    uint8_t rows_[256] = {}; // a lead byte's row in pairs_
    std::vector<uint32_t> pairs_;
};

// CP932 with escapes to UTF-8 (which = 0) or UTF-16LE bytes (which = 2):
// the stretches between escapes go through iconv (to UTF-8, through the
// table learnt from it), the escapes are written directly. Escapes count only on character boundaries.
std::string ConvertWithEscapes(std::string_view cp932, int which, std::string_view invalid) {
    const TUtf8Table* table = nullptr;
    if (which == 0 && invalid == kUtf8Replacement && TUtf8Table::Get().Ok()) table = &TUtf8Table::Get();
    auto convert = [&](const char* data, size_t size) {
        if (!table) return Convert(Handle(which), data, size, Cp932Unit, invalid);
        std::string part;
        table->Append(part, reinterpret_cast<const unsigned char*>(data), size);
        return part;
    };
    const char* esc = static_cast<const char*>(std::memchr(cp932.data(), TCodePage::kEscapeByte, cp932.size()));
    if (esc == nullptr) return convert(cp932.data(), cp932.size());
    std::string out;
    size_t from = 0;
    size_t i = 0;
    while (i < cp932.size()) {
        char32_t cp = 0;
        const size_t len = static_cast<unsigned char>(cp932[i]) == TCodePage::kEscapeByte
                               ? TCodePage::EscapeAt(cp932, i, cp)
                               : 0;
        if (len == 0) {
            i += (IsLead(static_cast<unsigned char>(cp932[i])) && i + 1 < cp932.size()) ? 2 : 1;
            continue;
        }
        out += convert(cp932.data() + from, i - from);
        if (which == 0)
            AppendUtf8(out, cp);
        else
            AppendUtf16Bytes(out, cp);
        i += len;
        from = i;
    }
    out += convert(cp932.data() + from, cp932.size() - from);
    return out;
}

bool IsAscii(std::string_view s) {
    for (unsigned char c : s)
        if (c >= 0x80) return false;
    return true;
}

} // namespace

std::string TCodePage::ToUtf8(std::string_view cp932) {
    // ASCII is the same in both, and most texts are ASCII: skip iconv then.
    // (CP932 maps 0x5C and 0x7E to themselves, as Windows does.)
    if (IsAscii(cp932)) return std::string(cp932);
    return ConvertWithEscapes(cp932, 0, kUtf8Replacement);
}

std::string TCodePage::FromUtf8(std::string_view utf8, TUnmappable unmappable) {
    if (IsAscii(utf8)) return std::string(utf8);
    return FromWide(DecodeUtf8(utf8), unmappable);
}

std::u16string TCodePage::ToUtf16(std::string_view cp932) {
    std::string bytes = ConvertWithEscapes(cp932, 2, "\xFD\xFF");
    std::u16string out(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                       (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    return out;
}

std::string TCodePage::FromUtf16(std::u16string_view utf16, TUnmappable unmappable) {
    return FromWide(DecodeUtf16(utf16), unmappable);
}

bool TCodePage::IsUtf8(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    for (size_t left = text.size(); left > 0;) {
        size_t len = 0;
        if (DecodeUtf8At(p, left, len) < 0) return false;
        p += len;
        left -= len;
    }
    return true;
}

std::string TCodePage::FromCodePoint(char32_t cp, TUnmappable unmappable) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return "?";
    if (cp < 0x80) return std::string(1, static_cast<char>(cp));
    return FromWide(std::wstring(1, static_cast<wchar_t>(cp)), unmappable);
}

char32_t TCodePage::FromJisX0212(unsigned char b1, unsigned char b2) {
    if (b1 < 0xA1 || b1 > 0xFE || b2 < 0xA1 || b2 > 0xFE) return 0;
    IconvHandle& h = Handle(3);
    if (!h.ok()) return 0;
    char src[3] = {'\x8F', static_cast<char>(b1), static_cast<char>(b2)};
    wchar_t w[2] = {0, 0};
    char* in = src;
    size_t inLeft = sizeof src;
    char* out = reinterpret_cast<char*>(w);
    size_t outLeft = sizeof w;
    iconv(h.get(), nullptr, nullptr, nullptr, nullptr);
    const size_t r = iconv(h.get(), &in, &inLeft, &out, &outLeft);
    iconv(h.get(), nullptr, nullptr, nullptr, nullptr);
    if (r == static_cast<size_t>(-1) || inLeft != 0 || outLeft != sizeof(wchar_t)) return 0;
    return static_cast<char32_t>(w[0]);
}

size_t TCodePage::EscapeAt(std::string_view text, size_t pos, char32_t& cp) {
    if (pos + kEscapeLength > text.size() || static_cast<unsigned char>(text[pos]) != kEscapeByte) return 0;
    char32_t value = 0;
    for (size_t k = 1; k < kEscapeLength; ++k) {
        const auto b = static_cast<unsigned char>(text[pos + k]);
        if (b < 0xA0 || b > 0xDF) return 0;
        value = (value << 6) | (b - 0xA0);
    }
    if (value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF) || HasCp932Form(value)) return 0;
    cp = value;
    return kEscapeLength;
}

std::string TCodePage::EscapesToPercent(std::string_view cp932) {
    if (std::memchr(cp932.data(), kEscapeByte, cp932.size()) == nullptr) return std::string(cp932);
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(cp932.size() + 8);
    for (size_t i = 0; i < cp932.size();) {
        char32_t cp = 0;
        const size_t len = EscapeAt(cp932, i, cp);
        if (len == 0) {
            const size_t n = (IsLead(static_cast<unsigned char>(cp932[i])) && i + 1 < cp932.size()) ? 2 : 1;
            out.append(cp932, i, n);
            i += n;
            continue;
        }
        std::string utf8;
        AppendUtf8(utf8, cp);
        for (unsigned char b : utf8) {
            out.push_back('%');
            out.push_back(kHex[b >> 4]);
            out.push_back(kHex[b & 0x0F]);
        }
        i += len;
    }
    return out;
}
