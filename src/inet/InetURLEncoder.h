#pragma once
// Percent-encoding of path parts for the request line, and decoding of
// escaped names.
#include <string>
#include <string_view>

class TInetURLEncoder {
public:
    // Every byte up to the end or the first zero byte: bytes in `keep`, digits,
    // letters and "*-.@_" are copied, a space becomes "%20", anything else
    // "%XX" (upper-case hex, each byte of a double-byte character on its own).
    static std::string Encode(std::string_view text, std::string_view keep);
    // "%" + two hex digits become that byte; plus signs after the last escape
    // become spaces; a "%" without two hex digits is copied. Both signs count
    // only as characters of their own (a lead byte takes the next byte
    // along). Linear in the text length.
    static std::string Decode(std::string_view text);
    // Only the escapes of printable ASCII characters ("%40" gives "@");
    // plus signs and every other escape stay as written, so that the result
    // never holds a control byte or half a character. For mail addresses,
    // where "+" is a character of its own.
    static std::string DecodePrintable(std::string_view text);
};
