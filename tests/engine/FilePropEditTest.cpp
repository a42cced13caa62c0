#include "engine/FilePropEdit.h"

#include "platform/CodePage.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

namespace {

TEST(FilePropEditTest, Title) {
    const struct {
        const char* name;
        std::vector<const char*> urls;
        bool japanese;
        const char* utf8;
    } cases[] = {
        {"one file", {"http://h/a/b.zip"}, true, "b.zip のプロパティ"},
        {"no file name", {"http://h/a/"}, true, "index.html のプロパティ"},
        {"three files", {"http://h/1.jpg", "http://h/2.jpg", "http://h/3.jpg"}, true, "1.jpg, ... のプロパティ"},
        {"other language", {"http://h/1.jpg", "http://h/2.jpg"}, false, "のプロパティ 1.jpg, ..."},
    };
    for (const auto& c : cases) {
        TFilePropEdit edit;
        for (const char* url : c.urls) {
            TQorFile f(url);
            edit.Add(&f);
        }
        EXPECT_EQ(TCodePage::ToUtf8(edit.Title(c.japanese)), c.utf8) << c.name;
    }
}

TEST(FilePropEditTest, PortRules) {
    const struct {
        const char* url;
        const char* port;
        bool ok;
        const char* stored;
    } cases[] = {
        {"http://h/a", "80", true, ""},    {"http://h/a", " 81 ", true, "81"}, {"http://h/a", "", true, ""},
        {"http://h/a", "abc", false, ""},  {"http://h/a", "8o", false, ""},    {"mms://h/a", "1755", true, ""},
        {"mms://h/a", "80", true, "80"},   {"ftp://h/a", "80", true, "80"},
    };
    for (const auto& c : cases) {
        TQorFile f(c.url);
        TFilePropEdit edit;
        edit.Add(&f);
        std::string message;
        EXPECT_EQ(edit.Apply({"", "", "", c.port}, message), c.ok) << c.url << " " << c.port;
        if (c.ok) EXPECT_EQ(edit.Get(0)->URL->Port, c.stored) << c.url << " " << c.port;
        else EXPECT_EQ(TCodePage::ToUtf8(message), "ポート番号が不正です。");
    }
}

// The holder's rows: some go away while the window is open.
TEST(FilePropEditTest, WritesOnlyIntoRecordsThatStillExist) {
    std::map<uint64_t, std::unique_ptr<TQorFile>> rows;
    for (uint64_t k = 1; k <= 3; ++k) rows[k] = std::make_unique<TQorFile>("http://h/" + std::to_string(k) + ".jpg");
    TFilePropEdit edit;
    edit.Lookup = [&](uint64_t key) -> TQorFile* {
        auto it = rows.find(key);
        return it == rows.end() ? nullptr : it->second.get();
    };
    for (auto& [k, f] : rows) edit.Add(f.get(), k);
    rows.erase(2);

    std::string message;
    ASSERT_TRUE(edit.Apply({" http://ref/ ", " me ", " pw ", " 8080 "}, message));
    for (uint64_t k : {1, 3}) {
        EXPECT_EQ(rows[k]->Referer, "http://ref/");
        EXPECT_EQ(rows[k]->URL->User, "me");
        EXPECT_EQ(rows[k]->URL->Password, "pw");
        EXPECT_EQ(rows[k]->URL->GetURL(), "http://me:pw@h:8080/" + std::to_string(k) + ".jpg");
    }
    // The window's own copy of the row that went keeps the edit too.
    EXPECT_EQ(edit.Get(1)->URL->User, "me");

    // Refresh takes the live records afresh.
    rows[1]->Referer = "http://other/";
    edit.Refresh();
    EXPECT_EQ(edit.Get(0)->Referer, "http://other/");
}

} // namespace
