#pragma once
// Window messages across the backend: sending, posting, registered message numbers,
// broadcast, and hidden windows with their own window procedure.
#include <cstdint>
#include <functional>
#include <string>

#include "ui/UiTypes.h"

namespace ui {

// Delivered at once to the window's procedure (a control's WndProc, a hidden window's proc).
std::intptr_t SendMsg(THandle window, unsigned msg, std::uintptr_t wParam = 0,
                          std::intptr_t lParam = 0);
// Queued; the application's message event sees it before dispatch.
bool PostMsg(THandle window, unsigned msg, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);
// The same number for the same name in every process (RegisterWindowMessage).
unsigned RegisterMsg(const std::string& name);
// Posted to every top-level window (HWND_BROADCAST).
void BroadcastMsg(unsigned msg, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);

// A hidden window whose messages go to proc. Exceptions leaving proc go to
// Application->HandleException; the message's Result is then 0.
THandle AllocateHWnd(std::function<void(TMessage&)> proc);
void DeallocateHWnd(THandle window);
// The system's default handling, for messages a hidden window's proc does not handle.
std::intptr_t DefWndProc(THandle window, const TMessage& message);

TPoint GetCursorPos();
void SetForegroundWindow(THandle window);

}  // namespace ui
