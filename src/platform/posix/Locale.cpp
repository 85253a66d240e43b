#include "platform/Locale.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

namespace platform {

namespace {

std::mutex gMutex;
int gLanguageOverride = -1;
std::string gFormatOverride;

// The first of the variables that is set, as the C library picks a locale category.
std::string LocaleName(const char* category) {
    for (const char* name : {"LC_ALL", category, "LANG"}) {
        const char* v = std::getenv(name);
        if (v && *v) return v;
    }
    return "C";
}

std::string LanguageCode(const std::string& locale) {
    std::string code;
    for (char c : locale) {
        if (c == '_' || c == '.' || c == '@' || c == '-') break;
        code += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return code;
}

int PrimaryLanguageOf(const std::string& code) {
    // Windows primary language identifiers (LANG_*) of common languages.
    static const struct { const char* Code; int Id; } table[] = {
        {"de", 0x07}, {"en", 0x09}, {"fr", 0x0c}, {"es", 0x0a}, {"it", 0x10}, {"nl", 0x13}, {"pt", 0x16},
        {"sv", 0x1d}, {"da", 0x06}, {"nb", 0x14}, {"nn", 0x14}, {"no", 0x14}, {"fi", 0x0b}, {"pl", 0x15},
        {"cs", 0x05}, {"sk", 0x1b}, {"hu", 0x0e}, {"el", 0x08}, {"ru", 0x19}, {"uk", 0x22}, {"tr", 0x1f},
        {"ja", 0x11}, {"zh", 0x04}, {"ko", 0x12}, {"ar", 0x01}, {"he", 0x0d},
    };
    for (const auto& e : table)
        if (code == e.Code) return e.Id;
    return 0x09;
}

}  // namespace

int UserPrimaryLanguage() {
    {
        std::lock_guard<std::mutex> lock(gMutex);
        if (gLanguageOverride >= 0) return gLanguageOverride;
    }
    return PrimaryLanguageOf(LanguageCode(LocaleName("LC_MESSAGES")));
}

std::string LocaleShortTimeFormat() {
    {
        std::lock_guard<std::mutex> lock(gMutex);
        if (gLanguageOverride >= 0 && !gFormatOverride.empty()) return gFormatOverride;
    }
    const std::string locale = LocaleName("LC_TIME");
    // English-speaking countries that write the 12-hour clock.
    for (const char* twelve : {"en_US", "en_CA", "en_AU", "en_NZ", "en_PH", "en_IN"})
        if (locale.compare(0, std::strlen(twelve), twelve) == 0) return TimeFormatFromWindows("h:mm tt", true);
    return TimeFormatFromWindows("HH:mm", true);
}

void SetLocaleForTests(int primaryLanguage, const std::string& shortTimeFormat) {
    std::lock_guard<std::mutex> lock(gMutex);
    gLanguageOverride = primaryLanguage < 0 ? -1 : primaryLanguage;
    gFormatOverride = primaryLanguage < 0 ? std::string() : shortTimeFormat;
}

}  // namespace platform
