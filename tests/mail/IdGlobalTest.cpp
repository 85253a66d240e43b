#include <gtest/gtest.h>

#include <cmath>

#include "core/DateTime.h"
#include "mail/IdGlobal.h"
#include "platform/TimeZone.h"
#include "TzGuard.h"

namespace {

TDateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return dt::EncodeDate(y, mo, d) + dt::EncodeTime(h, mi, s, 0);
}

constexpr double kSecond = 1.0 / 86400.0;

::testing::AssertionResult SameInstant(TDateTime expected, TDateTime actual) {
    if (std::fabs(expected - actual) < kSecond / 2) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "expected " << dt::FormatDateTime("yyyy-mm-dd hh:nn:ss", expected)
                                         << " (" << expected << "), got "
                                         << dt::FormatDateTime("yyyy-mm-dd hh:nn:ss", actual) << " (" << actual << ")";
}

struct DateCase {
    const char* Value;
    TDateTime Utc;  // the instant the text names; 0 for a malformed date
};

// These read in UTC, so the local value is the instant itself.
class DateInUtc : public ::testing::TestWithParam<DateCase> {};

TEST_P(DateInUtc, Parses) {
    TDateTime utc = -1;
    HeaderDateToUtc(GetParam().Value, utc);
    EXPECT_TRUE(SameInstant(GetParam().Utc, utc)) << GetParam().Value;
#ifndef _WIN32
    testtz::TzGuard tz("UTC");
    EXPECT_TRUE(SameInstant(GetParam().Utc, HeaderDateToLocal(GetParam().Value))) << GetParam().Value;
#endif
}

const DateCase kUtcCases[] = {
    {"Tue, 15 Jul 2025 14:30:10 +0200", At(2025, 7, 15, 12, 30, 10)},
    {"15 Jul 2025 14:30:10 +0200", At(2025, 7, 15, 12, 30, 10)},
    {"  Tue, 15 Jul 2025 14:30:10 +0200 (CEST)  ", At(2025, 7, 15, 12, 30, 10)},
    {"Mon, 1 Dec 1999 10:00:00 +0000", At(1999, 12, 1, 10)},
    {"1 Dec 99 10:00 +0000", At(1999, 12, 1, 10)},
    {"1 Dec 05 10:00 +0000", At(2005, 12, 1, 10)},
    {"1 Dec 79 10:00 +0000", At(2079, 12, 1, 10)},
    {"1 Dec 80 10:00 +0000", At(1980, 12, 1, 10)},
    {"1 jan 2024 08:15 -0800", At(2024, 1, 1, 16, 15)},
    {"1 Jan 2024 08:15 -0130", At(2024, 1, 1, 9, 45)},
    {"1 Jan 2024 08:15 GMT", At(2024, 1, 1, 8, 15)},
    {"1 Jan 2024 08:15 UT", At(2024, 1, 1, 8, 15)},
    {"1 Jan 2024 08:15 Z", At(2024, 1, 1, 8, 15)},
    {"1 Jan 2024 08:15 EST", At(2024, 1, 1, 13, 15)},
    {"1 Jul 2024 08:15 EDT", At(2024, 7, 1, 12, 15)},
    {"1 Jan 2024 08:15 CST", At(2024, 1, 1, 14, 15)},
    {"1 Jul 2024 08:15 CDT", At(2024, 7, 1, 13, 15)},
    {"1 Jan 2024 08:15 MST", At(2024, 1, 1, 15, 15)},
    {"1 Jul 2024 08:15 MDT", At(2024, 7, 1, 14, 15)},
    {"1 Jan 2024 08:15 pst", At(2024, 1, 1, 16, 15)},
    {"1 Jul 2024 08:15 PDT (Pacific)", At(2024, 7, 1, 15, 15)},
    {"1 Jan 2024 08:15 MET", At(2024, 1, 1, 8, 15)},
    {"1 Jan 2024 08:15 (comment)", At(2024, 1, 1, 8, 15)},
    {"1 Jan 2024 08:15 +020", At(2024, 1, 1, 8, 15)},
    {"1 Jan 2024 08:15 +2500", At(2024, 1, 1, 8, 15)},
    {"1 Jan 2024 08:15 +0260", At(2024, 1, 1, 8, 15)},
    {"1 Jan 2024 08:15 +0x10", At(2024, 1, 1, 8, 15)},
    {"1 Jan 2024", At(2024, 1, 1)},
    {"Mon,7 Dec 2026 10:00:00 +0200", At(2026, 12, 7, 8)},
    {"Monday, 7 Dec 2026 10:00:00 +0200", At(2026, 12, 7, 8)},
    {"mon 7 Dec 2026 10:00:00 +0000", At(2026, 12, 7, 10)},
    {"29 Feb 2024 23:59:59 +0000", At(2024, 2, 29, 23, 59, 59)},
    // A weekday abbreviation with a full stop, glued to the day or not.
    {"Mon., 1 Jan 2024 10:00:00 +0000", At(2024, 1, 1, 10)},
    {"Mon.,1 Jan 2024 10:00:00 +0000", At(2024, 1, 1, 10)},
    {"Mon. 1 Jan 2024 10:00:00 +0000", At(2024, 1, 1, 10)},
    // Zones written with a colon.
    {"1 Jan 2024 10:00:00 +01:00", At(2024, 1, 1, 9)},
    {"1 Jan 2024 10:00 -05:30", At(2024, 1, 1, 15, 30)},
    {"1 Jan 2024 10:00 +01:00 (CET)", At(2024, 1, 1, 9)},
    {"1 Jan 2024 10:00 +25:00", At(2024, 1, 1, 10)},
    // A bare number where the time goes is no time, whatever ":" follows later.
    {"1 Jan 2024 12 +0100 (at 10:00)", At(2024, 1, 1)},
    {"1 Jan 2024 1200 GMT (10:00)", At(2024, 1, 1)},
    // Malformed: 0, still minus a zone that was left over.
    {"", 0},
    {"   ", 0},
    {"7 December 2026 10:00 +0000", 0},
    {"31 Feb 2024 10:00 +0000", 0},
    {"1 Jan 2024 24:00 +0000", 0},
    {"1 Jan 2024 10:60 +0000", 0},
    {"1 Jan 2024 10:00:60 +0000", 0},
    {"garbage", 0},
    {"7 Dec 2026 10:00 +0200x", At(2026, 12, 7, 8)},
    {"Mo, 7 Foo 2026 10:00 +0200", 0},
    {"1 Jan 2024 25:00 +0200", -2.0 / 24},
};

