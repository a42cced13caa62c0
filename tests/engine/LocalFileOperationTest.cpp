#include "engine/LocalFileOperation.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

class LocalFileOperationTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(temp_.Ok());
        fs::create_directories(Src());
        fs::create_directories(Dst());
    }
    fs::path Src() const { return temp_.NativePath("src"); }
    fs::path Dst() const { return temp_.NativePath("dst"); }
    static void Write(const fs::path& path, const std::string& text) {
        fs::create_directories(path.parent_path());
        std::ofstream(path) << text;
    }
    static std::string Read(const fs::path& path) {
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::vector<TFileProblem> Problems() const {
        std::vector<TFileProblem> problems;
        for (const auto& p : op_.Problems) problems.push_back(p.Problem);
        return problems;
    }

    TTempFolder temp_{"fileop"};
    TLocalFileOperation op_;
};

TEST_F(LocalFileOperationTest, CopiesAndMovesFilesAndFolderTrees) {
    Write(Src() / "a.txt", "A");
    Write(Src() / "tree" / "sub" / "b.txt", "B");
    const auto time = fs::last_write_time(Src() / "a.txt") - std::chrono::hours(48);
    fs::last_write_time(Src() / "a.txt", time);

    EXPECT_TRUE(op_.CopyInto({(Src() / "a.txt").string(), (Src() / "tree").string()}, Dst().string(), false));
    EXPECT_EQ(Read(Dst() / "a.txt"), "A");
    EXPECT_EQ(fs::last_write_time(Dst() / "a.txt"), time);
    EXPECT_EQ(Read(Dst() / "tree" / "sub" / "b.txt"), "B");
    EXPECT_TRUE(fs::exists(Src() / "tree" / "sub" / "b.txt"));

    fs::create_directory(temp_.NativePath("moved"));
    EXPECT_TRUE(op_.CopyInto({(Src() / "a.txt").string(), (Src() / "tree").string()},
                             temp_.NativePath("moved").string(), true));
    EXPECT_FALSE(fs::exists(Src() / "a.txt"));
    EXPECT_FALSE(fs::exists(Src() / "tree"));
    EXPECT_EQ(Read(temp_.NativePath("moved") / "tree" / "sub" / "b.txt"), "B");
    // No part file is left anywhere.
    for (const auto& entry : fs::recursive_directory_iterator(temp_.Native()))
        EXPECT_EQ(entry.path().filename().string().find(".vorlen-part"), std::string::npos) << entry.path();
}

TEST_F(LocalFileOperationTest, AnExistingTargetIsReplacedOnlyWhenTheUserSaysSo) {
    Write(Src() / "a.txt", "new a");
    Write(Src() / "b.txt", "new b");
    Write(Src() / "c.txt", "new c");
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) Write(Dst() / name, "old");
    const std::vector<std::string> sources = {(Src() / "a.txt").string(), (Src() / "b.txt").string(),
                                              (Src() / "c.txt").string()};

    // Nobody to ask: nothing is replaced.
    EXPECT_TRUE(op_.CopyInto(sources, Dst().string(), true));
    EXPECT_EQ(Read(Dst() / "a.txt"), "old");
    EXPECT_TRUE(fs::exists(Src() / "a.txt"));

    std::vector<std::string> asked;
    op_.OnOverwrite = [&](const std::string& target) {
        asked.push_back(fs::path(target).filename().string());
        if (asked.size() == 1) return TOverwriteAnswer::Yes;
        if (asked.size() == 2) return TOverwriteAnswer::No;
        return TOverwriteAnswer::Cancel;
    };
    EXPECT_FALSE(op_.CopyInto(sources, Dst().string(), true));
    EXPECT_TRUE(op_.Canceled);
    EXPECT_EQ(asked, (std::vector<std::string>{"a.txt", "b.txt", "c.txt"}));
    EXPECT_EQ(Read(Dst() / "a.txt"), "new a");
    EXPECT_FALSE(fs::exists(Src() / "a.txt"));
    EXPECT_EQ(Read(Dst() / "b.txt"), "old");
    EXPECT_EQ(Read(Dst() / "c.txt"), "old");
    EXPECT_TRUE(fs::exists(Src() / "c.txt"));

    // Yes on a folder merges into it.
    Write(Src() / "f" / "one.txt", "1 new");
    Write(Dst() / "f" / "one.txt", "1 old");
    Write(Dst() / "f" / "two.txt", "2 old");
    op_.OnOverwrite = [](const std::string&) { return TOverwriteAnswer::Yes; };
    EXPECT_TRUE(op_.CopyInto({(Src() / "f").string()}, Dst().string(), false));
    EXPECT_EQ(Read(Dst() / "f" / "one.txt"), "1 new");
    EXPECT_EQ(Read(Dst() / "f" / "two.txt"), "2 old");
}

