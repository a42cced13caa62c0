#include "engine/QorPageItems.h"

#include "engine/QorURLExpand.h"
#include "engine/QorURLReplace.h"
#include "inet/CharCodeConv.h"
#include "inet/ExRegexp.h"
#include "inet/InetHTMLEx.h"
#include "inet/InetHTTPResponseHeader.h"
#include "inet/InetTagObjectEx.h"
#include "inet/InetURLEncoder.h"
#include "platform/CodePage.h"
#include "platform/SjisText.h"
#include "platform/TextHash.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <stdexcept>

namespace {

constexpr size_t npos = std::string::npos;

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 0x20; }
bool IsLead(char c) { return TSjisText::IsLeadByte(static_cast<unsigned char>(c)); }
bool IsGap(char c) { return c == ' ' || c == '\t'; }

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// Whether `text` begins with the lower-case ASCII `prefix` in any letter case.
bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (Lower(text[i]) != prefix[i]) return false;
    return true;
}

bool Contains(std::string_view text, std::string_view what) { return text.find(what) != std::string_view::npos; }

// ---------------------------------------------------------------------------
// Numeric character references

// Reads a reference's number the way the program always has: leading
// spaces, a sign, then decimal digits or hexadecimal ones after "$", "x",
// "X" or "0x". Decimal numbers must fit a signed 32-bit integer, hexadecimal
// ones 32 bits. Anything else (empty, other characters, overflow) fails.
bool ReadInteger(std::string_view s, int64_t& value) {
    size_t k = 0;
    while (k < s.size() && s[k] == ' ') ++k;
    bool negative = false;
    if (k < s.size() && (s[k] == '-' || s[k] == '+')) negative = s[k++] == '-';
    bool hex = false;
    if (k < s.size() && (s[k] == '$' || s[k] == 'x' || s[k] == 'X')) {
        hex = true;
        ++k;
    } else if (k + 1 < s.size() && s[k] == '0' && (s[k + 1] == 'x' || s[k + 1] == 'X')) {
        hex = true;
        k += 2;
    }
    if (k >= s.size()) return false;
    const uint64_t limit = hex ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    uint64_t v = 0;
    for (; k < s.size(); ++k) {
        char c = s[k];
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return false;
        v = v * (hex ? 16 : 10) + static_cast<uint64_t>(d);
        if (v > limit) return false;
    }
    value = negative ? -static_cast<int64_t>(v) : static_cast<int64_t>(v);
    return true;
}

// One UTF-16 code unit in the system code page; empty for 0.
std::string CodeUnitToSystem(uint16_t unit) {
    if (unit == 0) return std::string();
    if (unit < 0x80) return std::string(1, static_cast<char>(unit));
    return TCodePage::FromUtf16(std::u16string(1, static_cast<char16_t>(unit)));
}

// "&" followed by "amp;" any number of times, then one of the other four
// names: what the named pass leaves for an "&" at `i`, and where the text
// after it starts.
void DecodeNamed(std::string_view text, size_t i, std::string& out, size_t& next) {
    size_t j = i + 1;
    while (text.compare(j, 4, "amp;") == 0) j += 4;
    struct Name {
        std::string_view name;
        char c;
    };
    static constexpr Name kNames[] = {{"quot;", '"'}, {"gt;", '>'}, {"lt;", '<'}, {"nbsp;", ' '}};
    for (const Name& n : kNames)
        if (text.compare(j, n.name.size(), n.name) == 0) {
            out.push_back(n.c);
            next = j + n.name.size();
            return;
        }
    out.push_back('&');
    next = j;
}

// ---------------------------------------------------------------------------
// Character set

