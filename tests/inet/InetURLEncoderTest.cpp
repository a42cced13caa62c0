#include "inet/InetURLEncoder.h"

#include "platform/CodePage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace std::string_literals;

namespace {

const std::string kHyou = SJ("表"); // 0x95 0x5C

struct EncodeCase {
    std::string name{};
    std::string text{};
    std::string keep{};
    std::string expected{};
};

std::vector<EncodeCase> EncodeCases() {
    return {
        {.name = "SpaceAndKeptSlash", .text = "a b/c", .keep = "/", .expected = "a%20b/c"},
        {.name = "KeptPercentAtTheEnd", .text = "100%", .keep = "%", .expected = "100%"},
        {.name = "PlainCharacters", .text = "AZaz09*-.@_", .expected = "AZaz09*-.@_"},
        {.name = "SignsEscapedInUpperCaseHex", .text = "~/?#+%:", .expected = "%7E%2F%3F%23%2B%25%3A"},
        {.name = "ControlAndHighBytes", .text = "\x01\x7F\xAB\xFF", .expected = "%01%7F%AB%FF"},
        {.name = "DoubleByteEscapedPerByte", .text = kHyou, .expected = "%95%5C"},
        // "keep" is a list of bytes: the "\" second byte is kept on its own.
        {.name = "KeepAppliesToSecondBytes", .text = kHyou, .keep = "\\", .expected = "%95\\"},
        {.name = "StopsAtZeroByte", .text = "a b\0c d"s, .expected = "a%20b"},
        {.name = "ZeroByteStopsEvenWhenKept", .text = "a\0b"s, .keep = "\0"s, .expected = "a"},
        {.name = "Empty", .text = "", .expected = ""},
    };
}

class InetURLEncoderEncode : public testing::TestWithParam<EncodeCase> {};

TEST_P(InetURLEncoderEncode, Escapes) {
    const EncodeCase& c = GetParam();
    EXPECT_EQ(TInetURLEncoder::Encode(c.text, c.keep), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, InetURLEncoderEncode, testing::ValuesIn(EncodeCases()),
                         [](const testing::TestParamInfo<EncodeCase>& info) { return info.param.name; });

struct DecodeCase {
    std::string name{};
    std::string text{};
    std::string expected{};
};

std::vector<DecodeCase> DecodeCases() {
    return {
        {.name = "PlusAfterLastEscape", .text = "a%41+b", .expected = "aA b"},
        {.name = "PlusBeforeAnEscapeKept", .text = "x+y%20z", .expected = "x+y z"},
        {.name = "PlusesAroundOneEscape", .text = "a+b%41+c+d", .expected = "a+bA c d"},
        {.name = "OnlyPluses", .text = "+a++b+", .expected = " a  b "},
        {.name = "EitherCaseHex", .text = "%e3%81%8A%Ff", .expected = "\xE3\x81\x8A\xFF"},
        {.name = "ZeroByte", .text = "a%00b", .expected = "a\0b"s},
        {.name = "PercentAtTheEnd", .text = "a+%", .expected = "a %"},
        {.name = "PercentAndOneDigitAtTheEnd", .text = "a+%4", .expected = "a %4"},
        {.name = "PercentWithoutHexDigits", .text = "%4g%g4%%41", .expected = "%4g%g4%A"},
        {.name = "DecodedBytesNotRescanned", .text = "%2541%2B", .expected = "%41+"},
        // A lead byte takes the next byte along, so the "%" or "+" after it is
        // no sign of its own.
        {.name = "LeadByteSwallowsPercent", .text = "\x82%41", .expected = "\x82%41"},
        {.name = "LeadByteSwallowsPlus", .text = "\x82+a+", .expected = "\x82+a "},
        {.name = "DoubleByteThenEscape", .text = "\x82\x82%41+", .expected = "\x82\x82" "A "},
        {.name = "BackslashSecondByte", .text = kHyou + "+" + kHyou + "%5C", .expected = kHyou + "+" + kHyou + "\\"},
        {.name = "LoneLeadByteAtTheEnd", .text = "a+\x95", .expected = "a \x95"},
        {.name = "Empty", .text = "", .expected = ""},
    };
}

class InetURLEncoderDecode : public testing::TestWithParam<DecodeCase> {};

TEST_P(InetURLEncoderDecode, Unescapes) {
    const DecodeCase& c = GetParam();
    EXPECT_EQ(TInetURLEncoder::Decode(c.text), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, InetURLEncoderDecode, testing::ValuesIn(DecodeCases()),
                         [](const testing::TestParamInfo<DecodeCase>& info) { return info.param.name; });

TEST(InetURLEncoderTest, DecodeUndoesEncode) {
    // Encode leaves nothing but plain ASCII, so every byte but zero comes
    // back, lead bytes and "+" included.
    std::string all;
    for (int c = 1; c < 256; ++c) all.push_back(static_cast<char>(c));
    EXPECT_EQ(TInetURLEncoder::Decode(TInetURLEncoder::Encode(all, "")), all);
}

} // namespace

namespace {

TEST(InetURLEncoderTest, DecodePrintableKeepsPlusAndUnprintableEscapes) {
    EXPECT_EQ(TInetURLEncoder::DecodePrintable("docs%40python%2Eorg"), "docs@python.org");
    EXPECT_EQ(TInetURLEncoder::DecodePrintable("a+b%2Bc"), "a+b+c");
    EXPECT_EQ(TInetURLEncoder::DecodePrintable("%20%0A%E3%81%82%7e%"), "%20%0A%E3%81%82~%");
    EXPECT_EQ(TInetURLEncoder::DecodePrintable("%2540"), "%40"); // decoded once only
}

} // namespace
