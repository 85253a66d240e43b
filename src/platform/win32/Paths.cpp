#include "platform/NativeProcess.h"

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

}  // namespace platform