// Well-formed UTF-8 holding at least one multi-byte character.
bool LooksLikeUtf8(std::string_view text) {
    bool multi = false;
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    for (size_t i = 0; i < n;) {
        unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        size_t len;
        uint32_t cp;
        uint32_t min;
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2, cp = c & 0x1F, min = 0x80;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3, cp = c & 0x0F, min = 0x800;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4, cp = c & 0x07, min = 0x10000;
        } else {
            return false;
        }
        if (i + len > n) return false;
        for (size_t k = 1; k < len; ++k) {
            if ((p[i + k] & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        multi = true;
        i += len;
    }
    return multi;
}

// Position of the first "<body" in any letter case, on a character boundary.
size_t FindBodyTag(std::string_view text) {
    size_t from = 0;
    for (;;) {
        size_t p = TSjisText::FindChar(text, '<', from);
        if (p == npos) return npos;
        if (p + 5 <= text.size() && Lower(text[p + 1]) == 'b' && Lower(text[p + 2]) == 'o' &&
            Lower(text[p + 3]) == 'd' && Lower(text[p + 4]) == 'y')
            return p;
        from = p + 1;
    }
}

// ---------------------------------------------------------------------------
// Addresses of the page

// The scheme of an address ("[A-Za-z][A-Za-z0-9+.-]*:") in lower case;
// empty when there is none. A single letter is a drive ("C:\dir").
std::string SchemeOf(std::string_view address) {
    size_t i = 0;
    while (i < address.size()) {
        const char c = address[i];
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!letter && (i == 0 || !((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'))) break;
        ++i;
    }
    if (i < 2 || i >= address.size() || address[i] != ':') return std::string();
    std::string scheme(address.substr(0, i));
    for (char& c : scheme) c = Lower(c);
    return scheme;
}

// The schemes whose addresses become file records; mailto: makes mail
// records. Everything else (data:, tel:, about:, blob: ...) is not fetched.
bool IsFetchedScheme(std::string_view scheme) {
    static constexpr std::string_view kFetched[] = {"http", "https", "ftp", "mms", "rtsp", "file", "hcp"};
    for (std::string_view s : kFetched)
        if (s == scheme) return true;
    return false;
}

bool IsHtmlSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

// The address of every candidate of a srcset attribute, read as the HTML
// standard's parser reads them: separators are white space and commas, an
// address runs up to white space and loses its trailing commas, and the
// descriptors after it run to the next comma outside parentheses. None of
// these signs is ever the second byte of a character.
template <typename Fn>
void ForEachSrcsetAddress(std::string_view set, Fn&& fn) {
    const size_t n = set.size();
    size_t i = 0;
    for (;;) {
        while (i < n && (IsHtmlSpace(set[i]) || set[i] == ',')) ++i;
        if (i >= n) return;
        const size_t start = i;
        while (i < n && !IsHtmlSpace(set[i])) ++i;
        size_t end = i;
        while (end > start && set[end - 1] == ',') --end;
        fn(set.substr(start, end - start));
        if (end < i) continue; // a comma ended it: no descriptors
        bool paren = false;
        while (i < n) {
            const char c = set[i++];
            if (paren) {
                if (c == ')') paren = false;
            } else if (c == '(') {
                paren = true;
            } else if (c == ',') {
                break;
            }
        }
    }
}

// The address of every url(...) in a piece of style sheet, quoted or not,
// escapes left as written. Comments and strings are passed over, and so
// is a url that is only a fragment (it names something inside the page).
template <typename Fn>
void ForEachCssUrl(std::string_view css, Fn&& fn) {
    const size_t n = css.size();
    auto identChar = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
               c == '\\' || static_cast<unsigned char>(c) >= 0x80;
    };
    // Passes over a string opened at `q`; where it ends.
    auto skipString = [&](size_t q) {
        const char quote = css[q];
        size_t k = q + 1;
        while (k < n && css[k] != quote && css[k] != '\n')
            k += css[k] == '\\' && k + 1 < n ? 2 : TSjisText::CharLength(css, k);
        return k;
    };
    bool afterIdent = false;
    size_t i = 0;
    while (i < n) {
        const char c = css[i];
        if (c == '/' && i + 1 < n && css[i + 1] == '*') {
            const size_t close = css.find("*/", i + 2);
            if (close == std::string_view::npos) return;
            i = close + 2;
            afterIdent = false;
            continue;
        }
        if (c == '"' || c == '\'') {
            i = skipString(i) + 1;
            afterIdent = false;
            continue;
        }
        if (!afterIdent && (c == 'u' || c == 'U') && i + 3 < n && Lower(css[i + 1]) == 'r' && Lower(css[i + 2]) == 'l' &&
            css[i + 3] == '(') {
            size_t j = i + 4;
            while (j < n && IsHtmlSpace(css[j])) ++j;
            std::string_view url;
            if (j < n && (css[j] == '"' || css[j] == '\'')) {
                const size_t k = skipString(j);
                url = css.substr(j + 1, std::min(k, n) - j - 1);
                i = k + 1;
            } else {
                size_t k = j;
                while (k < n && css[k] != ')' && !IsHtmlSpace(css[k]))
                    k += css[k] == '\\' && k + 1 < n ? 2 : TSjisText::CharLength(css, k);
                url = css.substr(j, k - j);
                i = k;
            }
            if (!url.empty() && url[0] != '#') fn(url);
            afterIdent = false;
            continue;
        }
        const size_t len = TSjisText::CharLength(css, i);
        afterIdent = len > 1 || identChar(c);
        i += len;
    }
}

// A text piece as the page has it, its tabs and line breaks read as the
// white space they are. A line break between two double-byte characters
// goes without a trace, as Japanese text is wrapped without spaces.
std::string PieceText(std::string_view text) {
    if (text.find_first_of("\t\r\n") == std::string_view::npos) return std::string(text);
    std::string out;
    out.reserve(text.size());
    bool wideBefore = false;
    for (size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (c == '\t' || c == '\r' || c == '\n') {
            size_t j = i;
            bool tab = false;
            while (j < text.size() && (text[j] == '\t' || text[j] == '\r' || text[j] == '\n')) tab |= text[j++] == '\t';
            const bool wideAfter = j < text.size() && TSjisText::CharLength(text, j) == 2;
            if (tab || !wideBefore || !wideAfter) out.push_back(' ');
            i = j;
            continue;
        }
        const size_t len = TSjisText::CharLength(text, i);
        out.append(text, i, len);
        wideBefore = len == 2;
        i += len;
    }
    return out;
}

} // namespace

// ===========================================================================
// TQorAnchorText

void TQorAnchorText::Reset(std::string_view folded) {
    buf_.clear();
    head_ = 0;
    gap_ = false;
    words_ = false;
    last_ = 0;
    solid_ = npos;
    solidEnd_ = 0;
    solidCut_ = false;
    lead_ = false;
    run_ = npos;
    Append(folded);
}

void TQorAnchorText::Append(std::string_view piece) {
    size_t i = 0;
    const size_t n = piece.size();
    if (lead_ && n > 0) {
        // The lone lead byte at the end takes the first byte as its second.
        buf_.push_back(piece[0]);
        solid_ = buf_.size() - 2;
        solidCut_ = IsBlank(piece[0]);
        solidEnd_ = solidCut_ ? solid_ + 1 : solid_ + 2;
        lead_ = false;
        i = 1;
    }
    while (i < n) {
        // A run of single bytes that are neither lead bytes nor gaps goes in at once.
        size_t j = i;
        size_t lastSolid = npos;
        while (j < n && !IsLead(piece[j]) && !IsGap(piece[j])) {
            if (!IsBlank(piece[j])) lastSolid = j;
            ++j;
        }
        if (j > i) {
            const size_t at = buf_.size();
            buf_.append(piece, i, j - i);
            if (lastSolid != npos) {
                solid_ = at + (lastSolid - i);
                solidEnd_ = solid_ + 1;
                solidCut_ = false;
            }
            i = j;
            continue;
        }
        if (IsGap(piece[i])) {
            CloseWord();
            ++i;
            continue;
        }
        // A lead byte: a pair, or a lone byte at the end of the piece.
        if (i + 1 < n) {
            buf_.append(piece, i, 2);
            solid_ = buf_.size() - 2;
            solidCut_ = IsBlank(piece[i + 1]);
            solidEnd_ = solidCut_ ? solid_ + 1 : solid_ + 2;
            i += 2;
        } else {
            buf_.push_back(piece[i]);
            solid_ = buf_.size() - 1;
            solidEnd_ = solid_ + 1;
            solidCut_ = false;
            lead_ = true;
            ++i;
        }
    }
    AfterAppend();
}

void TQorAnchorText::CloseWord() {
    gap_ = true;
    if (solid_ == npos) {
        // A word of blank bytes vanishes; the words stay joined by one space.
        if (words_) {
            buf_.resize(last_);
        } else {
            buf_.resize(head_);
            buf_.push_back(' ');
            last_ = buf_.size();
        }
        return;
    }
    // The word loses its blank end; the first word its blank front as well
    // (and the space in front of it).
    size_t start = last_;
    if (!words_) {
        while (IsBlank(buf_[start])) ++start;
        head_ = start;
    }
    buf_.resize(solidEnd_);
    if (solidCut_) {
        if (run_ == npos) run_ = start;
    } else {
        run_ = npos;
    }
    words_ = true;
    buf_.push_back(' ');
    last_ = buf_.size();
    solid_ = npos;
    solidCut_ = false;
}

void TQorAnchorText::AfterAppend() {
    const size_t run = run_;
    run_ = npos;
    if (run == npos || !words_) return;
    // The words from `run` on each end in a bare lead byte, which takes the
    // joining space after it as its second byte: they and the last word are
    // one word of the text.
    const size_t sep = last_ - 1;
    if (solid_ == npos) {
        solid_ = sep - 1;
        solidEnd_ = sep;
        solidCut_ = true;
    }
    if (run == head_) {
        gap_ = false;
        words_ = false;
        last_ = head_;
    } else {
        last_ = run;
    }
}

// ===========================================================================
// TQorPageItems

struct TQorPageItems::TWalk {
    int script = 0; // 0 outside scripts, 1 on a tag that may still yield an address, 2 inside a script
    bool anchorOpen = false;
    bool inForm = false;
    bool firstField = true;
    std::string formAddress;
    std::string pendingText;
    bool inTitle = false;
    bool inStyle = false;
    bool gap = false;       // white space since the last piece of link text
    std::string base;       // cut after its last "/"
    std::string baseDoc;    // the base address itself
    size_t rangeBudget = kMaxRangeAddressesPerPage;
};

TQorPageItems::TQorPageItems()
    : PageFile(std::make_unique<TQorFile>()) {}

TQorPageItems::~TQorPageItems() { ClearFileList(); }

void TQorPageItems::SetPageFile(const TQorFile& file) { PageFile->Assign(&file); }

TQorFile* TQorPageItems::GetFile(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= Files.size()) return nullptr;
    return Files[static_cast<size_t>(index)].get();
}

void TQorPageItems::ClearFileList() {
    anchorRecord_ = nullptr;
    Files.clear();
    FileKeys.Clear();
    keyIndex_.Clear();
}

void TQorPageItems::SetHeaderInfo(const TInetHTTPResponseHeader* header) {
    Charset = ctUnknown;
    Header = header;
    if (!header) return;
    std::string location = TSjisText::Trim(header->Values.Get("location"));
    if (!location.empty()) CreateFileInfo(ExpandRelativePath(ResolveReference(std::move(location), TWalk{}), ""), true, false);
    Charset = header->Charset;
}

bool TQorPageItems::ConvertText(std::string_view text, std::string& out) {
    if (!DetectCharset && ForceCharset == ctUnknown) {
        Charset = ctSjis;
        return false;
    }
    const std::string meta = GetMetaCharSet(text);
    if (!meta.empty() && ForceCharset == ctUnknown) {
        // "iso2022-jp" without the first hyphen, as the program always read it.
        if (Contains(meta, "shift_jis"))
            Charset = ctSjis;
        else if (Contains(meta, "euc-jp"))
            Charset = ctEuc;
        else if (Contains(meta, "utf-8"))
            Charset = ctUtf8;
        else if (Contains(meta, "iso2022-jp"))
            Charset = ctJis;
    }
    if (ForceCharset != ctUnknown) Charset = ForceCharset;

    switch (Charset) {
    case ctEuc: out = TCharCodeConv::EUCtoSJIS(text); return true;
    case ctUtf8: out = TCodePage::FromUtf8(text); return true;
    case ctJis: out = TCharCodeConv::JIStoSJIS(text); return true;
    case ctSjis: return false;
    case ctUnknown: break;
    }
    const int type = TCharCodeConv::GetCodeType(text);
    if (type == 0) {
        Charset = ctJis;
        out = TCharCodeConv::JIStoSJIS(text);
        return true;
    }
    // Undeclared UTF-8 would otherwise be taken for Shift-JIS (or EUC) and
    // come out garbled. Japanese text in Shift-JIS or EUC-JP is practically
    // never well-formed UTF-8: no UTF-8 character starts with a Shift-JIS
    // lead byte 0x81-0x9F, nor with the first byte 0xA1-0xA5 of the EUC-JP
    // kana and punctuation.
    if (LooksLikeUtf8(text)) {
        Charset = ctUtf8;
        out = TCodePage::FromUtf8(text);
        return true;
    }
    // The guess looks at single bytes only. When it gives broken sequences
    // and the other code reads the whole page cleanly, the other is right
    // (EUC-JP half-width kana look like Shift-JIS lead bytes, Shift-JIS kana
    // runs like EUC-JP pairs).
    bool euc = type == 2;
    if (euc ? !TCharCodeConv::IsValidEUC(text) && TCharCodeConv::IsValidSJIS(text)
            : !TCharCodeConv::IsValidSJIS(text) && TCharCodeConv::IsValidEUC(text) &&
                  std::memchr(text.data(), 0, text.size()) == nullptr)
        euc = !euc;
    if (euc) {
        Charset = ctEuc;
        out = TCharCodeConv::EUCtoSJIS(text);
        return true;
    }
    Charset = ctSjis;
    return false;
}

void TQorPageItems::SetSource(std::string_view text) {
    if (text.empty()) {
        Source.clear();
        return;
    }
    Canceled.store(false, std::memory_order_relaxed);
    std::string converted;
    if (ConvertText(text, converted))
        Source = std::move(converted);
    else
        Source.assign(text);
    Walk();
}

void TQorPageItems::SetSource(std::string&& text) {
    if (text.empty()) {
        Source.clear();
        return;
    }
    Canceled.store(false, std::memory_order_relaxed);
    // A page that needs no conversion becomes Source as it is, without a
    // second copy of it.
    std::string converted;
    if (ConvertText(text, converted)) {
        text.clear();
        text.shrink_to_fit();
        Source = std::move(converted);
    } else {
        Source = std::move(text);
    }
    Walk();
}

void TQorPageItems::Walk() {
    Title.clear();

    // About one address per 200 bytes of a dense page, one per 140 on the
    // densest; growing the index costs more than a table a little too big.
    const size_t expected = Source.size() / 140;
    keyIndex_.Reserve(Files.size() + expected, FileKeys);
    Files.reserve(Files.size() + expected);
    FileKeys.Reserve(FileKeys.size() + expected, expected * 48);

    // Nothing changes the page's record while its tags are read.
    const TInetURLEx& page = *PageFile->URL;
    forms_.fullDir = page.GetFullDir();
    forms_.hostPath = page.GetHostPath();
    forms_.portURL = page.GetPortURL();
    PageFile->URL->WithPort = true;
    forms_.compFullDirWithPort = page.GetCompFullDir();
    PageFile->URL->WithPort = false;
    forms_.valid = true;
    walkFirst_ = Files.size();
    // The rules stay those of the walk's start (an edit counts from the next page).
    replacing_ = Replacer ? Replacer->View() : TQorURLReplace::TView{};
    written_.Clear();
    hasText_.clear();
    hasText_.reserve(expected);
    struct TFormsGone {
        TQorPageItems& items;
        ~TFormsGone() {
            items.forms_.valid = false;
            items.walkFirst_ = kNotWalking;
            items.replacing_ = {};
            items.hasText_.clear();
            items.hasText_.shrink_to_fit();
        }
    } formsGone{*this};

    // The items are walked as the scanner reads them, one reused item at a
    // time: a list of them all would cost several times the page.
    TInetHTMLEx html;
    html.SearchURL = SearchAnchor && PageFile->Kind != TQorFile::kLocal;
    html.SearchFile = SearchFile;
    html.ItemText = false; // only the title's text is read, from its source
    TWalk walk;
    anchorRecord_ = nullptr;
    html.ScanItems(
        Source,
        [&](const TInetTagObjectEx& item) {
            if (Canceled.load(std::memory_order_relaxed)) return false;
            ProcessTag(item, walk);
            return true;
        },
        [&](std::string_view href) {
            if (Canceled.load(std::memory_order_relaxed)) return false;
            ProcessFound(href, walk);
            return true;
        });
    ReleaseAnchor();
    Header = nullptr;
}

namespace {

// The tags the walk knows, told apart once per tag instead of comparing the
// name with each in turn.
enum class TTag {
    Other, A, EndA, FakeA, Frame, Img, Iframe, Source, Embed, Object, Script, EndScript, Form, Input, EndForm,
    Option, Area, Link, Ref, Body, Layer, Meta, Base, Param, Title, EndTitle, Style, EndStyle
};

TTag ClassifyTag(std::string_view name) {
    struct Known {
        std::string_view name;
        TTag tag;
    };
    static constexpr Known kKnown[] = {
        {"a", TTag::A}, {"/a", TTag::EndA}, {"_fake_a", TTag::FakeA}, {"frame", TTag::Frame}, {"img", TTag::Img},
        {"iframe", TTag::Iframe}, {"source", TTag::Source}, {"embed", TTag::Embed}, {"object", TTag::Object},
        {"script", TTag::Script}, {"/script", TTag::EndScript}, {"form", TTag::Form}, {"input", TTag::Input},
        {"/form", TTag::EndForm}, {"option", TTag::Option}, {"area", TTag::Area}, {"link", TTag::Link},
        {"ref", TTag::Ref}, {"body", TTag::Body}, {"layer", TTag::Layer}, {"meta", TTag::Meta}, {"base", TTag::Base},
        {"param", TTag::Param}, {"title", TTag::Title}, {"/title", TTag::EndTitle}, {"style", TTag::Style},
        {"/style", TTag::EndStyle},
    };
    if (name.empty() || name.size() > 7) return TTag::Other;
    for (const Known& k : kKnown)
        if (k.name.size() == name.size() && k.name[0] == name[0] && k.name == name) return k.tag;
    return TTag::Other;
}

} // namespace

void TQorPageItems::ProcessTag(const TInetTagObjectEx& tag, TWalk& walk) {
    const TTag kind = ClassifyTag(tag.TagName);
    const TTagAttributes& attrs = tag.Attributes;
    // The address of the tag: a view of its attribute where it is one.
    std::string_view address;
    std::string built; // an address made here
    std::string imageButton; // the picture of an image button
    if (tag.SpaceBefore) walk.gap = true;

    if (kind == TTag::A) {
        address = attrs.Value("href");
        if (walk.script == 0) {
            if (walk.anchorOpen) ReleaseAnchor();
            walk.anchorOpen = true;
        }
    } else if (kind == TTag::EndA) {
        walk.anchorOpen = false;
        ReleaseAnchor();
    } else if (kind == TTag::FakeA) {
        built = attrs.Value("href");
        if (ExpandRange(built, walk)) built.clear();
        address = built;
        if (walk.script == 2) walk.script = 1;
    } else if (kind == TTag::Frame || kind == TTag::Img || kind == TTag::Iframe || kind == TTag::Source ||
               kind == TTag::Embed) {
        address = attrs.Value("src");
    } else if (kind == TTag::Object) {
        address = attrs.Value("data");
    } else if (kind == TTag::Script) {
        address = attrs.Value("src");
        walk.script = 1;
    } else if (kind == TTag::EndScript) {
        walk.script = 0;
    } else if (kind == TTag::Form) {
        walk.formAddress = attrs.Value("action");
        walk.inForm = true;
        walk.firstField = true;
    } else if (kind == TTag::Input) {
        const std::string type = TSjisText::LowerCase(attrs.Value("type"));
        if (type == "image") imageButton = attrs.Value("src");
        if (walk.inForm) {
            if (type == "hidden") {
                // "&amp;" turns into "&" when the address is decoded.
                walk.formAddress += walk.firstField ? "?" : "&amp;";
                walk.formAddress += attrs.Value("name");
                walk.formAddress += '=';
                walk.formAddress += attrs.Value("value");
                walk.firstField = false;
            } else if (type == "submit") {
                walk.pendingText = attrs.Value("value");
            } else if (type == "image") {
                walk.pendingText = attrs.Value("alt");
            } else {
                walk.inForm = false; // a field the user fills in
            }
        }
    } else if (kind == TTag::EndForm) {
        if (walk.inForm) {
            built = walk.formAddress;
            address = built;
            walk.inForm = false;
        }
    } else if (kind == TTag::Option) {
        walk.inForm = false;
    } else if (kind == TTag::Area || kind == TTag::Link || kind == TTag::Ref) {
        address = attrs.Value("href");
    } else if (kind == TTag::Body || kind == TTag::Layer) {
        address = attrs.Value("background");
    } else if (kind == TTag::Meta) {
        const std::string& content = attrs.Value("content");
        size_t at = TSjisText::Find(TSjisText::LowerCase(content), "url=");
        if (at != npos) address = std::string_view(content).substr(at + 4);
    } else if (kind == TTag::Base) {
        SetBase(attrs.Value("href").empty() ? attrs.Value("src") : attrs.Value("href"), walk);
    } else if (kind == TTag::Param) {
        const std::string param = TSjisText::LowerCase(attrs.Value("name"));
        if (param == "filename" || param == "movie" || param == "src") address = attrs.Value("value");
    } else if (kind == TTag::Title || kind == TTag::EndTitle) {
        walk.inTitle = !walk.inTitle;
    } else {
        if (kind == TTag::Style) walk.inStyle = true;
        if (kind == TTag::EndStyle) walk.inStyle = false;
        // Comments and declarations have no name either, but are no text.
        const bool text = !tag.Source.empty() && tag.Source[0] != '<';
        // The walk's items carry no Text (a tag's is empty anyway).
        if (walk.inTitle && Title.empty() && text) Title = ChangeHTMLSymbol(TInetTagObjectEx::TextOf(tag.Source));
        if (SearchAnchorStr && walk.anchorOpen && anchorRecord_ && text)
            AppendAnchorText(tag.Source, walk);
        if (walk.inStyle && text)
            // A style element's text is not markup: its references stay as written.
            ForEachCssUrl(tag.Source, [&](std::string_view url) { ProcessMoreAddress(std::string(url), walk, false); });
    }

    if (!address.empty()) ProcessAddress(address, &tag, walk);

    // Addresses beyond the tag's own: the candidates of a picture set, an
    // image button's picture, and the pictures of its style. They give no
    // link text and leave the anchor being read alone.
    if (kind == TTag::Img || kind == TTag::Source) {
        if (const std::string& set = attrs.Value("srcset"); !set.empty())
            ForEachSrcsetAddress(set, [&](std::string_view url) { ProcessMoreAddress(std::string(url), walk); });
    }
    if (!imageButton.empty()) ProcessMoreAddress(std::move(imageButton), walk);
    if (const std::string& style = attrs.Value("style"); !style.empty())
        ForEachCssUrl(style, [&](std::string_view url) { ProcessMoreAddress(std::string(url), walk); });

    if (SearchAnchorStr && anchorRecord_) {
        if (const std::string& alt = attrs.Value("alt"); !alt.empty()) AppendAnchorText(alt, walk, false);
    }
    if (walk.script == 1) walk.script = 2;
}

void TQorPageItems::ProcessFound(std::string_view href, TWalk& walk) {
    // What ProcessTag does with the "_fake_a" item of `href`: the item has
    // no other attribute and no blank before it.
    std::string ranged;
    if (href.find('[') != npos) {
        // Only an address with a range can expand.
        ranged.assign(href);
        if (ExpandRange(ranged, walk)) href = {};
    }
    if (walk.script == 2) walk.script = 1;
    if (!href.empty()) ProcessAddress(href, nullptr, walk);
    if (walk.script == 1) walk.script = 2;
}

void TQorPageItems::AppendAnchorText(std::string_view text, TWalk& walk, bool piece) {
    // Most texts have neither references nor line breaks: then they go in
    // as they stand.
    const bool breaks = piece && text.find_first_of("\t\r\n") != std::string_view::npos;
    if (!breaks && text.find('&') == std::string_view::npos) {
        AppendAnchorPiece(text, walk);
        return;
    }
    AppendAnchorPiece(ChangeHTMLSymbol(breaks ? PieceText(text) : std::string(text)), walk);
}

void TQorPageItems::AppendAnchorPiece(std::string_view piece, TWalk& walk) {
    if (piece.empty()) return;
    // One blank where the page had white space between two pieces.
    if (walk.gap && !anchorText_.Empty()) anchorText_.Append(" ");
    walk.gap = false;
    anchorText_.Append(piece);
}

void TQorPageItems::SetBase(std::string base, TWalk& walk) {
    base = ChangeHTMLSymbol(base);
    // A relative base counts from the page; a drive path ("C:\dir\") is
    // used as given.
    const bool drive = base.size() >= 2 && (base[1] == ':' || base[1] == '|');
    if (!base.empty() && !drive && GetTokenPos(base, "://", "?") == 0 && SchemeOf(base).empty())
        base = ExpandRelativePath(ResolveReference(std::move(base), TWalk{}), "");
    walk.baseDoc = base;
    // Addresses resolve against the new base from here on.
    written_.Clear();
    size_t slash = TSjisText::FindLastChar(base, '/');
    if (slash != npos) base.resize(slash + 1);
    walk.base = std::move(base);
}

std::string TQorPageItems::ResolveReference(std::string address, const TWalk& walk) const {
    if (GetTokenPos(address, "://", "?") != 0) return address;
    // Another host on the same scheme.
    if (address.starts_with("//"))
        return (walk.base.empty() ? PageFile->URL->Scheme : TInetURLEx(walk.base).Scheme) + ":" + address;
    // The same document with another query.
    if (address.starts_with("?")) {
        if (walk.baseDoc.empty()) return PageFile->URL->GetFullDir() + PageFile->URL->FileName + address;
        const TInetURLEx doc(walk.baseDoc);
        return doc.GetFullDir() + doc.FileName + address;
    }
    return address;
}

TQorPageItems::TAddressKind TQorPageItems::ResolveAddress(std::string& address, const TWalk& walk) {
    // A fragment is cut when it comes before any query; a bare fragment is
    // the page itself.
    if (int hash = GetTokenPos(address, "#", "?"); hash > 0) {
        address.resize(static_cast<size_t>(hash - 1));
        if (address.empty()) address = PageFile->URL->GetURL();
    }
    const std::string scheme = SchemeOf(address);
    if (scheme == "mailto") {
        // Mail addresses are often hidden behind escapes ("docs%40python.org").
        std::string mail = address.substr(7);
        const size_t query = TSjisText::FindChar(mail, '?');
        address = TInetURLEncoder::DecodePrintable(std::string_view(mail).substr(0, query));
        if (query != npos) address.append(mail, query, npos);
        return address.empty() ? TAddressKind::None : TAddressKind::Mail;
    }
    if (!scheme.empty() && !IsFetchedScheme(scheme)) return TAddressKind::None;
    address = ResolveReference(std::move(address), walk);
    ExpandRelativePath(address, walk.base, expanded_);
    address.swap(expanded_);
    return TAddressKind::Web;
}

TQorFile* TQorPageItems::ResolveAndCreate(std::string_view written, const TWalk& walk) {
    if (!DuplicateAnchor) {
        TWrittenAddressTable::TAnswer answer;
        if (written_.Find(written, answer)) {
            // What CreateFileInfo answers for a listed address.
            if (static_cast<TAddressKind>(answer.kind) == TAddressKind::None) return nullptr;
            lastIndex_ = answer.index;
            return AnchorTextEmpty(answer.index) ? Files[answer.index].get() : nullptr;
        }
    }
    std::string& address = resolving_;
    address.assign(written);
    const TAddressKind kind = ResolveAddress(address, walk);
    TQorFile* record = kind == TAddressKind::None ? nullptr : CreateFileInfo(address, false, kind == TAddressKind::Mail);
    if (!DuplicateAnchor && lastIndex_ <= UINT32_MAX)
        written_.Put(written, {static_cast<uint32_t>(lastIndex_), static_cast<uint8_t>(kind)});
    return record;
}

void TQorPageItems::ProcessMoreAddress(std::string address, TWalk& walk, bool decode) {
    if (walk.script == 2) return;
    address = TSjisText::Trim(address);
    if (decode && address.find('&') != npos) address = ChangeHTMLSymbol(address);
    if (address.empty()) return;
    const TAddressKind kind = ResolveAddress(address, walk);
    if (kind == TAddressKind::None) return;
    if (TQorFile* record = CreateFileInfo(address, false, kind == TAddressKind::Mail)) record->Post = false;
}

bool TQorPageItems::ExpandRange(const std::string& address, TWalk& walk) {
    // Most addresses hold no range; the expander is only asked when one may.
    if (address.find('[') == npos) return false;
    // A range that would pass what the page has left is refused by the
    // expander itself and then listed as written.
    TQorURLExpandLimits limits;
    limits.AddressesPerLine = std::min(limits.AddressesPerLine, walk.rangeBudget);
    TQorURLExpand expand(address, limits);
    if (!expand.Expanded || expand.Lines.size() > walk.rangeBudget) return false;
    walk.rangeBudget -= expand.Lines.size();
    for (const std::string& line : expand.Lines) CreateFileInfo(line, false, false);
    return true;
}

void TQorPageItems::ProcessAddress(std::string_view address, const TInetTagObjectEx* tag, TWalk& walk) {
    // References are decoded first, as a browser reads the attribute:
    // "a&#64;b.html" is a@b.html, not "a&" and a fragment.
    if (address.find('&') != npos) {
        ChangeHTMLSymbol(address, decoded_);
        address = decoded_;
    }
    if (StartsWithNoCase(address, "javascript:") || StartsWithNoCase(address, "vbscript:")) {
        walk.anchorOpen = false;
        ReleaseAnchor();
        return;
    }
    if (walk.script == 2) return;

    TQorFile* record = ResolveAndCreate(address, walk);

    if (SearchAnchorStr) {
        if (!walk.pendingText.empty()) {
            if (record) ReplaceAnchorText(record, walk.pendingText);
            walk.pendingText.clear();
        }
        if (walk.anchorOpen && !record) {
            walk.anchorOpen = false;
            ReleaseAnchor();
        }
        if (walk.anchorOpen && !anchorRecord_) {
            BindAnchor(record);
        } else if (tag && tag->TagName == "area" && record) {
            ReplaceAnchorText(record, ChangeHTMLSymbol(tag->Attributes.Value("alt")));
        }
    }
    if (record) record->Post = false;
}

namespace {

char LowerAsciiChar(char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; }

// Whether the lower-case form of `host` starts with that of `page`, as
// LowerCase(host).starts_with(LowerCase(page)), compared in place while
// both are ASCII, as nearly every page's hosts are.
bool HostStartsWith(std::string_view host, std::string_view page) {
    // The same bytes in front: each character of the page's host is one of
    // host's, lower-cased alike (a lead byte left at the end is no letter).
    if (host.starts_with(page)) return true;
    const size_t n = std::min(host.size(), page.size());
    for (size_t i = 0; i < n; ++i) {
        const char h = host[i], p = page[i];
        if ((static_cast<unsigned char>(h) | static_cast<unsigned char>(p)) >= 0x80)
            return TSjisText::LowerCase(host).starts_with(TSjisText::LowerCase(page));
        if (LowerAsciiChar(h) != LowerAsciiChar(p)) return false;
    }
    if (page.size() > host.size()) {
        // Lower-casing keeps the length: the page's host is longer.
        return false;
    }
    return true;
}

} // namespace

void TQorPageItems::TakePagePort(TInetURLEx& url) const {
    if (!url.Port.empty()) return;
    if (HostStartsWith(url.Host, PageFile->URL->Host)) url.Port = PageFile->URL->Port;
}

const std::string& TQorPageItems::PageFullDir() {
    if (!forms_.valid) forms_.fullDir = PageFile->URL->GetFullDir();
    return forms_.fullDir;
}

const std::string& TQorPageItems::PageHostPath() {
    if (!forms_.valid) forms_.hostPath = PageFile->URL->GetHostPath();
    return forms_.hostPath;
}

TQorFile* TQorPageItems::CreateFileInfo(std::string_view addressText, bool fromLocation, bool mail) {
    // The address is parsed once into a scratch URL; a record is made only
    // for an address that is not listed yet, from that parse (parsing the
    // final address text again would give the same components).
    TInetURLEx& url = scratchURL_;
    url.SetURL(addressText);
    std::string rewritten;
    const bool replaced = walkFirst_ != kNotWalking ? replacing_.Apply(url, &rewritten)
                                                    : Replacer && Replacer->Apply(url, &rewritten);
    const std::string_view address = replaced ? std::string_view(rewritten) : addressText;

    // The key as listed in FileKeys; keyLower_ as the index looks it up.
    std::string_view key;
    size_t hash = 0;
    if (!DuplicateAnchor) {
        // The key goes to a reused buffer: most addresses of a page are
        // listed already, and their keys are thrown away.
        if (mail) {
            keyLower_.assign(address);
            TSjisText::LowerCaseInPlace(keyLower_);
        } else {
            const bool portless = url.Port.empty();
            TakePagePort(url);
            keyBuf_.clear();
            url.AppendCompURL(keyBuf_);
            keyLower_.assign(keyBuf_);
            TSjisText::LowerCaseInPlace(keyLower_);
            if (portless) url.Port.clear();
        }
        hash = TTextHash::Of(keyLower_);
        const size_t at = keyIndex_.Find(keyLower_, hash, FileKeys);
        if (at != npos) {
            lastIndex_ = at;
            return AnchorTextEmpty(at) ? Files[at].get() : nullptr;
        }
    }

    // As if the record had been parsed from the address itself: the
    // components, then its kind from them.
    std::unique_ptr<TQorFile> record = mail ? std::make_unique<TQorFile>() : std::make_unique<TQorFile>(url);
    if (!mail) {
        record->FromLocation = fromLocation;
        bool sameKey = false;
        if (PageFile->Kind == TQorFile::kWeb && record->Kind == TQorFile::kWeb) {
            if (AutoReferer) {
                if (forms_.valid)
                    record->Referer = forms_.portURL;
                else
                    record->Referer = PageFile->URL->GetPortURL();
            }
            // The port first, and the page's folder with its port: both sides
            // of the test then carry the same port, so that the records of a
            // page on its own port inherit its credentials too.
            TakePagePort(*record->URL);
            sameKey = !DuplicateAnchor; // the port was taken for the key the same way
            std::string folder;
            if (!forms_.valid) {
                PageFile->URL->WithPort = true;
                folder = PageFile->URL->GetCompFullDir();
                PageFile->URL->WithPort = false;
            }
            const std::string& pageFolder = forms_.valid ? forms_.compFullDirWithPort : folder;
            const bool inFolder = sameKey ? std::string_view(keyBuf_).starts_with(pageFolder)
                                          : record->URL->GetCompURL().starts_with(pageFolder);
            if (inFolder) {
                record->URL->User = PageFile->URL->User;
                record->URL->Password = PageFile->URL->Password;
            }
        }
        if (!sameKey) {
            keyBuf_.clear();
            record->URL->AppendCompURL(keyBuf_);
            keyLower_.assign(keyBuf_);
            TSjisText::LowerCaseInPlace(keyLower_);
            hash = TTextHash::Of(keyLower_);
        }
        key = keyBuf_;
    } else {
        record->URL->FileName = address;
        record->Kind = TQorFile::kMail;
        if (DuplicateAnchor) {
            keyLower_.assign(address);
            TSjisText::LowerCaseInPlace(keyLower_);
            hash = TTextHash::Of(keyLower_);
        }
        key = keyLower_;
    }

    FileKeys.Append(key, hash);
    // Without duplicates the lookup above has missed already.
    keyIndex_.Add(keyLower_, hash, FileKeys, DuplicateAnchor);
    lastIndex_ = Files.size();
    if (walkFirst_ != kNotWalking) hasText_.push_back(0);
    Files.push_back(std::move(record));
    return Files.back().get();
}

// ---------------------------------------------------------------------------
// The index of the keys

namespace {

// Whether LowerCase(listed) == lower, without making the lower-case copy.
bool EqualsLowered(std::string_view listed, std::string_view lower) {
    if (listed.size() != lower.size()) return false;
    for (size_t i = 0; i < listed.size();) {
        if (TSjisText::CharLength(listed, i) == 2) {
            if (listed[i] != lower[i] || listed[i + 1] != lower[i + 1]) return false;
            i += 2;
            continue;
        }
        if (Lower(listed[i]) != lower[i]) return false;
        ++i;
    }
    return true;
}

} // namespace

uint32_t TQorPageItems::TFileKeys::Append(std::string_view key, size_t hash) {
    const size_t where = words_.size();
    // Slots hold 32-bit word offsets: 32 GiB of keys, far past any page.
    if (where > UINT32_MAX - 1 || key.size() > UINT32_MAX) throw std::length_error("page keys");
    words_.resize(where + kHeadWords + (key.size() + 7) / 8);
    Head& head = *reinterpret_cast<Head*>(words_.data() + where);
    head.index = static_cast<uint32_t>(starts_.size());
    head.length = static_cast<uint32_t>(key.size());
    head.hash = hash;
    if (!key.empty()) std::memcpy(words_.data() + where + kHeadWords, key.data(), key.size());
    starts_.push_back(static_cast<uint32_t>(where));
    return static_cast<uint32_t>(where);
}

void TQorPageItems::TFileKeys::Reserve(size_t count, size_t bytes) {
    starts_.reserve(count);
    words_.reserve(words_.size() + (count - std::min(count, starts_.size())) * kHeadWords + bytes / 8);
}

void TQorPageItems::TFileKeys::Clear() {
    words_.clear();
    words_.shrink_to_fit();
    starts_.clear();
    starts_.shrink_to_fit();
}

size_t TQorPageItems::TKeyIndex::Find(std::string_view lower, size_t hash, const TFileKeys& keys) const {
    if (slots_.empty()) return npos;
    const size_t mask = slots_.size() - 1;
    const auto tag = static_cast<uint32_t>(hash >> 32);
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot& slot = slots_[i];
        if (slot.where == 0) return npos;
        if (slot.tag != tag) continue;
        const TFileKeys::Head& head = keys.HeadAt(slot.where - 1);
        if (head.length != lower.size() || head.hash != hash) continue;
        // Most keys are in lower case already.
        const std::string_view listed = keys.Text(slot.where - 1);
        if (listed == lower || EqualsLowered(listed, lower)) return head.index;
    }
}

void TQorPageItems::TKeyIndex::Add(std::string_view lower, size_t hash, const TFileKeys& keys, bool lookup) {
    if (lookup && Find(lower, hash, keys) != npos) return;
    // Up to three quarters full: a smaller table stays in the cache better
    // than a sparse one saves probes, and the slots hold no keys to step over.
    if ((count_ + 1) * 4 > slots_.size() * 3) Grow(std::max<size_t>(64, slots_.size() * 2), keys);
    const size_t mask = slots_.size() - 1;
    size_t i = hash & mask;
    while (slots_[i].where != 0) i = (i + 1) & mask;
    slots_[i] = Slot{static_cast<uint32_t>(hash >> 32), keys.starts_.back() + 1};
    ++count_;
}

void TQorPageItems::TKeyIndex::Reserve(size_t count, const TFileKeys& keys) {
    size_t slots = 64;
    while (slots * 3 < count * 4) slots *= 2;
    if (slots > slots_.size()) Grow(slots, keys);
}

void TQorPageItems::TKeyIndex::Grow(size_t slots, const TFileKeys& keys) {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(slots, Slot{});
    const size_t mask = slots - 1;
    for (const Slot& slot : old) {
        if (slot.where == 0) continue;
        size_t i = keys.HeadAt(slot.where - 1).hash & mask;
        while (slots_[i].where != 0) i = (i + 1) & mask;
        slots_[i] = slot;
    }
}

void TQorPageItems::TKeyIndex::Clear() {
    slots_.clear();
    slots_.shrink_to_fit();
    count_ = 0;
}

// ---------------------------------------------------------------------------
// The anchor being read

void TQorPageItems::BindAnchor(TQorFile* record) {
    anchorRecord_ = record;
    anchorIndex_ = lastIndex_;
    if (record) anchorText_.Reset(record->AnchorString);
}

void TQorPageItems::ReleaseAnchor() {
    if (anchorRecord_) {
        anchorRecord_->AnchorString = anchorText_.Text();
        NoteAnchorText(anchorIndex_, !anchorRecord_->AnchorString.empty());
    }
    anchorRecord_ = nullptr;
}

bool TQorPageItems::AnchorTextEmpty(size_t index) const {
    if (anchorRecord_ && index == anchorIndex_) return anchorText_.Empty();
    if (walkFirst_ != kNotWalking && index >= walkFirst_) return hasText_[index - walkFirst_] == 0;
    return Files[index]->AnchorString.empty();
}

void TQorPageItems::NoteAnchorText(size_t index, bool has) {
    if (walkFirst_ != kNotWalking && index >= walkFirst_) hasText_[index - walkFirst_] = has;
}

void TQorPageItems::ReplaceAnchorText(TQorFile* record, std::string_view text) {
    record->SetAnchorString(text);
    NoteAnchorText(lastIndex_, !record->AnchorString.empty());
    if (record == anchorRecord_) anchorText_.Reset(record->AnchorString);
}

// ---------------------------------------------------------------------------
// Text helpers

int TQorPageItems::GetTokenPos(std::string_view text, std::string_view token, std::string_view stop) {
    const size_t at = TSjisText::Find(text, token);
    if (at == npos) return 0;
    const size_t before = TSjisText::Find(text, stop);
    if (before != npos && before < at) return 0;
    return static_cast<int>(at + 1);
}

std::string TQorPageItems::ChangeHTMLSymbol(std::string_view text) {
    std::string out;
    ChangeHTMLSymbol(text, out);
    return out;
}

void TQorPageItems::ChangeHTMLSymbol(std::string_view text, std::string& result) {
    if (text.find('&') == std::string_view::npos) {
        result.assign(text);
        return;
    }

    // Named references. Replacing the first "&amp;" and searching again
    // from the start comes to this: every "&" followed by "amp;" any number
    // of times is one "&", which may then open one of the other four names.
    // Those four produce no "&", so one pass from the front gives the fixed
    // point.
    result.clear();
    result.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        // Up to the next "&" that is a character of its own, in one go.
        const size_t amp = std::min(TSjisText::FindChar(text, '&', i), text.size());
        result.append(text, i, amp - i);
        i = amp;
        if (i < text.size()) DecodeNamed(text, i, result, i);
    }
    // Without "&#" the pass below would copy the text as it stands (the byte
    // search finds every one; one inside a character only costs the pass).
    if (result.find("&#") == std::string::npos) return;
    std::string work = std::move(result);

    // Numeric references, "&#[^;]*;". Searching again from the start after
    // each replacement only finds something new where the replacement
    // touches an "&" just before it (a "#" made from "&#35;", or "&#0;"
    // removed in front of a "#"), or where it is an "&" itself. So the
    // replacement goes back in front of the text still to be read, with
    // such an "&" taken back from the output, and reading goes on there.
    // Readable references are at least four bytes long, more than the
    // character and the "&" put back, so this happens in place.
    std::string out;
    out.reserve(work.size());
    std::vector<size_t> amps; // positions of the "&" characters in out
    const size_t n = work.size();
    size_t i = 0;
    while (i < n) {
        if (work[i] == '&' && i + 1 < n && work[i + 1] == '#') {
            const size_t semi = TSjisText::FindChar(work, ';', i + 2);
            if (semi == npos) break; // no reference here, nor after
            int64_t value = 0;
            if (!ReadInteger(std::string_view(work).substr(i + 2, semi - i - 2), value)) {
                // Kept as written; reading goes on after it.
                amps.push_back(out.size());
                out.append(work, i, semi + 1 - i);
                i = semi + 1;
                continue;
            }
            const std::string c = CodeUnitToSystem(static_cast<uint16_t>(static_cast<uint64_t>(value) & 0xFFFF));
            i = semi + 1 - c.size();
            std::memcpy(work.data() + i, c.data(), c.size());
            if (!amps.empty() && amps.back() + 1 == out.size() && i < n && work[i] == '#') {
                out.pop_back();
                amps.pop_back();
                work[--i] = '&';
            }
            continue;
        }
        if (work[i] == '&') {
            amps.push_back(out.size());
            out.push_back('&');
            ++i;
            continue;
        }
        const size_t amp = std::min(TSjisText::FindChar(work, '&', i), n);
        out.append(work, i, amp - i);
        i = amp;
    }
    out.append(work, i, npos);
    result = std::move(out);
}

