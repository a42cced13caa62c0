#include "inet/InetHTTPRequestHeader.h"

#include "inet/InetURLEx.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The fixed lines every request carries after its Host line.
const std::string kClose = "Connection: close\r\n";
const std::string kForm = "Content-type: application/x-www-form-urlencoded\r\n";

struct RequestCase {
    const char* name = "";
    std::string url = {};
    bool absolute = false;
    bool post = false;
    bool head = false;
    std::string userAgent = "UA/1.0";
    std::string referer = {};
    std::string authUser = {};
    std::string authPassword = {};
    bool forceAuthorization = false;
    std::vector<std::string> extraHeaders = {};
    std::string expected = {};
};

std::string Request(const RequestCase& c) {
    TInetURLEx url(c.url);
    TInetHTTPRequestHeader header;
    header.HeadMethod = c.head;
    header.UserAgent = c.userAgent;
    header.Referer = c.referer;
    header.AuthUser = c.authUser;
    header.AuthPassword = c.authPassword;
    header.ForceAuthorization = c.forceAuthorization;
    header.ExtraHeaders = c.extraHeaders;
    return header.GetHeader(url, c.absolute, c.post);
}

const RequestCase kRequestCases[] = {
    {.name = "DirectPort80HasHostAlone",
     .url = "http://Www.Example.JP:80/d/a b.html?x=1",
     .expected = "GET /d/a%20b.html?x=1 HTTP/1.0\r\nHost: Www.Example.JP\r\n" + kClose + kForm +
                 "User-Agent: UA/1.0\r\n\r\n"},
    {.name = "DirectOtherPortFollowsHost",
     .url = "http://h:81/d/a b.html?x=1",
     .expected = "GET /d/a%20b.html?x=1 HTTP/1.0\r\nHost: h:81\r\n" + kClose + kForm +
                 "User-Agent: UA/1.0\r\n\r\n"},
    {.name = "ProxyTargetHasNoPort",
     .url = "http://h:81/d/a b.html?x=1",
     .absolute = true,
     .expected = "GET http://h/d/a%20b.html?x=1 HTTP/1.0\r\nHost: h:81\r\n" + kClose + kForm +
                 "User-Agent: UA/1.0\r\n\r\n"},
    {.name = "ProxyKeepsHttpsScheme",
     .url = "https://h/",
     .absolute = true,
     .expected = "GET https://h/ HTTP/1.0\r\nHost: h\r\n" + kClose + kForm +
                 "User-Agent: UA/1.0\r\n\r\n"},
    // Host names the port only when it is not the scheme's own; an https
    // address is not given away as the Referer of a plain request.
    {.name = "HttpsDefaultPortLeftOut",
     .url = "https://h:443/a",
     .referer = "https://h/from",
     .expected = "GET /a HTTP/1.0\r\nHost: h\r\n" + kClose + kForm +
                 "User-Agent: UA/1.0\r\nReferer: https://h/from\r\n\r\n"},
    {.name = "HttpsOtherPortKept",
     .url = "https://h:80/a",
     .expected = "GET /a HTTP/1.0\r\nHost: h:80\r\n" + kClose + kForm + "User-Agent: UA/1.0\r\n\r\n"},
    {.name = "PlainRequestGetsNoHttpsReferer",
     .url = "http://h:443/a",
     .referer = "HTTPS://h/from",
     .expected = "GET /a HTTP/1.0\r\nHost: h:443\r\n" + kClose + kForm + "User-Agent: UA/1.0\r\n\r\n"},
    {.name = "HeadOfBareHost",
     .url = "h",
     .head = true,
     .expected = "HEAD / HTTP/1.0\r\nHost: h\r\n" + kClose + kForm + "User-Agent: UA/1.0\r\n\r\n"},
    {.name = "HeadWinsOverPost",
     .url = "http://h/a.cgi?x=1&y=2",
     .post = true,
     .head = true,
     .expected = "HEAD /a.cgi?x=1&y=2 HTTP/1.0\r\nHost: h\r\n" + kClose + kForm +
                 "User-Agent: UA/1.0\r\n\r\n"},
    {.name = "EmptyUserAgentLineIsStillSent",
     .url = "http://h/",
     .userAgent = "",
     .expected = "GET / HTTP/1.0\r\nHost: h\r\n" + kClose + kForm + "User-Agent: \r\n\r\n"},
    {.name = "CredentialsOnlyInAuthorization",
     .url = "http://user:pw@h:8080/x.html",
     .absolute = true,
     .authUser = "user",
     .authPassword = "pw",
     .expected = "GET http://h/x.html HTTP/1.0\r\nHost: h:8080\r\n" + kClose + kForm +
                 "User-Agent: UA/1.0\r\nAuthorization: Basic dXNlcjpwdw==\r\n\r\n"},
    {.name = "CredentialsNotInDirectTarget",
     .url = "http://user:pw@h/x.html",
     .authUser = "user",
     .authPassword = "pw",
     .expected = "GET /x.html HTTP/1.0\r\nHost: h\r\n" + kClose + kForm +
                 "User-Agent: UA/1.0\r\nAuthorization: Basic dXNlcjpwdw==\r\n\r\n"},
    {.name = "PasswordAloneSendsAuthorization",
     .url = "http://h/",
     .authPassword = "pw",
     .expected = "GET / HTTP/1.0\r\nHost: h\r\n" + kClose + kForm +
                 "User-Agent: UA/1.0\r\nAuthorization: Basic OnB3\r\n\r\n"},
    {.name = "ForcedAuthorizationWithEmptyFieldsIsColon",
     .url = "http://h/",
     .forceAuthorization = true,
     .expected = "GET / HTTP/1.0\r\nHost: h\r\n" + kClose + kForm +
                 "User-Agent: UA/1.0\r\nAuthorization: Basic Og==\r\n\r\n"},
    {.name = "PostBodyHasLineFeedsAndLength",
     .url = "http://h/cgi/post.cgi?a=1&b=2&c=",
     .post = true,
     .expected = "POST /cgi/post.cgi?a=1&b=2&c= HTTP/1.0\r\nHost: h\r\n" + kClose + kForm +
                 "User-Agent: UA/1.0\r\nContent-Length: 10\r\n\r\na=1\nb=2\nc="},
    {.name = "PostWithoutQueryHasEmptyBody",
     .url = "http://h/cgi/post.cgi",
     .post = true,
     .expected = "POST /cgi/post.cgi HTTP/1.0\r\nHost: h\r\n" + kClose + kForm +
                 "User-Agent: UA/1.0\r\nContent-Length: 0\r\n\r\n"},
    {.name = "ExtraHeadersComeLast",
     .url = "http://h:81/cgi/p.cgi?a=1&b=2",
     .absolute = true,
     .post = true,
     .referer = "http://h:81/cgi/",
     .authUser = "u",
     .authPassword = "p",
     .extraHeaders = {"range: bytes=100-", "content-length: 0"},
     .expected = "POST http://h/cgi/p.cgi?a=1&b=2 HTTP/1.0\r\nHost: h:81\r\n" + kClose + kForm +
                 "User-Agent: UA/1.0\r\nReferer: http://h:81/cgi/\r\n"
                 "Authorization: Basic dTpw\r\nContent-Length: 7\r\n"
                 "range: bytes=100-\r\ncontent-length: 0\r\n\r\na=1\nb=2"},
    // Each byte of a double-byte character is encoded on its own, so a second
    // byte "\" or "|" goes out as %5C or %7C, never as a separator.
    {.name = "ShiftJisPathEncodedByteByByte",
     .url = "http://h/\x95\x5C/\x83\x7C.html",
     .expected = "GET /%95%5C/%83%7C.html HTTP/1.0\r\nHost: h\r\n" + kClose + kForm +
                 "User-Agent: UA/1.0\r\n\r\n"},
    {.name = "EscapesInPathAreKept",
     .url = "http://h/a%20b/c%41 d.html",
     .expected = "GET /a%20b/c%41%20d.html HTTP/1.0\r\nHost: h\r\n" + kClose + kForm +
                 "User-Agent: UA/1.0\r\n\r\n"},
    {.name = "QueryIsSentUnchanged",
     .url = "http://h/s.cgi?q=a b/c&k=\x82\xA0%41",
     .expected = "GET /s.cgi?q=a b/c&k=\x82\xA0%41 HTTP/1.0\r\nHost: h\r\n" + kClose + kForm +
                 "User-Agent: UA/1.0\r\n\r\n"},
    {.name = "AnchorOfFileNameIsNotSent",
     .url = "http://h/p.html#sec",
     .expected = "GET /p.html HTTP/1.0\r\nHost: h\r\n" + kClose + kForm +
                 "User-Agent: UA/1.0\r\n\r\n"},
};

