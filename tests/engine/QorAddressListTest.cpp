#include "engine/QorAddressList.h"

#include "engine/QorFileProtector.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

TEST(QorAddressListTest, OrderAndEviction) {
    TQorAddressList list;
    int changes = 0;
    list.OnChange = [&](TQorAddressList*) { ++changes; };
    struct Step {
        const char* name;
        std::string typed;
        std::string shown; // what Select hands on
        Lines after;       // the first entries afterwards
    };
    const Step steps[] = {
        {"first", "  http://a/  ", "http://a/", {"http://a/"}},
        {"second", "http://b/", "http://b/", {"http://b/", "http://a/"}},
        {"host case", "http://A/", "http://A/", {"http://a/", "http://b/"}}, // moved, old text kept
        {"blank", " \t ", "", {"http://a/", "http://b/"}},
        {"line break", "http://c/\r\nx.html", "http://c/x.html", {"http://c/x.html", "http://a/"}},
    };
    for (const Step& s : steps) {
        EXPECT_EQ(list.Select(s.typed), s.shown) << s.name;
        Lines head(list.Entries().begin(), list.Entries().begin() + static_cast<long>(s.after.size()));
        EXPECT_EQ(head, s.after) << s.name;
    }
    EXPECT_EQ(changes, 4); // the blank text changed nothing

    list.Clear();
    for (int i = 1; i <= 17; ++i) list.Select("http://h/" + std::to_string(i));
    ASSERT_EQ(list.Count(), 16);
    EXPECT_EQ(list.Get(0), "http://h/17");
    EXPECT_EQ(list.Get(15), "http://h/2"); // the oldest went
}

class QorAddressListFileTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(temp_.Ok()); }
    TTempFolder temp_{"address"};
    std::string path_ = temp_.Win("address.dat");
};

TEST_F(QorAddressListFileTest, SaveAndLoad) {
    TQorAddressList list;
    list.Select("http://a/");
    list.Select("http://b/");
    ASSERT_TRUE(list.SaveToFile(path_));
    std::string text;
    ASSERT_TRUE(TQorFileProtector::LoadEncryptionText(path_, text));
    EXPECT_EQ(text, "http://b/\r\nhttp://a/\r\n");
    struct stat st {};
    ASSERT_EQ(::stat((temp_.Native() + "/address.dat").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    TQorAddressList loaded;
    ASSERT_TRUE(loaded.LoadFromFile(path_));
    EXPECT_EQ(loaded.Entries(), (Lines{"http://b/", "http://a/"}));
}

TEST_F(QorAddressListFileTest, LoadSkipsEmptyLinesAndKeepsSixteen) {
    std::string text = "\r\n  \r\n";
    for (int i = 1; i <= 20; ++i) text += "http://h/" + std::to_string(i) + "\r\n\r\n";
    ASSERT_TRUE(TQorFileProtector::SaveEncryptionText(path_, text));
    TQorAddressList list;
    ASSERT_TRUE(list.LoadFromFile(path_));
    ASSERT_EQ(list.Count(), 16);
    EXPECT_EQ(list.Get(0), "http://h/1");
    EXPECT_EQ(list.Get(15), "http://h/16");
}

TEST_F(QorAddressListFileTest, MissingFileLeavesTheList) {
    TQorAddressList list;
    list.Select("http://a/");
    EXPECT_FALSE(list.LoadFromFile(temp_.Win("none.dat")));
    EXPECT_EQ(list.Entries(), (Lines{"http://a/"}));
    EXPECT_FALSE(list.SaveToFile(temp_.Win("no\\such\\folder\\address.dat")));
}

} // namespace
