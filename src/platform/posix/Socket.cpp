// BSD sockets with errno mapped onto the Windows Sockets numbers.
#include "platform/Socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

namespace platform::net {
namespace {

thread_local int tLastError = 0;

int MapErrno(int e) {
    switch (e) {
    case EINTR: return 10004;
    case EBADF: return 10009;
    case EACCES: return 10013;
    case EFAULT: return 10014;
    case EINVAL: return 10022;
    case EMFILE: return 10024;
#if EAGAIN != EWOULDBLOCK
    case EAGAIN:
#endif
    case EWOULDBLOCK: return 10035;
    case EINPROGRESS: return 10036;
    case EALREADY: return 10037;
    case ENOTSOCK: return 10038;
    case EDESTADDRREQ: return 10039;
    case EMSGSIZE: return 10040;
    case EPROTOTYPE: return 10041;
    case ENOPROTOOPT: return 10042;
    case EPROTONOSUPPORT: return 10043;
    case ESOCKTNOSUPPORT: return 10044;
#if EOPNOTSUPP != ENOTSUP
    case ENOTSUP:
#endif
    case EOPNOTSUPP: return 10045;
    case EPFNOSUPPORT: return 10046;
    case EAFNOSUPPORT: return 10047;
    case EADDRINUSE: return 10048;
    case EADDRNOTAVAIL: return 10049;
    case ENETDOWN: return 10050;
    case ENETUNREACH: return 10051;
    case ENETRESET: return 10052;
    case ECONNABORTED: return 10053;
    case ECONNRESET: return 10054;
    case ENOBUFS: return 10055;
    case EISCONN: return 10056;
    case ENOTCONN: return 10057;
    case ESHUTDOWN:
    case EPIPE: return 10058;  // sending on a connection that is gone
    case ETOOMANYREFS: return 10059;
    case ETIMEDOUT: return 10060;
    case ECONNREFUSED: return 10061;
    case ELOOP: return 10062;
    case ENAMETOOLONG: return 10063;
    case EHOSTDOWN: return 10064;
    case EHOSTUNREACH: return 10065;
    case ENOTEMPTY: return 10066;
    default: return e == 0 ? 0 : 10000 + e;
    }
}

int Fail() {
    tLastError = MapErrno(errno);
    return -1;
}

int Fail(int code) {
    tLastError = code;
    return -1;
}

sockaddr_in MakeAddress(std::uint32_t address, int port) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(address);
    sa.sin_port = htons(static_cast<std::uint16_t>(port));
    return sa;
}

// poll() for one event, resumed after signals with the time left.
int WaitFor(Socket s, short events, int timeoutMs) {
    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    for (;;) {
        int wait = -1;
        if (timeoutMs >= 0) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock::now()).count();
            wait = left < 0 ? 0 : static_cast<int>(left);
        }
        pollfd p{static_cast<int>(s), events, 0};
        int r = ::poll(&p, 1, wait);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return Fail();
        if (r == 0) return 0;
        if (p.revents & POLLNVAL) return Fail(10038);
        return 1;
    }
}

}  // namespace

StackStart StartStack() { return StackStart::Ok; }
void StopStack() {}
int LastError() { return tLastError; }
void SetErrorNumber(int code) { tLastError = code; }

Socket OpenTcp() {
    int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0) return Fail();
    return s;
}

int Bind(Socket s, std::uint32_t address, int port) {
    sockaddr_in sa = MakeAddress(address, port);
    if (::bind(static_cast<int>(s), reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) return Fail();
    return 0;
}

int Connect(Socket s, std::uint32_t address, int port, int timeoutMs) {
    const int fd = static_cast<int>(s);
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0) return Fail();
    sockaddr_in sa = MakeAddress(address, port);
    int result = 0;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
        if (errno != EINPROGRESS && errno != EINTR) {
            result = Fail();
        } else {
            int r = WaitFor(s, POLLOUT, timeoutMs);
            if (r < 0) {
                result = -1;
            } else if (r == 0) {
                result = Fail(ErrTimedOut);
            } else {
                int err = 0;
                socklen_t len = sizeof err;
                if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0) {
                    result = Fail();
                } else if (err != 0) {
                    errno = err;
                    result = Fail();
                }
            }
        }
    }
    const int saved = tLastError;
    if (::fcntl(fd, F_SETFL, flags) != 0 && result == 0) return Fail();
    tLastError = saved;
    return result;
}

