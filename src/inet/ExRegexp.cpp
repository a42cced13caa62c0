#include "inet/ExRegexp.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/SjisText.h"

namespace {

constexpr size_t kNone = static_cast<size_t>(-1);

// Byte length of the character at `p` (< text.size()): a lead byte followed
// by any byte is one double-byte character.
inline size_t CharLen(std::string_view text, size_t p) {
    return (TSjisText::IsLeadByte(static_cast<unsigned char>(text[p])) && p + 1 < text.size()) ? 2 : 1;
}

struct Item {
    enum Kind : uint8_t { Byte, Double, Any, Set, End };
    enum Rep : uint8_t { One, Opt, Star, Plus };

    Kind kind = Byte;
    Rep rep = One;
    unsigned char b1 = 0, b2 = 0; // Byte: b1; Double: b1 b2
    bool negated = false;         // Set
    uint64_t members[4] = {};     // Set

    bool Has(unsigned char c) const { return (members[c >> 6] >> (c & 63)) & 1; }
    void Add(unsigned char c) { members[c >> 6] |= uint64_t{1} << (c & 63); }

    // Bytes taken by one occurrence at `p`, 0 when it does not match there.
    // Not for End, which takes nothing.
    size_t LengthAt(std::string_view text, size_t p) const {
        if (p >= text.size()) return 0;
        unsigned char c = static_cast<unsigned char>(text[p]);
        size_t len = CharLen(text, p);
        switch (kind) {
        case Byte: return (len == 1 && c == b1) ? 1 : 0;
        case Double:
            return (len == 2 && c == b1 && static_cast<unsigned char>(text[p + 1]) == b2) ? 2 : 0;
        case Any: return (len == 1 && c == '\n') ? 0 : len;
        case Set:
            if (len == 2) return negated ? 2 : 0;
            return (Has(c) != negated) ? 1 : 0;
        case End: break;
        }
        return 0;
    }
};

// One character read from the pattern: a byte or a double-byte character.
struct PatChar {
    bool dbl = false;
    unsigned char b1 = 0, b2 = 0;
};

bool IsHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
int HexValue(char c) {
    return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
}

class Parser {
public:
    explicit Parser(std::string_view pattern) : pat_(pattern) {}

    bool anchorStart = false;
    std::vector<Item> items;

    void Run() {
        size_t end = pat_.size();
        if (end > 0 && pat_[0] == '^') {
            anchorStart = true;
            k_ = 1;
        }
        bool canRepeat = false;
        while (k_ < end) {
            char c = pat_[k_];
            if (c == '\n') break;
            if (c == '$' && (k_ + 1 == end || pat_[k_ + 1] == '\n')) {
                Item it;
                it.kind = Item::End;
                items.push_back(it);
                break;
            }
            if (canRepeat && (c == '*' || c == '+' || c == '?')) {
                items.back().rep = c == '*' ? Item::Star : c == '+' ? Item::Plus : Item::Opt;
                canRepeat = false;
                ++k_;
                continue;
            }
            Item it;
            if (c == '.') {
                it.kind = Item::Any;
                ++k_;
            } else if (c == '[' && k_ + 1 < end) {
                ++k_;
                ReadSet(it);
            } else {
                PatChar pc;
                if (c == '\\' && k_ + 1 < end && pat_[k_ + 1] != '\n') {
                    ++k_;
                    pc = ReadEscape();
                } else {
                    pc = ReadPlain();
                }
                it.kind = pc.dbl ? Item::Double : Item::Byte;
                it.b1 = pc.b1;
                it.b2 = pc.b2;
            }
            items.push_back(it);
            canRepeat = true;
        }
    }

private:
    std::string_view pat_;
    size_t k_ = 0;

    PatChar ReadPlain() {
        PatChar pc;
        pc.b1 = static_cast<unsigned char>(pat_[k_]);
        if (TSjisText::IsLeadByte(pc.b1) && k_ + 1 < pat_.size()) {
            pc.dbl = true;
            pc.b2 = static_cast<unsigned char>(pat_[k_ + 1]);
            k_ += 2;
        } else {
            ++k_;
        }
        return pc;
    }

