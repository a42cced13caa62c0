// The plug-ins built with the program, loaded from the build's Plugin
// folder as the window program loads them.
#include "picture/PluginManager.h"

#include "TestImages.h"
#include "platform/WinPath.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

TPluginManager& Shipped() {
    static TPluginManager manager(TWinPath::FromNative(VORLEN_PLUGIN_DIR));
    return manager;
}

const std::vector<TRgba> kPalette = {
    {0, 0, 0, 255}, {255, 0, 0, 255}, {0, 255, 0, 128}, {0, 0, 255, 0}, {10, 20, 30, 255}};

// Indices into the first `colors` entries of kPalette, differing along
// rows and columns.
std::vector<uint8_t> Indices(int width, int height, size_t colors = kPalette.size()) {
    std::vector<uint8_t> v;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) v.push_back(uint8_t((x + 2 * y + y / 2) % colors));
    return v;
}

TTestPixels FromPalette(int width, int height, const std::vector<uint8_t>& indices,
                        std::function<TRgba(TRgba, int)> adjust) {
    TTestPixels p{width, height, {}};
    for (uint8_t i : indices) p.Pixels.push_back(adjust(kPalette[i], i));
    return p;
}

TRgba Opaque(TRgba c, int) { return {c[0], c[1], c[2], 255}; }

struct GoodCase {
    const char* name;
    std::function<std::string()> make;
    std::function<TTestPixels()> expected;
};

class ShippedPluginsGoodTest : public testing::TestWithParam<GoodCase> {};

TEST_P(ShippedPluginsGoodTest, DecodesExactly) {
    const std::string data = GetParam().make();
    const TTestPixels want = GetParam().expected();
    TPluginManager& manager = Shipped();
    ASSERT_TRUE(manager.LoadPicture(data.data(), data.size())) << manager.LastError;
    ASSERT_EQ(manager.Bitmap.Width, want.Width);
    ASSERT_EQ(manager.Bitmap.Height, want.Height);
    for (int y = 0; y < want.Height; ++y)
        for (int x = 0; x < want.Width; ++x)
            ASSERT_EQ(PixelOf(manager.Bitmap, x, y), want.At(x, y)) << "at " << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ShippedPluginsGoodTest,
    testing::Values(
        GoodCase{"PngOddWidthWithAlpha", [] { return MakePng(Gradient(5, 3, true)); },
                 [] { return Gradient(5, 3, true); }},
        GoodCase{"PngPaletteWithTransparency",
                 [] { return MakePalettePng(7, 4, kPalette, Indices(7, 4)); },
                 [] { return FromPalette(7, 4, Indices(7, 4), [](TRgba c, int) { return c; }); }},
        GoodCase{"GifFirstFrameTransparentIndex",
                 [] { return MakeGif(5, 3, kPalette, Indices(5, 3), 3, false, true); },
                 [] {
                     return FromPalette(5, 3, Indices(5, 3), [](TRgba c, int i) {
                         return i == 3 ? TRgba{0, 0, 0, 0} : Opaque(c, i);
                     });
                 }},
        GoodCase{"GifInterlaced", [] { return MakeGif(3, 11, kPalette, Indices(3, 11), -1, true); },
                 [] { return FromPalette(3, 11, Indices(3, 11), Opaque); }},
        GoodCase{"WebpLosslessWithAlpha", [] { return MakeWebp(Gradient(5, 3, true)); },
                 [] { return Gradient(5, 3, true); }},
        GoodCase{"Bmp1Bit",
                 [] { return MakeBmp(1, {9, 3, {}}, {kPalette[0], kPalette[1]}, Indices(9, 3, 2), false); },
                 [] { return FromPalette(9, 3, Indices(9, 3, 2), Opaque); }},
        GoodCase{"Bmp4BitTopDown", [] { return MakeBmp(4, {5, 3, {}}, kPalette, Indices(5, 3), true); },
                 [] { return FromPalette(5, 3, Indices(5, 3), Opaque); }},
        GoodCase{"Bmp8Bit", [] { return MakeBmp(8, {3, 2, {}}, kPalette, Indices(3, 2), false); },
                 [] { return FromPalette(3, 2, Indices(3, 2), Opaque); }},
        GoodCase{"Bmp24BitOddWidth", [] { return MakeBmp(24, Gradient(5, 3), {}, {}, false); },
                 [] { return Gradient(5, 3); }},
        GoodCase{"Bmp24BitTopDown", [] { return MakeBmp(24, Gradient(3, 4), {}, {}, true); },
                 [] { return Gradient(3, 4); }},
        GoodCase{"Bmp32BitAlpha", [] { return MakeBmp(32, Gradient(3, 2, true), {}, {}, false); },
                 [] { return Gradient(3, 2, true); }}),
    [](const auto& info) { return info.param.name; });

