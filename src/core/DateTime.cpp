#include "core/DateTime.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "core/Exception.h"

namespace dt {
namespace {

constexpr std::int64_t kMSecsPerDay = 86400000;
constexpr std::int64_t kUnixDateDelta = 25569;  // 1970-01-01 as a day count
// Day counts of 1 January 0001 and 31 December 9999.
constexpr std::int64_t kMinDay = -693593;
constexpr std::int64_t kMaxDay = 2958465;

std::string& ShortDate() {
    static std::string f = "d.m.yy";
    return f;
}
std::string& ShortTime() {
    static std::string f = "hh:nn";
    return f;
}
std::string& AmString() {
    static std::string s = "AM";
    return s;
}
std::string& PmString() {
    static std::string s = "PM";
    return s;
}

// Days since 1 March 0000 of a civil date (proleptic Gregorian), shifted to our epoch.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468 + kUnixDateDelta;
}

DateParts CivilFromDays(std::int64_t day) {
    std::int64_t z = day - kUnixDateDelta + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    DateParts p;
    p.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    p.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    p.year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (p.month <= 2));
    return p;
}

// Splits a value into its day (the integer part, toward zero) and the milliseconds of the
// time of day (the fraction's magnitude): before the epoch the fraction is still a time.
bool Split(TDateTime value, std::int64_t& day, std::int64_t& msec) {
    if (!std::isfinite(value) || value < kMinDay - 1 || value > kMaxDay + 1) return false;
    const double whole = std::trunc(value);
    day = static_cast<std::int64_t>(whole);
    msec = std::llround(std::fabs(value - whole) * kMSecsPerDay);
    if (msec >= kMSecsPerDay) {
        msec -= kMSecsPerDay;
        day += value < 0 ? -1 : 1;
    }
    return day >= kMinDay && day <= kMaxDay;
}

TDateTime Compose(std::int64_t day, std::int64_t msec) {
    const double t = static_cast<double>(msec) / kMSecsPerDay;
    return day >= 0 ? static_cast<double>(day) + t : static_cast<double>(day) - t;
}

