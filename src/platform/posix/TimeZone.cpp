// The C library's zone rules; TZ is read again on every call, so tests can switch it.
#include "platform/TimeZone.h"

#include <atomic>
#include <cmath>
#include <ctime>

namespace platform {
namespace {
std::atomic<bool> gFail{false};
constexpr double kUnixEpochDays = 25569.0;  // 1 January 1970 in the day count
}  // namespace

void SetTimeZoneFailureForTests(bool fail) { gFail = fail; }

bool CurrentUtcBias(int& biasMinutes) {
    if (gFail) return false;
    tzset();
    std::time_t now = std::time(nullptr);
    std::tm t{};
    if (!localtime_r(&now, &t)) return false;
    biasMinutes = static_cast<int>(-(t.tm_gmtoff / 60));
    return true;
}

bool UtcToLocalTime(TDateTime utc, TDateTime& local) {
    if (gFail || !std::isfinite(utc)) return false;
    // To the millisecond first: a day count is rarely exact, and 00:59:59.9999 is not 01:00.
    const double seconds = std::floor(std::round((utc - kUnixEpochDays) * 86400000.0) / 1000.0);
    // Beyond the year 9999 or before year 1 nothing sensible is known of local time.
    if (seconds < -62135596800.0 || seconds > 253402300799.0) return false;
    tzset();
    std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    if (!localtime_r(&t, &tm)) return false;
    local = utc + static_cast<double>(tm.tm_gmtoff) / 86400.0;
    return true;
}

}  // namespace platform
