#include <windows.h>

#include <atomic>
#include <cmath>

#include "platform/TimeZone.h"

namespace platform {
namespace {
std::atomic<bool> gFail{false};
constexpr double kFileTimeEpochDays = -109205.0;  // 1 January 1601 in the day count
constexpr double kTicksPerDay = 864000000000.0;   // 100 ns units
}  // namespace

void SetTimeZoneFailureForTests(bool fail) { gFail = fail; }

bool CurrentUtcBias(int& biasMinutes) {
    if (gFail) return false;
    TIME_ZONE_INFORMATION tz{};
    switch (GetTimeZoneInformation(&tz)) {
    case TIME_ZONE_ID_UNKNOWN: biasMinutes = tz.Bias; return true;
    case TIME_ZONE_ID_STANDARD: biasMinutes = tz.Bias + tz.StandardBias; return true;
    case TIME_ZONE_ID_DAYLIGHT: biasMinutes = tz.Bias + tz.DaylightBias; return true;
    default: return false;
    }
}

bool UtcToLocalTime(TDateTime utc, TDateTime& local) {
    if (gFail || !std::isfinite(utc)) return false;
    // To the millisecond: a day count is rarely exact, and 00:59:59.9999 is not 01:00.
    const double ticks = std::round((utc - kFileTimeEpochDays) * kTicksPerDay / 10000.0) * 10000.0;
    if (ticks < 0 || ticks > 2650467743999990000.0) return false;  // SYSTEMTIME's range
    ULARGE_INTEGER u;
    u.QuadPart = static_cast<ULONGLONG>(ticks);
    FILETIME ft{u.LowPart, u.HighPart};
    SYSTEMTIME st{}, lt{};
    if (!FileTimeToSystemTime(&ft, &st)) return false;
    if (!SystemTimeToTzSpecificLocalTime(nullptr, &st, &lt)) return false;
    FILETIME lft{};
    if (!SystemTimeToFileTime(&lt, &lft)) return false;
    ULARGE_INTEGER l;
    l.LowPart = lft.dwLowDateTime;
    l.HighPart = lft.dwHighDateTime;
    const double offsetTicks = static_cast<double>(static_cast<LONGLONG>(l.QuadPart - u.QuadPart));
    local = utc + offsetTicks / kTicksPerDay;
    return true;
}

}  // namespace platform
