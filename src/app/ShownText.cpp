#include "app/ShownText.h"

namespace shown {
namespace {

constexpr char32_t kBad = 0xFFFFFFFF;

// Decodes one code point at text[i] and advances i; a byte that does not start a valid,
// shortest-form sequence yields kBad and advances by one.
char32_t Next(std::string_view text, std::size_t& i) {
    auto b = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char c = b(i);
    if (c < 0x80) {
        ++i;
        return c;
    }
    int len = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
    if (len == 0 || i + static_cast<std::size_t>(len) > text.size()) {
        ++i;
        return kBad;
    }
    char32_t cp = c & (0xFF >> (len + 1));
    for (int k = 1; k < len; ++k) {
        unsigned char t = b(i + static_cast<std::size_t>(k));
        if ((t & 0xC0) != 0x80) {
            ++i;
            return kBad;
        }
        cp = (cp << 6) | (t & 0x3F);
    }
    bool overlong = (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000);
    if (overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return kBad;
    }
    i += static_cast<std::size_t>(len);
    return cp;
}

bool IsControl(char32_t cp) {
    return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F) || cp == 0x061C || cp == 0x200E || cp == 0x200F ||
           (cp >= 0x2028 && cp <= 0x202E) || (cp >= 0x2066 && cp <= 0x2069);
}

// Marks that belong to the character before them.
bool Attaches(char32_t cp) {
    return (cp >= 0x0300 && cp <= 0x036F) || (cp >= 0x0483 && cp <= 0x0489) ||
           (cp >= 0x0591 && cp <= 0x05BD) || (cp >= 0x0610 && cp <= 0x061A) ||
           (cp >= 0x064B && cp <= 0x065F) || (cp >= 0x0900 && cp <= 0x0903) ||
           (cp >= 0x093A && cp <= 0x094F && cp != 0x093D) ||
           (cp >= 0x1AB0 && cp <= 0x1AFF) || (cp >= 0x1DC0 && cp <= 0x1DFF) ||
           (cp >= 0x20D0 && cp <= 0x20FF) || (cp >= 0x3099 && cp <= 0x309A) ||
           (cp >= 0xFE00 && cp <= 0xFE0F) || (cp >= 0xFE20 && cp <= 0xFE2F) ||
           (cp >= 0x1F3FB && cp <= 0x1F3FF) || (cp >= 0xE0100 && cp <= 0xE01EF);
}

// Byte length of the character starting at i (at least one byte).
std::size_t CharLength(std::string_view text, std::size_t i) {
    std::size_t start = i;
    Next(text, i);
    while (i < text.size()) {
        std::size_t j = i;
        char32_t cp = Next(text, j);
        if (cp == kBad || !Attaches(cp)) break;
        i = j;
    }
    return i - start;
}

void Append(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

bool NeedsBlanking(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7F) {  // the common case: printable ASCII
            ++i;
            continue;
        }
        char32_t cp = Next(text, i);
        if (cp == kBad || IsControl(cp)) return true;
    }
    return false;
}

std::string Blanked(std::string_view text) {
    if (!NeedsBlanking(text)) return std::string(text);
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        std::size_t start = i;
        char32_t cp = Next(text, i);
        if (cp == kBad)
            Append(out, 0xFFFD);
        else if (IsControl(cp))
            out += ' ';
        else
            out.append(text.substr(start, i - start));
    }
    return out;
}

std::size_t CharCount(std::string_view text) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < text.size(); ++n) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        bool asciiNext = i + 1 >= text.size() || static_cast<unsigned char>(text[i + 1]) < 0x80;
        i += c < 0x80 && asciiNext ? 1 : CharLength(text, i);
    }
    return n;
}

std::string FirstChars(std::string_view text, std::size_t count) {
    std::size_t i = 0;
    for (std::size_t n = 0; n < count && i < text.size(); ++n) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        bool asciiNext = i + 1 >= text.size() || static_cast<unsigned char>(text[i + 1]) < 0x80;
        i += c < 0x80 && asciiNext ? 1 : CharLength(text, i);
    }
    return std::string(text.substr(0, i));
}

}  // namespace shown
