#pragma once
// The program's icon in the notification area. It adds and removes the icon, keeps picture
// and tooltip up to date, and turns mouse messages on the icon into events and the popup
// menu. It never calls the system itself: the backend's notification-area service does
// (ui/NotifyArea.h), so it runs the same against the headless backend.
//
// The main window: create it with itself as owner; SetIcon(image 0 of its image list);
// SetPopupMenu; SetActive(true) (adds the icon; with the tooltip still empty the tooltip is
// applied again once the message loop runs); OnClick = OnDblClick = ShowActionExecute;
// SetToolTip(name, version, CR LF, hint line), again after each language change. The poll
// animation calls SetIcon with each frame; the change shows at once.
#include <string>

#include "core/Component.h"
#include "ui/Graphics.h"
#include "ui/NotifyArea.h"
#include "ui/UiTypes.h"

class TPopupMenu;

// Identifier of the tray icon's keyed string ("No new mails available!"); -1 until registered.
extern int TRAYICON_MSG_NOMAILS;
// Registers it (program start: first of all keyed strings).
void RegisterTrayIconStrings();

class TTrayIcon : public TComponent {
    SKIMBAR_CLASS(TTrayIcon)
public:
    // Messages of the component's hidden window.
    static constexpr unsigned WM_TRAYNOTIFY = 1025;   // WM_USER + 1: mouse on the icon, lParam
    static constexpr unsigned WM_TRAYTOOLTIP = 1026;  // WM_USER + 2: apply the tooltip again
    static constexpr unsigned IconId = 0;
    static constexpr int MaxToolTipLength = 62;       // characters

    // Creates the hidden message window and an empty icon; inactive.
    explicit TTrayIcon(TComponent* owner);
    // Removes the icon if it is shown, then frees the icon and the window.
    ~TTrayIcon() override;

    // Published, in this order: Active, ShowDesigning, Icon, ToolTip, OnClick, OnDblClick,
    // OnRightClick, PopupMenu.
    bool Active() const { return FActive; }
    void SetActive(bool value);  // true adds the icon, false removes it (not while designing)
    bool ShowDesigning() const { return FShowDesigning; }
    void SetShowDesigning(bool value);  // only while designing: shows or removes the icon
    const TIcon& Icon() const { return *FIcon; }
    // Copies the picture of another icon object (copies share it) and updates the shown icon.
    void SetIcon(const TIcon* icon);
    const std::string& ToolTip() const { return FToolTip; }
    // Cut to its first 62 characters; updates the shown icon.
    void SetToolTip(const std::string& text);
    TNotifyEvent OnClick;       // left button released on the icon
    TNotifyEvent OnDblClick;    // left button double-clicked
    TMouseEvent OnRightClick;   // right button released, after the popup menu
    TPopupMenu* PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(TPopupMenu* menu);  // not owned; forgotten when it is freed

    // The hidden window that receives the icon's messages, and what the last call passed.
    ui::THandle WindowHandle() const { return FWindowHandle; }
    const ui::TNotifyIconData& IconData() const { return FIconData; }
    // Whether the icon ought to be in the notification area now (Active outside design
    // mode, ShowDesigning in design mode).
    bool Shown() const;

    void Notification(TComponent* component, TOperation operation) override;

protected:
    void FillIconData();
    bool AddIcon();     // posts WM_TRAYTOOLTIP when the tooltip is empty; returns success
    bool ModifyIcon();  // changes the shown icon only while active
    bool DeleteIcon();
    void PopupAtCursor();
    void TrayWndProc(TMessage& message);

private:
    ui::TNotifyIconData FIconData;
    TIcon* FIcon;
    std::string FToolTip;
    ui::THandle FWindowHandle = 0;
    bool FActive = false;
    bool FShowDesigning = false;
    TPopupMenu* FPopupMenu = nullptr;
    unsigned FTaskbarCreated = 0;
};
