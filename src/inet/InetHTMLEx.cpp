#include "inet/InetHTMLEx.h"

#include "platform/HalfWidth.h"
#include "platform/SjisText.h"

#include <array>

// The scans below are hand-written forms of the program's patterns; each
// walks the text once from a moving offset instead of cutting the front off
// a copy, and steps over double-byte characters the way the pattern engine
// does, so that the second byte of a character is never taken for "<", a
// quote or an address character.

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 0x20; }

// The address characters "[a-zA-Z0-9!#-&\*-;=\?-~]" and the file-name
// characters "[a-zA-Z0-9!#-&(-;=\?-~]" (the same plus "(" and ")").
struct TCharSets {
    std::array<bool, 256> url{};
    std::array<bool, 256> file{};
    TCharSets() {
        auto range = [](std::array<bool, 256>& set, int from, int to) {
            for (int c = from; c <= to; ++c) set[c] = true;
        };
        for (auto* set : {&url, &file}) {
            range(*set, 'a', 'z');
            range(*set, 'A', 'Z');
            range(*set, '0', '9');
            range(*set, '!', '!');
            range(*set, '#', '&');
            range(*set, '=', '=');
            range(*set, '?', '~');
        }
        range(url, '*', ';');
        range(file, '(', ';');
    }
};

const TCharSets& Sets() {
    static const TCharSets sets;
    return sets;
}

bool InSet(const std::array<bool, 256>& set, char c) { return set[static_cast<unsigned char>(c)]; }

bool IsQuote(char c) { return c == '\'' || c == '"'; }

} // namespace

TInetTagObjectEx* TInetHTMLEx::GetTag(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= Items.size()) return nullptr;
    return Items[static_cast<size_t>(index)].get();
}

void TInetHTMLEx::UpdateTagList() {
    ClearTagList();
    Cancelled.store(false, std::memory_order_relaxed);

    const std::string_view html = HTML;
    const size_t n = html.size();
    size_t pos = 0; // start of the text not yet turned into items
    // "<[^>]*>": the first "<" on a character boundary and the first ">"
    // after it. Neither byte can be the second byte of a character, but a
    // lead byte just before one swallows it, so the walk goes by characters.
    size_t scan = pos;
    while (!Stopped()) {
        while (scan < n && html[scan] != '<') scan += TSjisText::CharLength(html, scan);
        if (scan >= n) break;
        const size_t open = scan;
        size_t close = open + 1;
        while (close < n && html[close] != '>') close += TSjisText::CharLength(html, close);
        if (close >= n) break; // no ">" after this "<", so none after any later one

        std::string_view before = html.substr(pos, open - pos);
        size_t b = 0, e = before.size();
        while (b < e && IsBlank(before[b])) ++b;
        while (e > b && IsBlank(before[e - 1])) --e;
        if (e > b) Items.push_back(std::make_unique<TInetTagObjectEx>(std::string(before.substr(b, e - b))));
        Items.push_back(std::make_unique<TInetTagObjectEx>(std::string(html.substr(open, close + 1 - open))));

        pos = scan = close + 1;
    }

    if (SearchURL) SearchObject(html);
}

void TInetHTMLEx::AddFakeLink(std::string_view href) {
    // Built as real tag text so that the item reads exactly like a parsed
    // link; neither an address nor a file name can hold a double quote.
    std::string tag;
    tag.reserve(href.size() + 30);
    tag.append("<_fake_a href=\"").append(href).append("\"></_fake_a>");
    Items.push_back(std::make_unique<TInetTagObjectEx>(std::move(tag)));
}

void TInetHTMLEx::SearchObject(std::string_view source) {
    if (Stopped()) return;
    const std::string text = THalfWidth::Convert(source);
    const TCharSets& sets = Sets();
    const size_t n = text.size();

    // Bare addresses: "[a-z]+://[a-zA-Z0-9!#-&\*-;=\?-~]+". The leftmost
    // match starts where the run of lower-case letters before the first
    // usable "://" starts. With SearchFile the text between the addresses
    // is gathered for the file-name search.
    std::string rest;
    if (SearchFile) rest.reserve(n);
    size_t copied = 0;          // text before this offset is in `rest` or is an address
    size_t run = std::string::npos; // start of the current run of a-z
    size_t i = 0;
    while (i < n && !Stopped()) {
        const char c = text[i];
        if (c >= 'a' && c <= 'z') {
            if (run == std::string::npos) run = i;
            ++i;
            continue;
        }
        if (c == ':' && run != std::string::npos && i + 3 < n && text[i + 1] == '/' && text[i + 2] == '/' &&
            InSet(sets.url, text[i + 3])) {
            size_t end = i + 4;
            while (end < n && InSet(sets.url, text[end])) ++end;
            AddFakeLink(std::string_view(text).substr(run, end - run));
            if (SearchFile) rest.append(text, copied, run - copied);
            copied = i = end;
            run = std::string::npos;
            continue;
        }
        run = std::string::npos;
        i += TSjisText::CharLength(text, i);
    }
    if (!SearchFile || Stopped()) return;
    rest.append(text, copied, std::string::npos);

    // Quoted file names: "['\"][set]+\.[set]+['\"]" with the file-name set.
    // Quotes are not in the set, so a candidate is a quote, the run of set
    // characters after it and a quote right after that run; it matches when
    // the run holds a "." with at least one character on either side. When
    // it does not, the next candidate is the closing quote itself.
    const size_t m = rest.size();
    size_t q = 0;
    while (!Stopped()) {
        while (q < m && !IsQuote(rest[q])) q += TSjisText::CharLength(rest, q);
        if (q >= m) break;
        size_t end = q + 1;
        size_t dot = std::string::npos; // the first "." after the run's first character
        bool paren = false;
        while (end < m && InSet(sets.file, rest[end])) {
            if (rest[end] == '.' && end > q + 1 && dot == std::string::npos) dot = end;
            if (rest[end] == '(' || rest[end] == ')') paren = true;
            ++end;
        }
        // It needs a character after it inside the run too.
        const bool dotInside = dot != std::string::npos && dot + 1 < end;
        if (end < m && IsQuote(rest[end]) && dotInside) {
            if (!paren) {
                std::string_view name = std::string_view(rest).substr(q + 1, end - q - 1);
                char last = name.back();
                if (last != '+' && last != '=') AddFakeLink(name);
            }
            q = end + 1;
            continue;
        }
        q = end; // the character that ended the run may open the next candidate
    }
}
