#include "inet/InetBASE64.h"

std::string TInetBASE64::Encode(std::string_view text) {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    // Credentials end at a zero byte, as they did in the C strings they came from.
    size_t n = text.find('\0');
    if (n == std::string_view::npos) n = text.size();

    std::string out;
    out.reserve((n + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= n; i += 3) {
        unsigned v = (static_cast<unsigned char>(text[i]) << 16) |
                     (static_cast<unsigned char>(text[i + 1]) << 8) |
                     static_cast<unsigned char>(text[i + 2]);
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += kAlphabet[v & 63];
    }
    if (size_t rest = n - i; rest > 0) {
        unsigned v = static_cast<unsigned char>(text[i]) << 16;
        if (rest == 2) v |= static_cast<unsigned char>(text[i + 1]) << 8;
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += rest == 2 ? kAlphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}