struct BadCase {
    const char* name;
    std::function<std::string()> make;
};

class ShippedPluginsBadTest : public testing::TestWithParam<BadCase> {};

TEST_P(ShippedPluginsBadTest, FailsCleanly) {
    const std::string data = GetParam().make();
    TPluginManager& manager = Shipped();
    EXPECT_FALSE(manager.LoadPicture(data.data(), data.size()));
    EXPECT_TRUE(manager.Bitmap.Empty());
    EXPECT_FALSE(manager.LastError.empty());
}

std::string Half(std::string s) { return s.substr(0, s.size() / 2); }
std::string Set(std::string s, size_t at, std::string bytes) { return s.replace(at, bytes.size(), bytes); }

INSTANTIATE_TEST_SUITE_P(
    Cases, ShippedPluginsBadTest,
    testing::Values(
        BadCase{"PngHalf", [] { return Half(MakePng(Gradient(40, 40))); }},
        BadCase{"PngSignatureOnly", [] { return std::string("\x89PNG\r\n\x1a\n", 8); }},
        BadCase{"PngBadCrc", [] { return Set(MakePng(Gradient(5, 3)), 29, "\x01"); }},
        BadCase{"GifHalf", [] { return Half(MakeGif(40, 40, kPalette, Indices(40, 40), -1, false)); }},
        BadCase{"GifNoFrame", [] { return MakeGif(4, 4, kPalette, Indices(4, 4), -1, false).substr(0, 13 + 24) + ";"; }},
        BadCase{"GifSignatureOnly", [] { return std::string("GIF89a"); }},
        BadCase{"WebpHalf", [] { return Half(MakeWebp(Gradient(40, 40))); }},
        BadCase{"WebpHeaderOnly", [] { return std::string("RIFF\x10\0\0\0WEBPVP8L", 16); }},
        BadCase{"BmpRowsCut", [] { return MakeBmp(24, Gradient(5, 3), {}, {}, false).substr(0, 80); }},
        BadCase{"BmpHuge", [] { return Set(MakeBmp(24, Gradient(5, 3), {}, {}, false), 18, std::string("\xFF\xFF\0\0\xFF\xFF\0\0", 8)); }},
        BadCase{"BmpRunLength", [] { return Set(MakeBmp(8, {3, 2, {}}, kPalette, Indices(3, 2), false), 30, "\x01"); }},
        BadCase{"BmpTooManyColours", [] { return Set(MakeBmp(4, {5, 3, {}}, kPalette, Indices(5, 3), false), 46, "\x11"); }},
        BadCase{"BmpTableOutsideFile", [] { return Set(MakeBmp(8, {3, 2, {}}, kPalette, Indices(3, 2), false), 46, std::string("\xFF\0", 2)); }},
        BadCase{"BmpHeaderOnly", [] { return MakeBmp(24, Gradient(5, 3), {}, {}, false).substr(0, 30); }}),
    [](const auto& info) { return info.param.name; });

TEST(ShippedPluginsTest, AllFourInNameOrder) {
    std::vector<std::string> names;
    for (const auto& plugin : Shipped().Plugins) names.push_back(plugin.FileName);
    EXPECT_EQ(names, (std::vector<std::string>{"vorlen-bmp.so", "vorlen-gif.so", "vorlen-png.so",
                                                "vorlen-webp.so"}));
}

} // namespace
