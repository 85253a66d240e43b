#pragma once
// Root classes of the network and message layer, and the parsing of Internet dates.
#include <string>

#include "core/Component.h"
#include "core/DateTime.h"
#include "core/Exception.h"

SKIMBAR_EXCEPTION(EIdException, Exception);
SKIMBAR_EXCEPTION(EIdFailedToRetreiveTimeZoneInfo, EIdException);

namespace idtext {
inline constexpr const char* RSFailedTimeZoneInfo = "Failed attempting to retrieve time zone information.";
}

// Non-visual component: base of the message record and of the network components.
class TIdBaseComponent : public TComponent {
    SKIMBAR_CLASS(TIdBaseComponent)
public:
    explicit TIdBaseComponent(TComponent* owner) : TComponent(owner) {}
};

// The "Date" header's value as local time. A missing or malformed date gives 0 (shifted by
// the current offset of local time); a good one is turned into local time with the offset
// in force at that instant. Raises only EIdFailedToRetreiveTimeZoneInfo.
TDateTime HeaderDateToLocal(const std::string& value);
// The instant the "Date" value names, in UTC; false (utc then 0 minus any zone left over)
// when the date part is missing or malformed.
bool HeaderDateToUtc(const std::string& value, TDateTime& utc);
// Reads day of week, day, month, year and time from the front of s; what is left in s is
// the zone. 0 when the date or time is malformed.
TDateTime ParseDateTimePart(std::string& s);
// Same, telling whether a date was read (a date can legitimately be 0).
bool TryParseDateTimePart(std::string& s, TDateTime& result);
// Offset of a zone ("+0200", "-0800", "GMT", "EST", ...) as a fraction of a day; 0 for
// anything it does not know.
TDateTime ParseZoneOffset(const std::string& zone);
// Offset of local time from UTC now (positive east of UTC).
TDateTime LocalUtcOffset();
