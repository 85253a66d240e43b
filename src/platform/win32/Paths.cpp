#include "platform/NativeProcess.h"
#include "platform/Paths.h"

#include <vector>

#include "platform/win32/Wide.h"

namespace platform {

std::string native::ExePath() {
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

std::string LongPathName(const std::string& path) {
    const std::wstring wide = win32::Widen(path);
    std::vector<wchar_t> buffer(MAX_PATH);
    for (int attempt = 0; attempt < 3; ++attempt) {
        const DWORD n = GetLongPathNameW(wide.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return path;
        if (n < buffer.size()) return win32::Narrow(buffer.data(), n);
        buffer.resize(n);
    }
    return path;
}

}  // namespace platform
