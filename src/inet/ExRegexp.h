#pragma once
// The program's small regular-expression dialect over CP932 text:
// characters (a double-byte character is one), ".", sets and negated sets of
// single-byte characters, the greedy "*", "+", "?" on one item, "^" first and
// "$" last, and backslash escapes ("\s" is one space). No alternation, no
// grouping, no counted repetition.
//
// Pattern details:
//  - "." is any one character but a line feed.
//  - "[...]" holds single-byte characters and ranges ("a-z"); a "-" first or
//    last stands for itself; escapes work inside; a double-byte character is
//    never a member (written into a set, it is skipped). "[^...]" is any
//    character not in the set, and every double-byte character. Carriage
//    returns, line feeds and tabs written into a set are members.
//  - "\s" and "\S" are one space; "\t" "\n" "\r" "\b" "\e" "\f" the usual
//    controls; "\x" with up to three hexadecimal digits or "\" with up to
//    three octal digits a byte (codes above 0xFF keep their low byte);
//    "\^" with a letter the control character; any other escaped character
//    stands for itself ("\x" without a digit is "x", "\^" without a letter
//    is "^").
//  - "^" anchors only as the first character and "$" only as the last;
//    elsewhere they are plain characters. "$" matches at the end of the text
//    or before a line feed (the line feed is not part of the match).
//  - A line feed written into the pattern outside a set ends the pattern.
//  - Malformed patterns never fail, they are read this way: a "\" at the end
//    (or before the line feed that ends the pattern) and a "[" at the end
//    stand for themselves; a set without "]" runs to the end of the pattern;
//    "]" always closes a set, so "[]" never matches and "[^]" matches any one
//    character (write "\]" for a member); a reversed range ("z-a") adds
//    nothing; "*", "+" or "?" with no single item before it (first, after
//    "^", after another repetition) stands for itself.
//  - A zero byte is an ordinary character in pattern and text ("\0" is it).
//  - A lead byte at the very end of the text is a single-byte character of
//    its own.
//
// Find is linear in the text scanned for the patterns the program uses:
// failed attempts are remembered per pattern item, so the tag pattern
// "<[^>]*>" does not rescan a long unclosed tag from every "<". The
// backtracking keeps its state in arrays of one entry per pattern item (no
// recursion). One object is used by one thread at a time.
#include <memory>
#include <string>
#include <string_view>

class TExRegexp {
public:
    TExRegexp();
    ~TExRegexp();
    TExRegexp(const TExRegexp&) = delete;
    TExRegexp& operator=(const TExRegexp&) = delete;

    void SetPattern(std::string_view pattern);
    // Leftmost match starting at byte offset `start` (0-based) or later.
    // `start` is taken as a character boundary without looking at the bytes
    // before it: callers pass 0 or the offset just after an earlier match,
    // which is how a page is scanned item by item in linear time. Returns the
    // 1-based position of the match and sets Match to the matched bytes; 0
    // when there is none or `start` lies past the end (Match unchanged); -1
    // when no pattern is set. A pattern that can match nothing may match at
    // the very end of the text (position size()+1, Match empty).
    int Find(std::string_view text, size_t start = 0);

    std::string Pattern;
    std::string Match;

private:
    struct Compiled;
    std::unique_ptr<Compiled> compiled_;
};
