#include "inet/InetURLEncoder.h"

#include "platform/SjisText.h"

namespace {

constexpr size_t npos = std::string_view::npos;

bool IsPlain(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '*' || c == '-' ||
           c == '.' || c == '@' || c == '_';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Position of the first "%" + two hex digits at or after `from` (a character
// boundary), looking only at character starts: a lead byte takes the byte
// after it along, so "\x82%41" holds no escape.
size_t FindEscape(std::string_view text, size_t from) {
    for (size_t i = from; i < text.size(); i += TSjisText::CharLength(text, i)) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0)
            return i;
    }
    return npos;
}

} // namespace

std::string TInetURLEncoder::Encode(std::string_view text, std::string_view keep) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        if (ch == '\0') break;
        auto c = static_cast<unsigned char>(ch);
        if (keep.find(ch) != npos || IsPlain(c)) {
            out.push_back(ch);
        } else if (c == ' ') {
            out += "%20";
        } else {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 0x0F]);
        }
    }
    return out;
}

std::string TInetURLEncoder::Decode(std::string_view text) {
    // Escapes are decoded one after the other; a "+" between them is passed
    // over with the text before the next escape. Once no escape is left, every
    // "+" of the remaining text becomes a space. Searching for the next escape
    // only once per escape (rather than again after every "+") keeps this
    // linear on long texts.
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    for (size_t esc; (esc = FindEscape(text, pos)) != npos; pos = esc + 3) {
        out.append(text.substr(pos, esc - pos));
        out.push_back(static_cast<char>(HexValue(text[esc + 1]) * 16 + HexValue(text[esc + 2])));
    }
    out += TSjisText::ReplaceChar(text.substr(pos), '+', ' ');
    return out;
}

std::string TInetURLEncoder::DecodePrintable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    for (size_t esc; (esc = FindEscape(text, pos)) != npos; pos = esc + 3) {
        out.append(text.substr(pos, esc - pos));
        const int value = HexValue(text[esc + 1]) * 16 + HexValue(text[esc + 2]);
        if (value > 0x20 && value < 0x7F)
            out.push_back(static_cast<char>(value));
        else
            out.append(text.substr(esc, 3));
    }
    out.append(text.substr(pos));
    return out;
}
