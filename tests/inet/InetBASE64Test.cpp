#include "inet/InetBASE64.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Repeat(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += text;
    return out;
}

struct Base64Case {
    const char* name;
    std::string text;
    std::string encoded;
};

const Base64Case kBase64Cases[] = {
    {.name = "Empty", .text = "", .encoded = ""},
    {.name = "OneByteTwoPads", .text = "f", .encoded = "Zg=="},
    {.name = "TwoBytesOnePad", .text = "fo", .encoded = "Zm8="},
    {.name = "ThreeBytesNoPad", .text = "foo", .encoded = "Zm9v"},
    {.name = "FourBytes", .text = "foob", .encoded = "Zm9vYg=="},
    {.name = "FiveBytes", .text = "fooba", .encoded = "Zm9vYmE="},
    {.name = "SixBytes", .text = "foobar", .encoded = "Zm9vYmFy"},
    {.name = "ColonAlone", .text = ":", .encoded = "Og=="},
    {.name = "UserAndPassword", .text = "Aladdin:open sesame", .encoded = "QWxhZGRpbjpvcGVuIHNlc2FtZQ=="},
    // High bytes reach the last two letters of the alphabet; no line breaks
    // however long the text is.
    {.name = "HighBytesUsePlusAndSlash", .text = "\xFB\xFF\xBF", .encoded = "+/+/"},
    {.name = "ShiftJisName", .text = "\x95\x5C:\x83\x7C", .encoded = "lVw6g3w="},
    {.name = "LongTextHasNoLineBreak", .text = std::string(100, 'a'),
     .encoded = Repeat("YWFh", 33) + "YQ=="},
    {.name = "StopsAtZeroByte", .text = std::string("ab\0cd", 5), .encoded = "YWI="},
};

class InetBASE64Test : public testing::TestWithParam<Base64Case> {};

TEST_P(InetBASE64Test, Encodes) {
    EXPECT_EQ(TInetBASE64::Encode(GetParam().text), GetParam().encoded);
}

INSTANTIATE_TEST_SUITE_P(Cases, InetBASE64Test, testing::ValuesIn(kBase64Cases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