std::string TQorPageItems::GetMetaCharSet(std::string_view text) {
    const size_t body = FindBodyTag(text);
    if (body == npos) return std::string();
    const std::string_view head = text.substr(0, body);
    TExRegexp re;
    re.SetPattern("charset\\s*=\\s*[a-zA-Z0-9_\\-\"]+");
    if (re.Find(head) <= 0) {
        re.SetPattern("encoding\\s*=\\s*[a-zA-Z0-9_\\-\"]+");
        if (re.Find(head) <= 0) return std::string();
    }
    return TSjisText::LowerCase(re.Match);
}

std::string TQorPageItems::ExpandRelativePath(std::string_view address, std::string_view base) {
    std::string text;
    ExpandRelativePath(address, base, text);
    return text;
}

void TQorPageItems::ExpandRelativePath(std::string_view address, std::string_view base, std::string& text) {
    text.clear();
    if (GetTokenPos(address, "://", "?") == 0) {
        // The host part without the port (WithPort is false): records made
        // from such addresses take the page's port later.
        std::string_view front = base;
        std::string host;
        if (!address.empty() && address[0] == '/') {
            if (base.empty()) {
                front = PageHostPath();
            } else {
                host = TInetURLEx(base).GetHostPath();
                front = host;
            }
        } else if (base.empty()) {
            front = PageFullDir();
        }
        text.reserve(front.size() + address.size());
        text.append(front);
    }
    text.append(address);
    if (text.find("./") != npos) text = RemoveDotSegments(std::move(text));
}

