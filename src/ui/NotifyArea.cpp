#include "ui/NotifyArea.h"

#include "ui/Backend.h"

namespace ui {
namespace {
TNotifyIconObserver gObserver;
}

bool NotifyIcon(TNotifyIconAction action, const TNotifyIconData& data) {
    bool ok = Backend().NotifyIcon(action, data);
    if (gObserver) gObserver(action, data, ok);
    return ok;
}

void SetNotifyIconObserver(TNotifyIconObserver observer) { gObserver = std::move(observer); }

}  // namespace ui
