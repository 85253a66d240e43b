#include "platform/Paths.h"

#include <mutex>
#include <vector>

#include "platform/win32/Wide.h"

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
    // Long paths do not fit MAX_PATH: grow until the name is not cut.
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return {};
        if (n < buffer.size()) return win32::Narrow(buffer.data(), n);
        if (buffer.size() >= 32768) return {};
        buffer.resize(buffer.size() * 2);
    }
}

void SetExePathForTests(const std::string& path) {
    std::lock_guard<std::mutex> lock(gMutex);
    gExePathOverride = path;
}

}  // namespace platform
