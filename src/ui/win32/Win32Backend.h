#pragma once
// The product's backend: real Win32 windows, messages, timers, GDI painting and the
// system's dialogs. Every window procedure, timer and menu entry catches everything and hands
// it to Application->HandleException, so no exception unwinds through a Win32 frame.
#include <memory>

#include "ui/Backend.h"

namespace ui::win32 {
std::unique_ptr<TBackend> CreateBackend();
}  // namespace ui::win32
