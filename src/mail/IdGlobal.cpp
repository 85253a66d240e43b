#include "mail/IdGlobal.h"

#include <cstdlib>

#include "core/Text.h"
#include "platform/TimeZone.h"

SKIMBAR_CLASS_INFO(TIdBaseComponent, TComponent)

namespace {

constexpr const char* kDays[] = {"SUN", "MON", "TUE", "WED", "THU", "FRI", "SAT"};
constexpr const char* kMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                   "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

// The token before the first blank; the text up to and including that blank goes.
std::string NextToken(std::string& s) {
    const std::size_t p = s.find(' ');
    std::string token;
    if (p == std::string::npos) {
        token = std::move(s);
        s.clear();
    } else {
        token = s.substr(0, p);
        s.erase(0, p + 1);
    }
    return token;
}

void DropLeadingBlanks(std::string& s) {
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    s.erase(0, i);
}

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsDayName(const std::string& s) {
    if (s.size() < 3) return false;
    const std::string head = text::AsciiUpper(s.substr(0, 3));
    for (const char* d : kDays)
        if (head == d) return true;
    return false;
}

int MonthNumber(const std::string& token) {
    const std::string upper = text::AsciiUpper(token);
    for (int i = 0; i < 12; ++i)
        if (upper == kMonths[i]) return i + 1;
    return 0;
}

TDateTime HoursMinutes(int hours, int minutes) { return (hours * 3600.0 + minutes * 60.0) / 86400.0; }

// Zone names of RFC 5322 section 4.3 with their offsets in hours.
bool NamedZone(const std::string& name, int& hours) {
    static const struct {
        const char* Name;
        int Hours;
    } kZones[] = {{"UT", 0},   {"GMT", 0},  {"Z", 0},    {"EST", -5}, {"EDT", -4}, {"CST", -6},
                  {"CDT", -5}, {"MST", -7}, {"MDT", -6}, {"PST", -8}, {"PDT", -7}};
    const std::string upper = text::AsciiUpper(name);
    for (const auto& z : kZones) {
        if (upper == z.Name) {
            hours = z.Hours;
            return true;
        }
    }
    return false;
}

}  // namespace

bool TryParseDateTimePart(std::string& s, TDateTime& result) {
    result = 0;
    s = text::Trim(s);
    if (s.empty()) return false;
    if (IsDayName(s)) {
        // The weekday with its comma, also when the day follows without a blank, and with
        // a full stop after an abbreviation ("Thu., 1 Jan").
        std::size_t i = 0;
        while (i < s.size() && IsAsciiLetter(s[i])) ++i;
        if (i < s.size() && s[i] == '.') ++i;
        if (i < s.size() && s[i] == ',') ++i;
        s.erase(0, i);
        DropLeadingBlanks(s);
    }
    const int day = text::StrToIntDef(NextToken(s), 1);
    DropLeadingBlanks(s);
    const int month = MonthNumber(NextToken(s));
    DropLeadingBlanks(s);
    int year = static_cast<unsigned short>(text::StrToIntDef(NextToken(s), 1900));
    if (year < 80) year += 2000;
    else if (year < 100) year += 1900;
    TDateTime date = 0;
    if (!dt::TryEncodeDate(year, month, day, date)) return false;
    DropLeadingBlanks(s);
    // Only a token with a ":" is a time: a ":" further on (in a comment, say) must not turn
    // a bare number into hours and minutes.
    const std::size_t blank = s.find(' ');
    if (s.substr(0, blank).find(':') != std::string::npos) {
        std::string time = NextToken(s);
        const std::size_t c1 = time.find(':');
        const int hour = text::StrToIntDef(time.substr(0, c1), 0);
        time.erase(0, c1 + 1);
        const std::size_t c2 = time.find(':');
        const int minute = text::StrToIntDef(time.substr(0, c2), 0);
        const int second = c2 == std::string::npos ? 0 : text::StrToIntDef(time.substr(c2 + 1), 0);
        TDateTime t = 0;
        if (!dt::TryEncodeTime(hour, minute, second, 0, t)) return false;
        date += t;
    }
    DropLeadingBlanks(s);
    result = date;
    return true;
}

TDateTime ParseDateTimePart(std::string& s) {
    TDateTime result = 0;
    TryParseDateTimePart(s, result);
    return result;
}

TDateTime ParseZoneOffset(const std::string& zone) {
    std::string z = text::Trim(zone);
    if (z.empty()) return 0;
    if (z[0] == '+' || z[0] == '-') {
        // "+01:00" is written by some mailers for "+0100".
        if (z.size() >= 6 && z[3] == ':') z.erase(3, 1);
        z = z.substr(0, 5);
        if (z.size() < 5 || !IsDigit(z[1]) || !IsDigit(z[2]) || !IsDigit(z[3]) || !IsDigit(z[4])) return 0;
        const int hours = (z[1] - '0') * 10 + (z[2] - '0');
        const int minutes = (z[3] - '0') * 10 + (z[4] - '0');
        if (hours >= 24 || minutes >= 60) return 0;
        const TDateTime offset = HoursMinutes(hours, minutes);
        return z[0] == '-' ? -offset : offset;
    }
    // A name ends at a blank or at a comment.
    std::size_t end = 0;
    while (end < z.size() && IsAsciiLetter(z[end])) ++end;
    int hours = 0;
    if (end < z.size() && z[end] != ' ' && z[end] != '(') return 0;
    if (!NamedZone(z.substr(0, end), hours)) return 0;
    return hours / 24.0;
}

TDateTime LocalUtcOffset() {
    int bias = 0;
    if (!platform::CurrentUtcBias(bias)) throw EIdFailedToRetreiveTimeZoneInfo(idtext::RSFailedTimeZoneInfo);
    const int magnitude = std::abs(bias);
    const TDateTime offset = HoursMinutes(magnitude / 60, magnitude % 60);
    return bias > 0 ? -offset : offset;
}

bool HeaderDateToUtc(const std::string& value, TDateTime& utc) {
    std::string rest = value;
    TDateTime date = 0;
    const bool parsed = TryParseDateTimePart(rest, date);
    utc = date - ParseZoneOffset(rest);
    return parsed;
}

TDateTime HeaderDateToLocal(const std::string& value) {
    TDateTime utc = 0;
    TDateTime local = 0;
    if (HeaderDateToUtc(value, utc) && platform::UtcToLocalTime(utc, local)) return local;
    // No date, or one beyond what the system's zone rules cover: the offset of now.
    return utc + LocalUtcOffset();
}
