// Windows Sockets 1.1 from wsock32.dll, loaded at run time: the program links no socket
// library, and a machine without one fails with a message instead of refusing to start.
#include <winsock2.h>
#include <windows.h>

#include <cstring>
#include <mutex>

#include "platform/Socket.h"

namespace platform::net {
namespace {

struct Api {
    int(WSAAPI* WSAStartup)(WORD, LPWSADATA);
    int(WSAAPI* WSACleanup)();
    int(WSAAPI* WSACancelBlockingCall)();
    int(WSAAPI* WSAGetLastError)();
    SOCKET(WSAAPI* socket)(int, int, int);
    int(WSAAPI* bind)(SOCKET, const sockaddr*, int);
    int(WSAAPI* connect)(SOCKET, const sockaddr*, int);
    int(WSAAPI* select)(int, fd_set*, fd_set*, fd_set*, const timeval*);
    int(WSAAPI* recv)(SOCKET, char*, int, int);
    int(WSAAPI* send)(SOCKET, const char*, int, int);
    int(WSAAPI* shutdown)(SOCKET, int);
    int(WSAAPI* closesocket)(SOCKET);
    hostent*(WSAAPI* gethostbyname)(const char*);
    unsigned long(WSAAPI* inet_addr)(const char*);
    u_short(WSAAPI* htons)(u_short);
    u_short(WSAAPI* ntohs)(u_short);
    int(WSAAPI* getsockname)(SOCKET, sockaddr*, int*);
    int(WSAAPI* getpeername)(SOCKET, sockaddr*, int*);
    int(WSAAPI* setsockopt)(SOCKET, int, int, const char*, int);
    // Needed for the connect time-out and for the test servers.
    int(WSAAPI* getsockopt)(SOCKET, int, int, char*, int*);
    int(WSAAPI* ioctlsocket)(SOCKET, long, u_long*);
    int(WSAAPI* listen)(SOCKET, int);
    SOCKET(WSAAPI* accept)(SOCKET, sockaddr*, int*);
};

Api api{};
HMODULE library = nullptr;
int users = 0;
std::mutex lock;
thread_local int tOwnError = 0;  // errors found here rather than reported by the library

template <class F>
bool Load(F& slot, const char* name) {
    slot = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(library, name)));
    return slot != nullptr;
}

bool LoadAll() {
    return Load(api.WSAStartup, "WSAStartup") && Load(api.WSACleanup, "WSACleanup") &&
           Load(api.WSACancelBlockingCall, "WSACancelBlockingCall") &&
           Load(api.WSAGetLastError, "WSAGetLastError") && Load(api.socket, "socket") &&
           Load(api.bind, "bind") && Load(api.connect, "connect") && Load(api.select, "select") &&
           Load(api.recv, "recv") && Load(api.send, "send") && Load(api.shutdown, "shutdown") &&
           Load(api.closesocket, "closesocket") && Load(api.gethostbyname, "gethostbyname") &&
           Load(api.inet_addr, "inet_addr") && Load(api.htons, "htons") && Load(api.ntohs, "ntohs") &&
           Load(api.getsockname, "getsockname") && Load(api.getpeername, "getpeername") &&
           Load(api.setsockopt, "setsockopt") && Load(api.getsockopt, "getsockopt") &&
           Load(api.ioctlsocket, "ioctlsocket") && Load(api.listen, "listen") && Load(api.accept, "accept");
}

int Fail() {
    tOwnError = api.WSAGetLastError ? api.WSAGetLastError() : 10093;
    return -1;
}

int Fail(int code) {
    tOwnError = code;
    return -1;
}

SOCKET H(Socket s) { return static_cast<SOCKET>(s); }

sockaddr_in MakeAddress(std::uint32_t address, int port) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    // Host to network order by hand: htonl is not among the entry points we load.
    const std::uint32_t a = address;
    unsigned char* b = reinterpret_cast<unsigned char*>(&sa.sin_addr.s_addr);
    b[0] = static_cast<unsigned char>(a >> 24);
    b[1] = static_cast<unsigned char>(a >> 16);
    b[2] = static_cast<unsigned char>(a >> 8);
    b[3] = static_cast<unsigned char>(a);
    sa.sin_port = api.htons(static_cast<u_short>(port));
    return sa;
}

std::uint32_t HostOrder(const in_addr& in) {
    const unsigned char* b = reinterpret_cast<const unsigned char*>(&in.s_addr);
    return (std::uint32_t(b[0]) << 24) | (std::uint32_t(b[1]) << 16) | (std::uint32_t(b[2]) << 8) | b[3];
}

// The fd_set macros call into ws2_32; one socket is all we ever wait for.
void One(fd_set& set, Socket s) {
    set.fd_count = 1;
    set.fd_array[0] = H(s);
}

bool Has(const fd_set& set, Socket s) {
    for (u_int i = 0; i < set.fd_count; ++i)
        if (set.fd_array[i] == H(s)) return true;
    return false;
}

timeval* Limit(timeval& tv, int timeoutMs) {
    if (timeoutMs < 0) return nullptr;
    tv.tv_sec = timeoutMs / 1000;
    tv.tv_usec = (timeoutMs % 1000) * 1000;
    return &tv;
}

}  // namespace

