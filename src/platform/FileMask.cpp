#include "core/Text.h"
#include "platform/Files.h"

namespace platform {

namespace {
bool Match(const std::u32string& name, std::size_t n, const std::u32string& mask, std::size_t m) {
    // Iterative * matching with one back-tracking point, linear in practice.
    std::size_t starMask = std::u32string::npos, starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == U'?' || mask[m] == name[n])) {
            ++n;
            ++m;
        } else if (m < mask.size() && mask[m] == U'*') {
            starMask = m++;
            starName = n;
        } else if (starMask != std::u32string::npos) {
            m = starMask + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == U'*') ++m;
    return m == mask.size();
}
}  // namespace

bool MatchesFileMask(const std::string& name, const std::string& mask) {
    const std::u32string n = text::Utf8ToUtf32(text::AnsiUpper(name));
    const std::u32string m = text::Utf8ToUtf32(text::AnsiUpper(mask));
    if (Match(n, 0, m, 0)) return true;
    // "readme.*" also finds "readme", as the Windows enumeration does.
    if (m.size() >= 2 && m.compare(m.size() - 2, 2, U".*") == 0 && n.find(U'.') == std::u32string::npos)
        return Match(n, 0, m.substr(0, m.size() - 2), 0);
    return false;
}

}  // namespace platform
