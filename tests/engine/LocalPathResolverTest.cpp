#include "engine/LocalPathResolver.h"

#include "engine/FileListRows.h"
#include "engine/QorLoadManager.h"
#include "engine/QorPageItems.h"
#include "platform/CodePage.h"
#include "platform/Thread.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <algorithm>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The records of a real folder page, made by the load manager's listing.
class LocalPathResolverTest : public ::testing::Test {
protected:
    void SetUp() override {
        TThread::SetMainThread();
        ASSERT_TRUE(temp_.Ok());
        ASSERT_TRUE(TFileOps::ForceDirectories(temp_.Win("cache\\")));
        manager_.SetCachePath(temp_.Win("cache\\"));
        fs::create_directory(Dir());
        manager_.OnLoaded = [this](TQorLoadManager* sender, int, int) {
            records_.clear();
            for (const auto& file : sender->PageItems->Files) {
                auto copy = std::make_unique<TQorFile>();
                copy->Assign(file.get());
                records_.push_back(std::move(copy));
            }
        };
    }
    fs::path Dir() const { return temp_.NativePath("list"); }
    void Touch(const std::string& name) { std::ofstream(Dir() / name) << name; }
    // Loads the folder page; its records by their address after the
    // folder's (UTF-8).
    std::map<std::string, const TQorFile*> Load() {
        TQorFile page(temp_.Win("list\\"));
        manager_.Load(&page);
        const std::string folder = page.URL->GetURL();
        std::map<std::string, const TQorFile*> byTail;
        for (const auto& record : records_) {
            const std::string url = record->URL->GetURL();
            if (url.starts_with(folder)) byTail.emplace(TCodePage::ToUtf8(url.substr(folder.size())), record.get());
        }
        return byTail;
    }
    std::string NameOf(const std::string& native) const {
        if (native.empty()) return "(none)";
        EXPECT_EQ(fs::path(native).parent_path(), Dir());
        return fs::path(native).filename().string();
    }

    TTempFolder temp_{"resolver"};
    TQorLoadManager manager_;
    std::vector<std::unique_ptr<TQorFile>> records_;
};

TEST_F(LocalPathResolverTest, EveryRowActsOnTheFileItCameFromOrOnNone) {
    for (const char* name : {"plain.txt", "x", "x#1", "x#2", "y?z.txt", "h#ash.txt", "a\\b.txt", "p|ipe.txt",
                             "q\"uote.txt", "caf\xC3\xA9.txt", "\xE8\xA1\xA8.txt" /* 表: second byte 0x5C */,
                             "co:lon.txt"})
        Touch(name);
    fs::create_directory(Dir() / "folder");
    fs::create_directory(Dir() / "f?older");

    const auto records = Load();
    TLocalPathResolver resolver;
    std::map<std::string, std::string> resolved;
    std::vector<std::string> reached;
    for (const auto& [tail, record] : records) {
        resolved[tail] = NameOf(resolver.NativePath(*record));
        if (resolved[tail] != "(none)") reached.push_back(resolved[tail]);
    }
    SCOPED_TRACE(testing::PrintToString(resolved));
    struct TCase {
        const char* tail;  // the record's address in the folder
        const char* entry; // the file its actions reach
    } cases[] = {
        {.tail = "plain.txt", .entry = "plain.txt"},
        {.tail = "x", .entry = "(none)"},           // "x", "x#1" and "x#2" all give this address
        {.tail = "y?z.txt", .entry = "y?z.txt"},    // shown as "y" with the parameter z.txt
        {.tail = "h", .entry = "h#ash.txt"},
        {.tail = "a/b.txt", .entry = "(none)"},     // the "\" became a folder that is not there
        {.tail = "p|ipe.txt", .entry = "p|ipe.txt"},
        {.tail = "q", .entry = "(none)"},           // the quote ended the listing's link
        {.tail = "\xE8\xA1\xA8.txt", .entry = "\xE8\xA1\xA8.txt"},
        {.tail = "co|lon.txt", .entry = "co:lon.txt"},
        {.tail = "folder/", .entry = "folder"},
        {.tail = "f?older/", .entry = "f?older"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.tail);
        ASSERT_TRUE(resolved.count(c.tail));
        EXPECT_EQ(resolved[c.tail], c.entry);
    }
    // The name with no CP932 form reaches its own file, whatever it shows.
    EXPECT_NE(std::find(reached.begin(), reached.end(), "caf\xC3\xA9.txt"), reached.end());
    // No two records reach the same file.
    std::sort(reached.begin(), reached.end());
    EXPECT_EQ(std::adjacent_find(reached.begin(), reached.end()), reached.end());

    // A record whose file went away maps to nothing.
    fs::remove(Dir() / "plain.txt");
    TLocalPathResolver fresh;
    EXPECT_EQ(fresh.NativePath(*records.at("plain.txt")), "");
}

TEST_F(LocalPathResolverTest, FoldersAndAddressesThatAreNoLocalFiles) {
    fs::create_directories(Dir() / "sub" / "deep");
    TLocalPathResolver resolver;
    EXPECT_EQ(resolver.NativeFolder(temp_.Win("list\\sub\\deep\\")), (Dir() / "sub" / "deep").string());
    EXPECT_EQ(resolver.NativeFolder(temp_.Win("list\\sub\\deep")), (Dir() / "sub" / "deep").string());
    EXPECT_EQ(resolver.NativeFolder("C:\\"), "/");
    EXPECT_EQ(resolver.NativeFolder(temp_.Win("list\\none\\")), "");
    EXPECT_EQ(resolver.NativeFolder("D:\\tmp\\"), "");

    EXPECT_EQ(resolver.NativePath(TQorFile(temp_.Win("list\\sub\\"))), (Dir() / "sub").string());
    EXPECT_EQ(resolver.NativePath(TQorFile("file:///C|/")), "/");
    EXPECT_EQ(resolver.NativePath(TQorFile("http://h/list/sub/")), "");
    EXPECT_EQ(resolver.NativePath(TQorFile("file:///D|/x.txt")), "");
}

TEST_F(LocalPathResolverTest, SelectionLeavesOutDriveRootsAndNamesRowsThatDoNotMapBack) {
    Touch("a.txt");
    Touch("x");
    Touch("x#1");
    auto records = Load();
    TFileListRows rows;
    rows.AddFile(*records.at("a.txt"));
    rows.AddFile(*records.at("x"));
    rows.AddFile(TQorFile("file:///C|/"));
    rows.AddFile(TQorFile("http://h/a.txt"));
    rows.Sort = false;
    rows.ShowList();
    ASSERT_EQ(rows.Rows().size(), 4u);
    const TLocalSelection selection = rows.GetLocalSelection({0, 1, 2, 3});
    EXPECT_EQ(selection.Paths, (std::vector<std::string>{(Dir() / "a.txt").string()}));
    EXPECT_EQ(selection.Rows, (std::vector<size_t>{0}));
    EXPECT_EQ(selection.Unmapped, (std::vector<std::string>{"x"}));
}

} // namespace
