#include "core/Text.h"

#include <climits>

#include "core/Exception.h"

namespace text {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Windows-1252 0x80..0x9F. Positions the code page leaves open keep their C1 code point,
// as the system's conversion does, so that such bytes survive a round trip.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Decodes one character at pos; returns its length in bytes (at least 1). Invalid or
// truncated sequences, overlong forms and surrogates give U+FFFD for one byte.
inline std::size_t Decode(std::string_view s, std::size_t pos, char32_t& cp) {
    const unsigned char b0 = static_cast<unsigned char>(s[pos]);
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    }
    std::size_t len;
    char32_t min;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2;
        cp = b0 & 0x1F;
        min = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3;
        cp = b0 & 0x0F;
        min = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4;
        cp = b0 & 0x07;
        min = 0x10000;
    } else {
        cp = kReplacement;
        return 1;
    }
    if (pos + len > s.size()) {
        cp = kReplacement;
        return 1;
    }
    for (std::size_t i = 1; i < len; ++i) {
        const unsigned char b = static_cast<unsigned char>(s[pos + i]);
        if ((b & 0xC0) != 0x80) {
            cp = kReplacement;
            return 1;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        cp = kReplacement;
        return 1;
    }
    return len;
}

// Byte offset after the first n characters.
inline std::size_t ByteOffset(std::string_view s, std::size_t n) {
    std::size_t pos = 0;
    char32_t cp;
    while (n > 0 && pos < s.size()) {
        pos += static_cast<unsigned char>(s[pos]) < 0x80 ? 1 : Decode(s, pos, cp);
        --n;
    }
    return pos;
}

// Simple case mapping for Latin-1, Latin Extended-A, Greek and Cyrillic.
char32_t ToLower(char32_t c) {
    if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
    if (c < 0x100) return ((c >= 0xC0 && c <= 0xDE) && c != 0xD7) ? c + 32 : c;
    if (c < 0x180) {
        if (c == 0x130) return 'i';
        if (c == 0x178) return 0xFF;
        if ((c >= 0x100 && c <= 0x12F) || (c >= 0x132 && c <= 0x137) ||
            (c >= 0x14A && c <= 0x177))
            return (c % 2 == 0) ? c + 1 : c;
        if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
            return (c % 2 == 1) ? c + 1 : c;
        return c;
    }
    if (c >= 0x370 && c < 0x400) {
        if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 32;
        if (c == 0x386) return 0x3AC;
        if (c >= 0x388 && c <= 0x38A) return c + 37;
        if (c == 0x38C) return 0x3CC;
        if (c == 0x38E || c == 0x38F) return c + 63;
        return c;
    }
    if (c >= 0x400 && c < 0x530) {
        if (c <= 0x40F) return c + 80;
        if (c <= 0x42F) return c + 32;
        if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) ||
            (c >= 0x4D0 && c <= 0x52F))
            return (c % 2 == 0) ? c + 1 : c;
        if (c == 0x4C0) return 0x4CF;
        if (c >= 0x4C1 && c <= 0x4CE) return (c % 2 == 1) ? c + 1 : c;
        return c;
    }
    return c;
}

char32_t ToUpper(char32_t c) {
    if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - 32 : c;
    if (c < 0x100) {
        if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 32;
        if (c == 0xFF) return 0x178;
        return c;
    }
    if (c < 0x180) {
        if (c == 0x131) return 'I';
        if ((c >= 0x100 && c <= 0x12F) || (c >= 0x132 && c <= 0x137) ||
            (c >= 0x14A && c <= 0x177))
            return (c % 2 == 1) ? c - 1 : c;
        if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
            return (c % 2 == 0) ? c - 1 : c;
        return c;
    }
    if (c >= 0x370 && c < 0x400) {
        if (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) return c - 32;
        if (c == 0x3C2) return 0x3A3;
        if (c == 0x3AC) return 0x386;
        if (c >= 0x3AD && c <= 0x3AF) return c - 37;
        if (c == 0x3CC) return 0x38C;
        if (c == 0x3CD || c == 0x3CE) return c - 63;
        return c;
    }
    if (c >= 0x400 && c < 0x530) {
        if (c >= 0x430 && c <= 0x44F) return c - 32;
        if (c >= 0x450 && c <= 0x45F) return c - 80;
        if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) ||
            (c >= 0x4D0 && c <= 0x52F))
            return (c % 2 == 1) ? c - 1 : c;
        if (c == 0x4CF) return 0x4C0;
        if (c >= 0x4C1 && c <= 0x4CE) return (c % 2 == 0) ? c - 1 : c;
        return c;
    }
    return c;
}

// Folding for compares: lower case, final sigma as sigma.
inline char32_t Fold(char32_t c) {
    c = ToLower(c);
    return c == 0x3C2 ? 0x3C3 : c;
}