TEST_F(LocalFileOperationTest, RefusesWhatCannotBeDone) {
    Write(Src() / "tree" / "in" / "x.txt", "X");
    Write(Src() / "same.txt", "S");
    Write(Src() / "clash", "a file");
    fs::create_directories(Dst() / "clash");
    op_.OnOverwrite = [](const std::string&) { return TOverwriteAnswer::Yes; };
    const std::string tree = (Src() / "tree").string();

    struct TCase {
        const char* name;
        std::string source;
        fs::path into;
        bool move;
        TFileProblem problem;
    } cases[] = {
        {.name = "folder into itself", .source = tree, .into = Src() / "tree", .move = true, .problem = TFileProblem::IntoItself},
        {.name = "folder into its sub-folder", .source = tree, .into = Src() / "tree" / "in", .move = true, .problem = TFileProblem::IntoItself},
        {.name = "copy into its sub-folder", .source = tree, .into = Src() / "tree" / "in", .move = false, .problem = TFileProblem::IntoItself},
        {.name = "copy onto itself", .source = (Src() / "same.txt").string(), .into = Src(), .move = false, .problem = TFileProblem::SameFile},
        {.name = "file onto folder", .source = (Src() / "clash").string(), .into = Dst(), .move = true, .problem = TFileProblem::KindClash},
        {.name = "gone", .source = (Src() / "gone.txt").string(), .into = Dst(), .move = false, .problem = TFileProblem::Missing},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(op_.CopyInto({c.source}, c.into.string(), c.move));
        EXPECT_EQ(Problems(), std::vector<TFileProblem>{c.problem});
    }
    EXPECT_EQ(Read(Src() / "tree" / "in" / "x.txt"), "X");
    EXPECT_FALSE(fs::exists(Src() / "tree" / "in" / "tree"));
    EXPECT_TRUE(fs::is_directory(Dst() / "clash"));
    EXPECT_EQ(Read(Src() / "clash"), "a file");

    // Moving a file where it already is does nothing and is no error.
    EXPECT_TRUE(op_.CopyInto({(Src() / "same.txt").string()}, Src().string(), true));
    EXPECT_EQ(Read(Src() / "same.txt"), "S");
}

TEST_F(LocalFileOperationTest, MovesAcrossFileSystems) {
    // /dev/shm is a memory file system on Linux, the temporary folder
    // here is not.
    struct stat a {}, b {};
    if (::stat("/dev/shm", &a) != 0 || ::stat(temp_.Native().c_str(), &b) != 0 || a.st_dev == b.st_dev)
        GTEST_SKIP() << "no second file system";
    char pattern[] = "/dev/shm/vorlen-fileop-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const fs::path other(pattern);
    struct TRemove {
        fs::path p;
        ~TRemove() { std::error_code ec; fs::remove_all(p, ec); }
    } cleanup{other};

    Write(other / "tree" / "sub" / "b.txt", "B");
    Write(other / "a.txt", "A");
    EXPECT_TRUE(op_.CopyInto({(other / "tree").string(), (other / "a.txt").string()}, Dst().string(), true));
    EXPECT_EQ(Read(Dst() / "tree" / "sub" / "b.txt"), "B");
    EXPECT_EQ(Read(Dst() / "a.txt"), "A");
    EXPECT_FALSE(fs::exists(other / "tree"));
    EXPECT_FALSE(fs::exists(other / "a.txt"));
}

TEST_F(LocalFileOperationTest, DeleteForever) {
    Write(Src() / "tree" / "sub" / "b.txt", "B");
    Write(Src() / "a.txt", "A");
    EXPECT_TRUE(op_.DeleteForever({(Src() / "tree").string(), (Src() / "a.txt").string()}));
    EXPECT_TRUE(fs::is_empty(Src()));
    EXPECT_FALSE(op_.DeleteForever({(Src() / "a.txt").string()}));
    EXPECT_EQ(Problems(), std::vector<TFileProblem>{TFileProblem::Missing});
}

} // namespace