    // At the character after a backslash (there is one).
    PatChar ReadEscape() {
        size_t end = pat_.size();
        char c = pat_[k_];
        PatChar pc;
        auto byte = [&](int v, size_t used) {
            pc.b1 = static_cast<unsigned char>(v & 0xFF);
            k_ += used;
            return pc;
        };
        switch (c) {
        case 's':
        case 'S': return byte(' ', 1);
        case 't': return byte('\t', 1);
        case 'n': return byte('\n', 1);
        case 'r': return byte('\r', 1);
        case 'b': return byte('\b', 1);
        case 'e': return byte(0x1B, 1);
        case 'f': return byte('\f', 1);
        case 'x': {
            int v = 0;
            size_t d = 0;
            while (d < 3 && k_ + 1 + d < end && IsHex(pat_[k_ + 1 + d])) v = v * 16 + HexValue(pat_[k_ + 1 + d++]);
            return d ? byte(v, 1 + d) : byte('x', 1);
        }
        case '^':
            if (k_ + 1 < end && ((pat_[k_ + 1] >= 'A' && pat_[k_ + 1] <= 'Z') ||
                                 (pat_[k_ + 1] >= 'a' && pat_[k_ + 1] <= 'z')))
                return byte(pat_[k_ + 1] & 0x1F, 2);
            return byte('^', 1);
        default: break;
        }
        if (c >= '0' && c <= '7') {
            int v = 0;
            size_t d = 0;
            while (d < 3 && k_ + d < end && pat_[k_ + d] >= '0' && pat_[k_ + d] <= '7') v = v * 8 + (pat_[k_ + d++] - '0');
            return byte(v, d);
        }
        return ReadPlain();
    }

    PatChar ReadSetChar() {
        if (pat_[k_] == '\\' && k_ + 1 < pat_.size()) {
            ++k_;
            return ReadEscape();
        }
        return ReadPlain();
    }

    // After the "[": members up to "]" or the end of the pattern.
    void ReadSet(Item& it) {
        size_t end = pat_.size();
        it.kind = Item::Set;
        if (k_ < end && pat_[k_] == '^') {
            it.negated = true;
            ++k_;
        }
        if (k_ < end && pat_[k_] == '-') {
            it.Add('-');
            ++k_;
        }
        while (k_ < end && pat_[k_] != ']') {
            PatChar a = ReadSetChar();
            if (k_ + 1 < end && pat_[k_] == '-' && pat_[k_ + 1] != ']') {
                ++k_;
                PatChar b = ReadSetChar();
                if (!a.dbl && !b.dbl) {
                    for (int x = a.b1; x <= b.b1; ++x) it.Add(static_cast<unsigned char>(x));
                } else {
                    if (!a.dbl) it.Add(a.b1);
                    it.Add('-');
                    if (!b.dbl) it.Add(b.b1);
                }
            } else if (!a.dbl) {
                it.Add(a.b1);
            }
        }
        if (k_ < end) ++k_; // the "]"
    }
};

// Positions where matching the pattern from one item on is known to fail,
// as one run of consecutive character positions. Within one Find every
// position lies on the same chain of character boundaries, so "all
// positions from lo to hi" is well defined.
struct DeadRange {
    size_t lo = kNone, hi = 0;
    bool Has(size_t p) const { return lo <= p && p <= hi; }
};

// The backtracking state of one pattern item.
struct Frame {
    size_t start = 0; // where the item began
    size_t cur = 0;   // Opt/Star/Plus: end of the repetition being tried
    size_t min = 0;   // Star/Plus: the shortest end allowed
    size_t deadHi = 0;
    size_t base = 0; // Star/Plus: first entry of this item in the double-byte stack
    bool alt = false; // Opt: the empty alternative is still to try
};

} // namespace

struct TExRegexp::Compiled {
    std::vector<Item> items;
    bool anchorStart = false;

    // Scratch for Find.
    std::vector<Frame> frames;
    std::vector<DeadRange> dead;
    std::vector<size_t> doubles; // starts of double-byte characters taken by repetitions

    void MarkDead(std::string_view text, size_t i, size_t lo, size_t hi) {
        DeadRange& d = dead[i];
        size_t next = hi < text.size() ? hi + CharLen(text, hi) : hi;
        if (d.lo <= d.hi && d.lo >= lo && d.lo <= next) {
            d.lo = lo;
            d.hi = std::max(d.hi, hi);
        } else {
            d.lo = lo;
            d.hi = hi;
        }
    }

    void StepBack(Frame& f) {
        if (doubles.size() > f.base && doubles.back() + 2 == f.cur) {
            doubles.pop_back();
            f.cur -= 2;
        } else {
            f.cur -= 1;
        }
    }

    // End of the match that begins at `s`, or kNone.
    size_t MatchAt(std::string_view text, size_t s);
};

