#pragma once
// Encoded words in header values (RFC 2047) and the JIS to Shift_JIS conversion.
#include <string>
#include <string_view>

// Decodes every encoded word ("=?charset?Q?...?=" or "=?charset?B?...?=") of a header value
// into UTF-8: whitespace between two decoded words goes, the text around them stays. A word
// in a charset the system does not know stays as it stands; a bad "=" escape stays literally.
// Plain text that is not UTF-8 is taken as Windows-1252.
std::string DecodeHeaderText(std::string_view value);

// ISO-2022-JP bytes to Shift_JIS bytes.
std::string JisToShiftJis(std::string_view jis);

// The byte decoders of the two encodings.
std::string DecodeQ(std::string_view encoded);
std::string DecodeB(std::string_view encoded);
