#include "mail/IdHeaderCoder.h"

#include <vector>

#include "core/Text.h"
#include "platform/Charset.h"

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

bool IsLinearBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

struct Word {
    std::size_t Begin = 0, End = 0;  // the whole "=?...?=" in the value
    std::string Charset;
    std::string Bytes;
};

// Reads an encoded word starting at p ("=?" there); false when it is not one.
bool ReadWord(std::string_view v, std::size_t p, Word& w) {
    const std::size_t csBegin = p + 2;
    const std::size_t q1 = v.find('?', csBegin);
    if (q1 == std::string_view::npos || q1 == csBegin) return false;
    for (std::size_t i = csBegin; i < q1; ++i)
        if (static_cast<unsigned char>(v[i]) <= ' ' || v[i] == '=') return false;
    if (q1 + 2 >= v.size() || v[q1 + 2] != '?') return false;
    const char enc = v[q1 + 1];
    if (enc != 'Q' && enc != 'q' && enc != 'B' && enc != 'b') return false;
    const std::size_t textBegin = q1 + 3;
    const std::size_t q2 = v.find('?', textBegin);
    if (q2 == std::string_view::npos || q2 + 1 >= v.size() || v[q2 + 1] != '=') return false;
    const std::string_view encoded = v.substr(textBegin, q2 - textBegin);
    w.Begin = p;
    w.End = q2 + 2;
    w.Charset = std::string(v.substr(csBegin, q1 - csBegin));
    w.Bytes = (enc == 'Q' || enc == 'q') ? DecodeQ(encoded) : DecodeB(encoded);
    return true;
}

std::string PlainText(std::string_view s) { return HeaderPlainText(s); }

bool SameCharset(const std::string& a, const std::string& b) { return text::SameTextAscii(a, b); }

bool WordsToUtf8(const std::string& charset, const std::string& bytes, std::string& out) {
    const std::string_view name = std::string_view(charset).substr(0, charset.find('*'));
    if (text::SameTextAscii(name, "ISO-2022-JP")) return Iso2022JpToUtf8(bytes, out);
    return platform::CharsetToUtf8(name, bytes, out);
}

}  // namespace

std::string HeaderPlainText(std::string_view value) {
    return text::IsValidUtf8(value) ? std::string(value) : text::Cp1252ToUtf8(value);
}

