#pragma once
// The notification area of the taskbar: icons with a tooltip that report the mouse to a
// window of ours. Each icon is known by its window and id; its mouse messages arrive at that
// window as CallbackMessage, with the mouse message (WmLButtonUp, ...) in lParam.
#include <functional>
#include <string>

#include "ui/UiTypes.h"

namespace ui {

enum class TNotifyIconAction { Add = 0, Modify = 1, Delete = 2 };

struct TNotifyIconData {
    THandle Window = 0;
    unsigned Id = 0;
    unsigned CallbackMessage = 0;
    THandle Icon = 0;  // a native icon (TIcon::Handle); 0 shows none
    std::string Tip;   // UTF-8; longer texts are cut by the system (127 UTF-16 units on Win32)
    bool operator==(const TNotifyIconData&) const = default;
};

// Adds, changes or removes an icon. False when the system refused: no notification area
// (the shell is not running), an Add for an icon that is there, a Modify or Delete for one
// that is not.
bool NotifyIcon(TNotifyIconAction action, const TNotifyIconData& data);

// Told of every call after the backend answered (diagnostics and tests); empty: none.
using TNotifyIconObserver = std::function<void(TNotifyIconAction action, const TNotifyIconData& data, bool ok)>;
void SetNotifyIconObserver(TNotifyIconObserver observer);

// Registered message the shell broadcasts to every top-level window once it has created the
// notification area anew (after a restart): the icons it showed before are gone.
inline constexpr const char* TaskbarCreatedMessageName = "TaskbarCreated";

}  // namespace ui
