#include "platform/Paths.h"

#include <unistd.h>

#include <climits>
#include <mutex>

namespace platform {

namespace {
std::mutex gMutex;
std::string gExePathOverride;
}  // namespace

std::string ExePath() {
    {
        std::lock_guard<std::mutex> lock(gMutex);
        if (!gExePathOverride.empty()) return gExePathOverride;
    }
    char buffer[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer);
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof buffer) return {};
    return std::string(buffer, static_cast<std::size_t>(n));
}

void SetExePathForTests(const std::string& path) {
    std::lock_guard<std::mutex> lock(gMutex);
    gExePathOverride = path;
}

}  // namespace platform
