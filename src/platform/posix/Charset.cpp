#include "platform/Charset.h"

#include <iconv.h>

#include <cerrno>
#include <string>

#include "core/Text.h"

namespace platform {
namespace {

// Only plain names reach iconv: its "//" suffixes and odd characters are not for mail to pick.
bool Normalise(std::string_view charset, std::string& name) {
    std::string_view n = charset.substr(0, charset.find('*'));
    if (n.empty() || n.size() > 40) return false;
    name.clear();
    for (char c : n) {
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                        c == '-' || c == '_' || c == '.' || c == ':';
        if (!ok) return false;
        name += (c >= 'a' && c <= 'z') ? char(c - 32) : c;
    }
    if (name == "UTF8") name = "UTF-8";
    else if (name == "ASCII") name = "US-ASCII";
    // Japanese mail means the Windows code page by Shift_JIS: "\\" and "~" stay, and the
    // circled digits and the like of its extensions are known.
    else if (name == "SHIFT_JIS" || name == "SHIFT-JIS" || name == "X-SJIS" || name == "SJIS" || name == "MS_KANJI" ||
             name == "WINDOWS-31J")
        name = "CP932";
    else if (name == "KS_C_5601-1987") name = "CP949";
    return true;
}

}  // namespace

bool CharsetToUtf8(std::string_view charset, std::string_view bytes, std::string& utf8) {
    std::string name;
    if (!Normalise(charset, name)) return false;
    iconv_t cd = iconv_open("UTF-8", name.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    std::string out;
    out.reserve(bytes.size() * 2 + 16);
    char buffer[1024];
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    for (;;) {
        char* o = buffer;
        size_t oLeft = sizeof buffer;
        const size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
        out.append(buffer, static_cast<size_t>(o - buffer));
        if (r == static_cast<size_t>(-1)) {
            if (errno == E2BIG) continue;
            // An invalid or cut-off sequence: one replacement character, then on after it.
            out += "\xEF\xBF\xBD";
            if (inLeft > 0) {
                ++in;
                --inLeft;
            }
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
        if (inLeft == 0) break;
    }
    char* o = buffer;
    size_t oLeft = sizeof buffer;
    iconv(cd, nullptr, nullptr, &o, &oLeft);
    out.append(buffer, static_cast<size_t>(o - buffer));
    iconv_close(cd);
    // iconv lets some malformed UTF-8 through (code points past U+10FFFF): clean it up.
    if (!text::IsValidUtf8(out)) out = text::Utf32ToUtf8(text::Utf8ToUtf32(out));
    utf8 = std::move(out);
    return true;
}

}  // namespace platform
