#include "platform/FileTail.h"

#include <algorithm>
#include <vector>

namespace platform {

std::optional<std::uint64_t> TailStart(std::uint64_t size, std::size_t maxLines,
                                       const std::function<bool(std::uint64_t, std::size_t, char*)>& read) {
    if (maxLines == 0) return size;
    constexpr std::size_t kChunk = 65536;
    std::vector<char> buffer(kChunk);
    std::size_t breaks = 0;
    bool afterLf = false;  // the byte after the current one is the LF of a break
    std::uint64_t hi = size;
    while (hi > 0) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(hi, kChunk));
        const std::uint64_t lo = hi - n;
        if (!read(lo, n, buffer.data())) return std::nullopt;
        for (std::size_t k = n; k-- > 0;) {
            const char c = buffer[k];
            const std::uint64_t at = lo + k;
            if (c == '\r' && afterLf) {  // CR LF is one break, counted at its LF
                afterLf = false;
                continue;
            }
            afterLf = c == '\n';
            if (c != '\n' && c != '\r') continue;
            // The break at the very end closes the last line: it starts none.
            if (at + 1 == size) continue;
            if (++breaks == maxLines) return at + 1;
        }
        hi = lo;
    }
    return 0;
}

}  // namespace platform
