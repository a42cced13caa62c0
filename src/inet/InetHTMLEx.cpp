#include "inet/InetHTMLEx.h"

#include "platform/HalfWidth.h"
#include "platform/SjisText.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

// The scans below are hand-written forms of the program's patterns; each
// goes through the text once from a moving offset instead of cutting the
// front off a copy, and respects character boundaries the way the pattern
// engine does, so that the second byte of a character is never taken for
// "<", a quote or an address character.

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

// The first quote byte at or after `p` in text[0, m), or m: eight bytes at a
// time, a byte of the word that is a quote found as a zero byte of the word
// XOR the quote (the lowest flagged byte is always a real one).
size_t FindQuoteByte(const char* text, size_t p, size_t m) {
    static_assert(std::endian::native == std::endian::little, "the byte order of the word");
    constexpr uint64_t kOnes = 0x0101010101010101ull, kHighs = 0x8080808080808080ull;
    auto zeroBytes = [](uint64_t x) { return (x - kOnes) & ~x & kHighs; };
    for (; p + 8 <= m; p += 8) {
        uint64_t word;
        std::memcpy(&word, text + p, 8);
        const uint64_t hits = zeroBytes(word ^ (kOnes * '"')) | zeroBytes(word ^ (kOnes * '\''));
        if (hits) return p + static_cast<size_t>(std::countr_zero(hits) >> 3);
    }
    while (p < m && !IsQuote(text[p])) ++p;
    return p;
}

bool IsLead(char c) { return TSjisText::IsLeadByte(static_cast<unsigned char>(c)); }

// Whether `pos` starts a character, given that `known` (<= pos) does. A
// byte outside the lead range is a character or a second byte, so the byte
// after it starts a character; from there the lead-range bytes pair up.
// The look back stops at `known`, so callers that move `known` forward to
// each position they test stay linear.
bool IsBoundary(std::string_view text, size_t known, size_t pos) {
    size_t k = pos;
    while (k > known && IsLead(text[k - 1])) --k;
    return (pos - k) % 2 == 0;
}

// The first byte `c` (one that is never a lead byte) at or after `from`
// that starts a character; `from` must start one. npos when there is none.
size_t FindOnBoundary(std::string_view text, char c, size_t from) {
    size_t known = from;
    for (;;) {
        size_t p = text.find(c, from);
        if (p == std::string_view::npos) return p;
        if (IsBoundary(text, known, p)) return p;
        known = from = p + 1; // p is a second byte, so the next byte starts a character
    }
}

} // namespace

TInetTagObjectEx* TInetHTMLEx::GetTag(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= Items.size()) return nullptr;
    return Items[static_cast<size_t>(index)].get();
}

template <typename Item>
void TInetHTMLEx::ScanTags(std::string_view html, Item&& onItem) {
    size_t pos = 0; // start of the text not yet turned into items
    // "<[^>]*>": the first "<" on a character boundary and the first ">"
    // after it. Neither byte can be the second byte of a valid character,
    // but a lead byte right before one swallows it, so each hit of the fast
    // byte search is checked for a character boundary.
    while (!Stopped()) {
        const size_t open = FindOnBoundary(html, '<', pos);
        if (open == std::string_view::npos) break;
        const size_t close = FindOnBoundary(html, '>', open + 1);
        if (close == std::string_view::npos) break; // no ">" after this "<", so none after a later one

        std::string_view before = html.substr(pos, open - pos);
        size_t b = 0, e = before.size();
        while (b < e && IsBlank(before[b])) ++b;
        while (e > b && IsBlank(before[e - 1])) --e;
        // The trimmed blanks are remembered, so that link texts can keep a
        // space where the page had one between two pieces.
        if (e > b && !onItem(before.substr(b, e - b), b > 0)) return;
        if (!onItem(html.substr(open, close + 1 - open), e > b ? e < before.size() : !before.empty())) return;

        pos = close + 1;
    }
}

void TInetHTMLEx::UpdateTagList() {
    ClearTagList();
    Cancelled.store(false, std::memory_order_relaxed);
    const std::string_view html = HTML;
    ScanTags(html, [this](std::string_view text, bool spaceBefore) {
        Items.push_back(std::make_unique<TInetTagObjectEx>(std::string(text)));
        Items.back()->SpaceBefore = spaceBefore;
        return true;
    });
    if (SearchURL) SearchObject(html);
}

void TInetHTMLEx::ScanItems(std::string_view html, const TItemHandler& onItem) {
    std::string tag;
    TInetTagObjectEx fake;
    ScanItems(html, onItem, [&](std::string_view href) {
        FakeLinkText(href, tag);
        fake.Reset(tag);
        return onItem(fake);
    });
}