std::string TQorPageItems::RemoveDotSegmentsAscii(std::string_view text) const {
    // The same passes over a text of single-byte characters. A pass is due
    // only where the text itself has "./": after a pass the text moved so
    // far never ends in ".", so it cannot end in "./" with the next "/"
    // alone. So the text moves from one "./" to the next, and the last "/"
    // is found again when a climb needs it.
    std::string out;
    out.reserve(text.size());
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        const size_t p = text.find("./", i);
        if (p == npos) {
            out.append(text, i, npos);
            break;
        }
        out.append(text, i, p + 2 - i);
        i = p + 2;
        for (;;) {
            const size_t bytes = out.size();
            if (bytes < 2 || out[bytes - 1] != '/' || out[bytes - 2] != '.') break;
            if (Canceled.load(std::memory_order_relaxed)) {
                out.append(text, i, npos);
                return out;
            }
            if (bytes >= 3 && out[bytes - 3] == '.') {
                // "../": take the text before the character in front of it,
                // cut after its last "/"; above the host keep the host.
                const size_t dots = bytes - 3;
                out.resize(dots > 0 ? dots - 1 : 0);
                const size_t last = out.rfind('/');
                const size_t s2 = last == npos ? 0 : last + 1;
                if (s2 >= 3 && out[s2 - 2] == '/' && out[s2 - 3] == ':')
                    out.push_back('/');
                else
                    out.resize(s2);
            } else {
                out.resize(bytes - 2);
            }
        }
    }
    return out;
}