int WaitReadable(Socket s, int timeoutMs) { return WaitFor(s, POLLIN, timeoutMs); }

int Recv(Socket s, char* buffer, int size) {
    for (;;) {
        ssize_t n = ::recv(static_cast<int>(s), buffer, static_cast<size_t>(size), 0);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Fail();
        return static_cast<int>(n);
    }
}

int Send(Socket s, const char* data, int size) {
    for (;;) {
        ssize_t n = ::send(static_cast<int>(s), data, static_cast<size_t>(size), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Fail();
        return static_cast<int>(n);
    }
}

int Shutdown(Socket s, int how) {
    const int mode = how == 0 ? SHUT_RD : how == 1 ? SHUT_WR : SHUT_RDWR;
    return ::shutdown(static_cast<int>(s), mode) == 0 ? 0 : Fail();
}

int Close(Socket s) { return ::close(static_cast<int>(s)) == 0 ? 0 : Fail(); }

int SetNoDelay(Socket s, bool on) {
    int v = on ? 1 : 0;
    return ::setsockopt(static_cast<int>(s), IPPROTO_TCP, TCP_NODELAY, &v, sizeof v) == 0 ? 0 : Fail();
}

static bool NameOf(bool peer, Socket s, std::uint32_t& address, int& port) {
    sockaddr_in sa{};
    socklen_t len = sizeof sa;
    int r = peer ? ::getpeername(static_cast<int>(s), reinterpret_cast<sockaddr*>(&sa), &len)
                 : ::getsockname(static_cast<int>(s), reinterpret_cast<sockaddr*>(&sa), &len);
    if (r != 0) return Fail() == 0;
    address = ntohl(sa.sin_addr.s_addr);
    port = ntohs(sa.sin_port);
    return true;
}

bool LocalAddress(Socket s, std::uint32_t& address, int& port) { return NameOf(false, s, address, port); }
bool PeerAddress(Socket s, std::uint32_t& address, int& port) { return NameOf(true, s, address, port); }

bool LookupName(const std::string& name, std::uint32_t& address, int& error) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    int r = ::getaddrinfo(name.c_str(), nullptr, &hints, &list);
    if (r != 0 || list == nullptr) {
        switch (r) {
        case EAI_AGAIN: error = 11002; break;
        case EAI_FAIL: error = 11003; break;
#ifdef EAI_NODATA
        case EAI_NODATA: error = 11004; break;
#endif
        case EAI_SYSTEM: error = MapErrno(errno); break;
        default: error = ErrHostNotFound; break;
        }
        if (list) ::freeaddrinfo(list);
        return false;
    }
    address = ntohl(reinterpret_cast<sockaddr_in*>(list->ai_addr)->sin_addr.s_addr);
    ::freeaddrinfo(list);
    return true;
}

Socket ListenLoopback(int& port) {
    Socket s = OpenTcp();
    if (s == InvalidSocket) return s;
    int one = 1;
    ::setsockopt(static_cast<int>(s), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    std::uint32_t a = 0;
    if (Bind(s, 0x7F000001u, 0) != 0 || ::listen(static_cast<int>(s), 8) != 0 || !LocalAddress(s, a, port)) {
        if (errno) Fail();
        ::close(static_cast<int>(s));
        return InvalidSocket;
    }
    return s;
}

Socket Accept(Socket listener, int timeoutMs) {
    if (WaitFor(listener, POLLIN, timeoutMs) != 1) return InvalidSocket;
    int c = ::accept4(static_cast<int>(listener), nullptr, nullptr, SOCK_CLOEXEC);
    if (c < 0) return Fail();
    return c;
}

}  // namespace platform::net
