#pragma once
// Walks the lines of a text without copying it: a line ends at CR LF, LF or
// a lone CR, and a last line without an end counts too (an empty text has
// no lines). The line handed to `fn` is a view into `text`.
#include <string_view>

class TTextLines {
public:
    template <typename Fn>
    static void ForEach(std::string_view text, Fn fn) {
        size_t pos = 0;
        while (pos < text.size()) {
            size_t end = pos;
            while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
            if (end == text.size()) {
                fn(text.substr(pos));
                return;
            }
            fn(text.substr(pos, end - pos));
            pos = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
        }
    }
};