void TInetHTMLEx::ScanItems(std::string_view html, const TItemHandler& onItem, const TFoundHandler& onFound) {
    Cancelled.store(false, std::memory_order_relaxed);
    TInetTagObjectEx item;
    item.WantText = ItemText;
    bool go = true;
    ScanTags(html, [&](std::string_view text, bool spaceBefore) {
        item.Reset(text);
        item.SpaceBefore = spaceBefore;
        return go = onItem(item);
    });
    if (!go || !SearchURL || Stopped()) return;
    ScanObjects(html, [&](std::string_view href) { return onFound(href); });
}

void TInetHTMLEx::FakeLinkText(std::string_view href, std::string& tag) {
    // Built as real tag text so that the item reads exactly like a parsed
    // link; neither an address nor a file name can hold a double quote.
    tag.clear();
    tag.append("<_fake_a href=\"").append(href).append("\"></_fake_a>");
}

void TInetHTMLEx::SearchObject(std::string_view source) {
    std::string tag;
    ScanObjects(source, [&](std::string_view href) {
        FakeLinkText(href, tag);
        Items.push_back(std::make_unique<TInetTagObjectEx>(tag));
        return true;
    });
}

namespace {

// Bare addresses: "[a-z]+://[a-zA-Z0-9!#-&\*-;=\?-~]+". Every "://" on a
// character boundary with an address character after it and lower-case
// letters before it ends the scheme of a match; the first one gives the
// leftmost match, which starts where that run of letters starts.
// `onAddress(start, end)` for each, in order; false from it, or `stopped()`,
// ends the search (then false).
template <typename Stopped, typename Fn>
bool ForEachAddress(std::string_view view, Stopped&& stopped, Fn&& onAddress) {
    const TCharSets& sets = Sets();
    const size_t n = view.size();
    size_t known = 0; // an offset known to start a character
    size_t from = 0;
    while (!stopped()) {
        const size_t colon = view.find("://", from);
        if (colon == std::string_view::npos) return true;
        if (!IsBoundary(view, known, colon)) {
            known = from = colon + 1;
            continue;
        }
        size_t start = colon;
        while (start > known && view[start - 1] >= 'a' && view[start - 1] <= 'z') --start;
        // The letter right after a lead byte is that character's second byte.
        if (start < colon && !IsBoundary(view, known, start)) ++start;
        known = colon;
        from = colon + 1;
        if (start == colon || colon + 3 >= n || !InSet(sets.url, view[colon + 3])) continue;

        size_t end = colon + 4;
        while (end < n && InSet(sets.url, view[end])) ++end;
        if (!onAddress(start, end)) return false;
        known = from = end;
    }
    return false;
}

// Quoted file names: "['\"][set]+\.[set]+['\"]" with the file-name set,
// over the page with its bare addresses taken out, which arrives piece by
// piece: only the candidate being read is kept, not a copy of the page.
// Quotes are not in the set, so a candidate is a quote, the run of set
// characters after it and a quote right after that run; it matches when
// the run holds a "." with at least one character on either side. When it
// does not, the next candidate is the closing quote itself.
class TFileNameScan {
public:
    // Adds the next piece (`last`: no more follow); `onName(name)` for each
    // name found. False when `onName` or `stopped()` ends the search.
    template <typename Stopped, typename Fn>
    bool Feed(std::string_view piece, bool last, Stopped&& stopped, Fn&& onName) {
        text_.append(piece);
        const std::array<bool, 256>& set = Sets().file;
        for (;;) {
            if (stopped()) return false;
            const size_t m = text_.size();
            if (!inRun_) {
                // The next quote that starts a character: a byte search,
                // each hit checked by looking back over the lead bytes.
                size_t p = q_;
                for (;;) {
                    p = FindQuoteByte(text_.data(), p, m);
                    if (p >= m || IsBoundary(text_, q_, p)) break;
                    q_ = ++p; // p was a second byte, so the next byte starts a character
                }
                if (p >= m) {
                    // None yet. A lead byte at the end whose second byte is
                    // still to come is where reading goes on.
                    q_ = !last && !IsBoundary(text_, q_, m) ? m - 1 : m;
                    break;
                }
                q_ = p;
                inRun_ = true;
                end_ = q_ + 1;
                dot_ = std::string::npos;
                paren_ = false;
            }
            while (end_ < m && InSet(set, text_[end_])) {
                if (text_[end_] == '.' && end_ > q_ + 1 && dot_ == std::string::npos) dot_ = end_;
                if (text_[end_] == '(' || text_[end_] == ')') paren_ = true;
                ++end_;
            }
            if (end_ >= m && !last) break; // the run may go on in the next piece
            inRun_ = false;
            // It needs a character after it inside the run too.
            const bool dotInside = dot_ != std::string::npos && dot_ + 1 < end_;
            if (end_ < m && IsQuote(text_[end_]) && dotInside) {
                if (!paren_) {
                    const std::string_view name = std::string_view(text_).substr(q_ + 1, end_ - q_ - 1);
                    const char c = name.back();
                    if (c != '+' && c != '=' && !onName(name)) return false;
                }
                q_ = end_ + 1;
                continue;
            }
            q_ = end_; // the character that ended the run may open the next candidate
        }
        // What lies before the candidate is done with; dropped once it is
        // the larger part, so that every byte is moved about once.
        if (q_ >= 4096 && q_ * 2 >= text_.size()) {
            text_.erase(0, q_);
            end_ -= std::min(end_, q_);
            if (dot_ != std::string::npos) dot_ -= q_;
            q_ = 0;
        }
        return true;
    }

private:
    std::string text_;
    size_t q_ = 0;          // where the next candidate is looked for, or the candidate's quote
    bool inRun_ = false;    // the run after the quote at q_ is being read
    size_t end_ = 0;        // how far the run has been read
    size_t dot_ = std::string::npos;
    bool paren_ = false;
};

} // namespace

