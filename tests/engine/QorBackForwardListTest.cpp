#include "engine/QorBackForwardList.h"
#include "engine/QorPageTree.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The list only keeps the pointers; distinct addresses are enough here.
std::vector<TQorPageNode*> FakeNodes(int count) {
    static char storage[256];
    std::vector<TQorPageNode*> nodes;
    for (int i = 0; i < count; ++i) nodes.push_back(reinterpret_cast<TQorPageNode*>(&storage[i]));
    return nodes;
}

TEST(QorBackForwardListTest, KeepsTheHundredMostRecent) {
    auto nodes = FakeNodes(101);
    TQorBackForwardList list;
    EXPECT_EQ(list.Index(), -1);
    EXPECT_FALSE(list.CanBack());
    EXPECT_FALSE(list.CanForward());
    for (TQorPageNode* node : nodes) list.Add(node);
    EXPECT_EQ(list.Count(), 100);
    EXPECT_EQ(list.Index(), 99);
    EXPECT_EQ(list.Get(0), nodes[1]); // the first entry is gone
    EXPECT_EQ(list.Get(99), nodes[100]);
    EXPECT_EQ(list.Get(100), nullptr);
    EXPECT_EQ(list.Get(-1), nullptr);
}

TEST(QorBackForwardListTest, BackTwiceThenALoadDropsTheForwardEntries) {
    auto n = FakeNodes(5);
    TQorBackForwardList list;
    for (int i = 0; i < 4; ++i) list.Add(n[i]);
    EXPECT_EQ(list.Back(), n[2]);
    EXPECT_EQ(list.Back(), n[1]);
    EXPECT_TRUE(list.CanForward());
    list.Add(n[4]);
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Index(), 2);
    EXPECT_EQ(list.Get(2), n[4]);
    EXPECT_FALSE(list.CanForward());
    EXPECT_EQ(list.Forward(), nullptr);
    EXPECT_EQ(list.Index(), 2);

    EXPECT_EQ(list.Back(), n[1]);
    EXPECT_EQ(list.Back(), n[0]);
    EXPECT_EQ(list.Back(), nullptr); // at index 0: none, no move
    EXPECT_EQ(list.Index(), 0);
    list.Reset();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Index(), -1);
}

TEST(QorBackForwardListTest, RemoveKeepsTheCurrentPage) {
    auto n = FakeNodes(5);
    struct Case {
        const char* name;
        int index;                 // current entry before the removal
        std::vector<int> removed;  // entries (by node) deleted
        std::vector<int> left;     // nodes left, in order
        int newIndex;
    };
    const Case cases[] = {
        {"before the current", 3, {0, 1}, {2, 3, 4}, 1},
        {"after the current", 1, {3, 4}, {0, 1, 2}, 1},
        {"the current itself", 2, {2}, {0, 1, 3, 4}, 1},
        {"current and all before", 2, {0, 1, 2}, {3, 4}, 0},
        {"everything", 4, {0, 1, 2, 3, 4}, {}, -1},
        {"nothing listed", 4, {}, {0, 1, 2, 3, 4}, 4},
    };
    for (const Case& c : cases) {
        TQorBackForwardList list;
        for (TQorPageNode* node : n) list.Add(node);
        while (list.Index() > c.index) list.Back();
        std::unordered_set<const TQorPageNode*> gone;
        for (int i : c.removed) gone.insert(n[static_cast<size_t>(i)]);
        list.Remove(gone);
        std::vector<int> left;
        for (int i = 0; i < list.Count(); ++i)
            for (int k = 0; k < 5; ++k)
                if (list.Get(i) == n[static_cast<size_t>(k)]) left.push_back(k);
        EXPECT_EQ(left, c.left) << c.name;
        EXPECT_EQ(list.Index(), c.newIndex) << c.name;
    }
}

// The host's cycle on real nodes: a completed tree load makes the target
// current, records it and rebuilds its links, which deletes the old ones.
// Under AddressSanitizer a freed node coming back fails these at once.
class QorPageTreeHistoryTest : public testing::Test {
protected:
    void SetUp() override {
        tree.Initialize();
        p = tree.AddRootPage("http://h/p.html", true);
    }
    // A click (or Back/Forward with `record` false) on `node`, completed.
    TQorPageNode* Complete(TQorPageNode* node, bool record) {
        tree.SetTargetNode(node);
        tree.SetCurrentNode(tree.TargetNode());
        if (record) tree.AddHistory(tree.CurrentNode());
        tree.DeleteChildren(node);
        TQorFile child("http://h/c.html");
        return tree.AddChild(node, child);
    }
    TQorPageTree tree;
    TQorPageNode* p = nullptr;
};

TEST_F(QorPageTreeHistoryTest, ReloadOfTheParentDropsTheDeletedChild) {
    TQorPageNode* c = Complete(p, true);   // open P
    Complete(c, true);                     // click its child C
    Complete(p, true);                     // Shift+click P: C is deleted
    EXPECT_EQ(tree.HistoryCount(), 2);     // P, P
    EXPECT_EQ(tree.HistoryIndex(), 1);
    TQorFile* back = tree.GetPrevHistory();
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->URL->GetURL(), "http://h/p.html");
    EXPECT_EQ(tree.GetHistoryNode(tree.HistoryIndex()), p);
}

TEST_F(QorPageTreeHistoryTest, BackRebuildsTheParentAndForwardHasNothingFreed) {
    TQorPageNode* c = Complete(p, true); // P
    Complete(c, true);                   // C
    ASSERT_NE(tree.GetPrevHistory(), nullptr);
    Complete(tree.GetHistoryNode(tree.HistoryIndex()), false); // back to P: C deleted
    EXPECT_EQ(tree.HistoryCount(), 1);
    EXPECT_EQ(tree.HistoryIndex(), 0);
    EXPECT_FALSE(tree.IsCanForward());
    EXPECT_EQ(tree.GetNextHistory(), nullptr);
    EXPECT_EQ(tree.CurrentNode(), p);
}

TEST_F(QorPageTreeHistoryTest, ClearWebPageEmptiesTheList) {
    TQorPageNode* c = Complete(p, true);
    Complete(c, true);
    tree.ClearWebPage();
    EXPECT_EQ(tree.HistoryCount(), 0);
    EXPECT_EQ(tree.HistoryIndex(), -1);
    EXPECT_EQ(tree.GetPrevHistory(), nullptr);
    EXPECT_EQ(tree.GetHistoryNode(0), nullptr);
}

} // namespace
