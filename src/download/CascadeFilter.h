#pragma once
// What a cascade crawl collects: the extension list, the page query and the
// file query, as typed in the download window's cascade tab.
//
//  - Extensions: "jpg:gif" -> jpg, gif (lower case; an empty last piece is
//    dropped). An empty list lets every file through.
//  - Page query: words split at spaces, in lower case, each with its
//    operator: "+" (or none) at least one of these words, "*" every one of
//    them, "-" none of them may occur in the page's text.
//  - File query: words split at spaces, each a whole-name pattern over the
//    lower-case file name: "*" any run of characters, "?" any one, "\" one
//    digit, "<" a run of digits, ">" a run of non-digits; ". [ ] ^ $" stand
//    for themselves. A name passes when one word matches.
//
// The page test compares in UTF-16, so a double-byte character is never
// matched by half of another. Letter case is ignored there for every letter
// Shift-JIS holds in two cases: ASCII, full-width Latin, Greek and Cyrillic.
#include "inet/ExRegexp.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TCascadeFilter {
public:
    void SetExt(std::string_view text);
    void SetPageQuery(std::string_view text);
    void SetFileQuery(std::string_view text);

    // True when the page's text (Shift-JIS) passes the page query.
    bool PageTest(std::string_view source) const;
    // True when the file name passes the file query and the extension list
    // (an empty name stands for "index.html").
    bool FileTest(std::string_view fileName);

    // The pattern made of one file query word (already in lower case).
    static std::string FilePattern(std::string_view word);
    // The words of a query: split at spaces, each remainder trimmed again.
    static std::vector<std::string> SplitWords(std::string_view text);
    // Lower case in UTF-16 for the letters named above.
    static void WideLowerCase(std::u16string& text);

    std::string ExtText;
    std::string PageQuery;
    std::string FileQuery;
    std::vector<std::string> ExtList;
    std::vector<std::u16string> PageWords; // each begins with its operator
    std::vector<std::unique_ptr<TExRegexp>> FilePatterns;
};
