#pragma once
// Date-time values: days since 30 December 1899 as a double, the fraction being the time
// of day. Local time unless a name says otherwise.
#include <cstdint>
#include <string>

using TDateTime = double;

namespace dt {

struct DateParts { int year = 0, month = 0, day = 0; };
struct TimeParts { int hour = 0, minute = 0, second = 0, msec = 0; };

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);
// Fail (false / EConvertError) for month 0, 31 February, hour 24 and the like.
bool TryEncodeDate(int year, int month, int day, TDateTime& result);
bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& result);
TDateTime EncodeDate(int year, int month, int day);  // raises EConvertError
TDateTime EncodeTime(int hour, int minute, int second, int msec);  // raises EConvertError
DateParts DecodeDate(TDateTime value);
TimeParts DecodeTime(TDateTime value);
int DayOfWeek(TDateTime value);  // 1 = Sunday .. 7 = Saturday

TDateTime Now();      // local time of this machine
TDateTime NowUtc();
// Seconds since 1970-01-01 UTC <-> day count (no zone applied).
TDateTime UnixToDateTime(std::int64_t seconds);
std::int64_t DateTimeToUnix(TDateTime value);

// Process-wide formats, set at start-up: ShortDateFormat ("d.m.yy", the default) and
// ShortTimeFormat, the one format times are shown in (start-up sets it to the locale's
// short time format, e.g. "HH:mm" or "h:mm tt"; default "hh:nn").
void SetShortDateFormat(std::string format);
void SetShortTimeFormat(std::string format);
const std::string& ShortDateFormat();
const std::string& ShortTimeFormat();
// Texts of the "t"/"tt" and "ampm" markers (default "AM", "PM").
void SetTimeAmPmStrings(std::string am, std::string pm);
// Formats with a pattern of d, dd, ddd, dddd, ddddd (short date), m, mm, mmm, mmmm, yy,
// yyyy, h/H, hh/HH, n/nn (minutes), m/mm after h (minutes), s, ss, z, zzz, c (short date,
// then the time unless it is midnight), the markers t/tt (as the locale's formats write
// them), am/pm, a/p, ampm (any marker makes the hours run 1..12), and quoted literals.
// Letters are matched without regard to case; every other character is copied.
std::string FormatDateTime(const std::string& pattern, TDateTime value);
std::string DateToStr(TDateTime value);      // with ShortDateFormat
std::string TimeToStr(TDateTime value);      // with ShortTimeFormat
std::string DateTimeToStr(TDateTime value);  // date, and " " + time unless it is 00:00:00.000

}  // namespace dt

// Number formatting with a picture such as "######" or "#,##0.00": '0' a digit always
// shown, '#' a digit shown when significant, '.' the decimal point, ',' thousands grouping,
// quoted or other characters literal (before or after the digits), and sections
// "positive;negative;zero". Rounds half away from zero on the decimal digits of the value;
// a value that rounds to 0 shows no digit for '#' ("######" of 0.4 is "").
std::string FormatFloat(const std::string& pattern, double value);
