#include "platform/DateTime.h"

#include <cmath>
#include <cstdio>
#include <time.h>

namespace {

constexpr int64_t kMsPerDay = 86400000;
// Day numbers of 0001-01-01 and of 10000-01-01 relative to 1899-12-30: the
// range that Encode can produce and Decode accepts.
constexpr int64_t kFirstDay = -693593;
constexpr int64_t kEndDay = 2958466;

// Days from 1970-01-01 of a proleptic Gregorian date (H. Hinnant's method,
// exact for every year without a table).
int64_t DaysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

const int64_t kOleEpoch = DaysFromCivil(1899, 12, 30);

bool IsLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return (m == 2 && IsLeapYear(y)) ? 29 : kDays[m - 1];
}

// A date-time as whole milliseconds on one straight line from 1899-12-30.
// Below zero the OLE form keeps the time of day as a positive fraction after
// a negative day number (-1.25 is 1899-12-29 06:00), so the day and the time
// are split before they are put together. The time is rounded to the
// nearest millisecond first: 0.49999999999 is 12:00:00, not 11:59:59.
bool ToLinearMs(TDateTime value, int64_t& ms) {
    if (!std::isfinite(value) || value <= double(kFirstDay - 1) || value >= double(kEndDay))
        return false;
    const double day = std::trunc(value);
    const double frac = std::fabs(value - day);
    ms = static_cast<int64_t>(day) * kMsPerDay + std::llround(frac * double(kMsPerDay));
    return true;
}

TDateTime FromLinearMs(int64_t ms) {
    int64_t day = ms / kMsPerDay;
    int64_t inDay = ms % kMsPerDay;
    if (inDay < 0) {
        inDay += kMsPerDay;
        --day;
    }
    const double frac = double(inDay) / double(kMsPerDay);
    return day >= 0 ? double(day) + frac : double(day) - frac;
}

TDateTime FromTm(const struct tm& tm, int milliseconds) {
    TDateTime value = 0;
    int second = tm.tm_sec > 59 ? 59 : tm.tm_sec; // a leap second stays in its minute
    if (!TDateTimeText::TryEncode(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
                                  tm.tm_min, second, value))
        return 0;
    return value + double(milliseconds) / double(kMsPerDay);
}

// Reads one field of one or more digits at `pos`; at most 9 digits so that
// the value fits an int.
bool ReadNumber(std::string_view text, size_t& pos, int& out) {
    size_t start = pos;
    int value = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        if (pos - start >= 9) return false;
        value = value * 10 + (text[pos] - '0');
        ++pos;
    }
    out = value;
    return pos > start;
}

bool Expect(std::string_view text, size_t& pos, char c) {
    if (pos >= text.size() || text[pos] != c) return false;
    ++pos;
    return true;
}

} // namespace

bool TDateTimeText::TryEncode(int year, int month, int day, int hour, int minute, int second,
                              TDateTime& out) {
    if (year < 1 || year > 9999 || month < 1 || month > 12) return false;
    if (day < 1 || day > DaysInMonth(year, month)) return false;
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
        return false;
    const int64_t days = DaysFromCivil(year, month, day) - kOleEpoch;
    const int64_t ms = (int64_t(hour) * 3600 + minute * 60 + second) * 1000;
    out = FromLinearMs(days * kMsPerDay + ms);
    return true;
}

void TDateTimeText::Decode(TDateTime value, int& year, int& month, int& day, int& hour,
                           int& minute, int& second) {
    int64_t ms = 0;
    if (!ToLinearMs(value, ms)) ms = 0;
    int64_t days = ms / kMsPerDay;
    int64_t inDay = ms % kMsPerDay;
    if (inDay < 0) {
        inDay += kMsPerDay;
        --days;
    }
    CivilFromDays(days + kOleEpoch, year, month, day);
    const int64_t seconds = inDay / 1000;
    hour = static_cast<int>(seconds / 3600);
    minute = static_cast<int>(seconds / 60 % 60);
    second = static_cast<int>(seconds % 60);
}

TDateTime TDateTimeText::IncHour(TDateTime value, int hours) {
    int64_t ms = 0;
    if (!ToLinearMs(value, ms)) return value;
    return FromLinearMs(ms + int64_t(hours) * 3600 * 1000);
}

bool TDateTimeText::TryParse(std::string_view text, TDateTime& out) {
    size_t pos = 0;
    int year, month, day;
    if (!ReadNumber(text, pos, year) || !Expect(text, pos, '/') || !ReadNumber(text, pos, month) ||
        !Expect(text, pos, '/') || !ReadNumber(text, pos, day))
        return false;
    int hour = 0, minute = 0, second = 0;
    if (pos < text.size()) {
        size_t blanks = pos;
        while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
        if (pos == blanks || !ReadNumber(text, pos, hour) || !Expect(text, pos, ':') ||
            !ReadNumber(text, pos, minute))
            return false;
        if (pos < text.size() && (!Expect(text, pos, ':') || !ReadNumber(text, pos, second)))
            return false;
        if (pos != text.size()) return false;
    }
    return TryEncode(year, month, day, hour, minute, second, out);
}

std::string TDateTimeText::ShortDate(TDateTime value) {
    int y, m, d, h, n, s;
    Decode(value, y, m, d, h, n, s);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d/%02d/%02d", y, m, d);
    return buf;
}

std::string TDateTimeText::LongTime(TDateTime value) {
    int y, m, d, h, n, s;
    Decode(value, y, m, d, h, n, s);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", h, n, s);
    return buf;
}

std::string TDateTimeText::DateTimeText(TDateTime value) {
    return ShortDate(value) + " " + LongTime(value);
}

TDateTime TDateTimeText::Now() {
    struct timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    struct tm tm;
    if (!localtime_r(&ts.tv_sec, &tm)) return 0;
    return FromTm(tm, static_cast<int>(ts.tv_nsec / 1000000));
}

TDateTime TDateTimeText::FromUnix(std::time_t t) {
    struct tm tm;
    if (!localtime_r(&t, &tm)) return 0;
    return FromTm(tm, 0);
}

std::time_t TDateTimeText::ToUnix(TDateTime value) {
    struct tm tm = {};
    int y, m, d, h, n, s;
    Decode(value, y, m, d, h, n, s);
    tm.tm_year = y - 1900;
    tm.tm_mon = m - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = n;
    tm.tm_sec = s;
    tm.tm_isdst = -1; // let the zone decide whether daylight saving applies
    return mktime(&tm);
}
