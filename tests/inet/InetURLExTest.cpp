#include "inet/InetURLEx.h"

#include "platform/CodePage.h"
#include "platform/WinPath.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace std::string_literals;

namespace {

// Characters whose second byte is a sign the parser looks for.
const std::string kHyou = SJ("表"); // 0x95 0x5C: "\"
const std::string kSo = SJ("ソ");   // 0x83 0x5C: "\"
const std::string kPo = SJ("ポ");   // 0x83 0x7C: "|"
const std::string kXa = SJ("ァ");   // 0x83 0x40: "@"
const std::string kA = SJ("ア");    // 0x83 0x41: "A"

struct ParseCase {
    std::string name{};
    std::string text{};
    std::string scheme = "http";
    std::string user{}, password{}, host{}, port{};
    std::string dir = "/";
    std::string fileName{}, query{};
    std::string url{};       // GetURL
    std::string localPath{}; // GetLocalPath
};

std::vector<ParseCase> ParseCases() {
    return {
        {.name = "EmptyText", .text = "", .url = "http:///"},
        {.name = "BareHost", .text = "h", .host = "h", .url = "http://h/"},
        {.name = "PathQueryAndAnchor",
         .text = "h/a/b.html?x=1#top",
         .host = "h",
         .dir = "/a/",
         .fileName = "b.html",
         .query = "x=1#top",
         .url = "http://h/a/b.html?x=1#top"},
        {.name = "CredentialsAndPort",
         .text = "http://u:p@h:81/d/f.cgi",
         .user = "u",
         .password = "p",
         .host = "h",
         .port = "81",
         .dir = "/d/",
         .fileName = "f.cgi",
         .url = "http://u:p@h:81/d/f.cgi"},
        {.name = "DrivePath",
         .text = "C:\\dir\\a.html",
         .scheme = "file",
         .dir = "/C|/dir/",
         .fileName = "a.html",
         .url = "file:///C|/dir/a.html",
         .localPath = "C:\\dir\\a.html"},
        {.name = "DrivePathWithBarAndSlash",
         .text = "c|/dir/a.html",
         .scheme = "file",
         .dir = "/c|/dir/",
         .fileName = "a.html",
         .url = "file:///c|/dir/a.html",
         .localPath = "c:\\dir\\a.html"},
        {.name = "BareDriveAfterFileScheme",
         .text = "file://C:",
         .scheme = "file",
         .dir = "/C|/",
         .url = "file:///C|/",
         .localPath = "C:\\"},
        // Without a separator after the colon it is a host with an empty port.
        {.name = "BareDriveIsAHost", .text = "C:", .host = "C", .url = "http://C/"},
        {.name = "FileSchemeDropsHostAndCredentials",
         .text = "file://u@h:1/C:/x.txt",
         .scheme = "file",
         .dir = "/C|/",
         .fileName = "x.txt",
         .url = "file:///C|/x.txt",
         .localPath = "C:\\x.txt"},
        // Colons become bars before the credentials are looked for, so a
        // "u:p" at the front reads as a drive.
        {.name = "FileSchemeColonBeforeAt",
         .text = "file://u:p@h/x",
         .scheme = "file",
         .dir = "/u|p@h/",
         .fileName = "x",
         .url = "file:///u|p@h/x",
         .localPath = "u:p@h\\x"},
        {.name = "PosixPathAfterFileScheme",
         .text = "file:///home/me/a.html",
         .scheme = "file",
         .dir = "/home/me/",
         .fileName = "a.html",
         .url = "file:///home/me/a.html",
         .localPath = "home\\me\\a.html"},
        {.name = "KnownSchemeKept", .text = "ftp://h/x", .scheme = "ftp", .host = "h", .fileName = "x", .url = "ftp://h/x"},
        {.name = "UnknownSchemeBecomesHttp", .text = "gopher://h/x", .host = "h", .fileName = "x", .url = "http://h/x"},
        {.name = "UpperCaseSchemeBecomesHttp", .text = "HTTPS://h/", .host = "h", .url = "http://h/"},
        {.name = "UpperCaseFileWithDriveBecomesFile",
         .text = "FILE://C:/x",
         .scheme = "file",
         .dir = "/C|/",
         .fileName = "x",
         .url = "file:///C|/x",
         .localPath = "C:\\x"},
        {.name = "SchemeMarkInsideQueryIgnored",
         .text = "h/p?u=ftp://x/y",
         .host = "h",
         .fileName = "p",
         .query = "u=ftp://x/y",
         .url = "http://h/p?u=ftp://x/y"},
        {.name = "QueryBeforeSlash", .text = "h?q=1/2", .host = "h", .query = "q=1/2", .url = "http://h/?q=1/2"},
        {.name = "AtAfterSlashStaysInPath",
         .text = "h/a@b/c",
         .host = "h",
         .dir = "/a@b/",
         .fileName = "c",
         .url = "http://h/a@b/c"},
        {.name = "AtBeforeSlashIsCredentials",
         .text = "a@b/c",
         .user = "a",
         .host = "b",
         .fileName = "c",
         .url = "http://a:@b/c"},
        {.name = "AtAfterQueryStaysInQuery",
         .text = "h?m=a@b",
         .host = "h",
         .query = "m=a@b",
         .url = "http://h/?m=a@b"},
        {.name = "PasswordKeepsLaterColons",
         .text = "u:p:q@h",
         .user = "u",
         .password = "p:q",
         .host = "h",
         .url = "http://u:p:q@h/"},
        {.name = "EmptyCredentials", .text = "@h", .host = "h", .url = "http://h/"},
        {.name = "PortIsAnyText", .text = "h:81:x?q", .host = "h", .port = "81:x", .query = "q", .url = "http://h:81:x/?q"},
        {.name = "AnchorDroppedFromFileName", .text = "h/p.html#sec", .host = "h", .fileName = "p.html", .url = "http://h/p.html"},
        {.name = "SecondQuestionMarkInQuery",
         .text = "h/a?b?c#d",
         .host = "h",
         .fileName = "a",
         .query = "b?c#d",
         .url = "http://h/a?b?c#d"},
        {.name = "DoubleSlashPath", .text = "h//x", .host = "h", .dir = "//", .fileName = "x", .url = "http://h//x"},
        {.name = "BlanksTrimmedAroundEveryPart",
         .text = "  ftp\t:// us : pw @ ho : 81 /d/ f.txt ?q=1 \r\n",
         .scheme = "ftp",
         .user = "us",
         .password = "pw",
         .host = "ho",
         .port = "81",
         .dir = "/d/",
         .fileName = "f.txt",
         .query = "q=1",
         .url = "ftp://us:pw@ho:81/d/f.txt?q=1"},
        {.name = "NulInsideKept",
         .text = "h/a\0b?q\0"s,
         .host = "h",
         .fileName = "a\0b"s,
         .query = "q",
         .url = "http://h/a\0b?q"s},
        // Shift-JIS: the second bytes "\", "|" and "@" are never separators.
        {.name = "SjisDrivePath",
         .text = "C:\\" + kHyou + "\\" + kSo + ".html",
         .scheme = "file",
         .dir = "/C|/" + kHyou + "/",
         .fileName = kSo + ".html",
         .url = "file:///C|/" + kHyou + "/" + kSo + ".html",
         .localPath = "C:\\" + kHyou + "\\" + kSo + ".html"},
        {.name = "SjisBarSecondByteAtTheEnd",
         .text = "C:\\d\\" + kPo,
         .scheme = "file",
         .dir = "/C|/d/",
         .fileName = kPo,
         .url = "file:///C|/d/" + kPo,
         .localPath = "C:\\d\\" + kPo},
        {.name = "SjisBarSecondByteIsNoDrive", .text = kPo + "\\x", .host = kPo + "\\x", .url = "http://" + kPo + "\\x/"},
        {.name = "SjisAtSecondByteIsNoCredential",
         .text = kXa + "h/" + kXa,
         .host = kXa + "h",
         .fileName = kXa,
         .url = "http://" + kXa + "h/" + kXa},
        {.name = "SjisHttpPath",
         .text = "http://h/" + kHyou + "/" + kSo + "?" + kPo,
         .host = "h",
         .dir = "/" + kHyou + "/",
         .fileName = kSo,
         .query = kPo,
         .url = "http://h/" + kHyou + "/" + kSo + "?" + kPo},
        {.name = "LoneLeadByteAtTheEnd",
         .text = "C:\\d\\\x95",
         .scheme = "file",
         .dir = "/C|/d/",
         .fileName = "\x95",
         .url = "file:///C|/d/\x95",
         .localPath = "C:\\d\\\x95"},
        // IPv6 hosts keep their brackets; only a colon after "]" starts the port.
        {.name = "Ipv6HostAndPort",
         .text = "http://u:p@[::1]:8080/d/f.html?q",
         .user = "u",
         .password = "p",
         .host = "[::1]",
         .port = "8080",
         .dir = "/d/",
         .fileName = "f.html",
         .query = "q",
         .url = "http://u:p@[::1]:8080/d/f.html?q"},
        {.name = "Ipv6HostWithoutPort", .text = "[2001:db8::7]", .host = "[2001:db8::7]", .url = "http://[2001:db8::7]/"},
        // A lead byte takes the following "/" along as its second byte.
        {.name = "LeadByteSwallowsSlash", .text = "h/a\x82/", .host = "h", .fileName = "a\x82/", .url = "http://h/a\x82/"},
    };
}

class InetURLExParse : public testing::TestWithParam<ParseCase> {};

TEST_P(InetURLExParse, SplitsAndRebuilds) {
    const ParseCase& c = GetParam();
    TInetURLEx url(c.text);
    EXPECT_EQ(url.Scheme, c.scheme);
    EXPECT_EQ(url.User, c.user);
    EXPECT_EQ(url.Password, c.password);
    EXPECT_EQ(url.Host, c.host);
    EXPECT_EQ(url.Port, c.port);
    EXPECT_EQ(url.Dir, c.dir);
    EXPECT_EQ(url.FileName, c.fileName);
    EXPECT_EQ(url.Query, c.query);
    EXPECT_EQ(url.GetURL(), c.url);
    EXPECT_EQ(url.GetLocalPath(), c.localPath);

    // Parsing the rebuilt address gives the same address again.
    TInetURLEx again(url.GetURL());
    EXPECT_EQ(again.GetURL(), c.url);
}

INSTANTIATE_TEST_SUITE_P(Cases, InetURLExParse, testing::ValuesIn(ParseCases()),
                         [](const testing::TestParamInfo<ParseCase>& info) { return info.param.name; });

struct GetterCase {
    std::string name{};
    std::string text{};
    bool withPort = false;
    std::string url{}, portURL{}, planeURL{}, compURL{}, compEntity{}, hostPath{}, fullDir{}, compFullDir{},
        entityPath{};
};

std::vector<GetterCase> GetterCases() {
    return {
        {.name = "AllParts",
         .text = "http://us:pw@WWW.Ex.COM:8080/Dir/File.HTML?Q=A#B",
         .url = "http://us:pw@WWW.Ex.COM:8080/Dir/File.HTML?Q=A#B",
         .portURL = "http://WWW.Ex.COM:8080/Dir/File.HTML?Q=A#B",
         .planeURL = "http://WWW.Ex.COM/Dir/File.HTML?Q=A#B",
         .compURL = "http://www.ex.com:8080/Dir/File.HTML?Q=A#B",
         .compEntity = "http://www.ex.com:8080/Dir/File.HTML",
         .hostPath = "http://WWW.Ex.COM",
         .fullDir = "http://WWW.Ex.COM/Dir/",
         .compFullDir = "http://www.ex.com/Dir/",
         .entityPath = "/Dir/File.HTML?Q=A#B"},
        {.name = "WithPort",
         .text = "h:81/x/",
         .withPort = true,
         .url = "http://h:81/x/",
         .portURL = "http://h:81/x/",
         .planeURL = "http://h/x/",
         .compURL = "http://h:81/x/",
         .compEntity = "http://h:81/x/",
         .hostPath = "http://h:81",
         .fullDir = "http://h:81/x/",
         .compFullDir = "http://h:81/x/",
         .entityPath = "/x/"},
        {.name = "WithPortButNoPort",
         .text = "H/x",
         .withPort = true,
         .url = "http://H/x",
         .portURL = "http://H/x",
         .planeURL = "http://H/x",
         .compURL = "http://h/x",
         .compEntity = "http://h/x",
         .hostPath = "http://H",
         .fullDir = "http://H/",
         .compFullDir = "http://h/",
         .entityPath = "/x"},
        {.name = "Ipv6",
         .text = "http://[FE80::A]:81/x/",
         .withPort = true,
         .url = "http://[FE80::A]:81/x/",
         .portURL = "http://[FE80::A]:81/x/",
         .planeURL = "http://[FE80::A]/x/",
         .compURL = "http://[fe80::a]:81/x/",
         .compEntity = "http://[fe80::a]:81/x/",
         .hostPath = "http://[FE80::A]:81",
         .fullDir = "http://[FE80::A]:81/x/",
         .compFullDir = "http://[fe80::a]:81/x/",
         .entityPath = "/x/"},
        // Only single-byte letters are lowered: the "A" second byte of a
        // double-byte character stays.
        {.name = "SjisHostLowered",
         .text = "https://" + kA + "B.JP/P?Q",
         .url = "https://" + kA + "B.JP/P?Q",
         .portURL = "https://" + kA + "B.JP/P?Q",
         .planeURL = "https://" + kA + "B.JP/P?Q",
         .compURL = "https://" + kA + "b.jp/P?Q",
         .compEntity = "https://" + kA + "b.jp/P",
         .hostPath = "https://" + kA + "B.JP",
         .fullDir = "https://" + kA + "B.JP/",
         .compFullDir = "https://" + kA + "b.jp/",
         .entityPath = "/P?Q"},
    };
}

class InetURLExGetters : public testing::TestWithParam<GetterCase> {};

TEST_P(InetURLExGetters, BuildEveryForm) {
    const GetterCase& c = GetParam();
    TInetURLEx url(c.text);
    url.WithPort = c.withPort;
    EXPECT_EQ(url.GetURL(), c.url);
    EXPECT_EQ(url.GetPortURL(), c.portURL);
    EXPECT_EQ(url.GetPlaneURL(), c.planeURL);
    EXPECT_EQ(url.GetCompURL(), c.compURL);
    EXPECT_EQ(url.GetCompEntity(), c.compEntity);
    EXPECT_EQ(url.GetHostPath(), c.hostPath);
    EXPECT_EQ(url.GetFullDir(), c.fullDir);
    EXPECT_EQ(url.GetCompFullDir(), c.compFullDir);
    EXPECT_EQ(url.GetEntityPath(), c.entityPath);
    EXPECT_EQ(url.GetLocalPath(), "");
}

INSTANTIATE_TEST_SUITE_P(Cases, InetURLExGetters, testing::ValuesIn(GetterCases()),
                         [](const testing::TestParamInfo<GetterCase>& info) { return info.param.name; });

// The prefix test agrees with GetCompURL().starts_with for every prefix of
// the comparison form and for the same prefixes with one byte changed: hosts
// in capitals, with double-byte and half-width characters, ports, queries.
TEST(InetURLExTest, CompURLStartsWithAgreesWithTheBuiltForm) {
    const std::vector<std::string> addresses = {
        "http://www.Example.JP/dir1/a.html?q=1", "https://h:8080/d/", "http://" + kHyou + "A.jp/x",
        "http://A" + kSo + "b/" + kHyou + "/y.gif", "http://\xB1\xB2Host/z", "ftp://u:p@Host/f.txt", "http://h"};
    for (const std::string& address : addresses) {
        const TInetURLEx url(address);
        const std::string comp = url.GetCompURL();
        for (size_t n = 0; n <= comp.size() + 1; ++n) {
            std::string prefix = comp.substr(0, n);
            if (n > comp.size()) prefix += "x";
            EXPECT_EQ(url.CompURLStartsWith(prefix), comp.starts_with(prefix)) << address << " / " << prefix;
            for (const char changed : {'A', 'a', '\x95'}) {
                if (prefix.empty()) continue;
                std::string other = prefix;
                other.back() = changed;
                EXPECT_EQ(url.CompURLStartsWith(other), comp.starts_with(other)) << address << " / " << other;
            }
        }
    }
}

TEST(InetURLExTest, ParseResetsWithPort) {
    TInetURLEx url("h:81/");
    url.WithPort = true;
    url.SetURL("h:82/");
    EXPECT_FALSE(url.WithPort);
    EXPECT_EQ(url.GetHostPath(), "http://h");
}

// A character without a CP932 form (kept as an escape in the text) is
// requested as percent-encoded UTF-8, so the address stays the one the page
// names; "%" already in the text and every CP932 character stay as written.
TEST(InetURLExTest, CharactersWithoutCp932FormArePercentEncodedUtf8) {
    const struct {
        const char* name;
        std::string text;
        std::string url;
    } cases[] = {
        {"FileName", SJ("http://h/img/Balance_à_tabac_1850.JPG"), "http://h/img/Balance_%C3%A0_tabac_1850.JPG"},
        {"DirAndQuery", SJ("h/café/x.cgi?q=naïve&r=日本"), "http://h/caf%C3%A9/x.cgi?q=na%C3%AFve&r=" + SJ("日本")},
        {"Emoji", SJ("h/😀.png"), "http://h/%F0%9F%98%80.png"},
        {"AlreadyEncoded", "h/caf%C3%A9.html", "http://h/caf%C3%A9.html"},
    };
    for (const auto& c : cases) {
        TInetURLEx url(c.text);
        EXPECT_EQ(url.GetURL(), c.url) << c.name;
        EXPECT_EQ(url.Query.find('?'), std::string::npos) << c.name;
    }
}

// A real folder under $TMPDIR, seen through its Windows-form path.
class InetURLExFolder : public testing::Test {
protected:
    void SetUp() override {
        const char* tmp = std::getenv("TMPDIR");
        std::filesystem::path base = (tmp != nullptr && *tmp != '\0') ? tmp : "/tmp";
        std::string templ = (base / "urlex-XXXXXX").string();
        ASSERT_NE(::mkdtemp(templ.data()), nullptr);
        root_ = templ;
        std::filesystem::create_directory(root_ / "sub");
        std::filesystem::create_directory(root_ / "表");
        std::filesystem::create_directory(root_ / "café");
        std::ofstream(root_ / "page.html") << "x";
        winRoot_ = TWinPath::FromNative(root_.string());
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }

