#include "picture/JpegDecoder.h"

#include "TestImages.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// JPEG is lossy: each channel within a small step of the original, away
// from the edge between the two colours (smooth upsampling blends chroma
// across it).
void ExpectClose(const TPictureBitmap& got, const TTestPixels& want, int tolerance) {
    ASSERT_EQ(got.Width, want.Width);
    ASSERT_EQ(got.Height, want.Height);
    for (int y = 0; y < want.Height; ++y)
        for (int x = 0; x < want.Width; ++x) {
            if (std::abs(y - want.Height / 2) < 4) continue;
            const TRgba g = PixelOf(got, x, y), w = want.At(x, y);
            for (int c = 0; c < 3; ++c) ASSERT_NEAR(g[c], w[c], tolerance) << x << "," << y << " channel " << c;
            ASSERT_EQ(g[3], 255);
        }
}

// A flat picture survives compression almost unchanged, so row order and
// colour order show.
TTestPixels Blocks(int width, int height) {
    TTestPixels p{width, height, {}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            p.Pixels.push_back(y < height / 2 ? TRgba{250, 10, 10, 255} : TRgba{10, 10, 250, 255});
    return p;
}

TEST(JpegDecoderTest, ColourGrayAndProgressive) {
    struct {
        const char* name;
        bool gray, progressive;
    } cases[] = {{"Baseline", false, false}, {"Gray", true, false}, {"Progressive", false, true}};
    for (const auto& c : cases) {
        TTestPixels pixels = Blocks(17, 32);
        if (c.gray)
            for (TRgba& p : pixels.Pixels) p = {p[1], p[1], p[1], 255};
        const std::string data = MakeJpeg(pixels, 100, c.gray, c.progressive);
        TPictureBitmap out;
        std::string error;
        ASSERT_TRUE(TJpegDecoder::Decode(data.data(), data.size(), out, error)) << c.name << ": " << error;
        ExpectClose(out, pixels, 8);
    }
}

std::string WithSize(std::string jpeg, int width, int height) {
    // The frame header: FF C0, length, precision, height, width.
    const size_t sof = jpeg.find("\xFF\xC0");
    jpeg[sof + 5] = char(height >> 8), jpeg[sof + 6] = char(height & 255);
    jpeg[sof + 7] = char(width >> 8), jpeg[sof + 8] = char(width & 255);
    return jpeg;
}

TEST(JpegDecoderTest, BrokenDataIsAnErrorNotAnExit) {
    const std::string good = MakeJpeg(Blocks(16, 16), 90);
    struct {
        const char* name;
        std::string data;
    } cases[] = {
        {"NotJpeg", "GIF89a and more"},
        {"SignatureOnly", "\xFF\xD8"},
        {"HeaderCut", good.substr(0, 40)},
        {"ZeroWidth", WithSize(good, 0, 16)},
        {"BeyondTheLimits", WithSize(good, 65000, 65000)},
    };
    for (const auto& c : cases) {
        TPictureBitmap out;
        std::string error;
        EXPECT_FALSE(TJpegDecoder::Decode(c.data.data(), c.data.size(), out, error)) << c.name;
        EXPECT_FALSE(error.empty()) << c.name;
        EXPECT_TRUE(out.Empty()) << c.name;
    }
}

TEST(JpegDecoderTest, BodyCutShortShowsWhatArrived) {
    // libjpeg completes a body that ends early with gray and only warns.
    const std::string good = MakeJpeg(Gradient(64, 64), 90);
    const std::string cut = good.substr(0, good.size() * 2 / 3);
    TPictureBitmap out;
    std::string error;
    EXPECT_TRUE(TJpegDecoder::Decode(cut.data(), cut.size(), out, error)) << error;
    EXPECT_EQ(out.Width, 64);
}

} // namespace
