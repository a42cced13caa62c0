#include "platform/HalfWidth.h"

#include "platform/CodePage.h"
#include "platform/SjisText.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

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

    // Some of these characters have a second code in CP932 (the NEC-selected
    // rows repeat the full-width quote and apostrophe). Decoding every pair,
    // one lead byte's row per call, finds those too.
    for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
        if (!TSjisText::IsLeadByte(static_cast<unsigned char>(lead))) continue;
        std::string row;
        std::vector<unsigned> codes;
        for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F) continue;
            row.push_back(static_cast<char>(lead));
            row.push_back(static_cast<char>(trail));
            codes.push_back((lead << 8) | trail);
        }
        std::u16string wide = TCodePage::ToUtf16(row);
        if (wide.size() != codes.size()) continue; // not one unit per pair: leave the row alone
        for (size_t i = 0; i < codes.size(); ++i) {
            char16_t w = wide[i];
            if (w >= 0xFF01 && w <= 0xFF5E)
                (*table)[codes[i]] = static_cast<unsigned char>(w - 0xFF01 + 0x21);
            else if (w == 0x3000)
                (*table)[codes[i]] = ' ';
        }
    }
    return table;
}

const TPairTable& Table() {
    static const std::unique_ptr<TPairTable> table = BuildTable();
    return *table;
}

// What a byte starts: kSingle a character of one byte, kLead one of two
// bytes whose row holds no folding character (the kanji rows, most of a
// Japanese page, are passed over without a look into the big table), kFold
// one of two bytes that may fold.
enum : unsigned char { kSingle, kLead, kFold };
const std::array<unsigned char, 256>& Kinds() {
    static const std::array<unsigned char, 256> kinds = [] {
        const TPairTable& table = Table();
        std::array<unsigned char, 256> k{};
        for (unsigned c = 0; c < 256; ++c)
            k[c] = TSjisText::IsLeadByte(static_cast<unsigned char>(c)) ? kLead : kSingle;
        for (size_t code = 0; code < table.size(); ++code)
            if (table[code]) k[code >> 8] = kFold;
        return k;
    }();
    return kinds;
}

// The first byte at or after `i` that is no ASCII byte, or `n`: eight
// bytes at a time, the high bit of the first such byte found by its place
// in the word.
inline size_t SkipAscii(const char* in, size_t i, size_t n) {
    static_assert(std::endian::native == std::endian::little, "the byte order of the word");
    while (i + 8 <= n) {
        uint64_t word;
        std::memcpy(&word, in + i, 8);
        const uint64_t high = word & 0x8080808080808080ull;
        if (high) return i + static_cast<size_t>(std::countr_zero(high) >> 3);
        i += 8;
    }
    while (i < n && static_cast<unsigned char>(in[i]) < 0x80) ++i;
    return i;
}

} // namespace

namespace {

template <typename OnFold>
std::string FoldText(std::string_view cp932, OnFold&& onFold) {
    if (cp932.empty()) return {};
    const TPairTable& table = Table();
    const std::array<unsigned char, 256>& kinds = Kinds();
    const size_t n = cp932.size();
    std::string out(n, '\0'); // never longer than the input
    const char* in = cp932.data();
    char* to = out.data();
    // The bytes from `kept` to `i` stay as they are; they are copied in one
    // go when a folding character (or the end) comes.
    size_t kept = 0;
    size_t i = 0;
    while (i < n) {
        const unsigned char c = static_cast<unsigned char>(in[i]);
        if (c < 0x80) {
            i = SkipAscii(in, i, n);
            continue;
        }
        const unsigned char kind = kinds[c];
        if (kind == kSingle || i + 1 >= n) { // a lead byte at the very end stays as it is
            ++i;
            continue;
        }
        if (kind == kFold) {
            if (const unsigned char ascii = table[(c << 8) | static_cast<unsigned char>(in[i + 1])]) {
                std::memcpy(to, in + kept, i - kept);
                to += i - kept;
                *to++ = static_cast<char>(ascii);
                kept = i + 2;
                onFold(i);
            }
        }
        i += 2;
    }
    std::memcpy(to, in + kept, n - kept);
    to += n - kept;
    out.resize(static_cast<size_t>(to - out.data()));
    return out;
}

} // namespace

std::string THalfWidth::Convert(std::string_view cp932) {
    return FoldText(cp932, [](size_t) {});
}

std::string THalfWidth::Convert(std::string_view cp932, std::vector<uint32_t>& folded) {
    return FoldText(cp932, [&folded](size_t at) { folded.push_back(static_cast<uint32_t>(at)); });
}

std::string THalfWidth::ConvertAt(std::string_view cp932, const std::vector<uint32_t>& folded) {
    if (cp932.empty()) return {};
    const TPairTable& table = Table();
    std::string out(cp932.size() - folded.size(), '\0'); // each fold makes two bytes one
    char* to = out.data();
    size_t kept = 0;
    for (const uint32_t at : folded) {
        std::memcpy(to, cp932.data() + kept, at - kept);
        to += at - kept;
        *to++ = static_cast<char>(
            table[(static_cast<unsigned char>(cp932[at]) << 8) | static_cast<unsigned char>(cp932[at + 1])]);
        kept = at + 2;
    }
    std::memcpy(to, cp932.data() + kept, cp932.size() - kept);
    return out;
}

bool THalfWidth::Changes(std::string_view cp932) {
    const TPairTable& table = Table();
    const std::array<unsigned char, 256>& kinds = Kinds();
    const size_t n = cp932.size();
    const char* in = cp932.data();
    size_t i = 0;
    while (i < n) {
        const unsigned char c = static_cast<unsigned char>(in[i]);
        if (c < 0x80) {
            i = SkipAscii(in, i, n);
            continue;
        }
        const unsigned char kind = kinds[c];
        if (kind == kSingle || i + 1 >= n) {
            ++i;
            continue;
        }
        if (kind == kFold && table[(c << 8) | static_cast<unsigned char>(in[i + 1])]) return true;
        i += 2;
    }
    return false;
}
