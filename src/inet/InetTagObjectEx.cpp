#include "inet/InetTagObjectEx.h"

#include "platform/SjisText.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 0x20; }

// The white space of the equals test and of the unquoted value: space,
// carriage return, line feed and tab.
bool IsTagSpace(char c) { return c == ' ' || c == '\r' || c == '\n' || c == '\t'; }

bool IsAlnum(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// "[a-zA-Z0-9_/]": the characters of a tag name.
bool IsTagNameChar(char c) { return IsAlnum(c) || c == '_' || c == '/'; }

// "[_a-zA-Z0-9\-]" for the first attribute name, "[a-zA-Z0-9]" for the
// later ones. All members are ASCII, so a member byte is always a
// single-byte character of its own.
bool IsAttrNameChar(char c, bool first) { return IsAlnum(c) || (first && (c == '_' || c == '-')); }

std::string_view TrimView(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

bool HasBreaks(std::string_view s) {
    // One pass without an early exit, which the compiler turns into wide
    // compares; most values and texts hold none.
    unsigned hits = 0;
    for (char c : s) hits |= static_cast<unsigned>(c == '\n') | static_cast<unsigned>(c == '\r') | static_cast<unsigned>(c == '\t');
    return hits != 0;
}

// Removes the tabs, carriage returns and line feeds; a byte right after a
// lead byte belongs to that character and stays.
void RemoveBreaks(std::string& s) {
    // Most texts hold none; the byte searches are much faster than the walk.
    if (!HasBreaks(s)) return;
    size_t to = 0;
    const size_t n = s.size();
    for (size_t i = 0; i < n;) {
        const char c = s[i];
        if (TSjisText::IsLeadByte(static_cast<unsigned char>(c)) && i + 1 < n) {
            s[to++] = c;
            s[to++] = s[i + 1];
            i += 2;
            continue;
        }
        if (c != '\t' && c != '\r' && c != '\n') s[to++] = c;
        ++i;
    }
    s.resize(to);
}

void TrimInPlace(std::string& s) {
    size_t e = s.size();
    while (e > 0 && IsBlank(s[e - 1])) --e;
    s.resize(e);
    size_t b = 0;
    while (b < e && IsBlank(s[b])) ++b;
    if (b > 0) s.erase(0, b);
}

void LowerInPlace(std::string& s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
}

std::string LowerAscii(std::string_view s) {
    std::string out(s);
    LowerInPlace(out);
    return out;
}

// The attribute text still to be read. The literal reading removes each
// name from where it was found, leaving whatever stood before it at the
// front; done on one string that is quadratic. Here the text is `front_`
// (those leftovers, from frontBegin_ on) followed by text_ from pos_ on. The
// leftovers never hold a name character (a name search finds the leftmost
// one), so names are only looked for in text_, and whatever the reading
// takes from the front is taken from the leftovers first. Every piece is
// made of whole characters, so character boundaries are those of the tag.
class TAttributeText {
public:
    explicit TAttributeText(std::string_view text) : text_(text) {}

    size_t Size() const { return FrontSize() + (text_.size() - pos_); }

    // The offset of the first `quote` after offset 0 that starts a
    // character, or Size(). Without leftovers (nearly always) a byte search
    // whose hits are checked by looking back over the lead bytes.
    size_t FindQuote(char quote) const {
        const size_t size = Size();
        if (FrontSize() == 0) {
            const std::string_view rest = text_.substr(pos_);
            size_t known = 0;
            if (!rest.empty()) known = CharLength(0); // the first character is the quote itself
            size_t from = known;
            for (;;) {
                const size_t p = rest.find(quote, from);
                if (p == std::string_view::npos) return size;
                size_t k = p;
                while (k > known && TSjisText::IsLeadByte(static_cast<unsigned char>(rest[k - 1]))) --k;
                if ((p - k) % 2 == 0) return p;
                known = from = p + 1; // p was a second byte
            }
        }
        size_t c = 1;
        while (c < size && At(c) != quote) c += CharLength(c);
        return c;
    }

    // The length of the run of characters up to the first space, carriage
    // return, line feed or tab (a second byte never ends it).
    size_t SpanValue() const {
        const size_t size = Size();
        if (FrontSize() == 0) {
            const char* p = text_.data() + pos_;
            size_t c = 0;
            while (c < size) {
                const char b = p[c];
                if (IsTagSpace(b)) break;
                c += (TSjisText::IsLeadByte(static_cast<unsigned char>(b)) && c + 1 < size) ? 2 : 1;
            }
            return c;
        }
        size_t c = 0;
        while (c < size && !IsTagSpace(At(c))) c += CharLength(c);
        return c;
    }
    char At(size_t i) const {
        const size_t f = FrontSize();
        return i < f ? front_[frontBegin_ + i] : text_[pos_ + i - f];
    }
    size_t CharLength(size_t i) const {
        return (TSjisText::IsLeadByte(static_cast<unsigned char>(At(i))) && i + 1 < Size()) ? 2 : 1;
    }
    // The text [from, from + count): a view of the tag when no leftovers
    // come into it (nearly always), else a copy made in `scratch`.
    std::string_view Text(size_t from, size_t count, std::string& scratch) const {
        const size_t f = FrontSize();
        if (from >= f) return text_.substr(pos_ + from - f, count);
        scratch.clear();
        Copy(from, count, scratch);
        return scratch;
    }
    void Copy(size_t from, size_t count, std::string& out) const {
        const size_t f = FrontSize();
        if (from < f) {
            const size_t k = std::min(count, f - from);
            out.append(front_, frontBegin_ + from, k);
            from += k;
            count -= k;
        }
        if (count > 0) out.append(text_.substr(pos_ + from - f, count));
    }
    void Consume(size_t count) {
        const size_t f = FrontSize();
        if (count < f) {
            frontBegin_ += count;
            return;
        }
        pos_ += count - f;
        front_.clear();
        frontBegin_ = 0;
        frontText_ = std::string::npos;
    }

    // Number of white-space bytes (space, CR, LF, tab) at the front. The
    // first non-white byte of the leftovers is remembered, so that asking
    // again and again stays linear.
    size_t LeadingSpace() {
        if (frontText_ != std::string::npos && frontText_ < frontBegin_) {
            size_t i = frontBegin_;
            while (i < front_.size() && IsTagSpace(front_[i])) ++i;
            frontText_ = i < front_.size() ? i : std::string::npos;
        }
        if (frontText_ != std::string::npos) return frontText_ - frontBegin_;
        size_t i = pos_;
        while (i < text_.size() && IsTagSpace(text_[i])) ++i;
        return FrontSize() + (i - pos_);
    }

    // Finds the next name ("[_a-zA-Z0-9\-]+" first, "[a-zA-Z0-9]+" later),
    // moves the text before it to the leftovers and returns it; empty when
    // there is none.
    std::string_view TakeName(bool first) {
        const size_t n = text_.size();
        size_t p = pos_;
        while (p < n && !IsAttrNameChar(text_[p], first)) p += TSjisText::CharLength(text_, p);
        if (p >= n) return {};
        size_t e = p;
        while (e < n && IsAttrNameChar(text_[e], first)) ++e;
        if (p > pos_) {
            const size_t at = front_.size();
            front_.append(text_.substr(pos_, p - pos_));
            if (frontText_ == std::string::npos) {
                size_t i = std::max(at, frontBegin_);
                while (i < front_.size() && IsTagSpace(front_[i])) ++i;
                if (i < front_.size()) frontText_ = i;
            }
        }
        pos_ = e;
        return text_.substr(p, e - p);
    }

private:
    size_t FrontSize() const { return front_.size() - frontBegin_; }

    std::string_view text_;
    size_t pos_ = 0;
    std::string front_;
    size_t frontBegin_ = 0;
    size_t frontText_ = std::string::npos; // first non-white byte of front_ at or after frontBegin_
};

} // namespace

// ---------------------------------------------------------------------------
// TTagAttributes

size_t TTagAttributes::FindIndex(std::string_view lowerName) const {
    if (!index_.empty()) {
        auto it = index_.find(std::string(lowerName));
        return it == index_.end() ? std::string::npos : it->second;
    }
    for (size_t i = 0; i < used_; ++i)
        if (entries_[i].alive && entries_[i].pair.Name == lowerName) return i;
    return std::string::npos;
}

const std::string& TTagAttributes::EmptyValue() {
    static const std::string empty;
    return empty;
}

size_t TTagAttributes::FindLowered(std::string_view name) const { return FindIndex(LowerAscii(name)); }

void TTagAttributes::SetValue(std::string_view name, std::string_view value) {
    std::string lowered;
    if (HasUpperAscii(name)) {
        lowered = LowerAscii(name);
        name = lowered;
    }
    size_t i = FindIndex(name);
    if (value.empty()) {
        if (i == std::string::npos) return;
        entries_[i].alive = false;
        if (!index_.empty()) index_.erase(std::string(name));
        --live_;
        if (used_ - live_ > live_ + kLinearLimit) Compact();
        return;
    }
    if (i != std::string::npos) {
        entries_[i].pair.Value.assign(value);
        return;
    }
    if (used_ < entries_.size()) {
        Entry& e = entries_[used_];
        e.pair.Name.assign(name);
        e.pair.Value.assign(value);
        e.alive = true;
    } else {
        entries_.push_back(Entry{TTagAttribute{std::string(name), std::string(value)}, true});
    }
    ++used_;
    ++live_;
    if (!index_.empty()) {
        index_.emplace(std::string(name), used_ - 1);
    } else if (used_ > kLinearLimit) {
        RebuildIndex();
    }
}

void TTagAttributes::Clear() {
    used_ = 0;
    live_ = 0;
    if (!index_.empty()) index_.clear();
}

std::vector<TTagAttribute> TTagAttributes::List() const {
    std::vector<TTagAttribute> out;
    out.reserve(live_);
    ForEach([&](const std::string& name, const std::string& value) { out.push_back({name, value}); });
    return out;
}

void TTagAttributes::Compact() {
    size_t to = 0;
    for (size_t from = 0; from < used_; ++from)
        if (entries_[from].alive) {
            if (to != from) std::swap(entries_[to], entries_[from]);
            ++to;
        }
    for (size_t k = to; k < used_; ++k) entries_[k].alive = false;
    used_ = to;
    RebuildIndex();
}

void TTagAttributes::RebuildIndex() {
    index_.clear();
    if (used_ <= kLinearLimit) return;
    for (size_t i = 0; i < used_; ++i)
        if (entries_[i].alive) index_.emplace(entries_[i].pair.Name, i);
}

// ---------------------------------------------------------------------------
// TInetTagObjectEx

TInetTagObjectEx::TInetTagObjectEx(std::string text) : Source(std::move(text)) {
    SetAttributeList(Source);
}

void TInetTagObjectEx::Reset(std::string_view text) {
    Source.assign(text);
    SetAttributeList(Source);
}

std::string TInetTagObjectEx::TextOf(std::string_view text) {
    std::string out(text);
    RemoveBreaks(out);
    TrimInPlace(out);
    return out;
}

void TInetTagObjectEx::SetAttributeList(std::string_view text) {
    TagName.clear();
    Attributes.Clear();
    Text.clear();

    if (text.empty() || text[0] != '<') {
        if (!WantText) return;
        Text.assign(text);
        RemoveBreaks(Text);
        TrimInPlace(Text);
        return;
    }

    // Everything between the angle brackets; the last byte is ">" for every
    // tag the scanner makes.
    const std::string_view rest = TrimView(text.size() >= 2 ? text.substr(1, text.size() - 2) : std::string_view());
    const size_t n = rest.size();

    size_t pos = 0;
    while (pos < n && IsTagNameChar(rest[pos])) ++pos;
    if (pos == 0) return; // a comment, a declaration or a stray "<"
    TagName.assign(rest.substr(0, pos));
    LowerInPlace(TagName);
    if (pos < n && rest[pos] == ' ') ++pos;

    TAttributeText remaining(rest.substr(pos));
    bool first = true;
    bool quoteGone[3] = {false, false, false}; // no ", ' or ` is left in the text
    static constexpr char kQuotes[3] = {'"', '\'', '`'};

    for (;;) {
        // 1.-2. The next name; what stood before it stays in front. The
        // name is a view of the tag text, which the reading never changes.
        const std::string_view name = remaining.TakeName(first);
        if (name.empty()) break;
        first = false;

        // 3. "^[\s\r\n\t]*=[\s\r\n\t]*" at the front of the remaining text.
        std::string_view value;
        size_t k = remaining.LeadingSpace();
        if (k < remaining.Size() && remaining.At(k) == '=') {
            ++k;
            while (k < remaining.Size() && IsTagSpace(remaining.At(k))) ++k;
            remaining.Consume(k);

            bool quoted = false;
            const size_t size = remaining.Size();
            for (int qi = 0; qi < 3 && size > 0; ++qi) {
                const char quote = kQuotes[qi];
                if (remaining.At(0) != quote || quoteGone[qi]) continue;
                const size_t c = remaining.FindQuote(quote);
                if (c < size) {
                    value = remaining.Text(1, c - 1, scratch_);
                    if (HasBreaks(value)) {
                        if (value.data() != scratch_.data()) scratch_.assign(value);
                        RemoveBreaks(scratch_);
                        value = scratch_;
                    }
                    remaining.Consume(c + 1);
                    quoted = true;
                } else {
                    // Nothing after this point can open such a quoted value again.
                    quoteGone[qi] = true;
                }
                break;
            }
            if (!quoted) {
                const size_t c = remaining.SpanValue();
                value = remaining.Text(0, c, scratch_);
                remaining.Consume(c);
            }
        }

        // 4. Empty values are not kept (and drop an earlier one).
        Attributes.SetValue(name, TrimView(value));

        // 5. One leading space goes.
        if (remaining.Size() > 0 && remaining.At(0) == ' ') remaining.Consume(1);
    }
}
