#include "ui/Accel.h"

#include "core/Text.h"

namespace ui::accel {

char32_t DecodeAt(std::string_view text, std::size_t pos, std::size_t& length) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char b0 = byte(pos);
    length = 1;
    if (b0 < 0x80) return b0;
    std::size_t n;
    char32_t cp;
    if (b0 >= 0xC2 && b0 <= 0xDF) { n = 2; cp = b0 & 0x1F; }
    else if (b0 >= 0xE0 && b0 <= 0xEF) { n = 3; cp = b0 & 0x0F; }
    else if (b0 >= 0xF0 && b0 <= 0xF4) { n = 4; cp = b0 & 0x07; }
    else return 0xFFFD;
    if (pos + n > text.size()) return 0xFFFD;
    for (std::size_t i = 1; i < n; ++i) {
        const unsigned char b = byte(pos + i);
        if ((b & 0xC0) != 0x80) return 0xFFFD;
        cp = (cp << 6) | (b & 0x3F);
    }
    // Overlong forms, surrogates and values past the last code point are not characters.
    if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
        return 0xFFFD;
    length = n;
    return cp;
}

char32_t KeyOf(char32_t c) {
    if (c >= 'a' && c <= 'z') return c - 'a' + 'A';
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;            // à..þ
    if (c == 0xFF) return 0x178;                                           // ÿ
    if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return c - 0x20;          // α..ω
    if (c >= 0x430 && c <= 0x44F) return c - 0x20;                         // а..я
    if (c >= 0x450 && c <= 0x45F) return c - 0x50;                         // ѐ..џ
    return c;
}

TParsed Parse(std::string_view caption) {
    TParsed r;
    r.Shown.reserve(caption.size());
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] != '&') {
            r.Shown += caption[i];
            continue;
        }
        if (i + 1 >= caption.size()) break;  // a trailing "&" marks nothing and shows nothing
        if (caption[i + 1] == '&') {
            r.Shown += '&';
            ++i;
            continue;
        }
        if (r.MarkPos == npos) {
            std::size_t length;
            r.MarkPos = i;
            r.Char = DecodeAt(caption, i + 1, length);
        }
    }
    return r;
}

char32_t KeyOfCaption(std::string_view caption) {
    const TParsed p = Parse(caption);
    return p.MarkPos == npos ? 0 : KeyOf(p.Char);
}

bool Matches(std::string_view caption, char32_t key) {
    const char32_t k = KeyOfCaption(caption);
    return k != 0 && k == KeyOf(key);
}

std::string WithoutMarkers(std::string_view caption) {
    std::string out;
    out.reserve(caption.size());
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] != '&') {
            out += caption[i];
        } else if (i + 1 < caption.size() && caption[i + 1] == '&') {
            out += "&&";
            ++i;
        }
    }
    return out;
}

char32_t FirstMarked(std::string_view caption) {
    // The same marker the key handling takes, so that assignment never hands out a key that
    // a caption with "&&" already answers to.
    const TParsed p = Parse(caption);
    if (p.MarkPos == npos) return 0;
    return (p.Char >= 'a' && p.Char <= 'z') ? p.Char - 'a' + 'A' : p.Char;
}

}  // namespace ui::accel
