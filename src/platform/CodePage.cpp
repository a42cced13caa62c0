#include "platform/CodePage.h"

#include <cerrno>
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

size_t Cp932Unit(const unsigned char* p, size_t left) {
    unsigned char c = p[0];
    bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    return (lead && left >= 2) ? 2 : 1;
}

size_t Utf8Unit(const unsigned char* p, size_t left) {
    unsigned char c = p[0];
    size_t n = c < 0xC0 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    if (n > left) n = left;
    // Stop at the first byte that is not a continuation byte.
    for (size_t i = 1; i < n; ++i)
        if ((p[i] & 0xC0) != 0x80) return i;
    return n;
}

// Converts with iconv, replacing what cannot be converted by `replacement`
// (already in the target encoding) one source character at a time.
std::string Convert(IconvHandle& h, const char* data, size_t size, UnitLength unit,
                    std::string_view replacement) {
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

// Unicode comes in as glibc's own code points (WCHAR_T, UCS-4): that is a
// single conversion step. From UTF-8 or UTF-16 glibc converts in two steps,
// and every character the second step cannot take makes it convert the
// first step's whole buffer again, several milliseconds per kilobyte of
// Korean or emoji text. Decoding UTF-8 and UTF-16 here avoids that.
IconvHandle& Handle(int which) {
    thread_local IconvHandle toUtf8("UTF-8", "CP932");
    thread_local IconvHandle toUtf16("UTF-16LE", "CP932");
    thread_local IconvHandle fromWide("CP932", "WCHAR_T");
    switch (which) {
    case 0: return toUtf8;
    case 2: return toUtf16;
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

std::string FromWide(const std::wstring& wide) {
    if (!Handle(1).ok()) {
        // No converter on this system: keep ASCII, the rest cannot be told.
        std::string out;
        for (wchar_t w : wide) out.push_back(w < 0x80 ? static_cast<char>(w) : '?');
        return out;
    }
    return Convert(Handle(1), reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t), WideUnit, "?");
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
    return Convert(Handle(0), cp932.data(), cp932.size(), Cp932Unit, "\xEF\xBF\xBD");
}

std::string TCodePage::FromUtf8(std::string_view utf8) {
    if (IsAscii(utf8)) return std::string(utf8);
    return FromWide(DecodeUtf8(utf8));
}

std::u16string TCodePage::ToUtf16(std::string_view cp932) {
    std::string bytes = Convert(Handle(2), cp932.data(), cp932.size(), Cp932Unit, "\xFD\xFF");
    std::u16string out(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                       (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    return out;
}

std::string TCodePage::FromUtf16(std::u16string_view utf16) {
    return FromWide(DecodeUtf16(utf16));
}
