// Name lookup with a time limit: the system lookup has none, and it runs on the thread of
// the user interface.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/Socket.h"

namespace platform::net {
namespace {

std::atomic<NameLookupFunction> gLookup{nullptr};

struct Lookup {
    std::mutex Lock;
    std::condition_variable Done;
    bool Finished = false;
    bool Ok = false;
    std::uint32_t Address = 0;
    int Error = 0;
};

}  // namespace

NameLookupFunction SetNameLookup(NameLookupFunction lookup) { return gLookup.exchange(lookup); }

bool ResolveName(const std::string& name, std::uint32_t& address, int timeoutMs) {
    NameLookupFunction lookup = gLookup.load();
    if (!lookup) lookup = &LookupName;
    auto state = std::make_shared<Lookup>();
    // The worker holds the socket library while it runs, so that a lookup given up keeps
    // it started until it returns.
    const bool stackHeld = StartStack() == StackStart::Ok;
    try {
        std::thread([state, lookup, name, stackHeld] {
            std::uint32_t a = 0;
            int error = 0;
            const bool ok = lookup(name, a, error);
            if (stackHeld) StopStack();
            std::lock_guard<std::mutex> guard(state->Lock);
            state->Ok = ok;
            state->Address = a;
            state->Error = ok ? 0 : (error != 0 ? error : ErrHostNotFound);
            state->Finished = true;
            state->Done.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        // No thread to spare: look up here, without the limit.
        if (stackHeld) StopStack();
        int error = 0;
        if (lookup(name, address, error)) return true;
        SetErrorNumber(error != 0 ? error : ErrHostNotFound);
        return false;
    }
    std::unique_lock<std::mutex> guard(state->Lock);
    if (timeoutMs < 0) {
        state->Done.wait(guard, [&] { return state->Finished; });
    } else if (!state->Done.wait_for(guard, std::chrono::milliseconds(timeoutMs), [&] { return state->Finished; })) {
        SetErrorNumber(ErrTimedOut);
        return false;
    }
    if (!state->Ok) {
        SetErrorNumber(state->Error);
        return false;
    }
    address = state->Address;
    return true;
}

}  // namespace platform::net
