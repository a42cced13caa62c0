#include "engine/QorFile.h"

#include "platform/CodePage.h"

#include <gtest/gtest.h>

namespace {

TEST(QorFileTest, EmptyRecord) {
    TQorFile file("");
    ASSERT_NE(file.URL, nullptr);
    EXPECT_EQ(file.URL->GetURL(), "http:///");
    EXPECT_EQ(file.Kind, TQorFile::kWeb);
    EXPECT_EQ(file.Referer, "");
    EXPECT_EQ(file.AnchorString, "");
    EXPECT_FALSE(file.FromLocation);
    EXPECT_FALSE(file.Post);
}

struct KindCase {
    const char* name;
    std::string url;
    uint8_t kind;
};

class QorFileKindTest : public testing::TestWithParam<KindCase> {};

TEST_P(QorFileKindTest, KindFollowsTheParse) {
    TQorFile file(GetParam().url);
    EXPECT_EQ(file.Kind, GetParam().kind) << file.URL->GetURL();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, QorFileKindTest,
    testing::Values(KindCase{.name = "Web", .url = "http://h/a.html", .kind = TQorFile::kWeb},
                    KindCase{.name = "NoScheme", .url = "h/a.html", .kind = TQorFile::kWeb},
                    KindCase{.name = "FileScheme", .url = "file:///C|/a.html", .kind = TQorFile::kLocal},
                    KindCase{.name = "HcpScheme", .url = "hcp://services/x", .kind = TQorFile::kLocal},
                    KindCase{.name = "DrivePath", .url = "C:\\dir\\a.html", .kind = TQorFile::kLocal},
                    // The comparison is case-sensitive; the parser turns these into http.
                    KindCase{.name = "UpperCaseFile", .url = "FILE:///C|/a.html", .kind = TQorFile::kWeb},
                    KindCase{.name = "UpperCaseHcp", .url = "HCP://x/y", .kind = TQorFile::kWeb},
                    KindCase{.name = "MailAddress", .url = "/user@example.com", .kind = TQorFile::kMail},
                    KindCase{.name = "AtWithHost", .url = "http://h/a@b", .kind = TQorFile::kWeb},
                    KindCase{.name = "CredentialsAreNoMail", .url = "http://u@h/", .kind = TQorFile::kWeb}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(QorFileTest, ParsingTheOwnedURLUpdatesKind) {
    TQorFile file("http://h/a.html");
    EXPECT_EQ(file.Kind, TQorFile::kWeb);
    file.URL->SetURL("C:\\tmp\\a.html");
    EXPECT_EQ(file.Kind, TQorFile::kLocal);
    file.URL->SetURL("/a@b");
    EXPECT_EQ(file.Kind, TQorFile::kMail);
    file.URL->SetURL("https://h/");
    EXPECT_EQ(file.Kind, TQorFile::kWeb);
}

TEST(QorFileTest, AssignCopiesEverythingAndKeepsItsOwnBinding) {
    TQorFile source("http://u:p@h:81/d/f.cgi?x=1");
    source.Referer = "http://h/";
    source.FromLocation = true;
    source.SetAnchorString("link  text");
    source.Post = true;

    TQorFile target("file:///C|/x");
    target.Assign(&source);
    EXPECT_EQ(target.URL->GetURL(), source.URL->GetURL());
    EXPECT_EQ(target.Kind, TQorFile::kWeb);
    EXPECT_EQ(target.Referer, "http://h/");
    EXPECT_TRUE(target.FromLocation);
    EXPECT_EQ(target.AnchorString, "link text");
    EXPECT_TRUE(target.Post);

    // Each record's URL still notifies that record only.
    target.URL->SetURL("hcp://x/y");
    EXPECT_EQ(target.Kind, TQorFile::kLocal);
    EXPECT_EQ(source.Kind, TQorFile::kWeb);
    source.URL->SetURL("/a@b");
    EXPECT_EQ(source.Kind, TQorFile::kMail);
    EXPECT_EQ(target.Kind, TQorFile::kLocal);
}

// The extractor sets Kind 1 by hand on a record whose URL alone would give
// 0; copying the URL components must not recompute it.
TEST(QorFileTest, AssignKeepsAHandSetKind) {
    TQorFile source("/a.html");
    source.Kind = TQorFile::kMail;
    TQorFile target("http://h/");
    target.Assign(&source);
    EXPECT_EQ(target.Kind, TQorFile::kMail);
    EXPECT_EQ(target.URL->FileName, "a.html");
}

TEST(QorFileTest, AssignFromAnotherKindOfObjectDoesNothing) {
    TQorFile target("http://h/a.html");
    target.Referer = "r";
    TInetURLEx url("file:///C|/x");
    target.Assign(&url);
    target.Assign(nullptr);
    target.Assign(&target);
    EXPECT_EQ(target.URL->GetURL(), "http://h/a.html");
    EXPECT_EQ(target.Kind, TQorFile::kWeb);
    EXPECT_EQ(target.Referer, "r");
}

struct AnchorCase {
    const char* name;
    std::string text;
    std::string expected;
};

class AnchorStringTest : public testing::TestWithParam<AnchorCase> {};

TEST_P(AnchorStringTest, FoldsWhiteSpace) {
    TQorFile file;
    file.AnchorString = "old";
    file.SetAnchorString(GetParam().text);
    EXPECT_EQ(file.AnchorString, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AnchorStringTest,
    testing::Values(AnchorCase{.name = "Empty", .text = "", .expected = ""},
                    AnchorCase{.name = "OneWord", .text = "word", .expected = "word"},
                    AnchorCase{.name = "TwoSpaces", .text = "a  b", .expected = "a b"},
                    AnchorCase{.name = "Tab", .text = "a\tb", .expected = "a b"},
                    AnchorCase{.name = "Several", .text = "a \t b\t\tc", .expected = "a b c"},
                    AnchorCase{.name = "TrailingSpaceKept", .text = "a b ", .expected = "a b "},
                    AnchorCase{.name = "LeadingSpacesBeforeOneWord", .text = "   a", .expected = " a"},
                    AnchorCase{.name = "RunsEverywhere", .text = "  a  b  ", .expected = "a b "},
                    AnchorCase{.name = "SpacesOnly", .text = "    ", .expected = " "},
                    AnchorCase{.name = "LineBreaksUntouched", .text = "a\r\nb", .expected = "a\r\nb"},
                    AnchorCase{.name = "LineBreaksNextToSpacesTrimmed", .text = "a \r\n b", .expected = "a b"},
                    AnchorCase{.name = "IdeographicSpaceIsNoSpace", .text = SJ("表示　テスト"), .expected = SJ("表示　テスト")},
                    AnchorCase{.name = "Japanese", .text = SJ("表示  テスト"), .expected = SJ("表示 テスト")},
                    // 0x81 0x20 is one character, not a space.
                    AnchorCase{.name = "SpaceInsideDoubleByte", .text = "x\x81 y", .expected = "x\x81 y"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AnchorStringTest, LongTextStaysFast) {
    std::string text;
    for (int i = 0; i < 200000; ++i) text += "w  ";
    TQorFile file;
    file.SetAnchorString(text);
    std::string expected;
    for (int i = 0; i < 200000; ++i) expected += "w ";
    EXPECT_EQ(file.AnchorString, expected);
}

} // namespace
