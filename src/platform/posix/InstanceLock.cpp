#include "platform/InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace platform {

namespace {

std::string RuntimeFolder() {
    const char* dir = std::getenv("XDG_RUNTIME_DIR");
    struct stat st;
    if (dir && *dir && ::stat(dir, &st) == 0 && S_ISDIR(st.st_mode)) return dir;
    return "/tmp";
}

// File-name-safe form of the text; a hash tells apart texts that sanitise alike, and keeps
// socket paths within their length limit.
std::string BaseName(const std::string& text) {
    std::string safe;
    bool changed = false;
    for (unsigned char c : text) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
            c == '_') {
            safe += static_cast<char>(c);
        } else {
            safe += '_';
            changed = true;
        }
    }
    if (safe.size() > 40) {
        safe.resize(40);
        changed = true;
    }
    if (changed) {
        std::uint32_t h = 2166136261u;
        for (unsigned char c : text) h = (h ^ c) * 16777619u;
        char hex[12];
        std::snprintf(hex, sizeof hex, "-%08x", h);
        safe += hex;
    }
    return RuntimeFolder() + "/skimbar-" + std::to_string(::getuid()) + "-" + safe;
}

bool SocketAddress(const std::string& name, sockaddr_un& addr) {
    const std::string path = BaseName(name) + ".wake";
    std::memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path) return false;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    return true;
}

}  // namespace

std::string LongPathName(const std::string& path) { return path; }

struct TInstanceLock::Impl {
    int Fd = -1;
};

TInstanceLock::TInstanceLock(std::string name) : FName(std::move(name)), FImpl(std::make_unique<Impl>()) {
    const std::string path = BaseName(FName) + ".lock";
    // Never through a link another user may have planted in /tmp.
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return;  // no lock at all: run as the first instance
    // A file of another user (in a shared /tmp) could stop the program: refused.
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
        ::close(fd);
        return;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        FImpl->Fd = fd;
        return;
    }
    FAlreadyExists = errno == EWOULDBLOCK;
    ::close(fd);
}

TInstanceLock::~TInstanceLock() {
    // The file stays: removing it would race with a process that has just opened it.
    if (FImpl->Fd >= 0) ::close(FImpl->Fd);
}

void PostWake(const std::string& name) {
    sockaddr_un addr;
    if (!SocketAddress(name, addr)) return;
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return;
    const char byte = 1;
    (void)::sendto(fd, &byte, 1, MSG_DONTWAIT | MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
    ::close(fd);
}

struct TWakeListener::Impl {
    int Fd = -1;
    std::string Path;
};

TWakeListener::TWakeListener(std::string name) : FImpl(std::make_unique<Impl>()) {
    sockaddr_un addr;
    if (!SocketAddress(name, addr)) return;
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return;
    auto bindIt = [&] { return ::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0; };
    bool bound = bindIt();
    if (!bound && errno == EADDRINUSE) {
        // A socket file left by a process that ended: nobody receives on it any more.
        const int probe = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        const bool live =
            probe >= 0 && ::connect(probe, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0;
        if (probe >= 0) ::close(probe);
        if (!live) {
            ::unlink(addr.sun_path);
            bound = bindIt();
        }
    }
    if (!bound) {
        ::close(fd);
        return;
    }
    FImpl->Fd = fd;
    FImpl->Path = addr.sun_path;
}

TWakeListener::~TWakeListener() {
    if (FImpl->Fd < 0) return;
    ::close(FImpl->Fd);
    ::unlink(FImpl->Path.c_str());
}

bool TWakeListener::Listening() const { return FImpl->Fd >= 0; }

bool TWakeListener::PollWake() {
    if (FImpl->Fd < 0) return false;
    bool woken = false;
    char buffer[64];
    for (;;) {
        const ssize_t n = ::recv(FImpl->Fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n >= 0) {
            woken = true;
            continue;
        }
        if (errno == EINTR) continue;
        return woken;
    }
}

}  // namespace platform