class InetHTTPRequestHeaderTest : public testing::TestWithParam<RequestCase> {};

TEST_P(InetHTTPRequestHeaderTest, BuildsRequestText) {
    EXPECT_EQ(Request(GetParam()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, InetHTTPRequestHeaderTest, testing::ValuesIn(kRequestCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(InetHTTPRequestHeaderTest, StartsAsHeadWithoutAuthorization) {
    TInetHTTPRequestHeader header;
    EXPECT_TRUE(header.HeadMethod);
    EXPECT_FALSE(header.ForceAuthorization);
    EXPECT_EQ(header.GetHeader(TInetURLEx("http://h/"), false, false),
              "HEAD / HTTP/1.0\r\nHost: h\r\n" + kClose + kForm + "User-Agent: \r\n\r\n");
}

// --- Line ends from addresses and settings never split the request ---

// The header part (up to the first blank line) as lines; fails when a line
// holds a lone carriage return or line feed.
std::vector<std::string> HeaderLines(const std::string& text, std::string* body) {
    size_t end = text.find("\r\n\r\n");
    EXPECT_NE(end, std::string::npos) << text;
    std::vector<std::string> lines;
    if (end == std::string::npos) return lines;
    std::string head = text.substr(0, end + 2);
    *body = text.substr(end + 4);
    size_t start = 0;
    while (start < head.size()) {
        size_t eol = head.find("\r\n", start);
        std::string line = head.substr(start, eol - start);
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << "line: " << line;
        lines.push_back(line);
        start = eol + 2;
    }
    return lines;
}

TEST(InetHTTPRequestHeaderTest, LineEndsInSettingsAreDropped) {
    TInetHTTPRequestHeader header;
    header.HeadMethod = false;
    header.UserAgent = "UA\r\nX-Injected: 1";
    header.Referer = "http://r/\r\n\r\nGET /evil HTTP/1.0";
    header.ExtraHeaders = {"range: bytes=10-\r\nX-Too: 2", "\r\n", "", "\n\r"};
    std::string body;
    std::vector<std::string> lines =
        HeaderLines(header.GetHeader(TInetURLEx("http://h/"), false, false), &body);
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "GET / HTTP/1.0", "Host: h", "Connection: close",
                         "Content-type: application/x-www-form-urlencoded",
                         "User-Agent: UAX-Injected: 1", "Referer: http://r/GET /evil HTTP/1.0",
                         "range: bytes=10-X-Too: 2"}));
    EXPECT_EQ(body, "");
}

TEST(InetHTTPRequestHeaderTest, RefererOfLineEndsOnlyIsNotSent) {
    TInetHTTPRequestHeader header;
    header.Referer = "\r\n";
    std::string text = header.GetHeader(TInetURLEx("http://h/"), false, false);
    EXPECT_EQ(text.find("Referer"), std::string::npos);
}

TEST(InetHTTPRequestHeaderTest, ControlBytesOfQueryAreEncodedInTarget) {
    // The parser keeps line ends inside the query; the request line must not.
    TInetURLEx url("http://h/a.cgi?x=1\r\nHost: evil\tz&y=\x01" "z");
    ASSERT_NE(url.Query.find('\n'), std::string::npos);
    for (bool absolute : {false, true}) {
        TInetHTTPRequestHeader header;
        header.HeadMethod = false;
        std::string body;
        std::vector<std::string> lines = HeaderLines(header.GetHeader(url, absolute, true), &body);
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines[0], std::string(absolute ? "POST http://h" : "POST ") +
                                "/a.cgi?x=1%0D%0AHost: evil%09z&y=%01z HTTP/1.0");
        EXPECT_EQ(lines[1], "Host: h");
        // The body is counted, so its bytes go out as the query holds them.
        EXPECT_EQ(body, "x=1\r\nHost: evil\tz\ny=\x01" "z");
        EXPECT_EQ(lines.back(), "Content-Length: " + std::to_string(body.size()));
    }
}

