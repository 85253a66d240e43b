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

// Process-wide formats, set at start-up: ShortDateFormat ("d.m.yy") and ShortTimeFormat
// (the locale's short time format, e.g. "HH:mm" or "h:mm tt").
void SetShortDateFormat(std::string format);
void SetShortTimeFormat(std::string format);
const std::string& ShortDateFormat();
const std::string& ShortTimeFormat();
// Formats with a pattern of d, dd, m, mm, yy, yyyy, h, hh, n/nn (minutes), m/mm after h
// (minutes), s, ss, tt / am/pm, and quoted literals.
std::string FormatDateTime(const std::string& pattern, TDateTime value);
std::string DateToStr(TDateTime value);  // with ShortDateFormat
std::string TimeToStr(TDateTime value);  // with ShortTimeFormat

}  // namespace dt

// Number formatting with a picture such as "######" or "#,##0.00".
std::string FormatFloat(const std::string& pattern, double value);