bool Iso2022JpToUtf8(std::string_view jis, std::string& utf8) {
    enum class Set { Ascii, Roman, Katakana, Kanji, OtherKanji };
    std::string out;
    out.reserve(jis.size() * 2);
    Set set = Set::Ascii;
    std::string pairs;  // JIS X 0208 run as Shift_JIS bytes, converted when it ends
    auto flush = [&]() -> bool {
        if (pairs.empty()) return true;
        std::string part;
        if (!platform::CharsetToUtf8("CP932", pairs, part)) return false;
        out += part;
        pairs.clear();
        return true;
    };
    for (std::size_t i = 0; i < jis.size();) {
        const unsigned char c = static_cast<unsigned char>(jis[i]);
        if (c == 27) {
            if (!flush()) return false;
            const std::string_view seq = jis.substr(i + 1, 2);
            if (seq == "(B") set = Set::Ascii;
            else if (seq == "(J") set = Set::Roman;
            else if (seq == "(I") set = Set::Katakana;
            else if (seq == "$B" || seq == "$@") set = Set::Kanji;
            else if (jis.substr(i + 1, 2) == "$(") {
                // JIS X 0212 and 0213 are not in the code page: their pairs become U+FFFD.
                set = Set::OtherKanji;
                ++i;
            } else {
                out += "\xEF\xBF\xBD";
                ++i;
                continue;
            }
            i += 3;
            continue;
        }
        if (c == '\r' || c == '\n') {
            // A line end returns to ASCII.
            if (!flush()) return false;
            set = Set::Ascii;
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        switch (set) {
        case Set::Ascii:
            if (c < 0x80) out += static_cast<char>(c);
            else out += "\xEF\xBF\xBD";
            ++i;
            break;
        case Set::Roman:
            if (c == 0x5C) out += "\xC2\xA5";           // yen sign
            else if (c == 0x7E) out += "\xE2\x80\xBE";  // overline
            else if (c < 0x80) out += static_cast<char>(c);
            else out += "\xEF\xBF\xBD";
            ++i;
            break;
        case Set::Katakana:
            if (c >= 0x21 && c <= 0x5F) text::AppendUtf8(out, 0xFF61 + (c - 0x21));
            else if (c < 0x21) out += static_cast<char>(c);
            else out += "\xEF\xBF\xBD";
            ++i;
            break;
        case Set::Kanji: {
            const unsigned char d = i + 1 < jis.size() ? static_cast<unsigned char>(jis[i + 1]) : 0;
            if (c < 0x21 || c > 0x7E || d < 0x21 || d > 0x7E) {
                if (!flush()) return false;
                if (c < 0x21) out += static_cast<char>(c);
                else out += "\xEF\xBF\xBD";
                ++i;
                break;
            }
            // Row and cell to Shift_JIS, as JisToShiftJis does.
            pairs += static_cast<char>(((c - 1) >> 1) + (c <= 94 ? 113 : 177));
            pairs += static_cast<char>(c % 2 == 0 ? d + 126 : d < 96 ? d + 31 : d + 32);
            i += 2;
            break;
        }
        case Set::OtherKanji:
            if (c < 0x21) {
                out += static_cast<char>(c);
                ++i;
            } else {
                out += "\xEF\xBF\xBD";
                i += 2;
            }
            break;
        }
    }
    if (!flush()) return false;
    utf8 = std::move(out);
    return true;
}

std::string DecodeQ(std::string_view encoded) {
    std::string out;
    out.reserve(encoded.size());
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        const char c = encoded[i];
        if (c == '_') {
            out += ' ';
        } else if (c == '=' && i + 2 < encoded.size() && HexValue(encoded[i + 1]) >= 0 &&
                   HexValue(encoded[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(encoded[i + 1]) * 16 + HexValue(encoded[i + 2]));
            i += 2;
        } else {
            out += c;  // a bad escape stays as it was written
        }
    }
    return out;
}

std::string DecodeB(std::string_view encoded) {
    std::string out;
    out.reserve(encoded.size() * 3 / 4 + 3);
    unsigned bits = 0;
    int count = 0;
    for (char c : encoded) {
        if (c == '=') break;
        const int v = Base64Value(c);
        if (v < 0) continue;
        bits = (bits << 6) | static_cast<unsigned>(v);
        if (++count == 4) {
            out += static_cast<char>((bits >> 16) & 0xFF);
            out += static_cast<char>((bits >> 8) & 0xFF);
            out += static_cast<char>(bits & 0xFF);
            bits = 0;
            count = 0;
        }
    }
    // Fill characters left out: the bits there are still whole bytes.
    if (count == 2) {
        out += static_cast<char>((bits >> 4) & 0xFF);
    } else if (count == 3) {
        out += static_cast<char>((bits >> 10) & 0xFF);
        out += static_cast<char>((bits >> 2) & 0xFF);
    }
    return out;
}

std::string DecodeHeaderText(std::string_view value) {
    std::vector<Word> words;
    for (std::size_t p = value.find("=?"); p != std::string_view::npos;) {
        Word w;
        if (ReadWord(value, p, w)) {
            words.push_back(std::move(w));
            p = value.find("=?", words.back().End);
        } else {
            p = value.find("=?", p + 1);
        }
    }
    if (words.empty()) return PlainText(value);

    std::string out;
    std::size_t plainFrom = 0;  // start of the text not yet written
    bool lastDecoded = false;   // the text before plainFrom ended with a decoded word
    for (std::size_t i = 0; i < words.size();) {
        // A run of words in one charset separated by whitespace only: their bytes are joined
        // before conversion, since senders split characters across words.
        std::size_t j = i;
        std::string bytes = words[i].Bytes;
        while (j + 1 < words.size() && SameCharset(words[j + 1].Charset, words[i].Charset)) {
            bool blankOnly = true;
            for (std::size_t k = words[j].End; k < words[j + 1].Begin && blankOnly; ++k)
                blankOnly = IsLinearBlank(value[k]);
            if (!blankOnly) break;
            ++j;
            bytes += words[j].Bytes;
        }
        std::string decoded;
        const bool ok = WordsToUtf8(words[i].Charset, bytes, decoded);
        const std::string_view between = value.substr(plainFrom, words[i].Begin - plainFrom);
        bool blankOnly = true;
        for (char c : between) blankOnly = blankOnly && IsLinearBlank(c);
        if (!(ok && lastDecoded && blankOnly)) out += PlainText(between);
        if (ok) {
            out += decoded;
        } else {
            out += PlainText(value.substr(words[i].Begin, words[j].End - words[i].Begin));
        }
        lastDecoded = ok;
        plainFrom = words[j].End;
        i = j + 1;
    }
    out += PlainText(value.substr(plainFrom));
    return out;
}

std::string JisToShiftJis(std::string_view jis) {
    std::string out;
    out.reserve(jis.size());
    bool doubleByte = false;
    std::size_t i = 0;
    while (i < jis.size()) {
        const unsigned char c = static_cast<unsigned char>(jis[i]);
        if (c == 27) {
            if (i + 2 < jis.size()) {
                const char a = jis[i + 1], b = jis[i + 2];
                // ESC $ B and ESC $ @ select JIS X 0208; ESC ( B and ESC ( J select one byte.
                if (a == '$' && (b == 'B' || b == '@')) doubleByte = true;
                else if (a == '(' && (b == 'B' || b == 'J')) doubleByte = false;
                i += 3;
            } else {
                ++i;
            }
            continue;
        }
        if (!doubleByte) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        if (i + 1 >= jis.size()) break;  // a lone last byte
        const unsigned j1 = c;
        const unsigned j2 = static_cast<unsigned char>(jis[i + 1]);
        const unsigned s1 = (((j1 - 1) & 0xFF) >> 1) + (j1 <= 94 ? 113 : 177);
        unsigned s2;
        if (j1 % 2 == 0) s2 = j2 + 126;
        else if (j2 < 96) s2 = j2 + 31;
        else s2 = j2 + 32;
        out += static_cast<char>(s1 & 0xFF);
        out += static_cast<char>(s2 & 0xFF);
        i += 2;
    }
    return out;
}