    std::filesystem::path root_;
    std::string winRoot_; // "C:\...\urlex-XXXXXX"
};

TEST_F(InetURLExFolder, DrivePathToFolderBecomesFolderAddress) {
    const std::string dir = "/C|" + TCodePage::FromUtf8(root_.string()) + "/";

    TInetURLEx folder(winRoot_ + "\\sub");
    EXPECT_EQ(folder.Scheme, "file");
    EXPECT_EQ(folder.Dir, dir + "sub/");
    EXPECT_EQ(folder.FileName, "");
    EXPECT_EQ(folder.GetURL(), "file://" + dir + "sub/");
    EXPECT_EQ(folder.GetLocalPath(), winRoot_ + "\\sub\\");

    // The folder name's second byte is "\": still found on disk.
    TInetURLEx sjis(winRoot_ + "\\" + kHyou + "?x");
    EXPECT_EQ(sjis.Dir, dir + kHyou + "/");
    EXPECT_EQ(sjis.FileName, "");
    EXPECT_EQ(sjis.Query, "x");

    // A file address keeps the escape of "é": its folder is found on disk.
    TInetURLEx escaped(winRoot_ + "\\" + SJ("café"));
    EXPECT_EQ(escaped.Dir, dir + SJ("café") + "/");
    EXPECT_EQ(escaped.FileName, "");

    TInetURLEx file(winRoot_ + "\\page.html");
    EXPECT_EQ(file.Dir, dir);
    EXPECT_EQ(file.FileName, "page.html");

    TInetURLEx missing(winRoot_ + "\\none");
    EXPECT_EQ(missing.FileName, "none");

    // Only file addresses look at the disk.
    TInetURLEx web("http://h" + dir + "sub");
    EXPECT_EQ(web.FileName, "sub");
}

TEST(InetURLExTest, ChangeSchemeFiresOnceWithFinalScheme) {
    std::vector<std::string> seen;
    std::string hostSeen;
    TInetURLEx url;
    url.OnChangeScheme = [&](TInetURLEx* sender, const std::string& scheme) {
        EXPECT_EQ(sender, &url);
        seen.push_back(scheme);
        hostSeen = sender->Host;
    };

    url.SetURL("HTTPS://h/");
    EXPECT_EQ(seen, std::vector<std::string>{"http"});

    // Fired before the file address drops its host.
    seen.clear();
    url.SetURL("file://h/C:/x");
    EXPECT_EQ(seen, std::vector<std::string>{"file"});
    EXPECT_EQ(hostSeen, "h");
    EXPECT_EQ(url.Host, "");

    // Initialize keeps the binding.
    seen.clear();
    url.Initialize();
    url.SetURL("ftp://h");
    EXPECT_EQ(seen, std::vector<std::string>{"ftp"});
}

TEST(InetURLExTest, InitializeEmptiesEverything) {
    TInetURLEx url("ftp://u:p@h:1/d/f?q");
    url.WithPort = true;
    url.Initialize();
    for (const std::string* s : {&url.Scheme, &url.User, &url.Password, &url.Host, &url.Port, &url.Dir, &url.FileName,
                                 &url.Query})
        EXPECT_EQ(*s, "");
    EXPECT_FALSE(url.WithPort);
}

TEST(InetURLExTest, AssignCopiesTheTextsOnly) {
    TInetURLEx source("ftp://u:p@h:1/d/f?q");
    source.WithPort = true;

    int fired = 0;
    TInetURLEx target("other/x");
    target.OnChangeScheme = [&](TInetURLEx*, const std::string&) { ++fired; };
    target.Assign(&source);
    EXPECT_EQ(target.GetURL(), "ftp://u:p@h:1/d/f?q");
    EXPECT_FALSE(target.WithPort);
    EXPECT_EQ(fired, 0);
    ASSERT_TRUE(target.OnChangeScheme);

    // A source of another kind changes nothing.
    TPersistent plain;
    target.Assign(&plain);
    target.Assign(nullptr);
    EXPECT_EQ(target.GetURL(), "ftp://u:p@h:1/d/f?q");

    target.Assign(&target);
    EXPECT_EQ(target.GetURL(), "ftp://u:p@h:1/d/f?q");
}

} // namespace
