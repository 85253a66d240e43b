#pragma once
// Text helpers. All text inside the program is UTF-8 in std::string; lengths that the
// program cares about (subject cut, edit limits) count characters, not bytes.
#include <cstdint>
#include <string>
#include <string_view>

namespace text {

bool IsValidUtf8(std::string_view bytes);
// Windows-1252 bytes to UTF-8. The five positions the code page leaves open (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) keep their C1 code points, as the system's conversion does, so that
// such bytes survive a round trip.
std::string Cp1252ToUtf8(std::string_view bytes);
// UTF-8 to Windows-1252; characters it cannot hold become '?'.
std::string Utf8ToCp1252(std::string_view utf8);
// Latin-1 bytes to UTF-8.
std::string Latin1ToUtf8(std::string_view bytes);
// Bytes of a file, line by line: a line that decodes as UTF-8 is taken as UTF-8, any other
// as Windows-1252; line breaks stay as they are, a leading UTF-8 BOM is dropped.
std::string FileBytesToUtf8(std::string_view bytes);
// Code points <-> UTF-8 (invalid sequences decode as U+FFFD, one byte at a time).
std::u32string Utf8ToUtf32(std::string_view utf8);
std::string Utf32ToUtf8(std::u32string_view text);
void AppendUtf8(std::string& out, char32_t codePoint);
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view text);

// Number of characters (code points) in UTF-8 text.
std::size_t CharCount(std::string_view utf8);
// First n characters; never splits a character.
std::string CharLeft(std::string_view utf8, std::size_t n);
// Characters from position start (0-based), at most n of them.
std::string CharMid(std::string_view utf8, std::size_t start, std::size_t n);

// ASCII-only case mapping (national letters unchanged), as the Parts ask in places.
std::string AsciiUpper(std::string_view s);
std::string AsciiLower(std::string_view s);
// Full case mapping of Latin, Greek and Cyrillic letters, as the platform's text compare.
std::string AnsiUpper(std::string_view s);
std::string AnsiLower(std::string_view s);
// Case-insensitive compare, national letters included.
bool SameText(std::string_view a, std::string_view b);
int CompareText(std::string_view a, std::string_view b);
bool SameTextAscii(std::string_view a, std::string_view b);
// The text as CompareText sees it: SameText(a, b) exactly when FoldCase(a) == FoldCase(b), so
// it can key a hash table that ignores case the way SameText does.
std::string FoldCase(std::string_view s);

// Drop characters with code 32 or less at both ends / the start / the end.
std::string Trim(std::string_view s);
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);

// Whole numbers: optional sign, decimal digits; "0x"/"$" prefixes as noted.
// TryStrToInt accepts decimal and "0x"/"0X"/"$" hexadecimal, surrounding blanks allowed.
bool TryStrToInt(std::string_view s, int& value);
int StrToIntDef(std::string_view s, int defaultValue);
// Raises EConvertError "'%s' ist kein gültiger Integerwert".
int StrToInt(std::string_view s);
std::string IntToStr(long long value);
std::string IntToHex(unsigned long long value, int digits);

// 1-based position of needle in s, 0 when absent (as the Parts count).
std::size_t Pos(std::string_view needle, std::string_view s);
bool StartsText(std::string_view prefix, std::string_view s);  // case-insensitive ASCII
std::string StringReplaceAll(std::string s, std::string_view from, std::string_view to);

}  // namespace text
