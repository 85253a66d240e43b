#pragma once
// Sets TZ for one test and restores it afterwards (POSIX: the C library reads it again on
// every call of the time-zone service).
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace testtz {

class TzGuard {
public:
    explicit TzGuard(const char* zone) {
        if (const char* old = std::getenv("TZ")) FOld = old;
#ifdef _WIN32
        _putenv_s("TZ", zone);
        _tzset();
#else
        setenv("TZ", zone, 1);
        tzset();
#endif
    }
    ~TzGuard() {
#ifdef _WIN32
        _putenv_s("TZ", FOld ? FOld->c_str() : "");
        _tzset();
#else
        if (FOld) setenv("TZ", FOld->c_str(), 1);
        else unsetenv("TZ");
        tzset();
#endif
    }
    TzGuard(const TzGuard&) = delete;
    TzGuard& operator=(const TzGuard&) = delete;

private:
    std::optional<std::string> FOld;
};

}  // namespace testtz
