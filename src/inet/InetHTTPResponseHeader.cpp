#include "inet/InetHTTPResponseHeader.h"

#include "inet/ExRegexp.h"
#include "platform/DateTime.h"
#include "platform/SjisText.h"

#include <charconv>
#include <cstdio>

namespace {

// A whole decimal integer with an optional sign; false for anything else or
// a number that does not fit.
bool ParseInt(std::string_view text, int& out) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') return false;
    }
    if (text.empty()) return false;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size();
}

// Splits off the text before the first space and drops it together with the
// space; false (and nothing changed) when there is no space.
bool TakeWord(std::string_view& rest, std::string_view& word) {
    size_t sp = rest.find(' ');
    if (sp == std::string_view::npos) return false;
    word = rest.substr(0, sp);
    rest.remove_prefix(sp + 1);
    return true;
}

bool Contains(std::string_view text, std::string_view what) {
    return text.find(what) != std::string_view::npos;
}

// Lines end in a carriage return, a line feed, or the pair; a line end at the
// very end does not start another line.
std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
    }
    return lines;
}

TCharsetType CharsetOf(std::string_view parameter, TCharsetType current) {
    std::string lower = TSjisText::LowerCase(parameter);
    if (Contains(lower, "shift_jis")) return ctSjis;
    if (Contains(lower, "euc-jp")) return ctEuc;
    if (Contains(lower, "utf-8")) return ctUtf8;
    if (Contains(lower, "iso2022-jp")) return ctJis;
    return current;
}

} // namespace

// --- TInetHeaderValues ---

std::string TInetHeaderValues::Get(std::string_view name) const {
    auto it = index_.find(TSjisText::LowerCase(name));
    return it == index_.end() ? std::string() : entries_[it->second].value;
}

bool TInetHeaderValues::Has(std::string_view name) const {
    return index_.count(TSjisText::LowerCase(name)) != 0;
}

void TInetHeaderValues::Set(std::string_view name, std::string_view value) {
    std::string key = TSjisText::LowerCase(name);
    auto it = index_.find(key);
    if (it != index_.end()) {
        Entry& entry = entries_[it->second];
        if (value.empty()) {
            entry.removed = true;
            entry.name.clear();
            entry.value.clear();
            index_.erase(it);
            --count_;
            // Keep the dead entries from outgrowing the live ones, so a header
            // that keeps adding and removing names stays linear.
            if (entries_.size() > 16 && entries_.size() > 2 * count_) Compact();
        } else {
            entry.value = std::string(value);
        }
        return;
    }
    if (value.empty()) return;
    index_.emplace(key, entries_.size());
    entries_.push_back(Entry{std::move(key), std::string(value)});
    ++count_;
}

void TInetHeaderValues::Clear() {
    entries_.clear();
    index_.clear();
    count_ = 0;
}

std::vector<std::pair<std::string, std::string>> TInetHeaderValues::Items() const {
    std::vector<std::pair<std::string, std::string>> items;
    items.reserve(count_);
    for (const Entry& entry : entries_)
        if (!entry.removed) items.emplace_back(entry.name, entry.value);
    return items;
}

void TInetHeaderValues::Compact() {
    std::vector<Entry> live;
    live.reserve(count_);
    for (Entry& entry : entries_)
        if (!entry.removed) live.push_back(std::move(entry));
    entries_ = std::move(live);
    for (size_t i = 0; i < entries_.size(); ++i) index_[entries_[i].name] = i;
}

// --- TInetHTTPResponseHeader ---

void TInetHTTPResponseHeader::Initialize() {
    RawHeader.clear();
    StatusCode = 0;
    Values.Clear();
    IsText = true;
    ModifiedDate.clear();
    Charset = ctUnknown;
    parsed_ = false;
}

std::string_view TInetHTTPResponseHeader::HeaderPart(std::string_view text) {
    size_t end = text.find("\r\n\r\n");
    if (end == std::string_view::npos) end = text.find("\n\n");
    return text.substr(0, end);
}

