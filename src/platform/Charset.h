#pragma once
// Text in a named character set (as mail headers name them: "ISO-8859-1", "windows-1252",
// "Shift_JIS", ...) to UTF-8.
#include <string>
#include <string_view>

namespace platform {
// Converts bytes in the named charset (letter case ignored, an RFC 2231 "*language" suffix
// allowed) to UTF-8; bytes that are not valid in it become U+FFFD. False, with utf8 left
// alone, for a name it does not know.
bool CharsetToUtf8(std::string_view charset, std::string_view bytes, std::string& utf8);
}  // namespace platform
