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

size_t Utf16Unit(const unsigned char* p, size_t left) {
    if (left < 2) return left;
    unsigned unit = p[0] | (p[1] << 8);
    if (unit >= 0xD800 && unit <= 0xDBFF && left >= 4) {
        unsigned next = p[2] | (p[3] << 8);
        if (next >= 0xDC00 && next <= 0xDFFF) return 4;
    }
    return 2;
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

IconvHandle& Handle(int which) {
    thread_local IconvHandle toUtf8("UTF-8", "CP932");
    thread_local IconvHandle fromUtf8("CP932", "UTF-8");
    thread_local IconvHandle toUtf16("UTF-16LE", "CP932");
    thread_local IconvHandle fromUtf16("CP932", "UTF-16LE");
    switch (which) {
    case 0: return toUtf8;
    case 1: return fromUtf8;
    case 2: return toUtf16;
    default: return fromUtf16;
    }
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
    return Convert(Handle(1), utf8.data(), utf8.size(), Utf8Unit, "?");
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
    std::string bytes(utf16.size() * 2, '\0');
    for (size_t i = 0; i < utf16.size(); ++i) {
        bytes[2 * i] = static_cast<char>(utf16[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<char>(utf16[i] >> 8);
    }
    return Convert(Handle(3), bytes.data(), bytes.size(), Utf16Unit, "?");
}
