#include "mail/IdHeaderList.h"

#include "core/Text.h"

namespace {
char Upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 32) : c; }
bool IsFoldBlank(char c) { return c == ' ' || c == '\t'; }
}  // namespace

std::string TIdHeaderList::HeaderName(int index) const {
    const std::string& line = (*this)[index];
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos) return std::string();
    std::string name = line.substr(0, colon);
    return CaseSensitiveNames ? name : text::AsciiUpper(name);
}

int TIdHeaderList::HeaderIndex(std::string_view name) const {
    // Compared in place: this runs for every field of every fetched header block.
    for (int i = 0; i < Count(); ++i) {
        const std::string& line = FItems[static_cast<std::size_t>(i)];
        if (line.size() <= name.size() || line[name.size()] != ':') continue;
        if (line.find(':') != name.size()) continue;
        bool same = true;
        for (std::size_t k = 0; k < name.size() && same; ++k) same = Upper(line[k]) == Upper(name[k]);
        if (same) return i;
    }
    return -1;
}

std::string TIdHeaderList::HeaderValue(std::string_view name) const {
    const int i = HeaderIndex(name);
    if (i < 0) return std::string();
    std::string value = FItems[static_cast<std::size_t>(i)].substr(name.size() + 1);
    if (UnfoldContinuations) {
        for (int j = i + 1; j < Count(); ++j) {
            const std::string& next = FItems[static_cast<std::size_t>(j)];
            if (next.empty() || !IsFoldBlank(next[0])) break;
            if (!value.empty() && IsFoldBlank(value.back())) {
                value += text::TrimLeft(next);
            } else {
                if (!value.empty()) value += ' ';
                value += text::TrimLeft(next);
            }
        }
    }
    return text::TrimLeft(value);
}
