#include "inet/CharCodeConv.h"

#include "platform/CodePage.h"

#include <array>
#include <cstring>

namespace {

constexpr char kEsc = '\x1B';
constexpr std::string_view kJisStart = "\x1B$B";
constexpr std::string_view kJis212Start = "\x1B$(D";

bool IsEucByte(unsigned char c) { return c >= 0xA1 && c <= 0xFE; }

// A JIS X 0212 character (row and cell with the high bit set) as Shift-JIS
// when it has a form there, else as the code page's escape; "?" for a code
// with no character.
void AppendJisX0212(std::string& out, unsigned char b1, unsigned char b2) {
    const char32_t cp = TCodePage::FromJisX0212(b1, b2);
    if (cp == 0)
        out.push_back('?');
    else
        out += TCodePage::FromCodePoint(cp);
}

// Length of the text up to its first zero byte.
size_t UpToZero(std::string_view text) {
    const void* zero = std::memchr(text.data(), 0, text.size());
    return zero ? static_cast<size_t>(static_cast<const char*>(zero) - text.data()) : text.size();
}

// Appends the Shift-JIS form of the JIS X 0208 (or, with `x0212`, JIS X
// 0212) pairs in `run`, up to its first zero byte; a lone last byte is
// dropped.
void AppendJisRun(std::string& out, std::string_view run, bool x0212) {
    size_t n = UpToZero(run);
    for (size_t i = 0; i + 1 < n; i += 2) {
        int j1 = static_cast<unsigned char>(run[i]);
        int j2 = static_cast<unsigned char>(run[i + 1]);
        if (x0212) {
            AppendJisX0212(out, static_cast<unsigned char>(j1 | 0x80), static_cast<unsigned char>(j2 | 0x80));
            continue;
        }
        int s2 = j2 + ((j1 & 1) ? 0x1F : 0x7D);
        if (s2 > 0x7E) ++s2;
        int s1 = ((j1 - 0x21) >> 1) + 0x81;
        if (j1 > 0x5E) s1 += 0x40;
        out.push_back(static_cast<char>(s1 & 0xFF));
        out.push_back(static_cast<char>(s2 & 0xFF));
    }
}

// The next occurrence of one closing sequence at or after an offset that
// only moves forward. The answer is kept until the offset passes it, so the
// whole text is searched at most once per sequence.
class NextSequence {
public:
    explicit NextSequence(std::string_view seq) : seq_(seq) {}
    size_t From(std::string_view text, size_t offset) {
        if (pos_ == std::string_view::npos) return pos_; // none in the rest, for good
        if (!searched_ || pos_ < offset) {
            pos_ = text.find(seq_, offset);
            searched_ = true;
        }
        return pos_;
    }

private:
    std::string_view seq_;
    size_t pos_ = 0;
    bool searched_ = false;
};

} // namespace

int TCharCodeConv::GetCodeType(std::string_view text) {
    // ESC "&@" ESC "$B" holds ESC "$B", so three patterns cover the four.
    for (size_t i = text.find(kEsc); i != std::string_view::npos; i = text.find(kEsc, i + 1)) {
        std::string_view rest = text.substr(i + 1);
        if (rest.starts_with("$@") || rest.starts_with("$B") || rest.starts_with("$(D")) return 0;
    }
    size_t n = UpToZero(text);
    for (size_t i = 0; i < n; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80 && c <= 0xA0) return 1;
    }
    return 2;
}

std::string TCharCodeConv::JIStoSJIS(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::array<NextSequence, 4> closers = {NextSequence("\x1B(B"), NextSequence("\x1B(J"),
                                           NextSequence("\x1B(H"), NextSequence("\x1B(I")};
    NextSequence opener208(kJisStart);
    NextSequence opener212(kJis212Start);
    size_t pos = 0;
    for (;;) {
        const size_t open208 = opener208.From(text, pos);
        const size_t open212 = opener212.From(text, pos);
        if (open208 == std::string_view::npos && open212 == std::string_view::npos) break;
        const bool x0212 = open212 < open208;
        const size_t open = x0212 ? open212 : open208;
        out.append(text.substr(pos, open - pos));
        size_t runStart = open + (x0212 ? kJis212Start.size() : kJisStart.size());
        size_t runEnd = text.size();
        size_t next = text.size();
        for (NextSequence& closer : closers) {
            size_t at = closer.From(text, runStart);
            if (at != std::string_view::npos) {
                runEnd = at;
                next = at + 3;
                break;
            }
        }
        AppendJisRun(out, text.substr(runStart, runEnd - runStart), x0212);
        pos = next;
    }
    out.append(text.substr(pos));
    return out;
}

std::string TCharCodeConv::EUCtoSJIS(std::string_view text) {
    const size_t n = UpToZero(text);
    const unsigned char* in = reinterpret_cast<const unsigned char*>(text.data());
    std::string out;
    out.reserve(n); // only JIS X 0212 characters without a Shift-JIS form grow
    for (size_t i = 0; i < n; ++i) {
        int e1 = in[i];
        if (e1 == 0x8F) {
            // JIS X 0212: three bytes, one character. An incomplete sequence
            // is dropped with the high byte it has, never with the ASCII
            // byte after it.
            if (i + 2 < n && IsEucByte(in[i + 1]) && IsEucByte(in[i + 2])) {
                AppendJisX0212(out, in[i + 1], in[i + 2]);
                i += 2;
            } else if (i + 1 < n && IsEucByte(in[i + 1])) {
                ++i;
            }
            continue;
        }
        if (e1 == 0x8E) {
            // Half-width katakana: the second byte is the Shift-JIS byte. A
            // single shift without one is dropped, so it never pairs with the
            // byte after it.
            if (i + 1 < n && in[i + 1] >= 0xA1 && in[i + 1] <= 0xDF) out.push_back(static_cast<char>(in[++i]));
            continue;
        }
        if (e1 < 0xA0) {
            out.push_back(static_cast<char>(e1));
            continue;
        }
        if (i + 1 >= n) break; // a lead byte with nothing after it
        int e2 = in[++i];
        int s2;
        if (e1 & 1) {
            s2 = (e2 - 0x61) & 0xFF;
            if (s2 > 0x7E) ++s2;
        } else {
            s2 = e2 - 2;
        }
        int s1 = ((e1 + 1) >> 1) + (e1 > 0xDE ? 0x70 : 0x30);
        out.push_back(static_cast<char>(s1 & 0xFF));
        out.push_back(static_cast<char>(s2 & 0xFF));
    }
    return out;
}

bool TCharCodeConv::IsValidSJIS(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    for (size_t i = 0; i < n; ++i) {
        const unsigned char c = p[i];
        if (c < 0x80 || (c >= 0xA1 && c <= 0xDF)) continue;
        if (!((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) || i + 1 >= n) return false;
        const unsigned char t = p[++i];
        if (t < 0x40 || t == 0x7F || t > 0xFC) return false;
    }
    return true;
}

bool TCharCodeConv::IsValidEUC(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = UpToZero(text);
    for (size_t i = 0; i < n; ++i) {
        const unsigned char c = p[i];
        if (c < 0x80) continue;
        if (c == 0x8E) {
            if (i + 1 >= n || p[i + 1] < 0xA1 || p[i + 1] > 0xDF) return false;
            ++i;
        } else if (c == 0x8F) {
            if (i + 2 >= n || !IsEucByte(p[i + 1]) || !IsEucByte(p[i + 2])) return false;
            i += 2;
        } else {
            if (!IsEucByte(c) || i + 1 >= n || !IsEucByte(p[i + 1])) return false;
            ++i;
        }
    }
    return true;
}