size_t TExRegexp::Compiled::MatchAt(std::string_view text, size_t s) {
    const size_t m = items.size();
    const size_t n = text.size();
    doubles.clear();
    size_t i = 0;
    size_t p = s;
    for (;;) {
        // Forward: match item i at p and go on until the pattern is done or
        // an item fails.
        for (;;) {
            if (i == m) return p;
            const Item& it = items[i];
            Frame& f = frames[i];
            if (dead[i].Has(p)) break;
            f.start = p;
            if (it.rep == Item::One) {
                if (it.kind == Item::End) {
                    if (p == n || text[p] == '\n') {
                        ++i;
                        continue;
                    }
                } else if (size_t len = it.LengthAt(text, p)) {
                    p += len;
                    ++i;
                    continue;
                }
                MarkDead(text, i, p, p);
                break;
            }
            if (it.rep == Item::Opt) {
                size_t len = it.LengthAt(text, p);
                f.alt = len != 0;
                p += len;
                ++i;
                continue;
            }
            // Star or Plus: take as many as possible, stopping early where a
            // failure is already known (the rest of that run fails too).
            f.base = doubles.size();
            const DeadRange& d = dead[i];
            size_t q = p;
            size_t firstLen = 0;
            bool stopped = false;
            while (q < n) {
                if (q == d.lo) {
                    stopped = true;
                    break;
                }
                size_t len = it.LengthAt(text, q);
                if (!len) break;
                if (len == 2) doubles.push_back(q);
                if (!firstLen) firstLen = len;
                q += len;
            }
            if (it.rep == Item::Plus && !firstLen) {
                MarkDead(text, i, p, p);
                break;
            }
            f.cur = q;
            f.deadHi = stopped ? d.hi : q;
            f.min = it.rep == Item::Star ? p : p + firstLen;
            // A Star stopped at a dead position need not try there; a Plus
            // must (it was dead only for ends after it).
            if (stopped && it.rep == Item::Star) StepBack(f);
            p = f.cur;
            ++i;
        }

        // Backward: item i failed at p; find the nearest earlier item with
        // another choice left.
        for (;;) {
            if (i == 0) return kNone;
            --i;
            const Item& it = items[i];
            Frame& f = frames[i];
            if (it.rep == Item::Opt && f.alt) {
                f.alt = false;
                p = f.start;
                break;
            }
            if ((it.rep == Item::Star || it.rep == Item::Plus) && f.cur > f.min) {
                StepBack(f);
                p = f.cur;
                break;
            }
            if (it.rep == Item::Star || it.rep == Item::Plus) {
                doubles.resize(f.base);
                MarkDead(text, i, f.start, f.deadHi);
            } else {
                MarkDead(text, i, f.start, f.start);
            }
        }
        ++i;
    }
}

TExRegexp::TExRegexp() = default;
TExRegexp::~TExRegexp() = default;

void TExRegexp::SetPattern(std::string_view pattern) {
    Pattern.assign(pattern);
    Parser parser(pattern);
    parser.Run();
    auto c = std::make_unique<Compiled>();
    c->items = std::move(parser.items);
    c->anchorStart = parser.anchorStart;
    c->frames.resize(c->items.size());
    c->dead.resize(c->items.size());
    compiled_ = std::move(c);
}

int TExRegexp::Find(std::string_view text, size_t start) {
    if (!compiled_) return -1;
    Compiled& c = *compiled_;
    const size_t n = text.size();
    if (start > n) return 0;
    std::fill(c.dead.begin(), c.dead.end(), DeadRange{});

    // A first item that must take a character lets most positions be
    // rejected without entering the matcher.
    const Item* first = nullptr;
    if (!c.items.empty() && c.items[0].kind != Item::End &&
        (c.items[0].rep == Item::One || c.items[0].rep == Item::Plus))
        first = &c.items[0];

    if (first && first->kind == Item::Byte && !TSjisText::IsLeadByte(first->b1) && !c.anchorStart) {
        // Jump from one occurrence of the first byte to the next. A hit is a
        // character boundary unless an odd number of lead bytes runs up to
        // it (counted back to the last known boundary): then it is the
        // second byte of a double-byte character. The byte itself is no
        // lead byte, so no byte is counted twice.
        const unsigned char* data = reinterpret_cast<const unsigned char*>(text.data());
        for (size_t p = start; p < n;) {
            const void* hit = std::memchr(data + p, first->b1, n - p);
            if (!hit) break;
            size_t q = static_cast<size_t>(static_cast<const unsigned char*>(hit) - data);
            size_t leads = 0;
            while (q - leads > p && TSjisText::IsLeadByte(data[q - leads - 1])) ++leads;
            if (leads % 2 == 0) {
                size_t e = c.MatchAt(text, q);
                if (e != kNone) {
                    Match.assign(text.substr(q, e - q));
                    return static_cast<int>(q + 1);
                }
            }
            p = q + 1;
        }
        return 0;
    }

    for (size_t p = start;;) {
        if (!first || first->LengthAt(text, p)) {
            size_t e = c.MatchAt(text, p);
            if (e != kNone) {
                Match.assign(text.substr(p, e - p));
                return static_cast<int>(p + 1);
            }
        }
        if (c.anchorStart || p >= n) break;
        p += CharLen(text, p);
    }
    return 0;
}
