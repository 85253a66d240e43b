#include "app/TrayIcon.h"

#include "app/ShownText.h"
#include "support/qxGeneral.h"
#include "ui/Backend.h"
#include "ui/Forms.h"
#include "ui/Menus.h"
#include "ui/Messages.h"
#include "ui/PropHelpers.h"

namespace {

// Events and the icon are published without a value of their own in the tables.
template <class C>
TPropInfo Named(std::string name) {
    TPropInfo p;
    p.Name = std::move(name);
    p.Kind = TPropKind::Other;
    p.Get = [](TObject&) { return TPropValue(); };
    return p;
}

}  // namespace

SKIMBAR_CLASS_INFO(
    TTrayIcon, TComponent,
    ui::prop::Bool<TTrayIcon>("Active", [](TTrayIcon& c) { return c.Active(); },
                              [](TTrayIcon& c, bool v) { c.SetActive(v); }),
    ui::prop::Bool<TTrayIcon>("ShowDesigning", [](TTrayIcon& c) { return c.ShowDesigning(); },
                              [](TTrayIcon& c, bool v) { c.SetShowDesigning(v); }),
    Named<TTrayIcon>("Icon"),
    ui::prop::Text<TTrayIcon>("ToolTip", [](TTrayIcon& c) { return c.ToolTip(); },
                              [](TTrayIcon& c, const std::string& v) { c.SetToolTip(v); }),
    Named<TTrayIcon>("OnClick"), Named<TTrayIcon>("OnDblClick"), Named<TTrayIcon>("OnRightClick"),
    ui::prop::Ref<TTrayIcon, TPopupMenu>("PopupMenu", [](TTrayIcon& c) { return c.PopupMenu(); },
                                         [](TTrayIcon& c, TPopupMenu* m) { c.SetPopupMenu(m); }))

int TRAYICON_MSG_NOMAILS = -1;

void RegisterTrayIconStrings() {
    TRAYICON_MSG_NOMAILS = RegisterLangString("TRAYICON_MSG_NOMAILS", "No new mails available!");
}

// ---------------------------------------------------------------------------------------

TTrayIcon::TTrayIcon(TComponent* owner) : TComponent(owner), FIcon(new TIcon) {
    FWindowHandle = ui::AllocateHWnd([this](TMessage& m) { TrayWndProc(m); });
    FTaskbarCreated = ui::RegisterMsg(ui::TaskbarCreatedMessageName);
}

TTrayIcon::~TTrayIcon() {
    bool backend = ui::HasBackend();
    if (backend && Shown()) DeleteIcon();
    delete FIcon;
    if (backend && FWindowHandle) ui::DeallocateHWnd(FWindowHandle);
}

bool TTrayIcon::Shown() const { return Has(csDesigning) ? FShowDesigning : FActive; }

void TTrayIcon::SetActive(bool value) {
    if (value == FActive) return;
    FActive = value;
    if (Has(csDesigning)) return;
    if (value)
        AddIcon();
    else
        DeleteIcon();
}

void TTrayIcon::SetShowDesigning(bool value) {
    if (!Has(csDesigning) || value == FShowDesigning) return;
    FShowDesigning = value;
    if (value)
        AddIcon();
    else
        DeleteIcon();
}

void TTrayIcon::SetIcon(const TIcon* icon) {
    if (icon == FIcon) return;
    FIcon->Assign(icon);
    ModifyIcon();
}

void TTrayIcon::SetToolTip(const std::string& text) {
    FToolTip = shown::CharCount(text) > static_cast<std::size_t>(MaxToolTipLength)
                   ? shown::FirstChars(text, MaxToolTipLength)
                   : text;
    ModifyIcon();
}

void TTrayIcon::SetPopupMenu(TPopupMenu* menu) {
    FPopupMenu = menu;
    if (menu) FreeNotification(menu);
}

void TTrayIcon::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == FPopupMenu) FPopupMenu = nullptr;
}

void TTrayIcon::FillIconData() {
    FIconData.Window = FWindowHandle;
    FIconData.Id = IconId;
    FIconData.CallbackMessage = WM_TRAYNOTIFY;
    FIconData.Icon = FIcon->Handle();
    FIconData.Tip = FToolTip;
}

bool TTrayIcon::AddIcon() {
    FillIconData();
    bool ok = ui::NotifyIcon(ui::TNotifyIconAction::Add, FIconData);
    // A tooltip set a moment later (by the caller's next steps) is applied from the loop.
    if (FToolTip.empty()) ui::PostMsg(FWindowHandle, WM_TRAYTOOLTIP);
    return ok;
}

bool TTrayIcon::ModifyIcon() {
    FillIconData();
    if (!FActive) return false;
    return ui::NotifyIcon(ui::TNotifyIconAction::Modify, FIconData);
}

bool TTrayIcon::DeleteIcon() { return ui::NotifyIcon(ui::TNotifyIconAction::Delete, FIconData); }

void TTrayIcon::PopupAtCursor() {
    TPoint p = ui::GetCursorPos();
    if (FPopupMenu) {
        // The menu closes again when the user clicks elsewhere only if a window of ours is
        // in the foreground.
        if (Application && Application->MainForm()) ui::SetForegroundWindow(Application->MainForm()->Handle());
        FPopupMenu->Popup(p.X, p.Y);
    }
    if (OnRightClick) OnRightClick(this, mbRight, 0, p.X, p.Y);
}

void TTrayIcon::TrayWndProc(TMessage& m) {
    if (m.Msg == WM_TRAYTOOLTIP) {
        SetToolTip(FToolTip);
    } else if (m.Msg == WM_TRAYNOTIFY) {
        switch (static_cast<unsigned>(m.LParam)) {
            case ui::WmLButtonUp:
                if (OnClick) OnClick(this);
                break;
            case ui::WmLButtonDblClk:
                if (OnDblClick) OnDblClick(this);
                break;
            case ui::WmRButtonUp: PopupAtCursor(); break;
            default: break;  // mouse moves and the rest
        }
    } else if (m.Msg == FTaskbarCreated && FTaskbarCreated != 0) {
        // The shell came back without our icon: show it again as it was.
        if (Shown()) AddIcon();
        m.Result = ui::DefWndProc(FWindowHandle, m);
    } else {
        m.Result = ui::DefWndProc(FWindowHandle, m);
    }
}
