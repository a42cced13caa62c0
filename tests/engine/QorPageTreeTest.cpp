#include "engine/QorPageTree.h"

#include "engine/QorCaption.h"
#include "platform/CodePage.h"
#include "platform/StringTable.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

class QorPageTreeTest : public testing::Test {
protected:
    void SetUp() override {
        tree.Initialize();
        page = tree.AddRootPage("http://h/a/index.html", false);
    }
    // A link record for AddChild, which takes its own copy.
    const TQorFile& Link(const std::string& url, const std::string& anchor = {}) {
        links_.push_back(std::make_unique<TQorFile>(url));
        links_.back()->SetAnchorString(anchor);
        return *links_.back();
    }

    TQorPageTree tree;
    TQorPageNode* page = nullptr;

private:
    std::vector<std::unique_ptr<TQorFile>> links_;
};

TEST_F(QorPageTreeTest, RootAndTopLevelPage) {
    ASSERT_NE(tree.RootNode(), nullptr);
    EXPECT_EQ(tree.RootNode()->Caption(), TStringTable::Get(1004));
    EXPECT_EQ(tree.RootNode()->ImageIndex(), TQorPageTree::ImageRoot);
    EXPECT_EQ(tree.GetNodeInfo(tree.RootNode()), nullptr);
    tree.Initialize(); // once only
    EXPECT_EQ(tree.RootNode()->ChildCount(), 1);

    EXPECT_EQ(page->Caption(), "http://h/a/index.html");
    EXPECT_EQ(page->ImageIndex(), TQorPageTree::ImageNew);
    ASSERT_NE(page->Info(), nullptr);
    EXPECT_FALSE(page->Info()->Loaded);
    EXPECT_EQ(page->Info()->CompURL, "http://h/a/index.html");
    // The host fills the caption when the load completes; credentials and
    // port never show in a caption.
    TQorPageNode* blank = tree.AddRootPage("http://u:p@H:81/x.html", true);
    EXPECT_EQ(blank->Caption(), "");
    EXPECT_EQ(blank->Info()->CompURL, "http://h:81/x.html");
    EXPECT_EQ(tree.GetNodeText(*blank->Info()->File, nullptr), "http://H/x.html");
}

TEST_F(QorPageTreeTest, Captions) {
    const std::string sjisAnchor = SJ("日本語のリンク");
    struct Case {
        const char* name;
        std::string url;
        std::string anchor;
        bool showAnchor;
        std::string caption;
    };
    const std::string longAnchor(300, 'x');
    std::string jp;
    while (jp.size() < 249) jp += "a";
    jp += SJ("表示"); // the first double-byte character would straddle byte 250
    Case cases[] = {
        {"anchor shown", "http://h/a/b.html", sjisAnchor, true, sjisAnchor},
        {"anchor off, in folder", "http://h/a/b/c.html", "link", false, "b/c.html"},
        {"no anchor, in folder", "http://h/a/c.html", "", true, "c.html"},
        {"outside the folder", "http://h/b/y.html", "", true, "http://h/b/y.html"},
        {"the folder itself", "http://h/a/", "", true, "http://h/a/"},
        {"credentials dropped", "http://u:p@h/a/z.html", "", true, "z.html"},
        {"300-byte anchor", "http://h/a/q.html", longAnchor, true, std::string(250, 'x')},
        {"cut on a character", "http://h/a/q.html", jp, true, std::string(249, 'a')},
    };
    for (Case& c : cases) {
        tree.ShowAnchor = c.showAnchor;
        TQorPageNode* child = tree.AddChild(page, Link(c.url, c.anchor));
        ASSERT_NE(child, nullptr) << c.name;
        EXPECT_EQ(child->Caption(), c.caption) << c.name;
        EXPECT_EQ(child->ImageIndex(), TQorPageTree::ImageNew) << c.name;
    }
    EXPECT_EQ(TQorCaption::Cut(jp.substr(3)), jp.substr(3)); // exactly 250 bytes fit
    // "é" has no CP932 form and is kept as a five-byte escape: the cut
    // takes it whole or not at all.
    const std::string e = TCodePage::FromUtf8("\u00e9");
    ASSERT_EQ(e.size(), 5u);
    EXPECT_EQ(TQorCaption::Cut(std::string(247, 'a') + e), std::string(247, 'a'));
    EXPECT_EQ(TQorCaption::Cut(std::string(245, 'a') + e + "b"), std::string(245, 'a') + e);
}

