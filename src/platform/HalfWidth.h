#pragma once
// The half-width folding used before addresses are searched in a page: the
// CP932 full-width forms of the ASCII signs, digits and letters (U+FF01 to
// U+FF5E) and the ideographic space (U+3000) become their ASCII bytes, so
// that an address typed in full-width characters is found. Every other
// character, double-byte or not, is copied unchanged; the walk is character
// aware (a second byte is never read as a character of its own) and linear.
// Thread-safe: the mapping table is built once, on first use.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class THalfWidth {
public:
    static std::string Convert(std::string_view cp932);
    // As Convert; the offsets of the characters it folded are appended to
    // `folded`, so that the same text can be folded again by ConvertAt.
    static std::string Convert(std::string_view cp932, std::vector<uint32_t>& folded);
    // What Convert gives for `cp932`, from the offsets an earlier Convert of
    // the same text recorded: the text is not read character by character
    // again. For texts shorter than 4 GiB.
    static std::string ConvertAt(std::string_view cp932, const std::vector<uint32_t>& folded);
    // Whether Convert would change the text. Most pages hold no full-width
    // address characters and are then searched as they stand, without a
    // folded copy.
    static bool Changes(std::string_view cp932);
};
