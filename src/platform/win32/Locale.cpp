#include "platform/Locale.h"

#include <mutex>

#include "platform/win32/Wide.h"

namespace platform {

namespace {

std::mutex gMutex;
int gLanguageOverride = -1;
std::string gFormatOverride;

std::string LocaleText(LCID locale, LCTYPE type) {
    const int n = GetLocaleInfoW(locale, type, nullptr, 0);
    if (n <= 0) return {};
    std::wstring buffer(static_cast<std::size_t>(n), L'\0');
    if (GetLocaleInfoW(locale, type, buffer.data(), n) <= 0) return {};
    return win32::Narrow(buffer.c_str(), wcslen(buffer.c_str()));
}

}  // namespace

int UserPrimaryLanguage() {
    {
        std::lock_guard<std::mutex> lock(gMutex);
        if (gLanguageOverride >= 0) return gLanguageOverride;
    }
    return PRIMARYLANGID(LANGIDFROMLCID(GetThreadLocale()));
}

std::string LocaleShortTimeFormat() {
    {
        std::lock_guard<std::mutex> lock(gMutex);
        if (gLanguageOverride >= 0 && !gFormatOverride.empty()) return gFormatOverride;
    }
    const LCID locale = GetThreadLocale();
    // The short time picture (hours and minutes); older systems have only the long one.
    std::string picture = LocaleText(locale, LOCALE_SSHORTTIME);
    if (picture.empty()) picture = LocaleText(locale, LOCALE_STIMEFORMAT);
    if (picture.empty()) picture = "HH:mm";
    return TimeFormatFromWindows(picture, true);
}

void SetLocaleForTests(int primaryLanguage, const std::string& shortTimeFormat) {
    std::lock_guard<std::mutex> lock(gMutex);
    gLanguageOverride = primaryLanguage < 0 ? -1 : primaryLanguage;
    gFormatOverride = primaryLanguage < 0 ? std::string() : shortTimeFormat;
}

}  // namespace platform
