// The installed backend, and the message functions that go through it.
#include <stdexcept>

#include "ui/Backend.h"
#include "ui/Forms.h"
#include "ui/Messages.h"

namespace ui {

namespace {
std::unique_ptr<TBackend> gBackend;
}

TBackend& Backend() {
    if (!gBackend) throw std::logic_error("no UI backend installed");
    return *gBackend;
}

bool HasBackend() { return gBackend != nullptr; }

void StartUp(std::unique_ptr<TBackend> backend) {
    if (gBackend) ShutDown();
    gBackend = std::move(backend);
    Screen = new TScreen(nullptr);
    Application = new TApplication(nullptr);
}

void ShutDown() {
    // Forms first (their windows are destroyed while everything else still exists).
    delete Application;
    Application = nullptr;
    delete Screen;
    Screen = nullptr;
    gBackend.reset();
}

TWinControl* FindControl(THandle window) {
    return gBackend ? gBackend->ControlOf(window) : nullptr;
}

std::intptr_t SendMsg(THandle window, unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) {
    return Backend().SendMsg(window, msg, wParam, lParam);
}

bool PostMsg(THandle window, unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) {
    return Backend().PostMsg(window, msg, wParam, lParam);
}

unsigned RegisterMsg(const std::string& name) { return Backend().RegisterMsg(name); }

void BroadcastMsg(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) {
    Backend().BroadcastMsg(msg, wParam, lParam);
}

THandle AllocateHWnd(std::function<void(TMessage&)> proc) {
    return Backend().AllocateHWnd([proc = std::move(proc)](TMessage& m) {
        try {
            proc(m);
        } catch (const TLoopStall&) {
            throw;
        } catch (...) {
            m.Result = 0;
            if (Application) Application->HandleException(nullptr);
        }
    });
}

void DeallocateHWnd(THandle window) {
    if (HasBackend()) Backend().DeallocateHWnd(window);
}

std::intptr_t DefWndProc(THandle window, const TMessage& message) {
    return Backend().DefWndProc(window, message);
}

TPoint GetCursorPos() { return Backend().CursorPos(); }

void SetForegroundWindow(THandle window) { Backend().SetForegroundWindow(window); }

void SafeCall(TObject* sender, const std::function<void()>& fn) {
    try {
        fn();
    } catch (const TLoopStall&) {
        throw;
    } catch (...) {
        if (Application) Application->HandleException(sender);
    }
}

}  // namespace ui
