#pragma once
// Tree captions and history titles are kept to 250 bytes. The cut falls on
// a character boundary of the CP932 text, so a double-byte character at the
// limit goes whole instead of leaving its lead byte behind (which would eat
// the next character when the text is shown or joined); so does a character
// kept as an escape.
#include <cstddef>
#include <string>
#include <string_view>

class TQorCaption {
public:
    static constexpr size_t MaxBytes = 250;

    // The text itself when it fits; otherwise its longest prefix of whole
    // characters of at most MaxBytes bytes (249 when a double-byte character
    // would straddle the limit).
    static std::string Cut(std::string_view text);
};
