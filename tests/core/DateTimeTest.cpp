#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>

#include "core/DateTime.h"
#include "core/Exception.h"

using namespace dt;

namespace {

TDateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
    return EncodeDate(y, mo, d) + EncodeTime(h, mi, s, ms);
}

TEST(DateTimeTest, EncodesDaysSince30December1899) {
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
    EXPECT_EQ(EncodeDate(2026, 12, 7), 46363.0);
    EXPECT_EQ(EncodeDate(2000, 2, 29), 36585.0);
    EXPECT_EQ(EncodeDate(1, 1, 1), -693593.0);
    EXPECT_EQ(EncodeDate(9999, 12, 31), 2958465.0);
    EXPECT_DOUBLE_EQ(EncodeTime(12, 0, 0, 0), 0.5);
    EXPECT_DOUBLE_EQ(EncodeTime(6, 0, 0, 0), 0.25);
    EXPECT_DOUBLE_EQ(EncodeTime(9, 15, 30, 0), (9 * 3600 + 15 * 60 + 30) / 86400.0);
}

TEST(DateTimeTest, EncodingFailures) {
    struct D { int y, m, d; bool ok; };
    const D dates[] = {
        {2026, 0, 1, false},  {2026, 13, 1, false}, {2026, 2, 31, false}, {2023, 2, 29, false},
        {2024, 2, 29, true},  {1900, 2, 29, false}, {2000, 2, 29, true},  {2026, 4, 31, false},
        {2026, 1, 0, false},  {0, 1, 1, false},     {10000, 1, 1, false}, {2026, 12, 31, true},
        {2026, -1, 1, false},
    };
    for (const D& c : dates) {
        TDateTime v = -1;
        EXPECT_EQ(TryEncodeDate(c.y, c.m, c.d, v), c.ok) << c.y << "-" << c.m << "-" << c.d;
        if (!c.ok) {
            EXPECT_THROW(EncodeDate(c.y, c.m, c.d), EConvertError);
        }
    }
    struct T { int h, m, s, ms; bool ok; };
    const T times[] = {
        {24, 0, 0, 0, false}, {23, 59, 59, 999, true}, {0, 60, 0, 0, false},
        {0, 0, 60, 0, false}, {0, 0, 0, 1000, false},  {-1, 0, 0, 0, false},
        {0, 0, 0, 0, true},
    };
    for (const T& c : times) {
        TDateTime v = -1;
        EXPECT_EQ(TryEncodeTime(c.h, c.m, c.s, c.ms, v), c.ok) << c.h << ":" << c.m << ":" << c.s;
        if (!c.ok) {
            EXPECT_THROW(EncodeTime(c.h, c.m, c.s, c.ms), EConvertError);
        }
    }
    EXPECT_EQ(DaysInMonth(2024, 2), 29);
    EXPECT_EQ(DaysInMonth(2026, 0), 0);
    EXPECT_TRUE(IsLeapYear(2000));
    EXPECT_FALSE(IsLeapYear(2100));
}

TEST(DateTimeTest, DecodeRoundTripsEveryFewDays) {
    for (int day = -693593; day <= 2958465; day += 37) {
        const DateParts p = DecodeDate(day);
        TDateTime back;
        ASSERT_TRUE(TryEncodeDate(p.year, p.month, p.day, back)) << day;
        ASSERT_EQ(back, day);
    }
}

TEST(DateTimeTest, DecodeParts) {
    const TDateTime v = At(2026, 12, 7, 9, 5, 7, 250);
    const DateParts d = DecodeDate(v);
    EXPECT_EQ(d.year, 2026);
    EXPECT_EQ(d.month, 12);
    EXPECT_EQ(d.day, 7);
    const TimeParts t = DecodeTime(v);
    EXPECT_EQ(t.hour, 9);
    EXPECT_EQ(t.minute, 5);
    EXPECT_EQ(t.second, 7);
    EXPECT_EQ(t.msec, 250);
    // Before the epoch the fraction is still the time of day: -1.25 is 29.12.1899 06:00.
    EXPECT_EQ(DecodeDate(-1.25).day, 29);
    EXPECT_EQ(DecodeTime(-1.25).hour, 6);
    // A fraction that rounds to a whole day is the next midnight, never hour 24.
    const TDateTime almost = 46363.0 + 0.9999999999;
    EXPECT_EQ(DecodeTime(almost).hour, 0);
    EXPECT_EQ(DecodeDate(almost).day, 8);
    EXPECT_EQ(DecodeDate(std::nan("")).year, 0);
    EXPECT_EQ(DayOfWeek(EncodeDate(2026, 12, 7)), 2);  // a Monday
    EXPECT_EQ(DayOfWeek(0), 7);                        // 30.12.1899 was a Saturday
    EXPECT_EQ(DayOfWeek(-1), 6);
}