namespace {

// Where the next piece of the text ends for the folded searches: after the
// first blank, quote or angle bracket at or after `at` that starts a
// character. No address holds such a character, so no address spans two
// pieces (the file-name search reads across pieces). The end of the text
// when there is none.
size_t PieceEnd(std::string_view text, size_t known, size_t at) {
    static const std::array<bool, 256> split = [] {
        std::array<bool, 256> set{};
        for (unsigned char c : {' ', '\t', '\r', '\n', '"', '<', '>'}) set[c] = true;
        return set;
    }();
    for (size_t p = at; p < text.size(); ++p) {
        if (!split[static_cast<unsigned char>(text[p])]) continue;
        if (IsBoundary(text, known, p)) return p + 1;
        known = p + 1; // p is a second byte, so the next byte starts a character
    }
    return text.size();
}

// What the readings of one text through ForEachFoldedPiece learn: for each
// piece whether folding changes it, so that a second reading asks only once;
// the folded text itself when it is one piece (most pages), so that a
// second reading does not fold it again; and for the pieces of a longer
// text where their characters folded (a few bytes per folding character,
// not a folded copy of the page), so that a second reading only copies.
struct TFoldMemo {
    std::vector<bool> folds;
    std::string single;
    bool haveSingle = false;
    std::vector<std::vector<uint32_t>> at; // by piece, once folded
};

// `onPiece(piece)` for the text in pieces of about 64 KiB, each folded to
// half-width forms when that changes it: the searches see the folded text
// without a folded copy of the whole page. False when `onPiece` stops.
template <typename Fn>
bool ForEachFoldedPiece(std::string_view text, TFoldMemo& memo, Fn&& onPiece) {
    constexpr size_t kPiece = 64 * 1024;
    std::string folded;
    size_t pos = 0;
    for (size_t k = 0; pos < text.size(); ++k) {
        const size_t end = PieceEnd(text, pos, std::min(text.size(), pos + kPiece));
        std::string_view piece = text.substr(pos, end - pos);
        if (k == memo.folds.size()) memo.folds.push_back(THalfWidth::Changes(piece));
        if (memo.folds[k]) {
            if (k == 0 && end == text.size()) {
                if (!memo.haveSingle) memo.single = THalfWidth::Convert(piece);
                memo.haveSingle = true;
                piece = memo.single;
            } else {
                if (k < memo.at.size()) {
                    folded = THalfWidth::ConvertAt(piece, memo.at[k]);
                } else {
                    memo.at.resize(k + 1);
                    folded = THalfWidth::Convert(piece, memo.at[k]);
                }
                piece = folded;
            }
        }
        if (!onPiece(piece)) return false;
        pos = end;
    }
    return true;
}

} // namespace

template <typename Fake>
void TInetHTMLEx::ScanObjects(std::string_view source, Fake&& onFake) {
    if (Stopped()) return;
    auto stopped = [this] { return Stopped(); };

    TFoldMemo folds;
    const bool whole = ForEachFoldedPiece(source, folds, [&](std::string_view piece) {
        return ForEachAddress(piece, stopped, [&](size_t start, size_t end) { return onFake(piece.substr(start, end - start)); });
    });
    if (!whole || !SearchFile || Stopped()) return;

    // The file names come after all the addresses: the text between the
    // addresses is found again and read piece by piece.
    TFileNameScan names;
    bool go = true;
    auto onName = [&](std::string_view name) { return go = onFake(name); };
    const bool read = ForEachFoldedPiece(source, folds, [&](std::string_view piece) {
        size_t copied = 0; // text before this offset has been read or is an address
        return ForEachAddress(piece, stopped,
                              [&](size_t start, size_t end) {
                                  if (!names.Feed(piece.substr(copied, start - copied), false, stopped, onName)) return false;
                                  copied = end;
                                  return true;
                              }) &&
               names.Feed(piece.substr(copied), false, stopped, onName);
    });
    if (!read || !go || Stopped()) return;
    names.Feed({}, true, stopped, onName);
}
