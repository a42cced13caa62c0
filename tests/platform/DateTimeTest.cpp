#include "platform/DateTime.h"
#include "support/ScopedEnv.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <optional>
#include <time.h>

namespace {


TDateTime Make(int y, int m, int d, int h = 0, int n = 0, int s = 0) {
    TDateTime v = -1e9;
    EXPECT_TRUE(TDateTimeText::TryEncode(y, m, d, h, n, s, v)) << y << "/" << m << "/" << d;
    return v;
}

struct EncodeCase {
    const char* name;
    int y, m, d, h, n, s;
    bool ok;
};

const EncodeCase kEncodeCases[] = {
    {.name = "epoch", .y = 1899, .m = 12, .d = 30, .h = 0, .n = 0, .s = 0, .ok = true},
    {.name = "ordinary", .y = 2006, .m = 4, .d = 18, .h = 21, .n = 34, .s = 56, .ok = true},
    {.name = "first_day", .y = 1, .m = 1, .d = 1, .h = 0, .n = 0, .s = 0, .ok = true},
    {.name = "last_second", .y = 9999, .m = 12, .d = 31, .h = 23, .n = 59, .s = 59, .ok = true},
    {.name = "before_epoch", .y = 1899, .m = 12, .d = 29, .h = 6, .n = 0, .s = 0, .ok = true},
    {.name = "leap_2004", .y = 2004, .m = 2, .d = 29, .h = 12, .n = 0, .s = 0, .ok = true},
    {.name = "leap_2000", .y = 2000, .m = 2, .d = 29, .h = 0, .n = 0, .s = 0, .ok = true},
    {.name = "no_leap_1900", .y = 1900, .m = 2, .d = 29, .h = 0, .n = 0, .s = 0, .ok = false},
    {.name = "no_leap_2005", .y = 2005, .m = 2, .d = 29, .h = 0, .n = 0, .s = 0, .ok = false},
    {.name = "feb_30", .y = 2004, .m = 2, .d = 30, .h = 0, .n = 0, .s = 0, .ok = false},
    {.name = "apr_31", .y = 2006, .m = 4, .d = 31, .h = 0, .n = 0, .s = 0, .ok = false},
    {.name = "month_13", .y = 2006, .m = 13, .d = 1, .h = 0, .n = 0, .s = 0, .ok = false},
    {.name = "month_0", .y = 2006, .m = 0, .d = 1, .h = 0, .n = 0, .s = 0, .ok = false},
    {.name = "day_0", .y = 2006, .m = 1, .d = 0, .h = 0, .n = 0, .s = 0, .ok = false},
    {.name = "hour_24", .y = 2006, .m = 1, .d = 1, .h = 24, .n = 0, .s = 0, .ok = false},
    {.name = "minute_60", .y = 2006, .m = 1, .d = 1, .h = 0, .n = 60, .s = 0, .ok = false},
    {.name = "second_60", .y = 2006, .m = 1, .d = 1, .h = 0, .n = 0, .s = 60, .ok = false},
    {.name = "negative_second", .y = 2006, .m = 1, .d = 1, .h = 0, .n = 0, .s = -1, .ok = false},
    {.name = "year_0", .y = 0, .m = 1, .d = 1, .h = 0, .n = 0, .s = 0, .ok = false},
    {.name = "year_10000", .y = 10000, .m = 1, .d = 1, .h = 0, .n = 0, .s = 0, .ok = false},
};

TEST(DateTimeTest, EncodeValidatesAndDecodeGivesTheFieldsBack) {
    for (const auto& c : kEncodeCases) {
        SCOPED_TRACE(c.name);
        TDateTime v = 12345.0;
        ASSERT_EQ(TDateTimeText::TryEncode(c.y, c.m, c.d, c.h, c.n, c.s, v), c.ok);
        if (!c.ok) {
            EXPECT_EQ(v, 12345.0); // untouched on failure
            continue;
        }
        int y, m, d, h, n, s;
        TDateTimeText::Decode(v, y, m, d, h, n, s);
        EXPECT_EQ(y, c.y);
        EXPECT_EQ(m, c.m);
        EXPECT_EQ(d, c.d);
        EXPECT_EQ(h, c.h);
        EXPECT_EQ(n, c.n);
        EXPECT_EQ(s, c.s);
    }
}

TEST(DateTimeTest, ValuesFollowTheOleDayCount) {
    EXPECT_EQ(Make(1899, 12, 30), 0.0);
    EXPECT_EQ(Make(1900, 1, 1), 2.0);
    EXPECT_EQ(Make(2006, 4, 18), 38825.0);
    EXPECT_DOUBLE_EQ(Make(2006, 4, 18, 18), 38825.75);
    // Before the epoch the time of day is still a positive fraction.
    EXPECT_DOUBLE_EQ(Make(1899, 12, 29, 6), -1.25);
    // Values outside the calendar neither crash nor wrap around.
    EXPECT_EQ(TDateTimeText::DateTimeText(std::nan("")), "1899/12/30 00:00:00");
    EXPECT_EQ(TDateTimeText::DateTimeText(1e300), "1899/12/30 00:00:00");
    EXPECT_EQ(TDateTimeText::IncHour(-1e7, 1), -1e7);
}

TEST(DateTimeTest, DecodeRoundsToTheMillisecondBeforeTakingSeconds) {
    int y, m, d, h, n, s;
    // Just under noon, as arithmetic leaves it, is still noon.
    TDateTimeText::Decode(38825.5 - 1e-11, y, m, d, h, n, s);
    EXPECT_EQ(h * 3600 + n * 60 + s, 12 * 3600);
    // The last instant of a day rounds into the next day.
    EXPECT_EQ(TDateTimeText::DateTimeText(38825.0 + (86400000.0 - 0.2) / 86400000.0),
              "2006/04/19 00:00:00");
    // Adding seconds one at a time must not drift.
    TDateTime v = Make(2006, 4, 18);
    for (int i = 0; i < 3600; ++i) v += 1.0 / 86400.0;
    EXPECT_EQ(TDateTimeText::LongTime(v), "01:00:00");
    // Milliseconds are dropped, not rounded up into the next second.
    EXPECT_EQ(TDateTimeText::LongTime(Make(2006, 4, 18, 1, 2, 3) + 999.0 / 86400000.0), "01:02:03");
}

TEST(DateTimeTest, TextsAreZeroPadded) {
    EXPECT_EQ(TDateTimeText::ShortDate(Make(2006, 4, 8, 21, 4, 5)), "2006/04/08");
    EXPECT_EQ(TDateTimeText::LongTime(Make(2006, 4, 8, 1, 4, 5)), "01:04:05");
    EXPECT_EQ(TDateTimeText::DateTimeText(Make(987, 1, 2, 3, 4, 5)), "0987/01/02 03:04:05");
    EXPECT_EQ(TDateTimeText::DateTimeText(Make(2006, 4, 18)), "2006/04/18 00:00:00");
    EXPECT_EQ(TDateTimeText::DateTimeText(Make(1899, 12, 29, 6)), "1899/12/29 06:00:00");
}

struct IncCase {
    const char* name;
    const char* from;
    int hours;
    const char* to;
};

const IncCase kIncCases[] = {
    {.name = "same_day", .from = "2006/04/18 12:34:56", .hours = 9, .to = "2006/04/18 21:34:56"},
    {.name = "next_day", .from = "2006/04/18 21:00:00", .hours = 3, .to = "2006/04/19 00:00:00"},
    {.name = "next_month", .from = "2006/04/30 23:00:00", .hours = 1, .to = "2006/05/01 00:00:00"},
    {.name = "next_year", .from = "2006/12/31 15:00:00", .hours = 9, .to = "2007/01/01 00:00:00"},
    {.name = "leap_day", .from = "2004/02/28 23:00:00", .hours = 1, .to = "2004/02/29 00:00:00"},
    {.name = "no_leap_day", .from = "2005/02/28 23:00:00", .hours = 1, .to = "2005/03/01 00:00:00"},
    {.name = "back_a_year", .from = "2007/01/01 05:00:00", .hours = -9, .to = "2006/12/31 20:00:00"},
    {.name = "two_days", .from = "2006/04/18 12:34:56", .hours = 48, .to = "2006/04/20 12:34:56"},
    {.name = "across_epoch", .from = "1899/12/30 03:00:00", .hours = -6, .to = "1899/12/29 21:00:00"},
    {.name = "up_to_epoch", .from = "1899/12/29 21:00:00", .hours = 3, .to = "1899/12/30 00:00:00"},
};

TEST(DateTimeTest, IncHourCarriesIntoTheDate) {
    for (const auto& c : kIncCases) {
        SCOPED_TRACE(c.name);
        TDateTime v;
        ASSERT_TRUE(TDateTimeText::TryParse(c.from, v));
        EXPECT_EQ(TDateTimeText::DateTimeText(TDateTimeText::IncHour(v, c.hours)), c.to);
    }
}

struct ParseCase {
    const char* text;
    const char* result; // nullptr: refused
};

const ParseCase kParseCases[] = {
    {"2006/04/18", "2006/04/18 00:00:00"},
    {"2006/4/8", "2006/04/08 00:00:00"},
    {"2006/04/18 21:34:56", "2006/04/18 21:34:56"},
    {"2006/04/18 9:5", "2006/04/18 09:05:00"},
    {"2006/04/18   \t1:2:3", "2006/04/18 01:02:03"},
    {"2004/02/29 23:59:59", "2004/02/29 23:59:59"},
    {"", nullptr},
    {"2006/04", nullptr},
    {"2006-04-18", nullptr},
    {" 2006/04/18", nullptr},
    {"2006/04/18 ", nullptr},
    {"2006/04/18 12", nullptr},
    {"2006/04/18 12:", nullptr},
    {"2006/04/18 12:00:", nullptr},
    {"2006/04/18 12:00:00x", nullptr},
    {"2006/04/18 12:00:00 ", nullptr},
    {"2006/04/18x", nullptr},
    {"2006/02/30", nullptr},
    {"2005/02/29", nullptr},
    {"2006/13/01", nullptr},
    {"2006/04/18 24:00:00", nullptr},
    {"2006/04/18 12:60", nullptr},
    {"2006/04/18 12:00:60", nullptr},
    {"99999999999/01/01", nullptr},
    {"2006/+4/18", nullptr},
};

TEST(DateTimeTest, ParseReadsTheShortDateAndOptionalTime) {
    for (const auto& c : kParseCases) {
        SCOPED_TRACE(c.text);
        TDateTime v = 777.0;
        bool ok = TDateTimeText::TryParse(c.text, v);
        ASSERT_EQ(ok, c.result != nullptr);
        if (ok) EXPECT_EQ(TDateTimeText::DateTimeText(v), c.result);
        else EXPECT_EQ(v, 777.0);
    }
}

TEST(DateTimeTest, UnixTimesGoThroughTheSystemZone) {
    const std::time_t t = 1145363696; // 2006-04-18 12:34:56 UTC
    {
        TScopedTimeZone tz("Asia/Tokyo");
        TDateTime v = TDateTimeText::FromUnix(t);
        EXPECT_EQ(TDateTimeText::DateTimeText(v), "2006/04/18 21:34:56");
        EXPECT_EQ(TDateTimeText::ToUnix(v), t);
        EXPECT_EQ(TDateTimeText::DateTimeText(TDateTimeText::FromUnix(0)), "1970/01/01 09:00:00");
    }
    {
        // A zone with daylight saving: April is summer time (UTC-4).
        TScopedTimeZone tz("EST5EDT,M3.2.0,M11.1.0");
        TDateTime v = TDateTimeText::FromUnix(t);
        EXPECT_EQ(TDateTimeText::DateTimeText(v), "2006/04/18 08:34:56");
        EXPECT_EQ(TDateTimeText::ToUnix(v), t);
        EXPECT_EQ(TDateTimeText::DateTimeText(TDateTimeText::FromUnix(1136116800)),
                  "2006/01/01 07:00:00"); // winter time (UTC-5)
    }
}

TEST(DateTimeTest, NowIsTheLocalClock) {
    TScopedTimeZone tz("Asia/Tokyo");
    std::time_t before = std::time(nullptr);
    TDateTime now = TDateTimeText::Now();
    std::time_t after = std::time(nullptr);
    EXPECT_GE(TDateTimeText::ToUnix(now), before);
    // time() reads the coarse clock, which may lag the precise one behind
    // Now() by a tick; allow that second.
    EXPECT_LE(TDateTimeText::ToUnix(now), after + 1);
}

} // namespace
