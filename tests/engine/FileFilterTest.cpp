#include "engine/FileFilter.h"

#include "platform/CodePage.h"
#include "platform/FileOps.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using TStrings = std::vector<std::string>;

class FileFilterTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(temp_.Ok()); }
    std::string Path() const { return temp_.Win("ffilter.dat"); }
    TTempFolder temp_{"ffilter"};
};

TEST_F(FileFilterTest, ReadsNamesAndTrimmedLowerCaseExtensions) {
    const std::string image = SJ("画像");
    ASSERT_TRUE(TFileOps::WriteWholeFile(
        Path(), "  " + image + " \tjpg: JPEG ::gif\r\n"
                "\r\n"
                "no tab here\n"
                "Music\tmp3:WAV\r"
                "   \n"
                "Docs\ttxt"));
    TFileFilter filter;
    filter.Add("old", "x");
    ASSERT_TRUE(filter.LoadFromFile(Path()));
    ASSERT_EQ(filter.Count(), 3);
    EXPECT_EQ(filter.GetItem(0)->Name, image + " "); // the blank before the TAB stays
    EXPECT_EQ(filter.GetItem(0)->Extensions, (TStrings{"jpg", "jpeg", "gif"}));
    EXPECT_EQ(filter.GetItem(1)->Name, "Music");
    EXPECT_EQ(filter.GetItem(1)->Extensions, (TStrings{"mp3", "wav"}));
    EXPECT_EQ(filter.GetItem(2)->GetExtensionText(), "txt");
    EXPECT_EQ(filter.GetItem(3), nullptr);
    EXPECT_EQ(filter.GetItem(-1), nullptr);
}

TEST_F(FileFilterTest, SavedFiltersReadBackTheSameEvenWithoutExtensions) {
    TFileFilter filter;
    ASSERT_NE(filter.Add(SJ("画像"), "jpg:png"), nullptr);
    ASSERT_NE(filter.Add("Empty", ""), nullptr);
    ASSERT_NE(filter.Add("Last", " : "), nullptr);
    ASSERT_TRUE(filter.SaveToFile(Path()));
    EXPECT_EQ(temp_.Contents("ffilter.dat"), SJ("画像") + "\tjpg:png\r\nEmpty\t\r\nLast\t\r\n");

    TFileFilter again;
    ASSERT_TRUE(again.LoadFromFile(Path()));
    ASSERT_EQ(again.Count(), 3);
    EXPECT_EQ(again.GetItem(0)->Extensions, (TStrings{"jpg", "png"}));
    EXPECT_EQ(again.GetItem(1)->Name, "Empty");
    EXPECT_TRUE(again.GetItem(1)->Extensions.empty());
    EXPECT_EQ(again.GetItem(2)->Name, "Last");
}

TEST_F(FileFilterTest, TextsThatWouldBreakALineAreRefused) {
    for (const char* bad : {"a\tb", "a\rb", "a\nb"}) {
        SCOPED_TRACE(testing::PrintToString(bad));
        EXPECT_FALSE(TFileFilter::IsStorableText(bad));
        TFileFilter filter;
        EXPECT_EQ(filter.Add(bad, "jpg"), nullptr);
        EXPECT_EQ(filter.Add("ok", std::string("jpg:") + bad), nullptr);
        EXPECT_EQ(filter.Count(), 0);
    }
    EXPECT_TRUE(TFileFilter::IsStorableText(SJ("名前 :x")));

    // An item changed behind Add's back is not written at all.
    ASSERT_TRUE(TFileOps::WriteWholeFile(Path(), "Kept\tjpg\r\n"));
    TFileFilter filter;
    filter.Add("Good", "png");
    filter.Add("Bad", "gif")->Name = "Line\r\nBreak";
    EXPECT_FALSE(filter.SaveToFile(Path()));
    EXPECT_EQ(temp_.Contents("ffilter.dat"), "Kept\tjpg\r\n");
}

TEST_F(FileFilterTest, MissingFileIsAnEmptyListAndAnUnreadableOneFails) {
    TFileFilter filter;
    filter.Add("x", "y");
    EXPECT_TRUE(filter.LoadFromFile(Path()));
    EXPECT_EQ(filter.Count(), 0);

    // A file that is there but cannot be read (even by root).
    std::filesystem::create_symlink("/proc/self/mem", temp_.NativePath("ffilter.dat"));
    filter.Add("x", "y");
    EXPECT_FALSE(filter.LoadFromFile(Path()));
    EXPECT_EQ(filter.Count(), 0);

    EXPECT_FALSE(filter.SaveToFile(temp_.Win("no\\such\\folder\\ffilter.dat")));
}

TEST(FileFilterItemTest, ExtensionTextAndAssign) {
    TFileFilterItem item;
    item.SetExtensionText(" JPG :: Gif:");
    EXPECT_EQ(item.GetExtensionText(), "jpg:gif");
    TFileFilterItem copy;
    item.Name = "n";
    copy.Assign(item);
    EXPECT_EQ(copy.Name, "n");
    EXPECT_EQ(copy.Extensions, item.Extensions);
}

} // namespace
