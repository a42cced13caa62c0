// The code guess and both converters on arbitrary bytes. Beyond staying in
// bounds: the guess is on its scale, only JIS X 0212 characters without a
// CP932 form grow the text (two or three bytes to a five-byte escape), and
// text the converters have nothing to do with comes back unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "inet/CharCodeConv.h"

namespace {
void Check(bool ok) {
    if (!ok) std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    int type = TCharCodeConv::GetCodeType(text);
    Check(type >= 0 && type <= 2);

    std::string jis = TCharCodeConv::JIStoSJIS(text);
    Check(jis.size() * 2 <= text.size() * 5);
    if (text.find("\x1B$B") == std::string_view::npos && text.find("\x1B$(D") == std::string_view::npos)
        Check(jis == text);
    if (type != 0) Check(jis == text);

    std::string euc = TCharCodeConv::EUCtoSJIS(text);
    Check(euc.size() * 3 <= text.size() * 5);
    bool plain = true;
    for (unsigned char c : text) plain = plain && c != 0 && c < 0xA0 && c != 0x8E && c != 0x8F;
    if (plain) Check(euc == text);
    return 0;
}