const char* const kShortMonth[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kLongMonth[12] = {"January", "February", "March",     "April",
                                    "May",     "June",     "July",      "August",
                                    "September", "October", "November", "December"};
const char* const kShortDay[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kLongDay[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};

inline char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

void AppendNumber(std::string& out, int value, int width) {
    char buf[16];
    int n = 0;
    unsigned v = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
    do {
        buf[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v);
    while (n < width && n < 15) buf[n++] = '0';
    if (value < 0) out += '-';
    while (n > 0) out += buf[--n];
}

// Whether the pattern holds an AM/PM marker, which makes the hours run 1..12.
bool HasAmPm(const std::string& p) {
    for (std::size_t i = 0; i < p.size(); ++i) {
        const char c = p[i];
        if (c == '"' || c == '\'') {
            const std::size_t close = p.find(c, i + 1);
            if (close == std::string::npos) return false;
            i = close;
            continue;
        }
        if (Lower(c) == 't') return true;
        if (Lower(c) == 'a') {
            auto at = [&](const char* w) {
                std::size_t n = 0;
                while (w[n]) ++n;
                if (i + n > p.size()) return false;
                for (std::size_t k = 0; k < n; ++k)
                    if (Lower(p[i + k]) != w[k]) return false;
                return true;
            };
            if (at("am/pm") || at("a/p") || at("ampm")) return true;
        }
    }
    return false;
}

void FormatInto(std::string& out, const std::string& p, TDateTime value, int depth) {
    std::int64_t day = 0, msec = 0;
    const bool valid = Split(value, day, msec);
    DateParts d = valid ? CivilFromDays(day) : DateParts{};
    TimeParts t;
    if (valid) {
        t.hour = static_cast<int>(msec / 3600000);
        t.minute = static_cast<int>(msec / 60000 % 60);
        t.second = static_cast<int>(msec / 1000 % 60);
        t.msec = static_cast<int>(msec % 1000);
    }
    const bool twelve = HasAmPm(p);
    bool afterHour = false;  // an m right after h (or hh) means minutes
    std::size_t i = 0;
    const std::size_t n = p.size();
    auto run = [&](char c) {
        std::size_t k = i;
        while (k < n && Lower(p[k]) == c) ++k;
        return k - i;
    };
    while (i < n) {
        const char c = p[i];
        const char lc = Lower(c);
        if (c == '"' || c == '\'') {
            const std::size_t close = p.find(c, i + 1);
            const std::size_t end = close == std::string::npos ? n : close;
            out.append(p, i + 1, end - i - 1);
            i = end == n ? n : end + 1;
            continue;
        }
        switch (lc) {
        case 'd': {
            const std::size_t k = run('d');
            if (k == 1 || k == 2) AppendNumber(out, d.day, static_cast<int>(k));
            else if (k == 3 || k == 4) {
                const int w = valid ? DayOfWeek(value) - 1 : 0;
                out += k == 3 ? kShortDay[w] : kLongDay[w];
            } else if (depth < 2) FormatInto(out, ShortDate(), value, depth + 1);
            i += k;
            afterHour = false;
            break;
        }
        case 'm': {
            std::size_t k = run('m');
            if (afterHour) {
                if (k > 2) k = 2;
                AppendNumber(out, t.minute, static_cast<int>(k));
            } else if (k <= 2) {
                AppendNumber(out, d.month, static_cast<int>(k));
            } else if (d.month >= 1) {
                out += k == 3 ? kShortMonth[d.month - 1] : kLongMonth[d.month - 1];
            }
            i += k;
            afterHour = false;
            break;
        }
        case 'y': {
            const std::size_t k = run('y');
            if (k <= 2) AppendNumber(out, d.year % 100, 2);
            else AppendNumber(out, d.year, 4);
            i += k;
            afterHour = false;
            break;
        }
        case 'h': {
            std::size_t k = run('h');
            if (k > 2) k = 2;
            int h = t.hour;
            if (twelve) {
                h %= 12;
                if (h == 0) h = 12;
            }
            AppendNumber(out, h, static_cast<int>(k));
            i += k;
            afterHour = true;
            break;
        }
        case 'n': {
            std::size_t k = run('n');
            if (k > 2) k = 2;
            AppendNumber(out, t.minute, static_cast<int>(k));
            i += k;
            afterHour = false;
            break;
        }
        case 's': {
            std::size_t k = run('s');
            if (k > 2) k = 2;
            AppendNumber(out, t.second, static_cast<int>(k));
            i += k;
            afterHour = false;
            break;
        }
        case 'z': {
            const std::size_t k = run('z');
            AppendNumber(out, t.msec, k >= 3 ? 3 : 1);
            i += k;
            afterHour = false;
            break;
        }
        case 't': {
            // The locale's AM/PM marker, as its time formats write it ("h:mm tt").
            const std::size_t k = run('t');
            out += t.hour < 12 ? AmString() : PmString();
            i += k;
            break;
        }
        case 'a': {
            auto at = [&](const char* w, std::size_t len) {
                if (i + len > n) return false;
                for (std::size_t q = 0; q < len; ++q)
                    if (Lower(p[i + q]) != w[q]) return false;
                return true;
            };
            if (at("am/pm", 5)) {
                const bool upper = p[i] == 'A';
                out += t.hour < 12 ? (upper ? "AM" : "am") : (upper ? "PM" : "pm");
                i += 5;
            } else if (at("a/p", 3)) {
                const bool upper = p[i] == 'A';
                out += t.hour < 12 ? (upper ? "A" : "a") : (upper ? "P" : "p");
                i += 3;
            } else if (at("ampm", 4)) {
                out += t.hour < 12 ? AmString() : PmString();
                i += 4;
            } else {
                out += c;
                ++i;
            }
            break;
        }
        case 'c': {
            if (depth < 2) {
                FormatInto(out, ShortDate(), value, depth + 1);
                if (msec != 0) {
                    out += ' ';
                    FormatInto(out, ShortTime(), value, depth + 1);
                }
            }
            ++i;
            break;
        }
        default:
            out += c;
            ++i;
            break;
        }
    }
}

}  // namespace

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& result) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month))
        return false;
    result = static_cast<double>(
        DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)));
    return true;
}

bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& result) {
    if (hour < 0 || hour >= 24 || minute < 0 || minute >= 60 || second < 0 || second >= 60 ||
        msec < 0 || msec >= 1000)
        return false;
    result = static_cast<double>(hour * 3600000 + minute * 60000 + second * 1000 + msec) /
             kMSecsPerDay;
    return true;
}

TDateTime EncodeDate(int year, int month, int day) {
    TDateTime r;
    if (!TryEncodeDate(year, month, day, r))
        throw EConvertError("Ungültiges Argument zum Codieren des Datums");
    return r;
}

TDateTime EncodeTime(int hour, int minute, int second, int msec) {
    TDateTime r;
    if (!TryEncodeTime(hour, minute, second, msec, r))
        throw EConvertError("Ungültiges Argument zum Codieren der Uhrzeit");
    return r;
}

DateParts DecodeDate(TDateTime value) {
    std::int64_t day, msec;
    if (!Split(value, day, msec)) return {};
    return CivilFromDays(day);
}

TimeParts DecodeTime(TDateTime value) {
    std::int64_t day, msec;
    if (!Split(value, day, msec)) return {};
    TimeParts t;
    t.hour = static_cast<int>(msec / 3600000);
    t.minute = static_cast<int>(msec / 60000 % 60);
    t.second = static_cast<int>(msec / 1000 % 60);
    t.msec = static_cast<int>(msec % 1000);
    return t;
}

int DayOfWeek(TDateTime value) {
    std::int64_t day, msec;
    if (!Split(value, day, msec)) return 0;
    // 1 January 0001 (day -693593) was a Monday.
    std::int64_t r = (day + 693594) % 7;
    if (r < 0) r += 7;
    return static_cast<int>(r) + 1;
}

TDateTime Now() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::int64_t ms = duration_cast<milliseconds>(now.time_since_epoch()).count();
    std::time_t secs = static_cast<std::time_t>(ms / 1000 - (ms % 1000 < 0 ? 1 : 0));
    std::tm local{};
#ifdef _WIN32
    if (localtime_s(&local, &secs) != 0) return NowUtc();
#else
    if (!localtime_r(&secs, &local)) return NowUtc();
#endif
    const std::int64_t day = DaysFromCivil(local.tm_year + 1900, static_cast<unsigned>(local.tm_mon + 1),
                                           static_cast<unsigned>(local.tm_mday));
    std::int64_t msOfDay = (local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec) * 1000LL +
                           ((ms % 1000) + 1000) % 1000;
    if (msOfDay >= kMSecsPerDay) msOfDay = kMSecsPerDay - 1;  // leap second
    return Compose(day, msOfDay);
}

TDateTime NowUtc() {
    using namespace std::chrono;
    const std::int64_t ms =
        duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    std::int64_t days = ms / kMSecsPerDay, rest = ms % kMSecsPerDay;
    if (rest < 0) {
        rest += kMSecsPerDay;
        --days;
    }
    return Compose(days + kUnixDateDelta, rest);
}

TDateTime UnixToDateTime(std::int64_t seconds) {
    std::int64_t days = seconds / 86400, rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    return Compose(days + kUnixDateDelta, rest * 1000);
}

std::int64_t DateTimeToUnix(TDateTime value) {
    std::int64_t day, msec;
    if (!Split(value, day, msec)) return 0;
    const std::int64_t ms = (day - kUnixDateDelta) * kMSecsPerDay + msec;
    // Round half away from zero to whole seconds.
    return ms >= 0 ? (ms + 500) / 1000 : -((-ms + 500) / 1000);
}

void SetShortDateFormat(std::string format) { ShortDate() = std::move(format); }
void SetShortTimeFormat(std::string format) { ShortTime() = std::move(format); }
const std::string& ShortDateFormat() { return ShortDate(); }
const std::string& ShortTimeFormat() { return ShortTime(); }
void SetTimeAmPmStrings(std::string am, std::string pm) {
    AmString() = std::move(am);
    PmString() = std::move(pm);
}

