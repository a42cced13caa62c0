#include "inet/InetHTTPResponseHeader.h"
#include "support/ScopedEnv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

using Items = std::vector<std::pair<std::string, std::string>>;

TInetHTTPResponseHeader Parse(std::string_view text) {
    TInetHTTPResponseHeader header;
    header.SetHeader(text);
    return header;
}

// --- Status ---

struct StatusCase {
    const char* name;
    std::string text;
    int status;
};

const StatusCase kStatusCases[] = {
    {.name = "NotFound", .text = "HTTP/1.1 404 Not Found\r\nServer: x\r\n", .status = 404},
    {.name = "StatusLineAlone", .text = "HTTP/1.0 302 Found", .status = 302},
    {.name = "EmptyTextIs200", .text = "", .status = 200},
    {.name = "NoNumberIs200", .text = "garbage\r\nX-A: b\r\n", .status = 200},
    // "\s" is a space; a tab before the code does not count.
    {.name = "TabBeforeCodeIs200", .text = "HTTP/1.1\t404\r\n", .status = 200},
    // The first " digits" anywhere in the header wins.
    {.name = "NoStatusLineTakesFirstNumber", .text = "Content-Length: 123\r\nAge: 5\r\n", .status = 123},
    {.name = "BodyIsNotRead", .text = "HTTP/1.0\r\nX: y\r\n\r\nHTTP/1.0 500 Oops\r\n", .status = 200},
    {.name = "NumberTooLargeIs200", .text = "HTTP/1.0 99999999999 Big\r\n", .status = 200},
};

class StatusTest : public testing::TestWithParam<StatusCase> {};

TEST_P(StatusTest, ReadsStatus) { EXPECT_EQ(Parse(GetParam().text).StatusCode, GetParam().status); }