StackStart StartStack() {
    std::lock_guard<std::mutex> guard(lock);
    if (users > 0) {
        ++users;
        return StackStart::Ok;
    }
    if (!library) {
        library = LoadLibraryA("wsock32.dll");
        if (!library) return StackStart::CannotLoad;
        if (!LoadAll()) {
            FreeLibrary(library);
            library = nullptr;
            return StackStart::CannotLoad;
        }
    }
    WSADATA data{};
    if (api.WSAStartup(0x0101, &data) != 0) return StackStart::InitFailed;
    users = 1;
    return StackStart::Ok;
}

void StopStack() {
    std::lock_guard<std::mutex> guard(lock);
    if (users == 0 || --users > 0) return;
    api.WSACancelBlockingCall();
    api.WSACleanup();
    // The library stays loaded: loaded again after a FreeLibrary its sockets fail under
    // Wine (10038), and the process gains nothing by unloading it.
}

int LastError() { return tOwnError; }
void SetErrorNumber(int code) { tOwnError = code; }

Socket OpenTcp() {
    SOCKET s = api.socket(AF_INET, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET) return Fail();
    return static_cast<Socket>(s);
}

int Bind(Socket s, std::uint32_t address, int port) {
    sockaddr_in sa = MakeAddress(address, port);
    if (api.bind(H(s), reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) return Fail();
    return 0;
}

int Connect(Socket s, std::uint32_t address, int port, int timeoutMs) {
    u_long nonBlocking = 1;
    if (api.ioctlsocket(H(s), FIONBIO, &nonBlocking) != 0) return Fail();
    sockaddr_in sa = MakeAddress(address, port);
    int result = 0;
    if (api.connect(H(s), reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
        if (api.WSAGetLastError() != WSAEWOULDBLOCK) {
            result = Fail();
        } else {
            fd_set writable, failed;
            One(writable, s);
            One(failed, s);
            timeval tv{};
            int r = api.select(0, nullptr, &writable, &failed, Limit(tv, timeoutMs));
            if (r < 0) {
                result = Fail();
            } else if (r == 0) {
                result = Fail(ErrTimedOut);
            } else if (Has(failed, s)) {
                int err = 0;
                int len = sizeof err;
                if (api.getsockopt(H(s), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&err), &len) != 0)
                    result = Fail();
                else
                    result = Fail(err != 0 ? err : ErrConnectionRefused);
            }
        }
    }
    const int saved = tOwnError;
    u_long blocking = 0;
    if (api.ioctlsocket(H(s), FIONBIO, &blocking) != 0 && result == 0) return Fail();
    tOwnError = saved;
    return result;
}

int WaitReadable(Socket s, int timeoutMs) {
    fd_set readable;
    One(readable, s);
    timeval tv{};
    int r = api.select(0, &readable, nullptr, nullptr, Limit(tv, timeoutMs));
    if (r < 0) return Fail();
    return r == 1 ? 1 : 0;
}

int Recv(Socket s, char* buffer, int size) {
    int n = api.recv(H(s), buffer, size, 0);
    return n < 0 ? Fail() : n;
}

int Send(Socket s, const char* data, int size) {
    int n = api.send(H(s), data, size, 0);
    return n < 0 ? Fail() : n;
}

int Shutdown(Socket s, int how) { return api.shutdown(H(s), how) == 0 ? 0 : Fail(); }
int Close(Socket s) { return api.closesocket(H(s)) == 0 ? 0 : Fail(); }

int SetNoDelay(Socket s, bool on) {
    BOOL v = on ? TRUE : FALSE;
    return api.setsockopt(H(s), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&v), sizeof v) == 0
               ? 0
               : Fail();
}

static bool NameOf(bool peer, Socket s, std::uint32_t& address, int& port) {
    sockaddr_in sa{};
    int len = sizeof sa;
    int r = peer ? api.getpeername(H(s), reinterpret_cast<sockaddr*>(&sa), &len)
                 : api.getsockname(H(s), reinterpret_cast<sockaddr*>(&sa), &len);
    if (r != 0) {
        Fail();
        return false;
    }
    address = HostOrder(sa.sin_addr);
    port = api.ntohs(sa.sin_port);
    return true;
}

bool LocalAddress(Socket s, std::uint32_t& address, int& port) { return NameOf(false, s, address, port); }
bool PeerAddress(Socket s, std::uint32_t& address, int& port) { return NameOf(true, s, address, port); }

bool LookupName(const std::string& name, std::uint32_t& address, int& error) {
    // gethostbyname keeps its answer per thread, so this may run on any thread.
    hostent* h = api.gethostbyname(name.c_str());
    if (!h || h->h_addrtype != AF_INET || !h->h_addr_list || !h->h_addr_list[0]) {
        error = h ? ErrHostNotFound : api.WSAGetLastError();
        return false;
    }
    in_addr in;
    std::memcpy(&in, h->h_addr_list[0], sizeof in);
    address = HostOrder(in);
    return true;
}

Socket ListenLoopback(int& port) {
    Socket s = OpenTcp();
    if (s == InvalidSocket) return s;
    std::uint32_t a = 0;
    if (Bind(s, 0x7F000001u, 0) != 0 || api.listen(H(s), 8) != 0 || !LocalAddress(s, a, port)) {
        Fail();
        api.closesocket(H(s));
        return InvalidSocket;
    }
    return s;
}

Socket Accept(Socket listener, int timeoutMs) {
    if (WaitReadable(listener, timeoutMs) != 1) return InvalidSocket;
    SOCKET c = api.accept(H(listener), nullptr, nullptr);
    if (c == INVALID_SOCKET) return Fail();
    return static_cast<Socket>(c);
}

}  // namespace platform::net
