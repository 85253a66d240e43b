#pragma once
// Blocking IPv4 TCP sockets. Every failing call returns -1 (or false) and leaves a Windows
// Sockets error number (10061, 10060, ...) for LastError on every platform, so that messages
// and tests read the same everywhere.
#include <cstdint>
#include <string>

namespace platform::net {

using Socket = std::intptr_t;
inline constexpr Socket InvalidSocket = -1;

// Error numbers the callers look at by name.
inline constexpr int ErrInterrupted = 10004;
inline constexpr int ErrWouldBlock = 10035;
inline constexpr int ErrAddressInUse = 10048;
inline constexpr int ErrNotConnected = 10057;
inline constexpr int ErrShutdown = 10058;
inline constexpr int ErrTimedOut = 10060;
inline constexpr int ErrConnectionRefused = 10061;
inline constexpr int ErrHostNotFound = 11001;

enum class StackStart { Ok, CannotLoad, InitFailed };
// Loads and starts the socket library (wsock32.dll, version 1.1, on Windows).
StackStart StartStack();
// Cancels a blocking call and cleans the library up (it stays loaded for a later start).
void StopStack();

// Error number of the last failing call on this thread.
int LastError();
// Sets what LastError answers on this thread.
void SetErrorNumber(int code);

// socket(AF_INET, SOCK_STREAM, 0).
Socket OpenTcp();
// Addresses are in host order (127.0.0.1 is 0x7F000001); 0 is any address.
int Bind(Socket s, std::uint32_t address, int port);
// Connects and waits at most timeoutMs (< 0: no limit); a time-out fails with 10060.
int Connect(Socket s, std::uint32_t address, int port, int timeoutMs);
// 1 when readable, 0 when timeoutMs passed first (< 0: no limit), -1 on error.
int WaitReadable(Socket s, int timeoutMs);
int Recv(Socket s, char* buffer, int size);
// A send to a closed peer fails with an error; it never raises a signal.
int Send(Socket s, const char* data, int size);
// how: 0 receives, 1 sends, 2 both.
int Shutdown(Socket s, int how);
int Close(Socket s);
int SetNoDelay(Socket s, bool on);
bool LocalAddress(Socket s, std::uint32_t& address, int& port);
bool PeerAddress(Socket s, std::uint32_t& address, int& port);
// Name lookup; the first IPv4 address. False with LastError set (11001 and the like).
// The lookup runs on a thread of its own and is given up after timeoutMs (< 0: no limit),
// failing with 10060; the system call itself cannot be cancelled and ends in the background.
bool ResolveName(const std::string& name, std::uint32_t& address, int timeoutMs);

// The blocking system lookup behind ResolveName; safe on any thread. False with error set.
bool LookupName(const std::string& name, std::uint32_t& address, int& error);
// Replaces the lookup ResolveName uses (tests: a resolver that never answers); null
// restores the system one. Returns the previous one.
using NameLookupFunction = bool (*)(const std::string& name, std::uint32_t& address, int& error);
NameLookupFunction SetNameLookup(NameLookupFunction lookup);

// For servers inside the tests: listen on 127.0.0.1 at a free port (port is set), and
// accept one client within timeoutMs (InvalidSocket on time-out or failure).
Socket ListenLoopback(int& port);
Socket Accept(Socket listener, int timeoutMs);

}  // namespace platform::net