INSTANTIATE_TEST_SUITE_P(Cases, StatusTest, testing::ValuesIn(kStatusCases),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Fields ---

struct FieldsCase {
    const char* name;
    std::string text;
    Items items;
};

const FieldsCase kFieldsCases[] = {
    {.name = "NamesLowerCasedAndTrimmedValuesTrimmed",
     .text = "HTTP/1.1 200 OK\r\n  Content-TYPE :  text/html  \r\nX-A:b\r\n",
     .items = {{"content-type", "text/html"}, {"x-a", "b"}}},
    {.name = "SecondSetCookieReplacesFirstInPlace",
     .text = "HTTP/1.1 200 OK\r\nSet-Cookie: a=1\r\nServer: s\r\nSet-Cookie: b=2\r\n",
     .items = {{"set-cookie", "b=2"}, {"server", "s"}}},
    {.name = "EmptyValueRemovesName",
     .text = "HTTP/1.1 200 OK\r\nX-A: 1\r\nX-B: 2\r\nX-A:   \r\nX-C:\r\n",
     .items = {{"x-b", "2"}}},
    {.name = "NameAddedAgainAfterRemovalGoesLast",
     .text = "HTTP/1.1 200 OK\r\nX-A: 1\r\nX-B: 2\r\nX-A:\r\nX-A: 3\r\n",
     .items = {{"x-b", "2"}, {"x-a", "3"}}},
    {.name = "ValueKeepsLaterColons",
     .text = "HTTP/1.1 302 Found\r\nLocation: http://h:81/a?b=c:d\r\n",
     .items = {{"location", "http://h:81/a?b=c:d"}}},
    {.name = "FirstLineIsAlwaysDropped",
     .text = "X-First: 1\r\nX-Second: 2\r\n",
     .items = {{"x-second", "2"}}},
    {.name = "LinesWithoutColonAndFoldingIgnored",
     .text = "HTTP/1.1 200 OK\r\nno colon here\r\nX-A: 1\r\n   folded part\r\n",
     .items = {{"x-a", "1"}}},
    {.name = "BareCarriageReturnsAndLineFeedsEndLines",
     .text = "HTTP/1.1 200 OK\rX-A: 1\nX-B: 2\r\r\nX-C: 3",
     .items = {{"x-a", "1"}, {"x-b", "2"}, {"x-c", "3"}}},
    {.name = "LineFeedOnlyHeaderStopsAtBlankLine",
     .text = "HTTP/1.1 200 OK\nX-A: 1\n\nX-B: 2\n",
     .items = {{"x-a", "1"}}},
    {.name = "ShiftJisValueKeptAsBytes",
     .text = "HTTP/1.1 200 OK\r\nX-Name: \x95\x5C\x83\x7C\r\n",
     .items = {{"x-name", "\x95\x5C\x83\x7C"}}},
};

class FieldsTest : public testing::TestWithParam<FieldsCase> {};

TEST_P(FieldsTest, StoresFieldsInOrder) {
    TInetHTTPResponseHeader header = Parse(GetParam().text);
    EXPECT_EQ(header.Values.Items(), GetParam().items);
    EXPECT_EQ(header.Values.Count(), GetParam().items.size());
    for (const auto& [name, value] : GetParam().items) EXPECT_EQ(header.Values.Get(name), value);
}

INSTANTIATE_TEST_SUITE_P(Cases, FieldsTest, testing::ValuesIn(kFieldsCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(InetHTTPResponseHeaderTest, LookupIgnoresCaseAndMissingIsEmpty) {
    TInetHTTPResponseHeader header = Parse("HTTP/1.1 200 OK\r\nContent-Length: 12\r\n");
    EXPECT_EQ(header.Values.Get("Content-Length"), "12");
    EXPECT_TRUE(header.Values.Has("content-length"));
    EXPECT_EQ(header.Values.Get("location"), "");
    EXPECT_FALSE(header.Values.Has("location"));
}

TEST(InetHTTPResponseHeaderTest, RawHeaderStopsBeforeBlankLine) {
    EXPECT_EQ(Parse("HTTP/1.0 200 OK\r\nA: 1\r\n\r\nbody\n\nmore").RawHeader, "HTTP/1.0 200 OK\r\nA: 1");
    EXPECT_EQ(Parse("HTTP/1.0 200 OK\nA: 1\n\nbody").RawHeader, "HTTP/1.0 200 OK\nA: 1");
    EXPECT_EQ(Parse("HTTP/1.0 200 OK\r\nA: 1\r\n").RawHeader, "HTTP/1.0 200 OK\r\nA: 1\r\n");
}

TEST(InetHTTPResponseHeaderTest, ManyFieldsAddedAndRemovedKeepOrder) {
    // Enough removals to make the list drop its removed entries on the way.
    std::string text = "HTTP/1.1 200 OK\r\n";
    for (int i = 0; i < 200; ++i) text += "X-" + std::to_string(i) + ": v\r\n";
    for (int i = 0; i < 200; ++i)
        if (i % 4 != 1) text += "X-" + std::to_string(i) + ":\r\n";
    text += "X-0: again\r\nX-1: new\r\n";
    TInetHTTPResponseHeader header = Parse(text);
    Items items = header.Values.Items();
    ASSERT_EQ(items.size(), 51u);
    EXPECT_EQ(items[0], (std::pair<std::string, std::string>{"x-1", "new"}));
    EXPECT_EQ(items[1].first, "x-5");
    EXPECT_EQ(items[49].first, "x-197");
    EXPECT_EQ(items[50], (std::pair<std::string, std::string>{"x-0", "again"}));
    EXPECT_EQ(header.Values.Get("x-197"), "v");
    EXPECT_EQ(header.Values.Get("x-198"), "");
    EXPECT_EQ(header.Values.Count(), 51u);
}

// --- Content type: charset and text flag ---

struct ContentTypeCase {
    const char* name;
    std::string fields;
    TCharsetType charset;
    bool isText;
};

const ContentTypeCase kContentTypeCases[] = {
    {.name = "ShiftJis", .fields = "Content-Type: text/html; charset=Shift_JIS\r\n", .charset = ctSjis, .isText = true},
    {.name = "EucJp", .fields = "Content-Type: text/html; charset=EUC-JP\r\n", .charset = ctEuc, .isText = true},
    {.name = "Utf8", .fields = "Content-Type: text/plain;charset=utf-8\r\n", .charset = ctUtf8, .isText = true},
    {.name = "QuotedUtf8", .fields = "Content-Type: text/html; charset=\"UTF-8\"\r\n", .charset = ctUtf8, .isText = true},
    {.name = "SpacesAroundEquals", .fields = "Content-Type: text/html; charset = euc-jp\r\n", .charset = ctEuc, .isText = true},
    {.name = "Iso2022WithoutHyphenIsJis", .fields = "Content-Type: text/html; charset=iso2022-jp\r\n", .charset = ctJis, .isText = true},
    {.name = "Iso2022WithHyphenIsUnknown", .fields = "Content-Type: text/html; charset=ISO-2022-JP\r\n", .charset = ctUnknown, .isText = true},
    {.name = "OtherCharsetIsUnknown", .fields = "Content-Type: text/html; charset=x-sjis\r\n", .charset = ctUnknown, .isText = true},
    {.name = "ParameterNameMustBeLowerCase", .fields = "Content-Type: text/html; Charset=UTF-8\r\n", .charset = ctUnknown, .isText = true},
    {.name = "UpperCaseTextType", .fields = "Content-Type: TEXT/HTML\r\n", .charset = ctUnknown, .isText = true},
    {.name = "ImageIsNotText", .fields = "Content-Type: image/gif\r\n", .charset = ctUnknown, .isText = false},
    {.name = "XhtmlIsNotText", .fields = "Content-Type: application/xhtml+xml; charset=utf-8\r\n", .charset = ctUtf8, .isText = false},
    {.name = "NoContentTypeIsText", .fields = "Content-Length: 5\r\n", .charset = ctUnknown, .isText = true},
    {.name = "EmptyContentTypeIsText", .fields = "Content-Type:\r\n", .charset = ctUnknown, .isText = true},
    {.name = "LaterTypeWithoutCharsetKeepsCharset",
     .fields = "Content-Type: text/html; charset=Shift_JIS\r\nContent-Type: image/png\r\n",
     .charset = ctSjis, .isText = false},
    {.name = "RemovedTypeIsText",
     .fields = "Content-Type: image/png\r\nContent-Type: \r\n", .charset = ctUnknown, .isText = true},
};

class ContentTypeTest : public testing::TestWithParam<ContentTypeCase> {};

TEST_P(ContentTypeTest, ReadsCharsetAndTextFlag) {
    TInetHTTPResponseHeader header = Parse("HTTP/1.1 200 OK\r\n" + GetParam().fields + "\r\n");
    EXPECT_EQ(header.Charset, GetParam().charset);
    EXPECT_EQ(header.IsText, GetParam().isText);
}

INSTANTIATE_TEST_SUITE_P(Cases, ContentTypeTest, testing::ValuesIn(kContentTypeCases),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Last-Modified ---

struct DateCase {
    const char* name;
    std::string value;
    std::string date; // empty: not readable
};

const DateCase kDateCases[] = {
    {.name = "Gmt", .value = "Tue, 18 Apr 2006 12:34:56 GMT", .date = "2006/04/18 21:34:56"},
    {.name = "PlusNine", .value = "Tue, 18 Apr 2006 12:34:56 +0900", .date = "2006/04/18 12:34:56"},
    {.name = "MinusFiveCrossesMidnight", .value = "Tue, 18 Apr 2006 12:34:56 -0500", .date = "2006/04/19 02:34:56"},
    {.name = "HalfHourZoneDropsMinutes", .value = "Tue, 18 Apr 2006 12:34:56 +0530", .date = "2006/04/18 16:34:56"},
    {.name = "LowerCaseGmtAndMonth", .value = "tue, 18 APR 2006 12:34:56 gmt", .date = "2006/04/18 21:34:56"},
    {.name = "NoWeekday", .value = "18 Apr 2006 12:34:56 GMT", .date = "2006/04/18 21:34:56"},
    {.name = "NoZoneIsGmt", .value = "Tue, 18 Apr 2006 12:34:56", .date = "2006/04/18 21:34:56"},
    {.name = "UnknownZoneIsGmt", .value = "Tue, 18 Apr 2006 12:34:56 PST", .date = "2006/04/18 21:34:56"},
    {.name = "OneDigitDay", .value = "Sat, 1 Apr 2006 00:00:00 GMT", .date = "2006/04/01 09:00:00"},
    {.name = "YearEnds", .value = "Sun, 31 Dec 2006 20:00:00 GMT", .date = "2007/01/01 05:00:00"},
    {.name = "LeapDay", .value = "Thu, 29 Feb 2024 23:59:59 +0900", .date = "2024/02/29 23:59:59"},
    {.name = "Empty", .value = "", .date = ""},
    {.name = "Words", .value = "yesterday", .date = ""},
    {.name = "DayNotANumber", .value = "Tue, xx Apr 2006 12:34:56 GMT", .date = ""},
    {.name = "UnknownMonth", .value = "Tue, 18 Foo 2006 12:34:56 GMT", .date = ""},
    {.name = "YearNotANumber", .value = "Tue, 18 Apr 20x6 12:34:56 GMT", .date = ""},
    {.name = "NothingAfterYear", .value = "Tue, 18 Apr 2006", .date = ""},
    {.name = "NoSuchDay", .value = "Tue, 31 Feb 2006 12:00:00 GMT", .date = ""},
    {.name = "NoSuchHour", .value = "Tue, 18 Apr 2006 25:00:00 GMT", .date = ""},
    {.name = "TimeNotATime", .value = "Tue, 18 Apr 2006 noon GMT", .date = ""},
    {.name = "Rfc850Form", .value = "Tuesday, 18-Apr-06 12:34:56 GMT", .date = ""},
    {.name = "AsctimeForm", .value = "Tue Apr 18 12:34:56 2006", .date = ""},
};

class LastModifiedTest : public testing::TestWithParam<DateCase> {};

TEST_P(LastModifiedTest, GivesTimeInUtcPlusNine) {
    TInetHTTPResponseHeader header =
        Parse("HTTP/1.1 200 OK\r\nLast-Modified: " + GetParam().value + "\r\nX-After: 1\r\n\r\n");
    EXPECT_EQ(header.ModifiedDate, GetParam().date);
    // An unreadable date does not stop the rest of the header.
    EXPECT_EQ(header.Values.Get("x-after"), "1");
    EXPECT_EQ(header.StatusCode, 200);
}

INSTANTIATE_TEST_SUITE_P(Cases, LastModifiedTest, testing::ValuesIn(kDateCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(InetHTTPResponseHeaderTest, UnreadableDateKeepsEarlierDate) {
    TInetHTTPResponseHeader header;
    header.CreateModifiedDate("Tue, 18 Apr 2006 12:34:56 GMT");
    header.CreateModifiedDate("Tue, 31 Feb 2006 12:00:00 GMT");
    header.CreateModifiedDate("garbage");
    EXPECT_EQ(header.ModifiedDate, "2006/04/18 21:34:56");
}


TEST(InetHTTPResponseHeaderTest, DateDoesNotDependOnMachineZone) {
    for (const char* zone : {"UTC", "America/New_York", "Asia/Tokyo"}) {
        TScopedTimeZone tz(zone);
        TInetHTTPResponseHeader header;
        header.CreateModifiedDate("Tue, 18 Apr 2006 12:34:56 GMT");
        EXPECT_EQ(header.ModifiedDate, "2006/04/18 21:34:56") << zone;
    }
}

// --- File name offered for saving ---

struct AliasCase {
    const char* name;
    std::string fields;
    std::string alias;
};

const AliasCase kAliasCases[] = {
    {.name = "QuotesAndColonRemoved", .fields = "Content-Disposition: attachment; filename=\"a:b.zip\"\r\n", .alias = "ab.zip"},
    {.name = "KeyFoundInAnyCase", .fields = "Content-Disposition: attachment; FileName=report.pdf\r\n", .alias = "report.pdf"},
    {.name = "LaterParametersKept", .fields = "Content-Disposition: attachment; filename=\"x.zip\"; size=10\r\n", .alias = "x.zip; size=10"},
    {.name = "EveryForbiddenCharacter", .fields = "Content-Disposition: attachment; filename=<a>|b*?/\\c\".txt\r\n", .alias = "abc.txt"},
    {.name = "NoFileName", .fields = "Content-Disposition: inline\r\n", .alias = ""},
    {.name = "EmptyFileName", .fields = "Content-Disposition: attachment; filename=\r\n", .alias = ""},
    {.name = "OnlyForbiddenCharacters", .fields = "Content-Disposition: attachment; filename=\"\"\r\n", .alias = ""},
    {.name = "NoField", .fields = "Content-Type: text/html\r\n", .alias = ""},
    // 0x95 0x5C and 0x83 0x7C end in "\" and "|": the characters stay whole.
    {.name = "ShiftJisSecondBytesStay",
     .fields = "Content-Disposition: attachment; filename=\"\x95\x5C\\\x83\x7C|.zip\"\r\n",
     .alias = "\x95\x5C\x83\x7C.zip"},
    {.name = "ShiftJisSecondByteNotTakenForKey",
     .fields = "Content-Disposition: attachment; name=\x83" "filename=\"a.txt\"\r\n",
     .alias = ""},
};

class AliasTest : public testing::TestWithParam<AliasCase> {};

TEST_P(AliasTest, GivesSafeFileName) {
    EXPECT_EQ(Parse("HTTP/1.1 200 OK\r\n" + GetParam().fields + "\r\n").GetAlias(), GetParam().alias);
}

INSTANTIATE_TEST_SUITE_P(Cases, AliasTest, testing::ValuesIn(kAliasCases),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Whole parse ---

const std::string kHeader =
    "HTTP/1.1 404 Not Found\r\n"
    "Content-Type: text/html; charset=EUC-JP\r\n"
    "Last-Modified: Tue, 18 Apr 2006 12:34:56 GMT\r\n"
    "Content-Disposition: attachment; filename=\"a:b.txt\"\r\n"
    "Set-Cookie: a=1\r\n"
    "Set-Cookie: b=2";

void ExpectSame(const TInetHTTPResponseHeader& got, const TInetHTTPResponseHeader& want,
                size_t cut) {
    EXPECT_EQ(got.RawHeader, want.RawHeader) << "cut at " << cut;
    EXPECT_EQ(got.StatusCode, want.StatusCode) << "cut at " << cut;
    EXPECT_EQ(got.Values.Items(), want.Values.Items()) << "cut at " << cut;
    EXPECT_EQ(got.IsText, want.IsText) << "cut at " << cut;
    EXPECT_EQ(got.ModifiedDate, want.ModifiedDate) << "cut at " << cut;
    EXPECT_EQ(got.Charset, want.Charset) << "cut at " << cut;
    EXPECT_EQ(got.GetAlias(), want.GetAlias()) << "cut at " << cut;
}

TEST(InetHTTPResponseHeaderTest, HeaderAloneAndWithAnyPartOfBodyAgree) {
    // The body looks like another header; none of it may be read.
    const std::string body =
        "<html>\r\n\r\nHTTP/1.0 500 Oops\r\nContent-Type: image/png; charset=UTF-8\r\n"
        "Set-Cookie: c=3\r\nLast-Modified: Sun, 31 Dec 2006 20:00:00 GMT\r\n\n\n";
    const std::string response = kHeader + "\r\n\r\n" + body;

    TInetHTTPResponseHeader want = Parse(kHeader);
    EXPECT_EQ(want.RawHeader, kHeader);
    EXPECT_EQ(want.StatusCode, 404);
    EXPECT_EQ(want.Values.Items(),
              (Items{{"content-type", "text/html; charset=EUC-JP"},
                     {"last-modified", "Tue, 18 Apr 2006 12:34:56 GMT"},
                     {"content-disposition", "attachment; filename=\"a:b.txt\""},
                     {"set-cookie", "b=2"}}));
    EXPECT_TRUE(want.IsText);
    EXPECT_EQ(want.ModifiedDate, "2006/04/18 21:34:56");
    EXPECT_EQ(want.Charset, ctEuc);
    EXPECT_EQ(want.GetAlias(), "ab.txt");

    for (size_t cut = kHeader.size() + 4; cut <= response.size(); ++cut)
        ExpectSame(Parse(std::string_view(response).substr(0, cut)), want, cut);
    // Cut inside the blank line: the line ends become part of the raw text
    // and nothing else changes.
    for (size_t cut = kHeader.size(); cut < kHeader.size() + 4; ++cut) {
        TInetHTTPResponseHeader part = Parse(std::string_view(response).substr(0, cut));
        EXPECT_EQ(part.RawHeader, response.substr(0, cut));
        part.RawHeader = want.RawHeader;
        ExpectSame(part, want, cut);
    }
}

TEST(InetHTTPResponseHeaderTest, LineFeedHeaderAndAnyPartOfBodyAgree) {
    const std::string header = "HTTP/1.0 301 Moved\nLocation: http://h/x/\nContent-Type: image/gif";
    const std::string response = header + "\n\nHTTP/1.0 200 OK\nLocation: http://evil/\n\n";
    TInetHTTPResponseHeader want = Parse(header);
    EXPECT_EQ(want.StatusCode, 301);
    EXPECT_EQ(want.Values.Get("location"), "http://h/x/");
    EXPECT_FALSE(want.IsText);
    for (size_t cut = header.size() + 2; cut <= response.size(); ++cut)
        ExpectSame(Parse(std::string_view(response).substr(0, cut)), want, cut);
}

TEST(InetHTTPResponseHeaderTest, HeaderCutShortKeepsItsCompleteLines) {
    // A connection that closes inside the header: wherever the text is cut,
    // each field whose line ended before the cut reads as in the whole header,
    // and no field of a later line shows up.
    const std::string header =
        "HTTP/1.1 404 Not Found\r\n"
        "Content-Type: text/html; charset=EUC-JP\r\n"
        "Last-Modified: Tue, 18 Apr 2006 12:34:56 GMT\r\n"
        "Location: http://h/a/";
    struct Line {
        std::string name;
        size_t start, end; // end: where its line end is (or the end of the text)
    };
    std::vector<Line> lines;
    for (size_t start = header.find("\r\n") + 2; start < header.size();) {
        size_t end = std::min(header.find("\r\n", start), header.size());
        std::string name = header.substr(start, header.find(':', start) - start);
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        lines.push_back({name, start, end});
        start = end + 2;
    }
    TInetHTTPResponseHeader whole = Parse(header);

    for (size_t cut = 0; cut <= header.size(); ++cut) {
        TInetHTTPResponseHeader part = Parse(std::string_view(header).substr(0, cut));
        EXPECT_EQ(part.RawHeader, header.substr(0, cut));
        for (const Line& line : lines) {
            if (line.end < cut || cut == header.size()) {
                EXPECT_EQ(part.Values.Get(line.name), whole.Values.Get(line.name))
                    << line.name << " cut at " << cut;
            } else if (line.start >= cut) {
                EXPECT_FALSE(part.Values.Has(line.name)) << line.name << " cut at " << cut;
            }
        }
        if (cut > lines[0].end) {
            EXPECT_EQ(part.Charset, ctEuc) << "cut at " << cut;
        }
        if (cut > lines[1].end) {
            EXPECT_EQ(part.ModifiedDate, "2006/04/18 21:34:56") << "cut at " << cut;
        }
        if (cut >= header.find("\r\n")) {
            EXPECT_EQ(part.StatusCode, 404) << "cut at " << cut;
        }
    }
}

TEST(InetHTTPResponseHeaderTest, SetHeaderStartsAfresh) {
    TInetHTTPResponseHeader header = Parse(
        "HTTP/1.1 500 X\r\nContent-Type: image/png; charset=Shift_JIS\r\n"
        "Last-Modified: Tue, 18 Apr 2006 12:34:56 GMT\r\nX-A: 1\r\n");
    header.SetHeader("");
    EXPECT_EQ(header.RawHeader, "");
    EXPECT_EQ(header.StatusCode, 200);
    EXPECT_EQ(header.Values.Count(), 0u);
    EXPECT_TRUE(header.IsText);
    EXPECT_EQ(header.ModifiedDate, "");
    EXPECT_EQ(header.Charset, ctUnknown);

    header.Initialize();
    EXPECT_EQ(header.StatusCode, 0);
}

// ParsedFrom lets a caller skip parsing a header again: it holds only for
// the header part SetHeader last read, and not once the members changed.
TEST(InetHTTPResponseHeaderTest, ParsedFromOnlyTheLastParseUnchanged) {
    const std::string text = "HTTP/1.1 200 OK\r\nX-A: 1\r\n\r\nbody\r\n\r\nmore";
    const std::string_view part = TInetHTTPResponseHeader::HeaderPart(text);
    EXPECT_EQ(part, "HTTP/1.1 200 OK\r\nX-A: 1");
    EXPECT_EQ(TInetHTTPResponseHeader::HeaderPart("HTTP/1.0 200 OK\nA: 1\n\nbody"), "HTTP/1.0 200 OK\nA: 1");
    TInetHTTPResponseHeader header;
    EXPECT_FALSE(header.ParsedFrom(""));
    header.SetHeader(text);
    EXPECT_TRUE(header.ParsedFrom(part));
    EXPECT_FALSE(header.ParsedFrom("HTTP/1.1 200 OK\r\nX-A: 2"));
    header.CreateModifiedDate("Tue, 18 Apr 2006 12:34:56 GMT");
    EXPECT_FALSE(header.ParsedFrom(part));
    header.SetHeader(text);
    header.Initialize();
    EXPECT_FALSE(header.ParsedFrom(part));
}

} // namespace