TEST_F(QorPageTreeTest, Loops) {
    TQorPageNode* child = tree.AddChild(page, Link("http://h/a/sub/c.html"));
    TQorPageNode* grandchild = tree.AddChild(child, Link("http://h/a/sub/d.html"));
    struct Case {
        const char* name;
        TQorPageNode* parent;
        std::string url;
        bool loop;
    };
    const Case cases[] = {
        {"link to itself", page, "http://h/a/index.html", true},
        {"two levels up", grandchild, "http://h/a/index.html", true},
        {"to its parent", grandchild, "http://h/a/sub/c.html", true},
        {"path case differs", grandchild, "http://h/a/Index.html", false},
        {"explicit port", grandchild, "http://h:80/a/index.html", false},
        {"host case differs", grandchild, "http://H/a/index.html", false},
        {"a sibling", grandchild, "http://h/a/sub/e.html", false},
    };
    for (const Case& c : cases) {
        TQorPageNode* added = tree.AddChild(c.parent, Link(c.url, "anchor"));
        ASSERT_NE(added, nullptr) << c.name;
        EXPECT_EQ(added->ImageIndex(), c.loop ? TQorPageTree::ImageLoop : TQorPageTree::ImageNew) << c.name;
        EXPECT_EQ(added->Info() == nullptr, c.loop) << c.name;
        EXPECT_EQ(added->Caption(), "anchor") << c.name;
        // A loop node cannot hold children and cannot be opened.
        if (c.loop) {
            EXPECT_EQ(tree.AddChild(added, Link("http://h/x.html")), nullptr) << c.name;
        }
    }
    // The root has no record: nothing is added under it.
    EXPECT_EQ(tree.AddChild(tree.RootNode(), Link("http://h/x.html")), nullptr);
}

TEST_F(QorPageTreeTest, LocalFolderListingItselfAddsNothing) {
    TQorPageNode* folder = tree.AddRootPage("file:///C|/tmp/", false);
    EXPECT_EQ(tree.AddChild(folder, Link("file:///C|/tmp/")), nullptr);
    EXPECT_EQ(folder->ChildCount(), 0);
    TQorPageNode* file = tree.AddChild(folder, Link("file:///C|/tmp/a%20b.txt"));
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(TQorPageTree::GetDragText(folder), "C:\\tmp");
    EXPECT_EQ(TQorPageTree::GetDragText(page), "http://h/a/index.html");
    EXPECT_EQ(TQorPageTree::GetDragText(tree.RootNode()), "");
}

TEST_F(QorPageTreeTest, UpdateNodeTextAndResetFileInfo) {
    TQorPageNode* child = tree.AddChild(page, Link("http://h/a/b.html", "Bee"));
    TQorPageNode* loop = tree.AddChild(page, Link("http://h/a/index.html", "Self"));
    tree.SetNodeText(page, "Title");
    tree.ShowAnchor = false;
    tree.UpdateNodeText();
    EXPECT_EQ(child->Caption(), "b.html");
    EXPECT_EQ(loop->Caption(), "Self");  // loops keep theirs
    EXPECT_EQ(page->Caption(), "Title"); // top-level pages keep theirs

    TQorFile moved("http://h/other.html");
    tree.ResetFileInfo(child, moved);
    EXPECT_EQ(child->Caption(), "http://h/other.html");
    EXPECT_EQ(child->Info()->File->URL->GetURL(), "http://h/other.html");
    EXPECT_NE(child->Info()->File.get(), &moved); // a copy
    tree.ResetFileInfo(loop, moved);              // no record: nothing
    EXPECT_EQ(loop->Caption(), "Self");
}

TEST_F(QorPageTreeTest, DeletingClearsCurrentAndTargetAndNotifies) {
    TQorPageNode* child = tree.AddChild(page, Link("http://h/a/b.html"));
    TQorPageNode* grandchild = tree.AddChild(child, Link("http://h/a/c.html"));
    tree.SetCurrentNode(grandchild);
    tree.SetTargetNode(child);
    int removed = 0;
    tree.OnBeginRemove = [&](TQorPageTree*, TQorPageNode* parent, int first, int last) {
        EXPECT_EQ(parent, page);
        removed += last - first + 1;
    };
    tree.DeleteChildren(page);
    EXPECT_EQ(removed, 1);
    EXPECT_EQ(tree.CurrentNode(), nullptr);
    EXPECT_EQ(tree.TargetNode(), nullptr);
    EXPECT_EQ(page->ChildCount(), 0);
    tree.OnBeginRemove = nullptr;
    tree.ClearWebPage();
    EXPECT_EQ(tree.RootNode()->ChildCount(), 0);
}

TEST_F(QorPageTreeTest, SortChildrenRenumbersRows) {
    for (const char* name : {"c.html", "a.html", "b.html"}) tree.AddChild(page, Link(std::string("http://h/a/") + name));
    tree.SortChildren(page);
    for (int i = 0; i < page->ChildCount(); ++i) EXPECT_EQ(page->Child(i)->Row(), i);
    EXPECT_EQ(page->Child(0)->Caption(), "a.html");
    EXPECT_EQ(page->Child(2)->Caption(), "c.html");
}

} // namespace
