#include "picture/PluginManager.h"

#include "support/TempFolder.h"
#include "TestImages.h"
#include "VorlenPlugin.h"
#include "platform/FileOps.h"
#include "platform/WinPath.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// Faulty plug-ins of the tests (see plugins/), copied into a folder of
// the test under the names it chooses.
class PluginManagerTest : public testing::Test {
protected:
    void Put(const std::string& module, const std::string& name) {
        const std::string from = TWinPath::FromNative(std::string(VORLEN_TEST_PLUGIN_DIR) + "/" + module);
        ASSERT_TRUE(TFileOps::CopyFile(from, folder_.Win(name), false)) << module;
    }
    std::vector<std::string> Names(const TPluginManager& manager) {
        std::vector<std::string> names;
        for (const auto& plugin : manager.Plugins) names.push_back(plugin.FileName);
        return names;
    }
    // Data for the liar plug-in: the two blocks it is to return.
    static std::string Liar(const std::vector<uint8_t>& info, const std::vector<uint8_t>& bits) {
        std::string data = "LIAR";
        const uint32_t sizes[2] = {uint32_t(info.size()), uint32_t(bits.size())};
        data.append(reinterpret_cast<const char*>(sizes), 8);
        data.append(info.begin(), info.end());
        data.append(bits.begin(), bits.end());
        return data;
    }
    static std::vector<uint8_t> Header(int32_t width, int32_t height, uint16_t bits) {
        std::vector<uint8_t> block(40, 0);
        VorlenBitmapInfoHeader h{};
        h.biSize = 40;
        h.biWidth = width;
        h.biHeight = height;
        h.biPlanes = 1;
        h.biBitCount = bits;
        std::memcpy(block.data(), &h, 40);
        return block;
    }

    TTempFolder folder_{"plugins"};
};

TEST_F(PluginManagerTest, SkipsWhatIsNoPluginOfThisVersion) {
    Put("noinfo.so", "a-noinfo.so");
    Put("otherversion.so", "b-otherversion.so");
    ASSERT_TRUE(TFileOps::WriteWholeFile(folder_.Win("c-text.so"), "no library at all"));
    ASSERT_TRUE(TFileOps::WriteWholeFile(folder_.Win("c-empty.spi"), ""));
    Put("nosupport.so", "d-nosupport.so");
    Put("liar.so", "e-liar.so");
    ASSERT_TRUE(TFileOps::CreateDir(folder_.Win("f-folder")));
    TPluginManager manager(TWinPath::ExcludeTrailingBackslash(folder_.Win()));
    EXPECT_EQ(manager.PluginFolder, folder_.Win());
    EXPECT_EQ(Names(manager), (std::vector<std::string>{"d-nosupport.so", "e-liar.so"}));

    // The two skipped ones would have taken any data; the one without
    // IsSupported is passed over.
    const std::string data = Liar(Header(1, 1, 24), {1, 2, 3, 0});
    ASSERT_TRUE(manager.LoadPicture(data.data(), data.size())) << manager.LastError;
    EXPECT_EQ(PixelOf(manager.Bitmap, 0, 0), (TRgba{3, 2, 1, 255}));
    EXPECT_FALSE(manager.LoadPicture("GIF89a", 6));
    EXPECT_EQ(manager.LastError, "no plug-in takes the data");
    EXPECT_TRUE(manager.Bitmap.Empty());
}

TEST_F(PluginManagerTest, ReadsTheFolderInNameOrder) {
    Put("liar.so", "m.so");
    Put("nosupport.so", "z.so");
    Put("liar.so", "a.so");
    Put("liar.so", "B.so");
    TPluginManager manager(folder_.Win());
    EXPECT_EQ(Names(manager), (std::vector<std::string>{"B.so", "a.so", "m.so", "z.so"}));
}

TEST_F(PluginManagerTest, NoFolderNoPlugins) {
    TPluginManager manager(folder_.Win("missing\\"));
    EXPECT_TRUE(manager.Plugins.empty());
    EXPECT_FALSE(manager.LoadPicture("\xFF\xD8\xFF", 3));
}

TEST_F(PluginManagerTest, ChecksTheBlocksAPluginReturns) {
    Put("liar.so", "liar.so");
    TPluginManager manager(folder_.Win());
    struct {
        const char* name;
        std::string data;
        std::string error;
    } cases[] = {
        // Far shorter than the rows, beyond any slack of the allocator.
        {"RowsShort", Liar(Header(64, 64, 32), std::vector<uint8_t>(64, 0)), "liar.so: pixel block size"},
        {"NoTable", Liar(Header(2, 2, 8), std::vector<uint8_t>(8, 0)), "liar.so: palette size"},
        {"Depth", Liar(Header(2, 2, 15), std::vector<uint8_t>(16, 0)), "liar.so: bit depth"},
        {"InfoShort", Liar(std::vector<uint8_t>(20, 0), std::vector<uint8_t>(16, 0)), "liar.so: header size"},
        {"PluginFails", std::string("LIAR\xFF\xFF\xFF\xFF\0\0\0\0", 12), "liar.so: error 3"},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(manager.LoadPicture(c.data.data(), c.data.size())) << c.name;
        EXPECT_EQ(manager.LastError, c.error) << c.name;
        EXPECT_TRUE(manager.Bitmap.Empty()) << c.name;
    }
}

} // namespace
