#include <gtest/gtest.h>

#include "core/DateTime.h"
#include "platform/TimeZone.h"
#include "mail/TzGuard.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

constexpr double kMinute = 1.0 / 1440.0;

TDateTime At(int y, int mo, int d, int h) { return dt::EncodeDate(y, mo, d) + dt::EncodeTime(h, 0, 0, 0); }

double OffsetMinutes(TDateTime utc) {
    TDateTime local = 0;
    EXPECT_TRUE(platform::UtcToLocalTime(utc, local));
    return (local - utc) / kMinute;
}

#ifndef _WIN32
TEST(TimeZone, BerlinBothSides) {
    testtz::TzGuard tz("Europe/Berlin");
    EXPECT_NEAR(OffsetMinutes(At(2024, 1, 15, 12)), 60, 0.01);
    EXPECT_NEAR(OffsetMinutes(At(2024, 7, 15, 12)), 120, 0.01);
    int bias = 0;
    ASSERT_TRUE(platform::CurrentUtcBias(bias));
    EXPECT_TRUE(bias == -60 || bias == -120) << bias;
}

TEST(TimeZone, FixedZones) {
    {
        testtz::TzGuard tz("UTC");
        int bias = 1;
        ASSERT_TRUE(platform::CurrentUtcBias(bias));
        EXPECT_EQ(bias, 0);
        EXPECT_NEAR(OffsetMinutes(At(2024, 7, 15, 12)), 0, 0.01);
    }
    {
        testtz::TzGuard tz("XYZ+5:30");
        int bias = 0;
        ASSERT_TRUE(platform::CurrentUtcBias(bias));
        EXPECT_EQ(bias, 330);
        EXPECT_NEAR(OffsetMinutes(At(2024, 7, 15, 12)), -330, 0.01);
    }
}
#else
// Under Windows the zone is the machine's: check the two calls against its rules.
TEST(TimeZone, MatchesTheSystemRules) {
    TIME_ZONE_INFORMATION tz{};
    const DWORD r = GetTimeZoneInformation(&tz);
    ASSERT_NE(r, TIME_ZONE_ID_INVALID);
    int bias = 0;
    ASSERT_TRUE(platform::CurrentUtcBias(bias));
    const int expected = r == TIME_ZONE_ID_DAYLIGHT ? tz.Bias + tz.DaylightBias
                         : r == TIME_ZONE_ID_STANDARD ? tz.Bias + tz.StandardBias
                                                      : tz.Bias;
    EXPECT_EQ(bias, expected);
    const double winter = OffsetMinutes(At(2024, 1, 15, 12));
    const double summer = OffsetMinutes(At(2024, 7, 15, 12));
    if (tz.DaylightDate.wMonth == 0) {
        EXPECT_NEAR(winter, -tz.Bias, 0.01);
        EXPECT_NEAR(summer, -tz.Bias, 0.01);
    } else {
        // Either hemisphere: one of the two is daylight time.
        const double standard = -(tz.Bias + tz.StandardBias), daylight = -(tz.Bias + tz.DaylightBias);
        EXPECT_NE(winter, summer);
        EXPECT_TRUE((std::abs(winter - standard) < 0.01 && std::abs(summer - daylight) < 0.01) ||
                    (std::abs(winter - daylight) < 0.01 && std::abs(summer - standard) < 0.01));
    }
}
#endif

TEST(TimeZone, FailureForTests) {
    platform::SetTimeZoneFailureForTests(true);
    int bias = 0;
    TDateTime local = 0;
    EXPECT_FALSE(platform::CurrentUtcBias(bias));
    EXPECT_FALSE(platform::UtcToLocalTime(45000, local));
    platform::SetTimeZoneFailureForTests(false);
    EXPECT_TRUE(platform::CurrentUtcBias(bias));
    EXPECT_TRUE(platform::UtcToLocalTime(45000, local));
}

TEST(TimeZone, OutOfRangeInstants) {
    TDateTime local = 0;
    EXPECT_FALSE(platform::UtcToLocalTime(1e12, local));
    EXPECT_FALSE(platform::UtcToLocalTime(-1e12, local));
}

}  // namespace
