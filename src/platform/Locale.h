#pragma once
#include <string>

namespace platform {
// Primary language of the thread locale (GetThreadLocale & 0x3FF): 7 for German, 9 English.
int UserPrimaryLanguage();
// The locale's short time format, in the program's pattern letters ("hh:nn", "h:nn AMPM").
std::string LocaleShortTimeFormat();
// Tests: pretend a locale (language < 0 restores the real one).
void SetLocaleForTests(int primaryLanguage, const std::string& shortTimeFormat);
}  // namespace platform
