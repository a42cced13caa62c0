// Expands the input as text, with small limits so that inputs reaching
// them stay quick. Checks that the output stays within the limits, that no
// line keeps a line end, and, whenever a plain working list (each range's
// lines inserted after the current line, as the expansion is usually
// explained) finishes within a few thousand lines and within the limits,
// that the expander gives exactly what that list gives.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/QorURLExpand.h"
#include "inet/ExRegexp.h"

namespace {

constexpr TQorURLExpandLimits kLimits{.AddressesPerLine = 2000, .TextPerLine = 256 << 10, .TextPerCall = 1 << 20};

void Check(bool ok) {
    if (!ok) std::abort();
}

bool IsLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    std::string cur;
    bool open = false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            lines.push_back(cur);
            cur.clear();
            open = false;
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            cur += text[i];
            open = true;
        }
    }
    if (open) lines.push_back(cur);
    return lines;
}

// Start of the character that ends right before `at`, from a walk over the
// whole line; npos at the start.
size_t CharBefore(const std::string& line, size_t at) {
    size_t prev = std::string::npos;
    for (size_t p = 0; p < at;) {
        prev = p;
        p += (IsLead(static_cast<unsigned char>(line[p])) && p + 1 < line.size()) ? 2 : 1;
    }
    return prev;
}

bool ReadNumber(const std::string& text, long long& value) {
    if (text.empty() || text[0] < '0' || text[0] > '9') return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        if (value > (INT64_MAX - (c - '0')) / 10) return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

// The working list; none when it would go past `cap` lines or any limit.
std::optional<std::vector<std::string>> Reference(std::string_view text, bool& expanded, size_t cap) {
    TExRegexp re;
    re.SetPattern("\\[[a-zA-Z0-9]+-[a-zA-Z0-9]+[\\\\]*\\]");
    struct Item {
        std::string text;
        size_t root; // the input line it comes from
    };
    std::vector<Item> work;
    for (auto& line : SplitLines(text)) work.push_back({line, work.size()});
    std::vector<std::string> out;
    size_t root = SIZE_MAX, lineBudget = 0, lineSpent = 0, lineAddresses = 0, callSpent = 0;
    expanded = false;
    for (size_t i = 0; i < work.size(); ++i) {
        if (i > cap) return std::nullopt;
        if (work[i].root != root) {
            root = work[i].root;
            callSpent += lineSpent;
            lineBudget = std::min(kLimits.TextPerLine, kLimits.TextPerCall - callSpent);
            lineSpent = lineAddresses = 0;
        }
        std::string line = work[i].text;
        size_t b = 0, e = line.size();
        while (b < e && static_cast<unsigned char>(line[b]) <= 0x20) ++b;
        while (e > b && static_cast<unsigned char>(line[e - 1]) <= 0x20) --e;
        line = line.substr(b, e - b);
        size_t blank = line.find_last_of(" \t");
        if (blank != std::string::npos) line.resize(blank);

        size_t from = 0, at = 0, len = 0;
        bool found = false;
        for (;;) {
            int pos = re.Find(line, from);
            if (pos <= 0) break;
            at = static_cast<size_t>(pos - 1);
            len = re.Match.size();
            size_t prev = CharBefore(line, at);
            bool escaped = (prev != std::string::npos && prev + 1 == at && line[prev] == '\\') ||
                           re.Match[len - 2] == '\\';
            if (!escaped) {
                found = true;
                break;
            }
            from = at + len;
        }
        if (!found) {
            std::string kept;
            for (size_t p = 0; p < line.size();) {
                size_t n = (IsLead(static_cast<unsigned char>(line[p])) && p + 1 < line.size()) ? 2 : 1;
                if (!(n == 1 && line[p] == '\\')) kept.append(line, p, n);
                p += n;
            }
            if (++lineAddresses > kLimits.AddressesPerLine) return std::nullopt;
            out.push_back(kept);
            continue;
        }
        std::string inner = line.substr(at + 1, len - 2);
        size_t dash = inner.find('-');
        std::string lowText = inner.substr(0, dash), highText = inner.substr(dash + 1);
        long long low, high;
        if (!ReadNumber(lowText, low) || !ReadNumber(highText, high)) continue;
        if (high < low) {
            std::swap(low, high);
            std::swap(lowText, highText);
        }
        if (static_cast<unsigned long long>(high - low) >= cap) return std::nullopt;
        int width = lowText[0] == '0' ? static_cast<int>(lowText.size()) : 0;
        std::vector<Item> made;
        for (long long v = low;; ++v) {
            std::vector<char> buf(static_cast<size_t>(width) + 32);
            std::snprintf(buf.data(), buf.size(), "%0*lld", width, v);
            made.push_back({line.substr(0, at) + buf.data() + line.substr(at + len), root});
            lineSpent += made.back().text.size() + TQorURLExpand::kLineCost;
            if (lineSpent > lineBudget) return std::nullopt;
            if (v == high) break;
        }
        work.insert(work.begin() + static_cast<ptrdiff_t>(i) + 1, made.begin(), made.end());
        expanded = true;
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    TQorURLExpand expand(text, kLimits);

    size_t bytes = 0;
    for (const auto& line : expand.Lines) {
        Check(line.find_first_of("\r\n") == std::string::npos);
        bytes += line.size() + TQorURLExpand::kLineCost;
    }
    const size_t inputLines = SplitLines(text).size();
    Check(bytes <= size + inputLines * TQorURLExpand::kLineCost + kLimits.TextPerCall);
    if (!expand.Expanded) Check(expand.Lines.size() <= inputLines);
    if (text.find('[') == std::string_view::npos) Check(!expand.Expanded && expand.Lines.size() == inputLines);

    bool expanded = false;
    if (auto lines = Reference(text, expanded, 3000)) {
        Check(*lines == expand.Lines);
        Check(expanded == expand.Expanded);
    }

    // A second Expand gives the same lines and keeps Expanded set.
    std::vector<std::string> first = std::move(expand.Lines);
    bool wasExpanded = expand.Expanded;
    expand.Expand(text);
    Check(expand.Lines == first && expand.Expanded == wasExpanded);
    return 0;
}
