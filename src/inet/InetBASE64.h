#pragma once
// Base64 for the credentials of the "Authorization: Basic" line.
#include <string>
#include <string_view>

class TInetBASE64 {
public:
    // Standard Base64 (RFC 2045 alphabet, "=" padding to a multiple of four,
    // no line breaks) of the bytes up to the end or the first zero byte.
    // The result only ever holds A-Z, a-z, 0-9, "+", "/" and "=".
    static std::string Encode(std::string_view text);
};
