#pragma once
// A lock held by one process system-wide, named after a text (a named mutex on Windows),
// and a way for a second process to wake the one that holds it.
#include <functional>
#include <memory>
#include <string>

namespace platform {

// The path with every part in its long form (Windows: GetLongPathName, so that a short 8.3
// name gives the name the file was given), as a lock named after the executable needs it;
// the path unchanged when that fails, and elsewhere.
std::string LongPathName(const std::string& path);

class TInstanceLock {
public:
    // Windows: CreateMutexW(nullptr, TRUE, name). POSIX: flock on a lock file in
    // $XDG_RUNTIME_DIR (or /tmp) named after the user and the text; a lock file that is not
    // the user's own regular file is refused. When the lock cannot be made at all, the
    // process counts as the first (AlreadyExists false).
    explicit TInstanceLock(std::string name);
    ~TInstanceLock();  // releases the lock
    TInstanceLock(const TInstanceLock&) = delete;
    TInstanceLock& operator=(const TInstanceLock&) = delete;
    // True when another process holds the lock already (CreateMutex + ERROR_ALREADY_EXISTS);
    // such a lock holds nothing.
    bool AlreadyExists() const { return FAlreadyExists; }
    const std::string& Name() const { return FName; }

private:
    std::string FName;
    bool FAlreadyExists = false;
    struct Impl;
    std::unique_ptr<Impl> FImpl;
};

// Wake-up of the lock holder by a second process, with the same meaning on both platforms:
// the holder keeps a TWakeListener named after the text; PostWake from any process makes its
// PollWake return true once (several wake-ups before a poll count as one). PostWake without
// a listener does nothing. POSIX: a local datagram socket beside the lock file; Windows: a
// named auto-reset event (the UI layer may also broadcast its registered window message).
void PostWake(const std::string& name);
class TWakeListener {
public:
    explicit TWakeListener(std::string name);
    ~TWakeListener();
    TWakeListener(const TWakeListener&) = delete;
    TWakeListener& operator=(const TWakeListener&) = delete;
    bool Listening() const;  // false when the listener could not be set up
    bool PollWake();         // non-blocking

private:
    struct Impl;
    std::unique_ptr<Impl> FImpl;
};

}  // namespace platform
