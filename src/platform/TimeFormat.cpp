#include "platform/Locale.h"

namespace platform {

namespace {
bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsField(char c) { return c == 'H' || c == 'h' || c == 'm' || c == 's' || c == 't'; }
}  // namespace

std::string TimeFormatFromWindows(const std::string& picture, bool dropSeconds) {
    std::string out;
    std::string pendingSeparator;  // text after a field, held back in case seconds follow
    std::size_t i = 0;
    auto flush = [&] {
        out += pendingSeparator;
        pendingSeparator.clear();
    };
    while (i < picture.size()) {
        const char c = picture[i];
        std::size_t run = 1;
        while (i + run < picture.size() && picture[i + run] == c) ++run;
        if (IsField(c)) {
            if (c == 's' && dropSeconds) {
                pendingSeparator.clear();  // "HH:mm:ss" loses ":ss"
            } else {
                flush();
                const bool two = run >= 2;
                switch (c) {
                    case 'H':
                    case 'h': out += two ? "hh" : "h"; break;
                    case 'm': out += two ? "nn" : "n"; break;
                    case 's': out += two ? "ss" : "s"; break;
                    default: out += "AMPM"; break;
                }
            }
            i += run;
            continue;
        }
        if (c == '\'') {
            // Quoted literal; '' inside stands for one quote.
            std::string literal;
            ++i;
            while (i < picture.size()) {
                if (picture[i] == '\'') {
                    if (i + 1 < picture.size() && picture[i + 1] == '\'') {
                        literal += '\'';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                literal += picture[i++];
            }
            if (!literal.empty()) pendingSeparator += "\"" + literal + "\"";
            continue;
        }
        // Letters would be pattern letters to the program: keep them literal.
        if (IsAsciiLetter(c)) {
            std::size_t end = i;
            while (end < picture.size() && IsAsciiLetter(picture[end]) && !IsField(picture[end])) ++end;
            pendingSeparator += "\"" + picture.substr(i, end - i) + "\"";
            i = end;
            continue;
        }
        pendingSeparator.append(run, c);
        i += run;
    }
    flush();
    return out;
}

}  // namespace platform