TEST(InetHTTPRequestHeaderTest, LineEndsInPathAreEncoded) {
    TInetURLEx url("http://h/");
    url.Dir = "/a\r\nb/";
    url.FileName = "c\n.html";
    TInetHTTPRequestHeader header;
    std::string body;
    std::vector<std::string> lines = HeaderLines(header.GetHeader(url, false, false), &body);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "HEAD /a%0D%0Ab/c%0A.html HTTP/1.0");
}

TEST(InetHTTPRequestHeaderTest, LineEndsInHostAndPortAreDropped) {
    TInetURLEx url("http://h/x.html");
    url.Host = "h\r\nX-Host: 1";
    url.Port = "81\r\n";
    for (bool absolute : {false, true}) {
        TInetHTTPRequestHeader header;
        std::string body;
        std::vector<std::string> lines = HeaderLines(header.GetHeader(url, absolute, false), &body);
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines[1], "Host: hX-Host: 1:81");
        EXPECT_EQ(body, "");
    }
}

TEST(InetHTTPRequestHeaderTest, OtherControlBytesInSettingsAreKept) {
    TInetHTTPRequestHeader header;
    header.UserAgent = "UA\tx";
    header.ExtraHeaders = {"x-a:\tb"};
    std::string text = header.GetHeader(TInetURLEx("http://h/"), false, false);
    EXPECT_NE(text.find("\r\nUser-Agent: UA\tx\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nx-a:\tb\r\n\r\n"), std::string::npos);
}

} // namespace