template <class Map>
std::string MapCase(std::string_view s, Map map) {
    std::string out;
    out.reserve(s.size());
    std::size_t pos = 0;
    while (pos < s.size()) {
        const unsigned char b = static_cast<unsigned char>(s[pos]);
        if (b < 0x80) {
            out += static_cast<char>(map(b));
            ++pos;
            continue;
        }
        char32_t cp;
        const std::size_t len = Decode(s, pos, cp);
        if (cp == kReplacement && len == 1) {
            out += s[pos];  // keep bytes we cannot read as they are
        } else {
            AppendUtf8(out, map(cp));
        }
        pos += len;
    }
    return out;
}

inline bool IsTrimmed(char c) { return static_cast<unsigned char>(c) <= 32; }

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        if (static_cast<unsigned char>(bytes[pos]) < 0x80) {
            ++pos;
            continue;
        }
        char32_t cp;
        const std::size_t len = Decode(bytes, pos, cp);
        if (len == 1) return false;  // a valid lead byte always has a longer sequence
        pos += len;
    }
    return true;
}

std::string Cp1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (char ch : bytes) {
        const unsigned char b = static_cast<unsigned char>(ch);
        if (b < 0x80)
            out += ch;
        else if (b < 0xA0)
            AppendUtf8(out, kCp1252High[b - 0x80]);
        else
            AppendUtf8(out, b);
    }
    return out;
}

std::string Utf8ToCp1252(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const unsigned char b = static_cast<unsigned char>(utf8[pos]);
        if (b < 0x80) {
            out += static_cast<char>(b);
            ++pos;
            continue;
        }
        char32_t cp;
        pos += Decode(utf8, pos, cp);
        char result = '?';
        if (cp >= 0xA0 && cp <= 0xFF) {
            result = static_cast<char>(cp);
        } else {
            for (int i = 0; i < 32; ++i)
                if (kCp1252High[i] == cp) {
                    result = static_cast<char>(0x80 + i);
                    break;
                }
        }
        out += result;
    }
    return out;
}

std::string Latin1ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (char ch : bytes) AppendUtf8(out, static_cast<unsigned char>(ch));
    return out;
}

std::string FileBytesToUtf8(std::string_view bytes) {
    // The mark goes in either case, so that it never sticks to the first line.
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    if (IsValidUtf8(bytes)) return std::string(bytes);
    // Line by line: one stray byte of the old code page in a UTF-8 file spoils only its own
    // line, not every national letter of the file.
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = bytes.size();
        const std::string_view line = bytes.substr(start, end - start);
        if (IsValidUtf8(line))
            out.append(line);
        else
            out += Cp1252ToUtf8(line);
        const std::size_t next = bytes.find_first_not_of("\r\n", end);
        const std::size_t stop = next == std::string_view::npos ? bytes.size() : next;
        out.append(bytes.substr(end, stop - end));
        start = stop;
    }
    return out;
}

std::u32string Utf8ToUtf32(std::string_view utf8) {
    std::u32string out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        char32_t cp;
        pos += Decode(utf8, pos, cp);
        out += cp;
    }
    return out;
}

std::string Utf32ToUtf8(std::u32string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char32_t c : text) AppendUtf8(out, c);
    return out;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = kReplacement;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        char32_t cp;
        pos += Decode(utf8, pos, cp);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        AppendUtf8(out, c);  // lone surrogates become U+FFFD
    }
    return out;
}

std::size_t CharCount(std::string_view utf8) {
    std::size_t count = 0, pos = 0;
    char32_t cp;
    while (pos < utf8.size()) {
        pos += static_cast<unsigned char>(utf8[pos]) < 0x80 ? 1 : Decode(utf8, pos, cp);
        ++count;
    }
    return count;
}

std::string CharLeft(std::string_view utf8, std::size_t n) {
    return std::string(utf8.substr(0, ByteOffset(utf8, n)));
}

std::string CharMid(std::string_view utf8, std::size_t start, std::size_t n) {
    const std::size_t from = ByteOffset(utf8, start);
    std::string_view rest = utf8.substr(from);
    return std::string(rest.substr(0, ByteOffset(rest, n)));
}

std::string AsciiUpper(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return out;
}

std::string AsciiLower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return out;
}

std::string AnsiUpper(std::string_view s) { return MapCase(s, ToUpper); }
std::string AnsiLower(std::string_view s) { return MapCase(s, ToLower); }

