#pragma once
// Guessing and converting the Japanese encodings of page bytes to Shift-JIS.
//
// All three calls are stateless, thread-safe and linear in the text; none
// reads or writes outside the given bytes.
//
// GetCodeType: 0 when the text holds ESC "$@", ESC "$B", ESC "&@" ESC "$B" or
// ESC "$(D" anywhere; else 1 when a byte 0x80-0xA0 comes before the first
// zero byte (a Shift-JIS lead byte, never seen in EUC-JP); else 2. Plain
// ASCII therefore reads as EUC-JP, which converts to itself.
//
// JIStoSJIS: each double-byte run opened by ESC "$B" is converted pair by pair
// with the JIS X 0208 -> Shift-JIS arithmetic; a run opened by ESC "$(D" holds
// JIS X 0212 pairs, each one character (below). The run ends at the first
// ESC "(B" after it; only when there is none at the first ESC "(J", then
// ESC "(H", then ESC "(I" (the first of these kinds that occurs at all wins,
// even when a later kind occurs earlier); without any, at the end of the
// text. The opening and closing sequences are dropped, everything outside
// the runs (other escape sequences included) is kept as it is. A run is
// converted up to its first zero byte; the rest of that run is dropped.
// A lone last byte of a run with an odd length is dropped.
//
// EUCtoSJIS: converts the bytes up to the first zero byte (the rest is
// dropped). 0x8F and two bytes 0xA1-0xFE are one JIS X 0212 character; an
// 0x8F without them is dropped together with the one byte 0xA1-0xFE it has,
// so it never takes an ASCII byte along. 0x8E and a byte 0xA1-0xDF is that
// half-width katakana byte; an 0x8E without one is dropped. Other bytes
// below 0xA0 are copied; a byte of 0xA0 or more starts a pair with the next
// byte. A lead byte with no byte after it is dropped.
//
// A JIS X 0212 character becomes its Shift-JIS form where CP932 has one,
// otherwise the code page's escape of it (see TCodePage); a code with no
// character becomes "?". Only these can make the text longer (three bytes
// to at most five).
//
// Half a character at the end is dropped rather than kept because a stray
// lead byte in Shift-JIS text would swallow whatever is appended after it.
#include <string>
#include <string_view>

class TCharCodeConv {
public:
    // 0 ISO-2022-JP, 1 Shift-JIS, 2 EUC-JP (a scale of its own).
    static int GetCodeType(std::string_view text);
    static std::string JIStoSJIS(std::string_view text);
    static std::string EUCtoSJIS(std::string_view text);
    // Whether the whole text is well-formed Shift-JIS (CP932 lead and trail
    // ranges, no lone lead byte at the end).
    static bool IsValidSJIS(std::string_view text);
    // Whether the bytes EUCtoSJIS reads (up to the first zero byte) are
    // well-formed EUC-JP: pairs 0xA1-0xFE, 0x8E + 0xA1-0xDF, 0x8F + two
    // 0xA1-0xFE, the rest ASCII.
    static bool IsValidEUC(std::string_view text);
};
