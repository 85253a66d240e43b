#pragma once
// A lock held by one process system-wide, named after a text (a named mutex on Windows),
// and a way for a second process to wake the one that holds it.
#include <functional>
#include <memory>
#include <string>

namespace platform {

class TInstanceLock {
public:
    explicit TInstanceLock(std::string name);
    ~TInstanceLock();  // releases the lock
    TInstanceLock(const TInstanceLock&) = delete;
    TInstanceLock& operator=(const TInstanceLock&) = delete;
    // True when another process holds the lock already (CreateMutex + ERROR_ALREADY_EXISTS).
    bool AlreadyExists() const { return FAlreadyExists; }
    const std::string& Name() const { return FName; }

private:
    std::string FName;
    bool FAlreadyExists = false;
    struct Impl;
    std::unique_ptr<Impl> FImpl;
};

// POSIX stand-in for the broadcast wake-up: the holder listens on a local socket named
// after the text; PostWake from another process makes PollWake return true once.
// On Windows the wake-up is a registered window message broadcast by the UI layer.
void PostWake(const std::string& name);
class TWakeListener {
public:
    explicit TWakeListener(std::string name);
    ~TWakeListener();
    TWakeListener(const TWakeListener&) = delete;
    TWakeListener& operator=(const TWakeListener&) = delete;
    bool PollWake();  // non-blocking

private:
    struct Impl;
    std::unique_ptr<Impl> FImpl;
};

}  // namespace platform
