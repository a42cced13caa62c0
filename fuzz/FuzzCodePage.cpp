// The code page layer on arbitrary bytes, read as CP932, as UTF-8 and as
// UTF-16. Checks that Unicode output is well formed, that the UTF-8 and
// UTF-16 routes agree, and that a CP932 -> Unicode -> CP932 round trip is
// stable: text that decoded without replacement decodes to the same
// Unicode again, and a second round trip changes nothing. A character
// without a CP932 form is kept as an escape, never lost to "?", and an
// address with escapes percent-encodes them all at once.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/CodePage.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

bool ValidUtf8(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        unsigned char c = s[i];
        size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > s.size()) return false;
        unsigned cp = n == 1 ? c : c & (0x7F >> n);
        for (size_t k = 1; k < n; ++k) {
            unsigned char t = s[i + k];
            if ((t & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (t & 0x3F);
        }
        if ((n == 2 && cp < 0x80) || (n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += n;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // As CP932.
    std::string utf8 = TCodePage::ToUtf8(bytes);
    Check(ValidUtf8(utf8));
    std::u16string utf16 = TCodePage::ToUtf16(bytes);
    std::string back = TCodePage::FromUtf8(utf8);
    Check(TCodePage::FromUtf16(utf16) == back);
    if (utf8.find("\xEF\xBF\xBD") == std::string::npos) Check(TCodePage::ToUtf8(back) == utf8);
    Check(TCodePage::FromUtf8(TCodePage::ToUtf8(back)) == back);

    // As UTF-8 and as UTF-16 (little-endian pairs): no crash, and the
    // result reads back as well-formed UTF-8.
    std::string fromUtf8 = TCodePage::FromUtf8(bytes);
    Check(ValidUtf8(TCodePage::ToUtf8(fromUtf8)));
    if (ValidUtf8(bytes)) {
        size_t asked = 0, got = 0;
        for (char c : bytes) asked += c == '?';
        for (char c : fromUtf8) got += c == '?';
        Check(asked == got);
    }
    std::string percent = TCodePage::EscapesToPercent(fromUtf8);
    Check(TCodePage::EscapesToPercent(percent) == percent);
    std::u16string units(size / 2, u'\0');
    for (size_t i = 0; i < units.size(); ++i) units[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    Check(ValidUtf8(TCodePage::ToUtf8(TCodePage::FromUtf16(units))));
    return 0;
}
