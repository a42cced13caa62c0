#include "inet/CharCodeConv.h"

#include <array>
#include <cstring>

namespace {

constexpr char kEsc = '\x1B';
constexpr std::string_view kJisStart = "\x1B$B";

// Length of the text up to its first zero byte.
size_t UpToZero(std::string_view text) {
    const void* zero = std::memchr(text.data(), 0, text.size());
    return zero ? static_cast<size_t>(static_cast<const char*>(zero) - text.data()) : text.size();
}

// Appends the Shift-JIS form of the JIS X 0208 pairs in `run`, up to its
// first zero byte; a lone last byte is dropped.
void AppendJisRun(std::string& out, std::string_view run) {
    size_t n = UpToZero(run);
    for (size_t i = 0; i + 1 < n; i += 2) {
        int j1 = static_cast<unsigned char>(run[i]);
        int j2 = static_cast<unsigned char>(run[i + 1]);
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
    size_t pos = 0;
    for (;;) {
        size_t open = text.find(kJisStart, pos);
        if (open == std::string_view::npos) break;
        out.append(text.substr(pos, open - pos));
        size_t runStart = open + kJisStart.size();
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
        AppendJisRun(out, text.substr(runStart, runEnd - runStart));
        pos = next;
    }
    out.append(text.substr(pos));
    return out;
}

std::string TCharCodeConv::EUCtoSJIS(std::string_view text) {
    const size_t n = UpToZero(text);
    const unsigned char* in = reinterpret_cast<const unsigned char*>(text.data());
    std::string out(n, '\0'); // never longer than the input
    char* o = out.data();
    for (size_t i = 0; i < n; ++i) {
        int e1 = in[i];
        if (e1 < 0xA0) {
            *o++ = static_cast<char>(e1);
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
        *o++ = static_cast<char>(s1 & 0xFF);
        *o++ = static_cast<char>(s2 & 0xFF);
    }
    out.resize(static_cast<size_t>(o - out.data()));
    return out;
}
