#include <windows.h>

#include <string>

#include "core/Text.h"
#include "platform/Charset.h"

namespace platform {
namespace {

struct Named {
    const char* Name;
    UINT CodePage;
};

// Mail names of the code pages Windows converts with MultiByteToWideChar.
constexpr Named kNames[] = {
    {"UTF-8", 65001}, {"UTF8", 65001}, {"US-ASCII", 20127}, {"ASCII", 20127},
    {"ISO-8859-1", 28591}, {"ISO-8859-2", 28592}, {"ISO-8859-3", 28593}, {"ISO-8859-4", 28594},
    {"ISO-8859-5", 28595}, {"ISO-8859-6", 28596}, {"ISO-8859-7", 28597}, {"ISO-8859-8", 28598},
    {"ISO-8859-8-I", 38598}, {"ISO-8859-9", 28599}, {"ISO-8859-10", 28600}, {"ISO-8859-11", 874},
    {"ISO-8859-13", 28603}, {"ISO-8859-14", 28604}, {"ISO-8859-15", 28605}, {"LATIN1", 28591},
    {"WINDOWS-1250", 1250}, {"WINDOWS-1251", 1251}, {"WINDOWS-1252", 1252}, {"WINDOWS-1253", 1253},
    {"WINDOWS-1254", 1254}, {"WINDOWS-1255", 1255}, {"WINDOWS-1256", 1256}, {"WINDOWS-1257", 1257},
    {"WINDOWS-1258", 1258}, {"CP1250", 1250}, {"CP1251", 1251}, {"CP1252", 1252}, {"CP1253", 1253},
    {"CP1254", 1254}, {"CP1255", 1255}, {"CP1256", 1256}, {"CP1257", 1257}, {"CP1258", 1258},
    {"KOI8-R", 20866}, {"KOI8-U", 21866}, {"SHIFT_JIS", 932}, {"SHIFT-JIS", 932}, {"SJIS", 932},
    {"X-SJIS", 932}, {"MS_KANJI", 932}, {"CP932", 932}, {"WINDOWS-31J", 932}, {"EUC-JP", 20932},
    {"ISO-2022-JP", 50220}, {"GB2312", 936}, {"GBK", 936}, {"CP936", 936}, {"GB18030", 54936},
    {"BIG5", 950}, {"BIG-5", 950}, {"CP950", 950}, {"EUC-KR", 949}, {"KS_C_5601-1987", 949},
    {"CP949", 949}, {"ISO-2022-KR", 50225}, {"TIS-620", 874}, {"WINDOWS-874", 874},
    {"CP437", 437}, {"IBM437", 437}, {"CP850", 850}, {"IBM850", 850}, {"CP866", 866},
    {"IBM866", 866}, {"UTF-7", 65000},
};

bool CodePageOf(std::string_view charset, UINT& codePage) {
    std::string name = text::AsciiUpper(charset.substr(0, charset.find('*')));
    for (const Named& n : kNames) {
        if (name == n.Name) {
            codePage = n.CodePage;
            return IsValidCodePage(codePage) != 0;
        }
    }
    return false;
}

// ISO-2022-JP as Shift_JIS, for systems whose code page 50220 is missing (Wine has none).
std::string JisAsShiftJis(std::string_view jis) {
    std::string out;
    bool twoBytes = false;
    for (std::size_t i = 0; i < jis.size();) {
        const unsigned char c = static_cast<unsigned char>(jis[i]);
        if (c == 27 && i + 2 < jis.size()) {
            if (jis[i + 1] == '$') twoBytes = true;
            else if (jis[i + 1] == '(') twoBytes = false;
            i += 3;
        } else if (!twoBytes || i + 1 >= jis.size()) {
            if (!twoBytes) out += static_cast<char>(c);
            ++i;
        } else {
            const unsigned j1 = c, j2 = static_cast<unsigned char>(jis[i + 1]);
            out += static_cast<char>((((j1 - 1) & 0xFF) >> 1) + (j1 <= 94 ? 113 : 177));
            out += static_cast<char>(j1 % 2 == 0 ? j2 + 126 : j2 < 96 ? j2 + 31 : j2 + 32);
            i += 2;
        }
    }
    return out;
}

}  // namespace

bool CharsetToUtf8(std::string_view charset, std::string_view bytes, std::string& utf8) {
    UINT cp = 0;
    if (!CodePageOf(charset, cp)) {
        if (text::SameTextAscii(charset.substr(0, charset.find('*')), "ISO-2022-JP") && IsValidCodePage(932))
            return CharsetToUtf8("Shift_JIS", JisAsShiftJis(bytes), utf8);
        return false;
    }
    if (bytes.empty()) {
        utf8.clear();
        return true;
    }
    const int inSize = static_cast<int>(bytes.size());
    int n = MultiByteToWideChar(cp, 0, bytes.data(), inSize, nullptr, 0);
    if (n <= 0) return false;
    std::u16string wide(static_cast<size_t>(n), u'\0');
    n = MultiByteToWideChar(cp, 0, bytes.data(), inSize, reinterpret_cast<wchar_t*>(wide.data()), n);
    if (n <= 0) return false;
    wide.resize(static_cast<size_t>(n));
    utf8 = text::Utf16ToUtf8(wide);
    if (!text::IsValidUtf8(utf8)) utf8 = text::Utf32ToUtf8(text::Utf8ToUtf32(utf8));
    return true;
}

}  // namespace platform