TEST(DateTimeTest, UnixSeconds) {
    EXPECT_EQ(UnixToDateTime(0), 25569.0);
    EXPECT_DOUBLE_EQ(UnixToDateTime(86400 + 43200), 25570.5);
    EXPECT_EQ(DateTimeToUnix(25569.0), 0);
    EXPECT_EQ(DateTimeToUnix(At(2026, 12, 7, 9, 15, 0)), 1796634900);
    for (std::int64_t s : {0LL, 1LL, -1LL, 1796634900LL, -2209161600LL, -2209161601LL, 4102444800LL})
        EXPECT_EQ(DateTimeToUnix(UnixToDateTime(s)), s) << s;
}

TEST(DateTimeTest, NowIsLocalTime) {
    const TDateTime utc = NowUtc();
    const TDateTime local = Now();
    const std::time_t t = std::time(nullptr);
    EXPECT_NEAR(utc, UnixToDateTime(t), 5.0 / 86400);
    // The offset between the two is the machine's, within a minute of what the C library says.
    std::tm lt{};
#ifdef _WIN32
    localtime_s(&lt, &t);
#else
    localtime_r(&t, &lt);
#endif
    const TDateTime expected = At(lt.tm_year + 1900, lt.tm_mon + 1, lt.tm_mday, lt.tm_hour, lt.tm_min, lt.tm_sec);
    EXPECT_NEAR(local, expected, 60.0 / 86400);
    EXPECT_LE(std::fabs(local - utc), 14.5 / 24);
}

#ifndef _WIN32
TEST(DateTimeTest, NowFollowsTheZone) {
    const char* old = std::getenv("TZ");
    const std::string saved = old ? old : "";
    setenv("TZ", "XYZ-3", 1);  // three hours east of UTC, no daylight time
    tzset();
    const double diff = (Now() - NowUtc()) * 24;
    if (old) setenv("TZ", saved.c_str(), 1);
    else unsetenv("TZ");
    tzset();
    EXPECT_NEAR(diff, 3.0, 0.01);
}
#endif

class FormatTest : public testing::Test {
protected:
    void SetUp() override {
        date = ShortDateFormat();
        time = ShortTimeFormat();
    }
    void TearDown() override {
        SetShortDateFormat(date);
        SetShortTimeFormat(time);
        SetTimeAmPmStrings("AM", "PM");
    }
    std::string date, time;
};

TEST_F(FormatTest, Patterns) {
    const TDateTime v = At(2026, 12, 7, 9, 5, 3, 42);
    const TDateTime pm = At(2005, 3, 14, 21, 45, 0);
    const TDateTime midnight = At(2005, 3, 14, 0, 5, 0);
    struct C { const char* pattern; TDateTime value; const char* text; };
    const C cases[] = {
        {"d.m.yy", v, "7.12.26"},
        {"dd.mm.yyyy", v, "07.12.2026"},
        {"d.m.yy", pm, "14.3.05"},
        {"hh:nn", v, "09:05"},
        {"HH:mm", v, "09:05"},
        {"H:mm", v, "9:05"},
        {"h:mm:ss", v, "9:05:03"},
        {"hh:nn:ss.zzz", v, "09:05:03.042"},
        {"h:mm tt", pm, "9:45 PM"},
        {"h:mm tt", v, "9:05 AM"},
        {"hh:mm tt", midnight, "12:05 AM"},
        {"tt h:mm", pm, "PM 9:45"},
        {"h:nn am/pm", pm, "9:45 pm"},
        {"h:nn AM/PM", v, "9:05 AM"},
        {"h:nn a/p", pm, "9:45 p"},
        {"h:nn ampm", pm, "9:45 PM"},
        {"HH:mm", pm, "21:45"},
        {"'um' h 'Uhr'", pm, "um 21 Uhr"},
        {"\"d\" d", v, "d 7"},
        {"ddd, d mmm yyyy", v, "Mon, 7 Dec 2026"},
        {"dddd mmmm", v, "Monday December"},
        {"m/d/yy", v, "12/7/26"},
        {"yyyy-mm-dd", EncodeDate(5, 1, 2), "0005-01-02"},
        {"", v, ""},
    };
    for (const C& c : cases) EXPECT_EQ(FormatDateTime(c.pattern, c.value), c.text) << c.pattern;
}

