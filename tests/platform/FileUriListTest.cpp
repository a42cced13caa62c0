#include "platform/FileUriList.h"

#include "platform/CodePage.h"

#include <gtest/gtest.h>

namespace {

struct UriCase {
    const char* name;
    std::string uri;
    bool ok;
    std::string path;
};

const UriCase kUriToPath[] = {
    {.name = "plain", .uri = "file:///home/me/a.txt", .ok = true, .path = "C:\\home\\me\\a.txt"},
    {.name = "escaped_blank", .uri = "file:///home/me/a%20b.txt", .ok = true, .path = "C:\\home\\me\\a b.txt"},
    {.name = "localhost", .uri = "file://localhost/tmp/x", .ok = true, .path = "C:\\tmp\\x"},
    {.name = "localhost_upper", .uri = "FILE://LocalHost/tmp/x", .ok = true, .path = "C:\\tmp\\x"},
    {.name = "one_slash", .uri = "file:/tmp/x", .ok = true, .path = "C:\\tmp\\x"},
    {.name = "japanese", .uri = "file:///tmp/%E8%A1%A8.txt", .ok = true, .path = "C:\\tmp\\" + SJ("表") + ".txt"},
    {.name = "lone_percent", .uri = "file:///tmp/100%", .ok = true, .path = "C:\\tmp\\100%"},
    {.name = "fragment_dropped", .uri = "file:///tmp/x#frag", .ok = true, .path = "C:\\tmp\\x"},
    {.name = "other_host", .uri = "file://server/share/x", .ok = false, .path = ""},
    {.name = "localhost_prefix", .uri = "file://localhostx/x", .ok = false, .path = ""},
    {.name = "web", .uri = "http://example.com/a.txt", .ok = false, .path = ""},
    {.name = "nul_byte", .uri = "file:///tmp/a%00b", .ok = false, .path = ""},
    {.name = "no_path", .uri = "file://", .ok = false, .path = ""},
};

TEST(FileUriListTest, UriToPathTakesLocalFileAddressesOnly) {
    for (const auto& c : kUriToPath) {
        SCOPED_TRACE(c.name);
        std::string path;
        EXPECT_EQ(TFileUriList::UriToPath(c.uri, path), c.ok);
        if (c.ok) {
            EXPECT_EQ(path, c.path);
        }
    }
}

TEST(FileUriListTest, PathsRoundTripThroughAUriList) {
    const std::vector<std::string> paths = {"C:\\home\\me\\a b#1%.txt", "C:\\tmp\\" + SJ("日本語"),
                                            "C:\\"};
    const std::string list = TFileUriList::FromPaths(paths);
    EXPECT_EQ(list.substr(0, list.find("\r\n")), "file:///home/me/a%20b%231%25.txt");
    EXPECT_EQ(TFileUriList::ToPaths(list), paths);
}

TEST(FileUriListTest, FolderLosesItsTrailingBackslashAndOtherDrivesAreLeftOut) {
    EXPECT_EQ(TFileUriList::PathToUri("C:\\tmp\\dir\\"), "file:///tmp/dir");
    EXPECT_EQ(TFileUriList::FromPaths({"D:\\x", "C:\\y"}), "file:///y\r\n");
}

TEST(FileUriListTest, ReadingSkipsCommentsBlankLinesAndForeignAddresses) {
    const std::string list = "# comment\r\nfile:///a\r\n\r\nhttp://x/y\nfile:///b\rfile:///c";
    EXPECT_EQ(TFileUriList::ToPaths(list),
              (std::vector<std::string>{"C:\\a", "C:\\b", "C:\\c"}));
}

TEST(FileUriListTest, GnomeCopiedFilesAsFileManagersWriteThem) {
    struct Case {
        const char* name;
        std::string text;
        bool ok;
        bool cut;
        std::vector<std::string> paths;
    };
    const Case cases[] = {
        {.name = "nautilus_cut", .text = "cut\nfile:///a\nfile:///b", .ok = true, .cut = true, .paths = {"C:\\a", "C:\\b"}},
        {.name = "thunar_copy_crlf", .text = "copy\r\nfile:///a\r\n", .ok = true, .cut = false, .paths = {"C:\\a"}},
        {.name = "old_nautilus_text", .text = "x-special/nautilus-clipboard\ncut\nfile:///a\n", .ok = true, .cut = true, .paths = {"C:\\a"}},
        {.name = "no_mark", .text = "file:///a", .ok = false, .cut = false, .paths = {}},
        {.name = "empty", .text = "", .ok = false, .cut = false, .paths = {}},
        {.name = "mark_only", .text = "copy", .ok = true, .cut = false, .paths = {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        bool cut = !c.cut;
        std::vector<std::string> paths{"stale"};
        EXPECT_EQ(TFileUriList::ParseGnomeCopiedFiles(c.text, cut, paths), c.ok);
        if (c.ok) {
            EXPECT_EQ(cut, c.cut);
        }
        EXPECT_EQ(paths, c.paths);
    }
    EXPECT_EQ(TFileUriList::GnomeCopiedFiles({"C:\\a", "C:\\b c"}, true), "cut\nfile:///a\nfile:///b%20c");
    EXPECT_EQ(TFileUriList::GnomeCopiedFiles({"C:\\a"}, false), "copy\nfile:///a");
}

} // namespace
