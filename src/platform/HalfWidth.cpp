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
    std::string out;
    out.reserve(cp932.size());
    const size_t n = cp932.size();
    size_t i = 0;
    while (i < n) {
        // Copy runs of single-byte characters in one go.
        size_t run = i;
        while (run < n && !TSjisText::IsLeadByte(static_cast<unsigned char>(cp932[run]))) ++run;
        out.append(cp932.data() + i, run - i);
        i = run;
        if (i >= n) break;
        if (i + 1 >= n) { // a lead byte at the very end stays as it is
            out.push_back(cp932[i]);
            break;
        }
        unsigned code = (static_cast<unsigned char>(cp932[i]) << 8) | static_cast<unsigned char>(cp932[i + 1]);
        if (unsigned char ascii = table[code]) {
            out.push_back(static_cast<char>(ascii));
        } else {
            out.push_back(cp932[i]);
            out.push_back(cp932[i + 1]);
        }
        i += 2;
    }
    return out;
}
