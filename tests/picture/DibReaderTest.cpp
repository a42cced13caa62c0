#include "picture/DibReader.h"

#include "TestImages.h"
#include "VorlenPlugin.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// The info block of a picture as a plug-in would return it.
std::vector<uint8_t> Info(int32_t width, int32_t height, uint16_t bits, uint32_t colors,
                          size_t tableEntries, uint32_t headerSize = 40, uint32_t compression = 0) {
    std::vector<uint8_t> block(40 + tableEntries * 4, 0);
    VorlenBitmapInfoHeader h{};
    h.biSize = headerSize;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = bits;
    h.biCompression = compression;
    h.biClrUsed = colors;
    std::memcpy(block.data(), &h, sizeof h);
    return block;
}

size_t Stride(int width, int bits) { return (size_t(width) * bits + 31) / 32 * 4; }

struct BadCase {
    const char* name;
    std::vector<uint8_t> info;
    size_t bitsSize;
    const char* error;
};

class DibReaderBadTest : public testing::TestWithParam<BadCase> {};

TEST_P(DibReaderBadTest, RefusedBeforeReading) {
    const BadCase& c = GetParam();
    // Blocks of exactly the given sizes, so AddressSanitizer sees any read
    // beyond them.
    std::vector<uint8_t> info = c.info;
    std::vector<uint8_t> bits(c.bitsSize, 0x55);
    TPictureBitmap out;
    out.Width = 7;
    std::string error;
    EXPECT_FALSE(TDibReader::Read(info.data(), info.size(), bits.data(), bits.size(), out, error));
    EXPECT_EQ(error, c.error);
    EXPECT_TRUE(out.Empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DibReaderBadTest,
    testing::Values(
        BadCase{"ShortInfoBlock", std::vector<uint8_t>(39, 0), 64, "header size"},
        BadCase{"CoreHeader", Info(2, 2, 24, 0, 0, 12), 64, "header size"},
        BadCase{"V5Header", Info(2, 2, 24, 0, 0, 124), 64, "header size"},
        BadCase{"ZeroWidth", Info(0, 2, 24, 0, 0), 64, "dimensions"},
        BadCase{"TopDown", Info(2, -2, 24, 0, 0), 64, "dimensions"},
        BadCase{"TooWide", Info(VORLEN_SPI_MAX_DIMENSION + 1, 1, 24, 0, 0), 1 << 17, "dimensions"},
        BadCase{"TooManyPixels", Info(16384, 16384, 1, 0, 2), 64, "dimensions"},
        BadCase{"Depth16", Info(2, 2, 16, 0, 0), 64, "bit depth"},
        BadCase{"Depth0", Info(2, 2, 0, 0, 0), 64, "bit depth"},
        BadCase{"RunLength", Info(2, 2, 8, 0, 256, 40, 1), 64, "bit depth"},
        BadCase{"MoreColoursThanTheDepthHolds", Info(2, 2, 4, 17, 17), 64, "palette size"},
        BadCase{"TableOutsideTheBlock", Info(2, 2, 8, 0, 16), 64, "palette size"},
        BadCase{"DeclaredTableOutsideTheBlock", Info(2, 2, 8, 200, 199), 64, "palette size"},
        BadCase{"RowsShort", Info(5, 3, 24, 0, 0), 16 * 3 - 1, "pixel block size"},
        BadCase{"PaddingMissing", Info(1, 2, 8, 1, 1), 2, "pixel block size"}),
    [](const auto& info) { return info.param.name; });

TEST(DibReaderTest, RowsBottomUpPaddedAndIndexed) {
    // 9 pixels of 1 bit need 2 bytes, padded to 4; the bottom row comes first.
    std::vector<uint8_t> info = Info(9, 2, 1, 2, 2);
    const uint8_t table[8] = {10, 20, 30, 0, 200, 210, 220, 0};
    std::memcpy(info.data() + 40, table, 8);
    std::vector<uint8_t> bits(Stride(9, 1) * 2, 0);
    bits[0] = 0x80;               // bottom row: first pixel set
    bits[4] = 0xFF, bits[5] = 0x80; // top row: all nine set
    TPictureBitmap out;
    std::string error;
    ASSERT_TRUE(TDibReader::Read(info.data(), info.size(), bits.data(), bits.size(), out, error)) << error;
    ASSERT_EQ(out.Width, 9);
    ASSERT_EQ(out.Height, 2);
    EXPECT_EQ(PixelOf(out, 8, 0), (TRgba{220, 210, 200, 255}));
    EXPECT_EQ(PixelOf(out, 0, 1), (TRgba{220, 210, 200, 255}));
    EXPECT_EQ(PixelOf(out, 1, 1), (TRgba{30, 20, 10, 255}));
}

TEST(DibReaderTest, IndexPastTheTableIsBlack) {
    std::vector<uint8_t> info = Info(3, 1, 4, 2, 2);
    info[40] = 9, info[44] = 99; // blue of entries 0 and 1
    std::vector<uint8_t> bits = {0x01, 0xF0, 0, 0};
    TPictureBitmap out;
    std::string error;
    ASSERT_TRUE(TDibReader::Read(info.data(), info.size(), bits.data(), bits.size(), out, error));
    EXPECT_EQ(PixelOf(out, 0, 0), (TRgba{0, 0, 9, 255}));
    EXPECT_EQ(PixelOf(out, 1, 0), (TRgba{0, 0, 99, 255}));
    EXPECT_EQ(PixelOf(out, 2, 0), (TRgba{0, 0, 0, 255}));
}

TEST(DibReaderTest, DirectColoursKeepAlphaOnlyAt32Bits) {
    std::vector<uint8_t> info24 = Info(1, 1, 24, 0, 0);
    std::vector<uint8_t> bits24 = {1, 2, 3, 0};
    std::vector<uint8_t> info32 = Info(1, 1, 32, 0, 0);
    std::vector<uint8_t> bits32 = {1, 2, 3, 4};
    TPictureBitmap out;
    std::string error;
    ASSERT_TRUE(TDibReader::Read(info24.data(), info24.size(), bits24.data(), bits24.size(), out, error));
    EXPECT_EQ(PixelOf(out, 0, 0), (TRgba{3, 2, 1, 255}));
    ASSERT_TRUE(TDibReader::Read(info32.data(), info32.size(), bits32.data(), bits32.size(), out, error));
    EXPECT_EQ(PixelOf(out, 0, 0), (TRgba{3, 2, 1, 4}));
}

} // namespace