std::string FormatDateTime(const std::string& pattern, TDateTime value) {
    std::string out;
    out.reserve(pattern.size() + 8);
    FormatInto(out, pattern, value, 0);
    return out;
}

std::string DateToStr(TDateTime value) { return FormatDateTime(ShortDate(), value); }
std::string TimeToStr(TDateTime value) { return FormatDateTime(ShortTime(), value); }
std::string DateTimeToStr(TDateTime value) { return FormatDateTime("c", value); }

}  // namespace dt

namespace {

// Picks the section for the value: "positive;negative;zero".
std::string SectionFor(const std::string& pattern, int which) {
    std::vector<std::string> parts;
    std::string cur;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c == '"' || c == '\'') {
            const std::size_t close = pattern.find(c, i + 1);
            const std::size_t end = close == std::string::npos ? pattern.size() - 1 : close;
            cur.append(pattern, i, end - i + 1);
            i = end;
        } else if (c == ';') {
            parts.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    parts.push_back(cur);
    if (which < static_cast<int>(parts.size()) && !parts[static_cast<std::size_t>(which)].empty())
        return parts[static_cast<std::size_t>(which)];
    return parts[0];
}

}  // namespace

std::string FormatFloat(const std::string& pattern, double value) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value > 0 ? "INF" : "-INF";

    // Whole-number pictures such as "######" (the ticker's sizes): round the value itself.
    if (!pattern.empty() && std::fabs(value) < 1e15 &&
        pattern.find_first_not_of("#0") == std::string::npos) {
        const unsigned long long n = static_cast<unsigned long long>(std::round(std::fabs(value)));
        const std::size_t firstZero = pattern.find('0');
        const std::size_t minDigits = firstZero == std::string::npos ? 0 : pattern.size() - firstZero;
        std::string digits = n == 0 ? std::string() : std::to_string(n);
        if (digits.size() < minDigits) digits.insert(0, minDigits - digits.size(), '0');
        if (value < 0 && n != 0) digits.insert(digits.begin(), '-');
        return digits;
    }

    // Layout of the first section, to know how many decimals to round to.
    auto layout = [](const std::string& sec, int& intZeros, int& decMin, int& decMax,
                     bool& thousands, bool& hasDigits) {
        intZeros = 0;
        decMin = decMax = 0;
        thousands = false;
        hasDigits = false;
        bool inDec = false, seenZero = false;
        for (std::size_t i = 0; i < sec.size(); ++i) {
            const char c = sec[i];
            if (c == '"' || c == '\'') {
                const std::size_t close = sec.find(c, i + 1);
                if (close == std::string::npos) break;
                i = close;
            } else if (c == '.') {
                inDec = true;
            } else if (c == ',') {
                if (!inDec) thousands = true;
            } else if (c == '0' || c == '#') {
                hasDigits = true;
                if (inDec) {
                    ++decMax;
                    if (c == '0') decMin = decMax;
                } else {
                    if (c == '0') seenZero = true;
                    if (seenZero) ++intZeros;
                }
            }
        }
    };

    std::string section = SectionFor(pattern, 0);
    int intZeros, decMin, decMax;
    bool thousands, hasDigits;
    layout(section, intZeros, decMin, decMax, thousands, hasDigits);

    // Decimal digits of |value|, rounded half away from zero at decMax decimals.
    auto digitsOf = [](double v, int decimals, std::string& intPart, std::string& fracPart) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.17e", std::fabs(v));
        // buf: d.ddddddddddddddddde[+-]xx
        std::string mant;
        mant += buf[0];
        const char* p = buf + 2;
        while (*p && *p != 'e') mant += *p++;
        const int exp = std::atoi(p + 1);
        // mant holds digits of value = 0.mant * 10^(exp+1)
        int pointPos = exp + 1;  // digits before the decimal point
        int keep = pointPos + decimals;
        std::string digits;
        if (keep < 0) {
            digits.clear();
            pointPos = 0;
        } else {
            bool roundUp = keep < static_cast<int>(mant.size()) && mant[static_cast<std::size_t>(keep)] >= '5';
            digits = mant.substr(0, static_cast<std::size_t>(std::min<int>(keep, static_cast<int>(mant.size()))));
            while (static_cast<int>(digits.size()) < keep) digits += '0';
            if (roundUp) {
                int k = static_cast<int>(digits.size()) - 1;
                while (k >= 0 && digits[static_cast<std::size_t>(k)] == '9') digits[static_cast<std::size_t>(k--)] = '0';
                if (k >= 0) {
                    ++digits[static_cast<std::size_t>(k)];
                } else {
                    digits.insert(digits.begin(), '1');
                    ++pointPos;
                }
            }
        }
        if (pointPos > 0) {
            intPart = digits.substr(0, static_cast<std::size_t>(std::min<int>(pointPos, static_cast<int>(digits.size()))));
            fracPart = digits.size() > static_cast<std::size_t>(pointPos) ? digits.substr(static_cast<std::size_t>(pointPos)) : std::string();
        } else {
            intPart.clear();
            fracPart = std::string(static_cast<std::size_t>(-pointPos), '0') + digits;
            if (static_cast<int>(fracPart.size()) > decimals) fracPart.resize(static_cast<std::size_t>(decimals));
        }
        // Leading zeros of the integer part carry no digits.
        std::size_t nz = 0;
        while (nz < intPart.size() && intPart[nz] == '0') ++nz;
        intPart.erase(0, nz);
    };

    std::string intPart, fracPart;
    digitsOf(value, decMax, intPart, fracPart);
    const bool isZero =
        intPart.empty() && fracPart.find_first_not_of('0') == std::string::npos;
    const bool negative = value < 0 && !isZero;

    if (isZero) section = SectionFor(pattern, 2);
    else if (negative) section = SectionFor(pattern, 1);
    const bool ownSection = (isZero && section != SectionFor(pattern, 0)) ||
                            (negative && section != SectionFor(pattern, 0));
    layout(section, intZeros, decMin, decMax, thousands, hasDigits);
    digitsOf(value, decMax, intPart, fracPart);
    // Without any placeholder a section is literal text only.
    if (!hasDigits) {
        std::string out;
        for (std::size_t i = 0; i < section.size(); ++i) {
            const char c = section[i];
            if (c == '"' || c == '\'') {
                const std::size_t close = section.find(c, i + 1);
                const std::size_t end = close == std::string::npos ? section.size() : close;
                out.append(section, i + 1, end - i - 1);
                i = end;
            } else {
                out += c;
            }
        }
        return out;
    }

    // Fraction: drop optional trailing zeros down to the last '0' placeholder.
    while (static_cast<int>(fracPart.size()) > decMin && !fracPart.empty() && fracPart.back() == '0')
        fracPart.pop_back();
    // Integer digits, padded with the '0' placeholders.
    std::string ints = intPart;
    if (static_cast<int>(ints.size()) < intZeros)
        ints.insert(0, static_cast<std::size_t>(intZeros) - ints.size(), '0');
    if (thousands && ints.size() > 3) {
        std::string grouped;
        const std::size_t first = ints.size() % 3;
        for (std::size_t i = 0; i < ints.size(); ++i) {
            if (i != 0 && (i - first) % 3 == 0 && i >= first) grouped += ',';
            grouped += ints[i];
        }
        ints = grouped;
    }

    std::string out;
    if (negative && !ownSection) out += '-';
    bool numberDone = false, inNumber = false;
    for (std::size_t i = 0; i < section.size(); ++i) {
        const char c = section[i];
        if (c == '"' || c == '\'') {
            const std::size_t close = section.find(c, i + 1);
            const std::size_t end = close == std::string::npos ? section.size() : close;
            out.append(section, i + 1, end - i - 1);
            i = end;
            continue;
        }
        const bool placeholder = c == '0' || c == '#' || c == '.' || c == ',';
        if (placeholder) {
            if (!numberDone && !inNumber) {
                inNumber = true;
                out += ints;
                if (!fracPart.empty()) {
                    out += '.';
                    out += fracPart;
                }
            }
            continue;
        }
        if (inNumber) {
            inNumber = false;
            numberDone = true;
        }
        out += c;
    }
    return out;
}
