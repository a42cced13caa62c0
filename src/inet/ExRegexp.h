#pragma once
// The program's small regular-expression dialect over CP932 text:
// characters (a double-byte character is one), ".", sets and negated sets of
// single-byte characters, the greedy "*", "+", "?" on one item, "^" first and
// "$" last, and backslash escapes ("\s" is one space). No alternation, no
// grouping, no counted repetition.
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
    // Leftmost match starting at byte offset `start` (0-based, taken as a
    // character boundary) or later. Returns its 1-based position and sets
    // Match; 0 when there is none (Match unchanged); -1 when no pattern is set.
    int Find(std::string_view text, size_t start = 0);

    std::string Pattern;
    std::string Match;

private:
    struct Compiled;
    std::unique_ptr<Compiled> compiled_;
};
