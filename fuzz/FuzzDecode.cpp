// Decodes and encodes arbitrary bytes. Decode is compared with the plain
// left-to-right reading (search the next escape, else the next "+", again
// and again), which is quadratic but obviously right.
#include "inet/InetURLEncoder.h"
#include "platform/SjisText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

constexpr size_t npos = std::string_view::npos;

void Check(bool ok) {
    if (!ok) std::abort();
}

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

int Hex(char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; }

// Searches `rest` as a text of its own, character by character.
size_t NextEscape(std::string_view rest) {
    for (size_t i = 0; i < rest.size(); i += TSjisText::CharLength(rest, i))
        if (rest[i] == '%' && i + 2 < rest.size() && IsHex(rest[i + 1]) && IsHex(rest[i + 2])) return i;
    return npos;
}

size_t NextPlus(std::string_view rest) {
    for (size_t i = 0; i < rest.size(); i += TSjisText::CharLength(rest, i))
        if (rest[i] == '+') return i;
    return npos;
}

std::string PlainDecode(std::string_view rest) {
    std::string out;
    for (;;) {
        size_t e = NextEscape(rest);
        if (e != npos) {
            out.append(rest.substr(0, e));
            out.push_back(static_cast<char>(Hex(rest[e + 1]) * 16 + Hex(rest[e + 2])));
            rest.remove_prefix(e + 3);
            continue;
        }
        size_t p = NextPlus(rest);
        if (p == npos) break;
        out.append(rest.substr(0, p));
        out.push_back(' ');
        rest.remove_prefix(p + 1);
    }
    out.append(rest);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    Check(TInetURLEncoder::Decode(input) == PlainDecode(input));

    // The first byte tells how many of the next bytes are kept by Encode.
    size_t keepLen = size > 0 ? data[0] % 8 : 0;
    std::string_view rest = input.substr(size > 0 ? 1 : 0);
    std::string_view keep = rest.substr(0, keepLen);
    std::string_view text = rest.substr(keep.size());
    std::string_view beforeZero = text.substr(0, text.find('\0'));

    std::string encoded = TInetURLEncoder::Encode(text, keep);
    for (size_t i = 0; i < encoded.size(); ++i) {
        char c = encoded[i];
        if (c == '%' && keep.find('%') == npos) {
            Check(i + 2 < encoded.size() && IsHex(encoded[i + 1]) && IsHex(encoded[i + 2]));
            Check(encoded[i + 1] < 'a' && encoded[i + 2] < 'a'); // upper-case digits
        }
    }
    Check(TInetURLEncoder::Decode(TInetURLEncoder::Encode(text, "")) == beforeZero);
    // Kept bytes come back too, unless they are signs Decode reads or lead
    // bytes that would take the "%" of the next escape along.
    bool plainKeep = keep.find('%') == npos && keep.find('+') == npos;
    for (char c : keep) plainKeep = plainKeep && !TSjisText::IsLeadByte(static_cast<unsigned char>(c));
    if (plainKeep) Check(TInetURLEncoder::Decode(encoded) == beforeZero);
    return 0;
}
