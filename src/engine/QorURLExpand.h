#pragma once
// Expands numeric ranges in square brackets into one address per number:
// img[01-03].jpg gives img01.jpg, img02.jpg, img03.jpg. The page item
// extractor runs it on addresses found in plain text and the download
// window on addresses the user adds. One object is used by one thread at a
// time; it keeps no state between calls but Lines, Expanded and Limits.
//
// Expand(text) works line by line (lines end at CR LF, LF or a lone CR; a
// last line without an end counts, an empty text has no lines):
//  - The line is trimmed (bytes up to 0x20 at both ends) and, when it still
//    holds a space or a tab, cut before the last of them
//    ("http://h/a.jpg 12KB" gives "http://h/a.jpg").
//  - The first range is the first match of "\[[a-zA-Z0-9]+-[a-zA-Z0-9]+[\\]*\]"
//    that is not escaped: a match is escaped when the character before it
//    is a backslash or the one before its "]" is (a[1-3\] and a\[1-3]).
//    The second byte of a double-byte character is never a backslash.
//  - No range: every backslash character is removed and the line goes to
//    Lines.
//  - A range: its text splits at the first "-" into a low and a high text.
//    Both must be decimal numbers (digits only) that fit in a signed 64-bit
//    integer; otherwise (letters as in a[a-c], or a number too large) the
//    line yields nothing. The two are swapped when high < low; the numbers
//    are written zero-filled to the length of the (swapped) low text when
//    that begins with "0", plainly otherwise. Each prefix + number + suffix,
//    in ascending order, is then handled like an input line of its own,
//    trimming, cutting and further ranges included, before the next number
//    is. Expanded is set.
// So Lines keeps the order of the input lines, each line replaced by its
// expansion in ascending order, the first range of a line varying slowest.
// An empty input line gives an empty entry.
//
// Bounds (TQorURLExpandLimits). A range is only two numbers, so a few
// bytes could ask for billions of addresses. One input line may yield at
// most AddressesPerLine addresses, and building them may cost at most
// TextPerLine, counting every line made on the way (the lines that go on
// to further ranges and those whose range is unreadable too) as its length
// plus kLineCost. All lines of one Expand together may cost at most
// TextPerCall; a line that hits a bound still spends what it built.
// A line that would pass any bound yields nothing at all, and Expanded
// stays as it was before that line: it is then treated like a line with an
// unreadable range, so the extractor lists the address as written, and no
// caller gets a silently cut list that looks complete. A range that is
// certainly too large (a[1-999999999999].jpg) is refused before any
// address is built; so whatever the text, Expand finishes in time and
// memory proportional to the input plus TextPerCall.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

struct TQorURLExpandLimits {
    size_t AddressesPerLine = 100000;
    // 100,000 addresses of up to about 300 bytes.
    size_t TextPerLine = size_t{32} << 20;
    size_t TextPerCall = size_t{128} << 20;
};

class TQorURLExpand {
public:
    // Charged per line made, about what an empty line costs in memory.
    static constexpr size_t kLineCost = 32;

    // Expanded = false, then Expand(text). The program always uses the
    // default limits; tests and the fuzzer pass smaller ones.
    explicit TQorURLExpand(std::string_view text = {}, const TQorURLExpandLimits& limits = {});

    // Replaces Lines with the expansion of the text; sets Expanded when at
    // least one range was expanded and never clears it.
    void Expand(std::string_view text);

    std::vector<std::string> Lines;
    bool Expanded = false;
    TQorURLExpandLimits Limits;

private:
    struct Range;
    // Expands one input line into Lines; `callBudget` is what the call has
    // left and is reduced by what the line spent.
    void ExpandLine(std::string_view line, size_t& callBudget);
    // Steps one line: appends it or returns its first range (in `range`).
    enum class TStep { Appended, Dropped, Range };
    TStep Step(std::string_view line, Range& range);
};