int CompareText(std::string_view a, std::string_view b) {
    // ASCII runs first: a byte compare with a folded retry only where bytes differ.
    const std::size_t common = a.size() < b.size() ? a.size() : b.size();
    std::size_t i = 0;
    for (; i < common; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if ((x | y) >= 0x80) break;
        if (x == y) continue;
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
        if (x != y) return x < y ? -1 : 1;
    }
    std::size_t j = i;
    while (i < a.size() && j < b.size()) {
        char32_t ca, cb;
        i += Decode(a, i, ca);
        j += Decode(b, j, cb);
        ca = Fold(ca);
        cb = Fold(cb);
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

std::string FoldCase(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    std::size_t pos = 0;
    while (pos < s.size()) {
        const unsigned char b = static_cast<unsigned char>(s[pos]);
        if (b < 0x80) {
            out += static_cast<char>((b >= 'A' && b <= 'Z') ? b + 32 : b);
            ++pos;
            continue;
        }
        char32_t cp;
        pos += Decode(s, pos, cp);
        AppendUtf8(out, Fold(cp));
    }
    return out;
}

bool SameText(std::string_view a, std::string_view b) {
    // Equal bytes are equal texts; a fast exit for the common case.
    if (a.size() == b.size() && a == b) return true;
    return CompareText(a, b) == 0;
}

bool SameTextAscii(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
        if (x != y) return false;
    }
    return true;
}

std::string Trim(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && IsTrimmed(s[b])) ++b;
    while (e > b && IsTrimmed(s[e - 1])) --e;
    return std::string(s.substr(b, e - b));
}

std::string TrimLeft(std::string_view s) {
    std::size_t b = 0;
    while (b < s.size() && IsTrimmed(s[b])) ++b;
    return std::string(s.substr(b));
}

std::string TrimRight(std::string_view s) {
    std::size_t e = s.size();
    while (e > 0 && IsTrimmed(s[e - 1])) --e;
    return std::string(s.substr(0, e));
}

bool TryStrToInt(std::string_view s, int& value) {
    std::size_t b = 0, e = s.size();
    while (b < e && IsTrimmed(s[b])) ++b;
    while (e > b && IsTrimmed(s[e - 1])) --e;
    if (b == e) return false;
    bool negative = false;
    if (s[b] == '+' || s[b] == '-') {
        negative = s[b] == '-';
        ++b;
    }
    bool hex = false;
    if (b < e && s[b] == '$') {
        hex = true;
        ++b;
    } else if (e - b >= 2 && s[b] == '0' && (s[b + 1] == 'x' || s[b + 1] == 'X')) {
        hex = true;
        b += 2;
    }
    if (b == e) return false;
    unsigned long long acc = 0;
    for (std::size_t i = b; i < e; ++i) {
        int d = hex ? HexDigit(s[i]) : (s[i] >= '0' && s[i] <= '9' ? s[i] - '0' : -1);
        if (d < 0) return false;
        acc = acc * (hex ? 16 : 10) + static_cast<unsigned>(d);
        if (acc > 0xFFFFFFFFull) return false;
    }
    if (hex) {
        // Hexadecimal spells the 32-bit pattern: 0xFFFFFFFF is -1.
        std::uint32_t bits = static_cast<std::uint32_t>(acc);
        if (negative) bits = 0u - bits;
        value = static_cast<int>(bits);
        return true;
    }
    if (negative) {
        if (acc > 2147483648ull) return false;
        value = static_cast<int>(-static_cast<long long>(acc));
    } else {
        if (acc > 2147483647ull) return false;
        value = static_cast<int>(acc);
    }
    return true;
}

int StrToIntDef(std::string_view s, int defaultValue) {
    int v;
    return TryStrToInt(s, v) ? v : defaultValue;
}

int StrToInt(std::string_view s) {
    int v;
    if (!TryStrToInt(s, v)) throw EConvertError(rtl::Format(rtl::SInvalidInteger, {std::string(s)}));
    return v;
}

std::string IntToStr(long long value) { return std::to_string(value); }

std::string IntToHex(unsigned long long value, int digits) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    do {
        out.insert(out.begin(), kDigits[value & 0xF]);
        value >>= 4;
    } while (value);
    if (static_cast<int>(out.size()) < digits) out.insert(0, static_cast<std::size_t>(digits) - out.size(), '0');
    return out;
}

std::size_t Pos(std::string_view needle, std::string_view s) {
    if (needle.empty()) return 0;
    const std::size_t at = s.find(needle);
    return at == std::string_view::npos ? 0 : at + 1;
}

bool StartsText(std::string_view prefix, std::string_view s) {
    return s.size() >= prefix.size() && SameTextAscii(prefix, s.substr(0, prefix.size()));
}

std::string StringReplaceAll(std::string s, std::string_view from, std::string_view to) {
    if (from.empty()) return s;
    std::string out;
    out.reserve(s.size());
    std::size_t pos = 0;
    for (;;) {
        const std::size_t at = s.find(from, pos);
        if (at == std::string::npos) break;
        out.append(s, pos, at - pos);
        out.append(to);
        pos = at + from.size();
    }
    out.append(s, pos, std::string::npos);
    return out;
}

}  // namespace text
