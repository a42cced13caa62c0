#include "download/CascadeFilter.h"

#include "platform/CodePage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct TNameCase {
    const char* query;
    const char* ext;
    const char* name; // UTF-8
    bool passes;
};

TEST(TCascadeFilter, FileQueryAndExtensions) {
    const TNameCase cases[] = {
        // "\" one digit, three of them: img001 but not img01.
        {"img\\\\\\.jpg", "", "img001.jpg", true},
        {"img\\\\\\.jpg", "", "img01.jpg", false},
        {"img\\\\\\.jpg", "", "IMG001.JPG", true},   // names are matched in lower case
        {"img\\\\\\.jpg", "", "img001.jpg.bak", false}, // whole-name match
        {"img\\\\\\.jpg", "", "img001xjpg", false},  // "." taken literally
        {"*.jpg", "", "a.jpg", true},
        {"*.jpg", "", "dir.jpg.gif", false},
        {"*.JPG", "", "photo.jpg", true},           // the query is lower-cased too
        {"?.gif", "", "a.gif", true},
        {"?.gif", "", "ab.gif", false},
        {"img<.jpg", "", "img.jpg", true},          // "<" a run of digits, maybe empty
        {"img<.jpg", "", "img123.jpg", true},
        {"img<.jpg", "", "img12a.jpg", false},
        {"a>.txt", "", "abc.txt", true},            // ">" a run of non-digits
        {"a>.txt", "", "a1.txt", false},
        {"[a].txt", "", "[a].txt", true},           // brackets stand for themselves
        {"[a].txt", "", "a.txt", false},
        {"x.jpg y.gif", "", "y.gif", true},         // any one word
        {"", "", "", true},                          // no query: everything
        {"index.html", "", "", true},               // an empty name is index.html
        // Extension list.
        {"", "jpg:gif", "IMAGE.GIF", true},
        {"", "jpg:gif", "a.jpg", true},
        {"", "jpg:gif", "noext", false},
        {"", "jpg:gif", "dot.", false},
        {"", "jpg:gif", "a.png", false},
        {"", "JPG:", "a.jpg", true},                 // empty last piece dropped, list lower-cased
        {"", "html", "", true},                      // index.html
        {"a*", "jpg", "a.gif", false},               // both tests must pass
        // A double-byte character whose second byte is "\" stays one literal
        // character, and a name with it is not cut apart.
        {"表*.jpg", "", "表紙.jpg", true},
        {"表*.jpg", "", "x0紙.jpg", false},
    };
    for (const TNameCase& c : cases) {
        SCOPED_TRACE(std::string(c.query) + " | " + c.ext + " | " + c.name);
        TCascadeFilter filter;
        filter.SetFileQuery(SJ(c.query));
        filter.SetExt(SJ(c.ext));
        EXPECT_EQ(filter.FileTest(SJ(c.name)), c.passes);
    }
}

TEST(TCascadeFilter, PatternsAndWords) {
    EXPECT_EQ(TCascadeFilter::FilePattern("img\\\\\\.jpg"), "^img[0-9][0-9][0-9]\\.jpg$");
    EXPECT_EQ(TCascadeFilter::FilePattern("*<>?"), "^.*[0-9]*[^0-9]*.$");
    EXPECT_EQ(TCascadeFilter::FilePattern(SJ("表")), "^" + SJ("表") + "$");
    EXPECT_EQ(TCascadeFilter::SplitWords("  a   b c  "), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_TRUE(TCascadeFilter::SplitWords("   ").empty());

    TCascadeFilter filter;
    filter.SetExt(" jpg::GIF: ");
    EXPECT_EQ(filter.ExtText, "jpg::GIF:");
    EXPECT_EQ(filter.ExtList, (std::vector<std::string>{"jpg", "", "gif"}));
    filter.SetPageQuery(" Photo  -Adult *x + ");
    EXPECT_EQ(filter.PageQuery, "Photo  -Adult *x +");
    EXPECT_EQ(filter.PageWords, (std::vector<std::u16string>{u"+photo", u"-adult", u"*x", u"+"}));
}

struct TPageCase {
    const char* query;
    const char* text; // UTF-8
    bool passes;
};

TEST(TCascadeFilter, PageQueryOperators) {
    const TPageCase cases[] = {
        {"photo -adult", "a photo page", true},
        {"photo -adult", "a photo page for adults", false},
        {"photo -adult", "a page", false},
        {"*a *b", "a and b", true},
        {"*a *b", "only a", false},
        {"+a +b", "only b", true},
        {"a b", "only a", true},
        {"a b", "neither", false},
        {"", "anything", true},
        {"-", "anything", true},          // an empty "-" word never occurs
        {"+", "anything", false},         // an empty "+" word never occurs
        {"*", "anything", false},         // nor an empty "*" word
        {"PHOTO", "Photo", true},         // both sides in lower case
        {"ｐｈｏｔｏ", "ＰＨＯＴＯ展", true}, // full-width letters too
        {"写真", "写真集", true},
        // A double-byte character is never matched by half: ソ is 0x83 0x5C
        // and ア 0x83 0x41.
        {"\\", "ソフト", false},
        {"a", "アイウ", false},
        {"-a", "アイウ", true},
    };
    for (const TPageCase& c : cases) {
        SCOPED_TRACE(std::string(c.query) + " | " + c.text);
        TCascadeFilter filter;
        filter.SetPageQuery(SJ(c.query));
        EXPECT_EQ(filter.PageTest(SJ(c.text)), c.passes);
    }
}

} // namespace