void TInetHTTPResponseHeader::SetHeader(std::string_view text) {
    Initialize();
    RawHeader = std::string(HeaderPart(text));

    // Compiled once per thread: every answer is parsed with them.
    struct TPatterns {
        TExRegexp status, charset;
        TPatterns() {
            status.SetPattern("\\s[0-9]+");
            charset.SetPattern("charset\\s*=\\s*[a-zA-Z0-9_\\-\"]+");
        }
    };
    thread_local TPatterns patterns;

    // The first " digits" of the header is the status: on a status line, the
    // code after the protocol version.
    StatusCode = 200;
    TExRegexp& status = patterns.status;
    if (status.Find(RawHeader, 0) > 0) {
        int code = 0;
        // A number too large for a status counts as no status.
        if (ParseInt(std::string_view(status.Match).substr(1), code)) StatusCode = code;
    }

    TExRegexp& charset = patterns.charset;

    std::vector<std::string_view> lines = SplitLines(RawHeader);
    for (size_t i = 1; i < lines.size(); ++i) {
        std::string_view line = lines[i];
        size_t colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        std::string name = TSjisText::LowerCase(TSjisText::Trim(line.substr(0, colon)));
        std::string value = TSjisText::Trim(line.substr(colon + 1));
        Values.Set(name, value);
        if (name == "content-type") {
            if (charset.Find(value, 0) > 0) Charset = CharsetOf(charset.Match, Charset);
        } else if (name == "last-modified") {
            CreateModifiedDate(value);
        }
    }

    std::string contentType = Values.Get("content-type");
    if (!contentType.empty() && !Contains(TSjisText::LowerCase(contentType), "text/"))
        IsText = false;
    parsed_ = true;
}

void TInetHTTPResponseHeader::CreateModifiedDate(std::string_view value) {
    parsed_ = false; // SetHeader sets it again once it is through
    static constexpr std::string_view kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                                   "jul", "aug", "sep", "oct", "nov", "dec"};
    std::string trimmed;
    std::string_view rest = value;
    if (size_t comma = rest.find(','); comma != std::string_view::npos) {
        trimmed = TSjisText::Trim(rest.substr(comma + 1));
        rest = trimmed;
    }

    std::string_view word;
    int day = 0;
    if (!TakeWord(rest, word) || !ParseInt(word, day)) return;

    if (!TakeWord(rest, word)) return;
    std::string monthName = TSjisText::LowerCase(word);
    int month = 0;
    for (int m = 0; m < 12; ++m)
        if (monthName == kMonths[m]) month = m + 1;
    if (month == 0) return;

    int year = 0;
    if (!TakeWord(rest, word) || !ParseInt(word, year)) return;

    std::string_view time = rest;
    int zoneHours = 0;
    if (size_t sp = rest.find(' '); sp != std::string_view::npos) {
        time = rest.substr(0, sp);
        std::string zone = TSjisText::LowerCase(rest.substr(sp + 1));
        int offset = 0;
        if (zone != "gmt" && ParseInt(zone, offset)) zoneHours = offset / 100;
    }

    char date[64];
    std::snprintf(date, sizeof date, "%04d/%02d/%02d ", year, month, day);
    TDateTime stamp = 0;
    if (!TDateTimeText::TryParse(std::string(date) + std::string(time), stamp)) return;
    ModifiedDate = TDateTimeText::DateTimeText(TDateTimeText::IncHour(stamp, 9 - zoneHours));
}

std::string TInetHTTPResponseHeader::GetAlias() const {
    std::string disposition = Values.Get("content-disposition");
    if (disposition.empty()) return {};
    static constexpr std::string_view kKey = "filename=";
    size_t at = TSjisText::Find(TSjisText::LowerCase(disposition), kKey);
    if (at == std::string::npos) return {};
    return TSjisText::RemoveChars(std::string_view(disposition).substr(at + kKey.size()),
                                  "\\\"|:/<>*?");
}
