#include "platform/Paths.h"

#include <mutex>

#include "platform/NativeProcess.h"

namespace platform {

namespace {
std::mutex gExeMutex;
std::string gExePathOverride;

// Program paths use "\" (and a drive colon); POSIX paths use "/". Both split alike.
bool IsDelimiter(char c) { return c == '\\' || c == '/' || c == ':'; }

std::size_t NameStart(const std::string& path) {
    std::size_t i = path.size();
    while (i > 0 && !IsDelimiter(path[i - 1])) --i;
    return i;
}
}  // namespace

std::string ExtractFilePath(const std::string& path) { return path.substr(0, NameStart(path)); }

std::string ExtractFileName(const std::string& path) { return path.substr(NameStart(path)); }

std::string ChangeFileExt(const std::string& path, const std::string& ext) {
    const std::size_t start = NameStart(path);
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < start) return path + ext;
    return path.substr(0, dot) + ext;
}

std::string ExtractFileExt(const std::string& path) {
    const std::size_t start = NameStart(path);
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < start) return {};
    return path.substr(dot);
}

std::string ExeDir() { return ExtractFilePath(ExePath()); }

std::string ExePath() {
    {
        std::lock_guard<std::mutex> lock(gExeMutex);
        if (!gExePathOverride.empty()) return gExePathOverride;
    }
    return native::ExePath();
}

void SetExePathForTests(const std::string& path) {
    std::lock_guard<std::mutex> lock(gExeMutex);
    gExePathOverride = path;
}

}  // namespace platform