INSTANTIATE_TEST_SUITE_P(Table, DateInUtc, ::testing::ValuesIn(kUtcCases));

TEST(ParseDateTimePart, LeavesTheZone) {
    std::string s = "Tue, 15 Jul 2025 14:30:10 +0200 (CEST)";
    EXPECT_TRUE(SameInstant(At(2025, 7, 15, 14, 30, 10), ParseDateTimePart(s)));
    EXPECT_EQ(s, "+0200 (CEST)");
    std::string bad = "15 Foo 2024";
    EXPECT_EQ(ParseDateTimePart(bad), 0);
}

TEST(ParseDateTimePart, NoTimeWithoutAColonInItsToken) {
    std::string s = "1 Jan 2024 12 +0100 (10:00)";
    EXPECT_TRUE(SameInstant(At(2024, 1, 1), ParseDateTimePart(s)));
    EXPECT_EQ(s, "12 +0100 (10:00)");
}

TEST(ParseZoneOffset, Table) {
    EXPECT_DOUBLE_EQ(ParseZoneOffset("+01:00"), 1.0 / 24);
    EXPECT_DOUBLE_EQ(ParseZoneOffset("-09:30 (x)"), -9.5 / 24);
    EXPECT_DOUBLE_EQ(ParseZoneOffset("+01:0"), 0);
    EXPECT_DOUBLE_EQ(ParseZoneOffset("+0200"), 2.0 / 24);
    EXPECT_DOUBLE_EQ(ParseZoneOffset("-0800"), -8.0 / 24);
    EXPECT_DOUBLE_EQ(ParseZoneOffset(" +0530 (IST)"), 5.5 / 24);
    EXPECT_DOUBLE_EQ(ParseZoneOffset("EDT"), -4.0 / 24);
    EXPECT_DOUBLE_EQ(ParseZoneOffset("CET"), 0);
    EXPECT_DOUBLE_EQ(ParseZoneOffset("GMT+1"), 0);
    EXPECT_DOUBLE_EQ(ParseZoneOffset(""), 0);
    EXPECT_DOUBLE_EQ(ParseZoneOffset("-"), 0);
}

#ifndef _WIN32
// Local time: the offset in force at the mail's instant, on both sides of each change.
struct LocalCase {
    const char* Zone;
    const char* Value;
    TDateTime Local;
};

class DateToLocal : public ::testing::TestWithParam<LocalCase> {};

