// "Date" values: never raises, always a finite value near the text's instant.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>

#include "mail/IdGlobal.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string value(reinterpret_cast<const char*>(data), size);
    TDateTime d = HeaderDateToLocal(value);
    if (!std::isfinite(d)) std::abort();
    // Years 100 to 65535 can be written; nothing beyond them may come out.
    if (d < -700000.0 || d > 30000000.0) std::abort();
    const TDateTime z = ParseZoneOffset(value);
    if (!(z > -1.0 && z < 1.0)) std::abort();
    std::string rest = value;
    (void)ParseDateTimePart(rest);
    if (rest.size() > value.size()) std::abort();
    return 0;
}
