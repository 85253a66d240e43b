#pragma once
#include <string>

namespace platform {
// Primary language of the thread locale (GetThreadLocale & 0x3FF): 7 for German, 9 English.
// POSIX: from LC_ALL, LC_MESSAGES or LANG ("de_DE.UTF-8" gives 7; unset, "C" and unknown
// languages give 9).
int UserPrimaryLanguage();
// The locale's short time format, in the program's pattern letters ("hh:nn", "h:nn AMPM"):
// h/hh hours (12-hour when AMPM is present), nn minutes, AMPM the marker, quoted literals.
// POSIX: from LC_ALL, LC_TIME or LANG: "h:nn AMPM" for the 12-hour countries of English
// (en_US and the like), "hh:nn" otherwise.
std::string LocaleShortTimeFormat();
// Tests: pretend a locale (language < 0 restores the real one; an empty format keeps the
// real format).
void SetLocaleForTests(int primaryLanguage, const std::string& shortTimeFormat);
// A Windows time picture (H, HH, h, hh, m, mm, s, ss, t, tt, 'literal') in the program's
// pattern letters; dropSeconds removes the seconds and the separator before them.
std::string TimeFormatFromWindows(const std::string& picture, bool dropSeconds);
}  // namespace platform
