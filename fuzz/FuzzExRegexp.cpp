// Pattern and text both come from the input: the first byte gives the
// pattern length, the rest after the pattern is the text. Checks that Find
// stays inside the text, that Match is the text at the reported position,
// that searching again from a match finds the same match, and that a scan
// from match to match always ends.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "inet/ExRegexp.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

void FindAndCheck(TExRegexp& re, std::string_view text, size_t start) {
    re.Match = "\x01unset";
    int pos = re.Find(text, start);
    if (pos <= 0) {
        Check(pos == 0 && re.Match == "\x01unset");
        return;
    }
    size_t at = static_cast<size_t>(pos - 1);
    Check(at >= start && at <= text.size());
    Check(re.Match.size() <= text.size() - at && text.compare(at, re.Match.size(), re.Match) == 0);
    // The match at a position depends on that position alone.
    std::string first = re.Match;
    Check(re.Find(text, at) == pos && re.Match == first);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    size_t patLen = data[0];
    if (patLen > size - 1) patLen = size - 1;
    std::string_view pattern(reinterpret_cast<const char*>(data) + 1, patLen);
    std::string_view text(reinterpret_cast<const char*>(data) + 1 + patLen, size - 1 - patLen);

    TExRegexp re;
    Check(re.Find(text, 0) == -1);
    re.SetPattern(pattern);
    for (size_t start : {size_t{0}, size_t{1}, text.size() / 2, text.size(), text.size() + 1})
        FindAndCheck(re, text, start);

    // Scan from match to match, the way a page is scanned tag by tag.
    size_t start = 0;
    for (int guard = 0; guard <= static_cast<int>(text.size()) + 1; ++guard) {
        int pos = re.Find(text, start);
        if (pos <= 0) break;
        size_t next = static_cast<size_t>(pos - 1) + re.Match.size();
        if (next < text.size()) {
            // An empty match moves on by one character.
            unsigned char c = static_cast<unsigned char>(text[next]);
            bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
            if (re.Match.empty()) next += (lead && next + 1 < text.size()) ? 2 : 1;
        } else if (re.Match.empty()) {
            break;
        }
        Check(next > start || (next == start && !re.Match.empty()));
        start = next;
    }
    return 0;
}
