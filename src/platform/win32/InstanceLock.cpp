#include "platform/InstanceLock.h"

#include <vector>

#include "platform/win32/Wide.h"

namespace platform {

namespace {
// Events share the namespace of mutexes; a prefix keeps the wake-up apart from the lock,
// and "\" would name a kernel namespace.
std::wstring EventName(const std::string& name) {
    std::wstring w = L"SkimbarWake_" + win32::Widen(name);
    for (wchar_t& c : w)
        if (c == L'\\') c = L'_';
    return w;
}
}  // namespace

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

struct TInstanceLock::Impl {
    HANDLE Mutex = nullptr;
};

TInstanceLock::TInstanceLock(std::string name) : FName(std::move(name)), FImpl(std::make_unique<Impl>()) {
    HANDLE h = CreateMutexW(nullptr, TRUE, win32::Widen(FName).c_str());
    if (!h) return;  // no mutex at all: run as the first instance
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        FAlreadyExists = true;
        CloseHandle(h);
        return;
    }
    FImpl->Mutex = h;
}

TInstanceLock::~TInstanceLock() {
    if (!FImpl->Mutex) return;
    ReleaseMutex(FImpl->Mutex);
    CloseHandle(FImpl->Mutex);
}

void PostWake(const std::string& name) {
    HANDLE h = OpenEventW(EVENT_MODIFY_STATE, FALSE, EventName(name).c_str());
    if (!h) return;
    SetEvent(h);
    CloseHandle(h);
}

struct TWakeListener::Impl {
    HANDLE Event = nullptr;
};

TWakeListener::TWakeListener(std::string name) : FImpl(std::make_unique<Impl>()) {
    FImpl->Event = CreateEventW(nullptr, FALSE, FALSE, EventName(name).c_str());
}

TWakeListener::~TWakeListener() {
    if (FImpl->Event) CloseHandle(FImpl->Event);
}

bool TWakeListener::Listening() const { return FImpl->Event != nullptr; }

bool TWakeListener::PollWake() {
    return FImpl->Event && WaitForSingleObject(FImpl->Event, 0) == WAIT_OBJECT_0;
}

}  // namespace platform
