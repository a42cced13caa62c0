#include "engine/QorURLExpand.h"

#include "platform/SjisText.h"
#include "platform/TextLines.h"

#include <algorithm>
#include <charconv>
#include <cstdint>

namespace {

constexpr size_t npos = std::string::npos;

bool IsAlnum(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

// The first range of the line that is not escaped: the leftmost match of
// the pattern "\[[a-zA-Z0-9]+-[a-zA-Z0-9]+[\\]*\]" on a character boundary
// whose "[" follows no backslash character and whose "]" follows no
// backslash. A greedy matcher gives nothing else here: no item of the
// pattern can hand a character back to the next one, so a match is decided
// by one walk from its "[". That walk crosses no other "[", so the whole
// search is linear in the line. It replaces the general matcher, which is
// several times slower on lines full of brackets.
bool FindRange(std::string_view line, size_t& at, size_t& len) {
    const size_t n = line.size();
    // Most lines, and every line a range has been fully expanded into, hold
    // no "[" at all.
    if (line.find('[') == std::string_view::npos) return false;
    bool afterBackslash = false; // the previous character is a backslash
    for (size_t p = 0; p < n;) {
        if (line[p] == '[') {
            size_t i = p + 1;
            size_t lowStart = i;
            while (i < n && IsAlnum(line[i])) ++i;
            bool ok = i > lowStart && i < n && line[i] == '-';
            if (ok) {
                size_t highStart = ++i;
                while (i < n && IsAlnum(line[i])) ++i;
                ok = i > highStart;
            }
            size_t slashes = i;
            while (ok && i < n && line[i] == '\\') ++i;
            if (ok && i < n && line[i] == ']') {
                if (!afterBackslash && i == slashes) {
                    at = p;
                    len = i + 1 - p;
                    return true;
                }
                // Escaped: go on after it; its last character is "]".
                p = i + 1;
                afterBackslash = false;
                continue;
            }
        }
        size_t step = TSjisText::CharLength(line, p);
        afterBackslash = step == 1 && line[p] == '\\';
        p += step;
    }
    return false;
}


// A decimal number of digits only that fits in int64_t.
bool ReadNumber(std::string_view text, int64_t& value) {
    if (text.empty() || text[0] < '0' || text[0] > '9') return false;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

void AppendNumber(std::string& out, uint64_t value, size_t width) {
    char digits[24];
    auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
    size_t n = static_cast<size_t>(end - digits);
    if (n < width) out.append(width - n, '0');
    out.append(digits, n);
}

} // namespace

// One range being expanded: prefix + number + suffix for each number from
// next to last.
struct TQorURLExpand::Range {
    std::string prefix;
    std::string suffix;
    uint64_t next = 0; // values are never negative; last + 1 cannot overflow
    uint64_t last = 0;
    size_t width = 0; // zero fill to this many digits; 0 for none
};

TQorURLExpand::TQorURLExpand(std::string_view text, const TQorURLExpandLimits& limits) : Limits(limits) {
    Expand(text);
}

void TQorURLExpand::Expand(std::string_view text) {
    Lines.clear();
    size_t callBudget = Limits.TextPerCall;
    TTextLines::ForEach(text, [&](std::string_view line) { ExpandLine(line, callBudget); });
}

TQorURLExpand::TStep TQorURLExpand::Step(std::string_view raw, Range& range) {
    std::string line = TSjisText::Trim(raw);
    // Neither a space nor a tab is ever the second byte of a character.
    for (size_t i = line.size(); i > 0; --i) {
        if (line[i - 1] == ' ' || line[i - 1] == '\t') {
            line.resize(i - 1);
            break;
        }
    }

    size_t at = 0, len = 0;
    if (!FindRange(line, at, len)) {
        // Most lines hold no 0x5C byte at all: skip the character walk.
        if (line.find('\\') == npos)
            Lines.push_back(std::move(line));
        else
            Lines.push_back(TSjisText::RemoveChars(line, "\\"));
        return TStep::Appended;
    }

    // Not escaped, so no backslash precedes the "]": the match is
    // "[" low "-" high "]" with letters and digits only.
    std::string_view inner = std::string_view(line).substr(at + 1, len - 2);
    size_t dash = inner.find('-');
    std::string_view lowText = inner.substr(0, dash);
    std::string_view highText = inner.substr(dash + 1);
    int64_t low = 0, high = 0;
    if (!ReadNumber(lowText, low) || !ReadNumber(highText, high)) return TStep::Dropped;
    if (high < low) {
        std::swap(low, high);
        std::swap(lowText, highText);
    }
    range.prefix = line.substr(0, at);
    range.suffix = line.substr(at + len);
    range.next = static_cast<uint64_t>(low);
    range.last = static_cast<uint64_t>(high);
    range.width = lowText[0] == '0' ? lowText.size() : 0;
    return TStep::Range;
}

void TQorURLExpand::ExpandLine(std::string_view input, size_t& callBudget) {
    const size_t mark = Lines.size();
    const bool wasExpanded = Expanded;
    const size_t budget = std::min(Limits.TextPerLine, callBudget);
    size_t spent = 0;

    // The ranges being expanded, outermost first. Each number's line is
    // stepped at once and its own range pushed on top, so the lines come out
    // in the order a working list with insertion after the current line
    // gives, without ever inserting into the middle of a list.
    std::vector<Range> stack;
    bool ok = true;
    auto step = [&](std::string_view line) {
        Range range;
        switch (Step(line, range)) {
        case TStep::Appended:
            ok = Lines.size() - mark <= Limits.AddressesPerLine;
            return;
        case TStep::Dropped:
            return;
        case TStep::Range:
            break;
        }
        // Every number costs at least the lowest one's line: refuse a range
        // that cannot fit before building any of it.
        std::string first = range.prefix;
        AppendNumber(first, range.next, range.width);
        first += range.suffix;
        const uint64_t count = range.last - range.next + 1; // at most 2^63
        const size_t each = first.size() + kLineCost;
        if (count > (budget - spent) / each) {
            ok = false;
            return;
        }
        Expanded = true;
        stack.push_back(std::move(range));
    };

    step(input);
    std::string line;
    while (ok && !stack.empty()) {
        Range& top = stack.back();
        if (top.next > top.last) {
            stack.pop_back();
            continue;
        }
        line = top.prefix;
        AppendNumber(line, top.next, top.width);
        line += top.suffix;
        ++top.next;
        spent += line.size() + kLineCost;
        if (spent > budget) {
            ok = false;
            break;
        }
        step(line); // may push onto the stack: `top` is not used after this
    }

    callBudget -= std::min(spent, callBudget);
    if (!ok) {
        Lines.resize(mark);
        Expanded = wasExpanded;
    }
}
