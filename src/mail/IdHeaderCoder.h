#pragma once
// Encoded words in header values (RFC 2047) and the JIS to Shift_JIS conversion.
#include <string>
#include <string_view>

// Decodes every encoded word ("=?charset?Q?...?=" or "=?charset?B?...?=") of a header value
// into UTF-8: whitespace between two decoded words goes, the text around them stays. A word
// in a charset the system does not know stays as it stands; a bad "=" escape stays literally.
// Plain text that is not UTF-8 is taken as Windows-1252.
std::string DecodeHeaderText(std::string_view value);

// Text as the message record hands it out: UTF-8 stays, anything else is taken as
// Windows-1252, so the result is always valid UTF-8.
std::string HeaderPlainText(std::string_view value);

// ISO-2022-JP bytes to Shift_JIS bytes.
std::string JisToShiftJis(std::string_view jis);

// ISO-2022-JP bytes to UTF-8, as Japanese mailers write it: ASCII stays ASCII ("\" and "~"
// too), JIS X 0201 Roman and half-width katakana map directly, and JIS X 0208 is read with
// the extensions of the Windows code page 932 (circled digits, "ã±", the full-width
// tilde). Bytes that fit no set become U+FFFD. False when the system has no code page 932.
bool Iso2022JpToUtf8(std::string_view jis, std::string& utf8);

// The byte decoders of the two encodings.
std::string DecodeQ(std::string_view encoded);
std::string DecodeB(std::string_view encoded);