TEST_P(DateToLocal, UsesTheOffsetOfThatInstant) {
    testtz::TzGuard tz(GetParam().Zone);
    EXPECT_TRUE(SameInstant(GetParam().Local, HeaderDateToLocal(GetParam().Value)))
        << GetParam().Zone << " " << GetParam().Value;
}

const LocalCase kLocalCases[] = {
    {"Europe/Berlin", "Mon, 15 Jul 2024 12:00:00 +0000", At(2024, 7, 15, 14)},
    {"Europe/Berlin", "Mon, 15 Jan 2024 12:00:00 +0000", At(2024, 1, 15, 13)},
    {"Europe/Berlin", "Sun, 31 Mar 2024 00:59:59 +0000", At(2024, 3, 31, 1, 59, 59)},
    {"Europe/Berlin", "Sun, 31 Mar 2024 01:00:00 +0000", At(2024, 3, 31, 3)},
    {"Europe/Berlin", "Sun, 27 Oct 2024 00:59:59 +0000", At(2024, 10, 27, 2, 59, 59)},
    {"Europe/Berlin", "Sun, 27 Oct 2024 01:00:00 +0000", At(2024, 10, 27, 2)},
    {"Europe/Berlin", "Sun, 27 Oct 2024 02:30:00 +0200", At(2024, 10, 27, 2, 30)},
    {"Europe/Berlin", "Sun, 27 Oct 2024 02:30:00 +0100", At(2024, 10, 27, 2, 30)},
    {"America/New_York", "Thu, 4 Jul 2024 12:00:00 -0400", At(2024, 7, 4, 12)},
    {"America/New_York", "Wed, 25 Dec 2024 12:00:00 -0500", At(2024, 12, 25, 12)},
    {"America/New_York", "Wed, 25 Dec 2024 12:00:00 EST", At(2024, 12, 25, 12)},
    {"America/New_York", "Thu, 4 Jul 2024 12:00:00 +0200", At(2024, 7, 4, 6)},
    {"Australia/Sydney", "Mon, 15 Jan 2024 00:00:00 +0000", At(2024, 1, 15, 11)},
    {"Australia/Sydney", "Mon, 15 Jul 2024 00:00:00 +0000", At(2024, 7, 15, 10)},
    {"Asia/Kolkata", "Mon, 15 Jul 2024 00:00:00 +0000", At(2024, 7, 15, 5, 30)},
};

INSTANTIATE_TEST_SUITE_P(Zones, DateToLocal, ::testing::ValuesIn(kLocalCases));

TEST(HeaderDateToLocal, MalformedDateGetsTheCurrentOffset) {
    testtz::TzGuard tz("XYZ-3");  // a fixed zone three hours east of UTC
    EXPECT_TRUE(SameInstant(3.0 / 24, HeaderDateToLocal("")));
    EXPECT_TRUE(SameInstant(3.0 / 24, HeaderDateToLocal("7 December 2026 10:00 +0000")));
    EXPECT_TRUE(SameInstant(1.0 / 24, HeaderDateToLocal("1 Jan 2024 25:00 +0200")));
    EXPECT_TRUE(SameInstant(3.0 / 24, LocalUtcOffset()));
}

TEST(HeaderDateToLocal, WestOfUtc) {
    testtz::TzGuard tz("XYZ+4:30");
    EXPECT_TRUE(SameInstant(-4.5 / 24, LocalUtcOffset()));
    EXPECT_TRUE(SameInstant(At(2024, 1, 1, 7, 30), HeaderDateToLocal("1 Jan 2024 12:00 +0000")));
}
#endif

class TimeZoneFailure : public ::testing::Test {
protected:
    void SetUp() override { platform::SetTimeZoneFailureForTests(true); }
    void TearDown() override { platform::SetTimeZoneFailureForTests(false); }
};

TEST_F(TimeZoneFailure, Raises) {
    try {
        HeaderDateToLocal("Mon, 15 Jul 2024 12:00:00 +0000");
        FAIL() << "no exception";
    } catch (const EIdFailedToRetreiveTimeZoneInfo& e) {
        EXPECT_STREQ(e.what(), "Failed attempting to retrieve time zone information.");
        EXPECT_STREQ(e.ClassName(), "EIdFailedToRetreiveTimeZoneInfo");
    }
    EXPECT_THROW(HeaderDateToLocal(""), EIdFailedToRetreiveTimeZoneInfo);
    EXPECT_THROW(LocalUtcOffset(), EIdException);
}

}  // namespace
