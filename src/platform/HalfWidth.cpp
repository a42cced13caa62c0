#include "platform/HalfWidth.h"

#include "platform/CodePage.h"
#include "platform/SjisText.h"

#include <array>
#include <memory>

namespace {

// Double-byte code (lead << 8 | trail) -> its ASCII form, 0 for "none".
using TPairTable = std::array<unsigned char, 0x10000>;

std::unique_ptr<TPairTable> BuildTable() {
    auto table = std::make_unique<TPairTable>();
    table->fill(0);
    auto add = [&](char16_t wide, unsigned char ascii) {
        std::string bytes = TCodePage::FromUtf16(std::u16string_view(&wide, 1));
        // Only characters that really have a double-byte CP932 form count;
        // an unmappable one comes back as a single "?".
        if (bytes.size() == 2 && TSjisText::IsLeadByte(static_cast<unsigned char>(bytes[0])))
            (*table)[(static_cast<unsigned char>(bytes[0]) << 8) | static_cast<unsigned char>(bytes[1])] = ascii;
    };
    for (char16_t wide = 0xFF01; wide <= 0xFF5E; ++wide)
        add(wide, static_cast<unsigned char>(wide - 0xFF01 + 0x21));
    add(0x3000, ' ');
    return table;
}

const TPairTable& Table() {
    static const std::unique_ptr<TPairTable> table = BuildTable();
    return *table;
}

} // namespace

std::string THalfWidth::Convert(std::string_view cp932) {
    const TPairTable& table = Table();
    const size_t n = cp932.size();
    std::string out(n, '\0'); // never longer than the input
    const char* in = cp932.data();
    char* to = out.data();
    size_t i = 0;
    while (i < n) {
        const unsigned char c = static_cast<unsigned char>(in[i]);
        if (!TSjisText::IsLeadByte(c) || i + 1 >= n) { // a lead byte at the very end stays as it is
            *to++ = static_cast<char>(c);
            ++i;
            continue;
        }
        const unsigned char ascii = table[(c << 8) | static_cast<unsigned char>(in[i + 1])];
        if (ascii) {
            *to++ = static_cast<char>(ascii);
        } else {
            *to++ = static_cast<char>(c);
            *to++ = in[i + 1];
        }
        i += 2;
    }
    out.resize(static_cast<size_t>(to - out.data()));
    return out;
}
