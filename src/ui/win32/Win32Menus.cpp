// Pop-up menus built from the framework's menu items for one TrackPopupMenuEx.
#include "ui/Menus.h"
#include "ui/win32/Win32BackendImpl.h"

namespace ui::win32 {

namespace {

// Builds the native menu of parent's visible items; items collects the chosen ones by id - 1.
HMENU BuildMenu(TMenuItem* parent, std::vector<TMenuItem*>& items) {
    HMENU hm = CreatePopupMenu();
    for (int i = 0; i < parent->Count(); ++i) {
        TMenuItem* it = parent->Items(i);
        if (!it->Visible()) continue;
        std::wstring caption = W(it->Caption());
        MENUITEMINFOW mi{};
        mi.cbSize = sizeof mi;
        if (it->IsLine()) {
            mi.fMask = MIIM_FTYPE;
            mi.fType = MFT_SEPARATOR;
        } else {
            mi.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_STATE | MIIM_ID;
            mi.fType = it->RadioItem() ? MFT_RADIOCHECK : 0;
            mi.fState = (it->Checked() ? MFS_CHECKED : 0) | (it->Enabled() ? 0 : MFS_GRAYED);
            mi.dwTypeData = caption.data();
            items.push_back(it);
            mi.wID = static_cast<UINT>(items.size());
            if (it->Count() > 0) {
                mi.fMask |= MIIM_SUBMENU;
                mi.hSubMenu = BuildMenu(it, items);
            }
        }
        InsertMenuItemW(hm, static_cast<UINT>(GetMenuItemCount(hm)), TRUE, &mi);
    }
    return hm;
}

}  // namespace

TMenuItem* TWin32Backend::TrackPopupMenu(TPopupMenu& menu, TPoint screen) {
    std::vector<TMenuItem*> items;
    TMenuOwner root(BuildMenu(menu.Items(), items));
    POINT at = ScreenScale().Dev(screen);
    HWND owner = GetForegroundWindow();
    // A menu takes keys through the foreground window, and a window off screen (the bar
    // hidden, only the tray icon left) cannot hold the keyboard everywhere: a clear pixel of
    // ours under the menu does.
    const bool standIn = !owner || !Find(owner) || !IsWindowVisible(owner);
    if (standIn) {
        owner = FUtil;
        ::SetWindowPos(owner, HWND_TOPMOST, at.x, at.y, 1, 1, SWP_SHOWWINDOW | SWP_NOACTIVATE);
        ::SetForegroundWindow(owner);
    }
    UINT cmd = static_cast<UINT>(
        TrackPopupMenuEx(root.Get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, owner, nullptr));
    PostMessageW(owner, WM_NULL, 0, 0);
    if (standIn) ::ShowWindow(owner, SW_HIDE);
    if (cmd == 0 || cmd > items.size()) return nullptr;
    return items[cmd - 1];
}

}  // namespace ui::win32