TEST_F(FormatTest, ProcessWideFormats) {
    EXPECT_EQ(ShortDateFormat(), "d.m.yy");
    const TDateTime v = At(2026, 12, 7, 9, 15, 0);
    SetShortDateFormat("d.m.yy");
    SetShortTimeFormat("HH:mm");
    EXPECT_EQ(DateToStr(v), "7.12.26");
    EXPECT_EQ(TimeToStr(v), "09:15");
    EXPECT_EQ(DateTimeToStr(v), "7.12.26 09:15");
    EXPECT_EQ(DateTimeToStr(EncodeDate(2026, 12, 7)), "7.12.26");  // midnight: date alone
    EXPECT_EQ(FormatDateTime("c", v), "7.12.26 09:15");
    EXPECT_EQ(FormatDateTime("ddddd", v), "7.12.26");
    SetShortTimeFormat("h:mm tt");
    SetTimeAmPmStrings("vorm.", "nachm.");
    EXPECT_EQ(TimeToStr(At(2026, 1, 1, 13, 7)), "1:07 nachm.");
}

TEST(FormatFloatTest, SizePattern) {
    // The ticker's kilobyte figure: nearest whole number, no digits for values below 0.5.
    struct C { double bytes; const char* text; };
    const C cases[] = {
        {0, ""},       {100, ""},      {511, ""},         {512, "1"},     {1023, "1"},
        {1024, "1"},   {1536, "2"},    {2560, "3"},       {10239, "10"},  {1048576, "1024"},
        {1e9, "976563"},
    };
    for (const C& c : cases) EXPECT_EQ(FormatFloat("######", c.bytes / 1024), c.text) << c.bytes;
}

TEST(FormatFloatTest, Pictures) {
    struct C { const char* pattern; double value; const char* text; };
    const C cases[] = {
        {"#", 0.5, "1"},           {"#", 1.5, "2"},           {"#", 2.5, "3"},
        {"#", -2.5, "-3"},         {"#", -0.4, ""},           {"0", -0.4, "0"},
        {"0", 0, "0"},             {"000", 7, "007"},         {"0.00", 1.005, "1.00"},
        {"0.00", 0.125, "0.13"},   {"0.00", 2.675, "2.67"},   {"0.00", 1234.5, "1234.50"},
        {"#,##0", 1234567, "1,234,567"}, {"#,##0.00", 1234.5, "1,234.50"}, {"#,##0", 999, "999"},
        {"0.##", 1.5, "1.5"},      {"0.##", 1, "1"},          {"#.##", 0.5, ".5"},
        {"0 KB", 3, "3 KB"},       {"'x'0", 3, "x3"},         {"0;(0);zero", -5, "(5)"},
        {"0;(0);zero", 0, "zero"}, {"0;(0);zero", 5, "5"},    {"0", 1e20, "100000000000000000000"},
        {"0.0", 0.05, "0.1"},      {"0.0", 9.95, "9.9"}, {"0.0", 9.96, "10.0"},     {"0", 99.5, "100"},
        {"#", 0.49999999, ""},
    };
    for (const C& c : cases)
        EXPECT_EQ(FormatFloat(c.pattern, c.value), c.text) << c.pattern << " " << c.value;
}

}  // namespace
