#pragma once
// Dates and times as the program keeps them: a day count from 1899-12-30
// with the time of day as the fraction (the Windows OLE date), and the
// Japanese system's texts for them: short date "yyyy/mm/dd", long time
// "hh:nn:ss" (24-hour, zero-padded). Local time is the system time zone.
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

using TDateTime = double;

class TDateTimeText {
public:
    // Builds a date and time; false when a field is out of range.
    static bool TryEncode(int year, int month, int day, int hour, int minute, int second,
                          TDateTime& out);
    // Splits a value into its fields; the time is rounded to the nearest
    // millisecond first and the milliseconds are then dropped. A value that is
    // not a date of the years 1 to 9999 decodes as 1899/12/30 00:00:00.
    static void Decode(TDateTime value, int& year, int& month, int& day, int& hour, int& minute,
                       int& second);
    // Adds whole hours (negative to go back), carrying into the date. A value
    // that is not a date of the years 1 to 9999 comes back unchanged.
    static TDateTime IncHour(TDateTime value, int hours);

    // Reads a date-time text in the local format: "yyyy/mm/dd" optionally
    // followed by blanks and "h:n[:s]" (fields of one or more digits). False
    // for anything else or an invalid date or time.
    static bool TryParse(std::string_view text, TDateTime& out);

    static std::string ShortDate(TDateTime value);    // "2006/04/18"
    static std::string LongTime(TDateTime value);     // "21:34:56"
    static std::string DateTimeText(TDateTime value); // "2006/04/18 21:34:56"

    static TDateTime Now();                           // local time
    static TDateTime FromUnix(std::time_t t);         // local time of a file or clock time
    static std::time_t ToUnix(TDateTime value);       // local time back to the clock
};