std::string TQorPageItems::RemoveDotSegments(std::string text) const {
    // Done the long way, each pass finds the first "./" in the whole text
    // (query included): when the character before it is "." as well the
    // pass climbs one folder for that "../", otherwise it removes the "./".
    // Nothing in front of the first "./" ever holds one, so the text is
    // moved character by character into `out` and each pass is made as
    // soon as `out` ends in "./"; a climb only cuts `out` back to a "/" it
    // remembers. Every character is moved once, so the whole is linear.
    if (text.find("./") == npos) return text;
    if (TSjisText::IsAscii(text)) return RemoveDotSegmentsAscii(text);

    std::string out;
    out.reserve(text.size());
    std::string lens;              // byte length of each character in out
    struct Slash {
        size_t byte, chr;
    };
    std::vector<Slash> slashes;    // the "/" characters in out
    auto cut = [&](size_t bytes, size_t chars) {
        out.resize(bytes);
        lens.resize(chars);
        while (!slashes.empty() && slashes.back().byte >= bytes) slashes.pop_back();
    };

    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        const size_t len = TSjisText::CharLength(text, i);
        out.append(text, i, len);
        lens.push_back(static_cast<char>(len));
        if (len == 1 && text[i] == '/') slashes.push_back({out.size() - 1, lens.size() - 1});
        i += len;

        for (;;) {
            const size_t chars = lens.size();
            const size_t bytes = out.size();
            if (chars < 2 || lens[chars - 1] != 1 || lens[chars - 2] != 1 || out[bytes - 1] != '/' ||
                out[bytes - 2] != '.')
                break;
            if (Canceled.load(std::memory_order_relaxed)) {
                out.append(text, i, npos);
                return out;
            }
            if (chars >= 3 && lens[chars - 3] == 1 && out[bytes - 3] == '.') {
                // "../": take the text before the character in front of it,
                // cut after its last "/"; above the host keep the host.
                const size_t dots = bytes - 3;
                const size_t beforeChars = chars - 3;
                const size_t s1Chars = beforeChars > 0 ? beforeChars - 1 : 0;
                const size_t s1Bytes = beforeChars > 0 ? dots - static_cast<size_t>(lens[beforeChars - 1]) : 0;
                cut(s1Bytes, s1Chars);
                size_t s2Bytes = 0, s2Chars = 0;
                if (!slashes.empty()) {
                    s2Bytes = slashes.back().byte + 1;
                    s2Chars = slashes.back().chr + 1;
                }
                const bool aboveHost = s2Chars >= 3 && lens[s2Chars - 2] == 1 && lens[s2Chars - 3] == 1 &&
                                       out[s2Bytes - 2] == '/' && out[s2Bytes - 3] == ':';
                if (aboveHost) {
                    out.push_back('/');
                    lens.push_back(1);
                    slashes.push_back({out.size() - 1, lens.size() - 1});
                } else {
                    cut(s2Bytes, s2Chars);
                }
            } else {
                cut(bytes - 2, chars - 2);
            }
        }
    }
    return out;
}
