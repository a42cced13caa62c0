#include "engine/ViewRules.h"

#include "engine/FileListRows.h"
#include "engine/QorFile.h"
#include "engine/QorOption.h"
#include "engine/QorPageTree.h"
#include "platform/CodePage.h"

#include <gtest/gtest.h>

namespace {

std::string U(std::string_view cp932) { return TCodePage::ToUtf8(std::string(cp932)); }

TEST(ViewRulesTest, RowActionByRecordAndOption) {
    TQorFile page("http://h/a.html"), image("http://h/a.jpg"), mail("mailto:me@h"),
        local("file:///C:\\tmp\\a.jpg");
    mail.Kind = TQorFile::kMail;
    EXPECT_EQ(TViewRules::RowAction(&page, qdctPreview), TViewRules::raOpen);
    EXPECT_EQ(TViewRules::RowAction(&local, qdctPreview), TViewRules::raOpen);
    EXPECT_EQ(TViewRules::RowAction(&mail, qdctPreview), TViewRules::raMail);
    EXPECT_EQ(TViewRules::RowAction(&image, qdctPreview), TViewRules::raPreview);
    EXPECT_EQ(TViewRules::RowAction(&image, qdctOpenByBrowser), TViewRules::raBrowser);
    EXPECT_EQ(TViewRules::RowAction(&image, qdctOpen), TViewRules::raNothing);
    EXPECT_EQ(TViewRules::RowAction(nullptr, qdctPreview), TViewRules::raPreview);
}

TEST(ViewRulesTest, ListStatusTexts) {
    TQorFile file("http://h/d/");
    TFileListRow row;
    row.File = &file;
    row.Type = TCodePage::FromUtf8("フォルダ");
    row.Location = "http://h/d/";
    EXPECT_EQ(U(TViewRules::ListStatus({&row}, 5, true)),
              "名前: index.html 種類: フォルダ 場所: http://h/d/");
    row.Location.clear();
    EXPECT_EQ(U(TViewRules::ListStatus({&row}, 5, false)), "種類: フォルダ");
    EXPECT_EQ(U(TViewRules::ListStatus({&row, &row}, 5, true)), "2 個のオブジェクトを選択");
    EXPECT_EQ(U(TViewRules::ListStatus({}, 5, true)), "5 個のオブジェクト");
}

TEST(ViewRulesTest, DragTextEndsEachEntryButTheListsLastRow) {
    TQorFile a("http://h/a.jpg"), b("http://h/b.jpg"), c("file:///C:\\tmp\\c/"), root("file:///C:\\");
    EXPECT_EQ(TViewRules::DragText({&a, &b, &c}, {false, false, false}),
              "http://h/a.jpg\r\nhttp://h/b.jpg\r\nC:\\tmp\\c\r\n");
    EXPECT_EQ(TViewRules::DragText({&a, &b}, {false, true}), "http://h/a.jpg\r\nhttp://h/b.jpg");
    EXPECT_EQ(TViewRules::DragText({&root}, {true}), "");
}

TEST(ViewRulesTest, FindChildByComparableURL) {
    TQorPageTree tree;
    tree.Initialize();
    TQorPageNode* page = tree.AddRootPage("http://h/index.html", false);
    TQorFile link1("http://H/a.html"), link2("http://h/b.html"), other("http://h/c.html");
    TQorPageNode* a = tree.AddChild(page, link1);
    TQorPageNode* b = tree.AddChild(page, link2);
    TQorFile ask("http://h/b.html"), askA("http://h/a.html");
    EXPECT_EQ(TViewRules::FindChild(page, ask), b);
    EXPECT_EQ(TViewRules::FindChild(page, askA), a);
    EXPECT_EQ(TViewRules::FindChild(page, other), nullptr);
    EXPECT_EQ(TViewRules::FindChild(nullptr, other), nullptr);
}

} // namespace
