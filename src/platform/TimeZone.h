#pragma once
// Local time and UTC.
#include "core/DateTime.h"

namespace platform {
// Minutes to add to local time to get UTC now (negative east of UTC), daylight saving time
// included when in force. False when the system's time-zone settings cannot be read.
bool CurrentUtcBias(int& biasMinutes);
// Local time of a UTC instant, with the offset in force at that instant. False when it
// cannot be told (time-zone settings unreadable, instant out of the system's range).
bool UtcToLocalTime(TDateTime utc, TDateTime& local);
// Tests: make both calls fail (true) or work again (false).
void SetTimeZoneFailureForTests(bool fail);
}  // namespace platform
