#include "inet/XMD5.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct DigestCase {
    const char* name;
    std::string text;
    const char* digest;
};

// RFC 1321 suite, plus lengths around the 56- and 64-byte padding limits
// and texts with zero bytes.
const DigestCase kCases[] = {
    {.name = "empty", .text = "", .digest = "d41d8cd98f00b204e9800998ecf8427e"},
    {.name = "a", .text = "a", .digest = "0cc175b9c0f1b6a831c399e269772661"},
    {.name = "abc", .text = "abc", .digest = "900150983cd24fb0d6963f7d28e17f72"},
    {.name = "message", .text = "message digest", .digest = "f96b697d7cb7938d525a2f31aaf161d0"},
    {.name = "alphabet", .text = "abcdefghijklmnopqrstuvwxyz", .digest = "c3fcd3d76192e4007dfb496cca67e13b"},
    {.name = "alnum",
     .text = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
     .digest = "d174ab98d277d9f5a5611c2c9f419d9f"},
    {.name = "digits80",
     .text = "12345678901234567890123456789012345678901234567890123456789012345678901234567890",
     .digest = "57edf4a22be3c955ac49da2e2107b67a"},
    {.name = "len55", .text = std::string(55, 'a'), .digest = "ef1772b6dff9a122358552954ad0df65"},
    {.name = "len56", .text = std::string(56, 'a'), .digest = "3b0c8ac703f828b04c6c197006d17218"},
    {.name = "len57", .text = std::string(57, 'a'), .digest = "652b906d60af96844ebd21b674f35e93"},
    {.name = "len63", .text = std::string(63, 'a'), .digest = "b06521f39153d618550606be297466d5"},
    {.name = "len64", .text = std::string(64, 'a'), .digest = "014842d480b571495a4a0363793f7367"},
    {.name = "len65", .text = std::string(65, 'a'), .digest = "c743a45e0d2e6a95cb859adae0248435"},
    {.name = "len119", .text = std::string(119, 'a'), .digest = "8a7bd0732ed6a28ce75f6dabc90e1613"},
    {.name = "len120", .text = std::string(120, 'a'), .digest = "5f61c0ccad4cac44c75ff505e1f1e537"},
    {.name = "len128", .text = std::string(128, 'a'), .digest = "e510683b3f5ffe4093d021808bc6ff70"},
    {.name = "million", .text = std::string(1000000, 'a'), .digest = "7707d6ae4e027c70eea2a935c2296f21"},
    {.name = "zeroInside", .text = std::string("a\0b", 3), .digest = "70350f6027bce3713f6b76473084309b"},
    {.name = "zeroOnly", .text = std::string(1, '\0'), .digest = "93b885adfe0da089cdf634904fd59f71"},
};

TEST(XMD5Test, DigestsMatchReference) {
    for (const DigestCase& c : kCases) EXPECT_EQ(TXMD5::Get(c.text), c.digest) << c.name;
}

} // namespace
