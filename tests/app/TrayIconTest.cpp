// The tray icon against every backend: headless records the notification area, Win32 talks
// to the real one (Shell_NotifyIconW). Calls are watched through the notification-area
// observer; whether an icon is there is asked of the backend directly.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/SkimbarImages.h"
#include "app/TrayIcon.h"
#include "ui/ExtCtrls.h"
#include "ui/Menus.h"
#include "ui/Messages.h"
#include "ui/UiTestDriver.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

using ui::TNotifyIconAction;

struct TCall {
    TNotifyIconAction Action;
    ui::TNotifyIconData Data;
    bool Ok;
};

class TrayIconTest : public uitest::UiTest {
protected:
    void SetUp() override {
        uitest::UiTest::SetUp();
        ui::SetNotifyIconObserver([this](TNotifyIconAction a, const ui::TNotifyIconData& d, bool ok) {
            FCalls.push_back({a, d, ok});
        });
        FIdle.SetImage(SkimbarImage(0));
        FBusy.SetImage(SkimbarImage(3));
    }
    void TearDown() override {
        delete FTray;
        FTimers.clear();
        ui::SetNotifyIconObserver({});
        uitest::UiTest::TearDown();
    }
    TTrayIcon& Tray() {
        if (!FTray) FTray = new TTrayIcon(nullptr);
        return *FTray;
    }
    // Whether the notification area shows the icon now (asks the system without recording).
    bool IconThere(const TTrayIcon& tray) {
        ui::TNotifyIconData probe = tray.IconData();
        probe.Window = tray.WindowHandle();
        probe.Id = TTrayIcon::IconId;
        return ui::Backend().NotifyIcon(TNotifyIconAction::Modify, probe);
    }
    // The mouse on the icon, as the shell reports it: the callback message, then the loop.
    void Mouse(TTrayIcon& tray, unsigned mouseMsg) {
        ASSERT_TRUE(ui::PostMsg(tray.WindowHandle(), TTrayIcon::WM_TRAYNOTIFY, 0, mouseMsg));
        D().Wait(30);
    }
    // Closes the next popup menu without choosing; returns whether it was seen.
    void DismissNextMenu() {
        if (Headless()) {
            ui::headless::Headless().AnswerPopup("");
            return;
        }
#ifdef _WIN32
        auto* timer = new TTimer(nullptr);
        FTimers.emplace_back(timer);
        timer->SetInterval(50);
        timer->OnTimer = [this](TObject*) {
            if (HWND m = FindWindowW(L"#32768", nullptr); m && IsWindowVisible(m)) {
                FMenuSeen = true;
                PostMessageW(m, WM_KEYDOWN, VK_ESCAPE, 0);
                EndMenu();
            }
        };
#endif
    }
    int MenusShown() {
        return Headless() ? static_cast<int>(ui::headless::Headless().Popups().size()) : FMenuSeen ? 1 : 0;
    }
    std::vector<TNotifyIconAction> Actions() const {
        std::vector<TNotifyIconAction> a;
        for (const TCall& c : FCalls) a.push_back(c.Action);
        return a;
    }

    std::vector<TCall> FCalls;
    TTrayIcon* FTray = nullptr;
    TIcon FIdle, FBusy;
    struct TTimerDeleter {
        void operator()(TTimer* t) const { delete t; }
    };
    std::vector<std::unique_ptr<TTimer, TTimerDeleter>> FTimers;
    bool FMenuSeen = false;
};

constexpr auto Add = TNotifyIconAction::Add;
constexpr auto Modify = TNotifyIconAction::Modify;
constexpr auto Delete = TNotifyIconAction::Delete;

}  // namespace

TEST_P(TrayIconTest, CreatedInactiveWithItsOwnWindowAndAnEmptyIcon) {
    TTrayIcon& tray = Tray();
    EXPECT_FALSE(tray.Active());
    EXPECT_FALSE(tray.ShowDesigning());
    EXPECT_TRUE(tray.Icon().Empty());
    EXPECT_EQ(tray.ToolTip(), "");
    EXPECT_NE(tray.WindowHandle(), 0u);
    EXPECT_EQ(tray.PopupMenu(), nullptr);
    EXPECT_TRUE(FCalls.empty());
    std::vector<std::string> names;
    for (const TPropInfo& p : TTrayIcon::StaticClassInfo().Properties) names.push_back(p.Name);
    EXPECT_EQ(names, (std::vector<std::string>{"Active", "ShowDesigning", "Icon", "ToolTip", "OnClick",
                                               "OnDblClick", "OnRightClick", "PopupMenu"}));
}

TEST_P(TrayIconTest, ActiveTwiceAddsOnceAndFalseRemoves) {
    TTrayIcon& tray = Tray();
    tray.SetIcon(&FIdle);
    tray.SetToolTip("tip");
    EXPECT_TRUE(FCalls.empty());  // inactive: nothing reaches the notification area
    tray.SetActive(true);
    tray.SetActive(true);
    ASSERT_EQ(Actions(), (std::vector<TNotifyIconAction>{Add}));
    const TCall& add = FCalls[0];
    EXPECT_TRUE(add.Ok);
    EXPECT_EQ(add.Data.Window, tray.WindowHandle());
    EXPECT_EQ(add.Data.Id, 0u);
    EXPECT_EQ(add.Data.CallbackMessage, 1025u);
    EXPECT_EQ(add.Data.Tip, "tip");
    EXPECT_NE(add.Data.Icon, 0u);
    EXPECT_TRUE(IconThere(tray));
    tray.SetActive(false);
    tray.SetActive(false);
    EXPECT_EQ(Actions(), (std::vector<TNotifyIconAction>{Add, Delete}));
    EXPECT_TRUE(FCalls[1].Ok);
    EXPECT_FALSE(IconThere(tray));
}

TEST_P(TrayIconTest, ToolTipIsCutTo62Characters) {
    TTrayIcon& tray = Tray();
    tray.SetActive(true);
    std::string s63(63, 'x');
    tray.SetToolTip(s63);
    EXPECT_EQ(tray.ToolTip(), std::string(62, 'x'));
    EXPECT_EQ(FCalls.back().Action, Modify);
    EXPECT_EQ(FCalls.back().Data.Tip, std::string(62, 'x'));
    std::string program = "Skimbar 1.01\r\n(right mouse button for options)";
    EXPECT_EQ(program.size(), 46u);
    tray.SetToolTip(program);
    EXPECT_EQ(tray.ToolTip(), program);
    // Characters, not bytes: 63 letters of two bytes each keep 62 whole letters.
    std::string umlauts, kept;
    for (int i = 0; i < 63; ++i) umlauts += "\xc3\xb6";
    for (int i = 0; i < 62; ++i) kept += "\xc3\xb6";
    tray.SetToolTip(umlauts);
    EXPECT_EQ(tray.ToolTip(), kept);
    EXPECT_TRUE(FCalls.back().Ok);
}

TEST_P(TrayIconTest, AnEmptyTooltipAtTheAddIsAppliedAgainFromTheMessageLoop) {
    TTrayIcon& tray = Tray();
    tray.SetIcon(&FIdle);
    tray.SetActive(true);  // tooltip still empty: the component posts itself 1026
    std::string tip = "Skimbar 1.01\r\n(right mouse button for options)";
    tray.SetToolTip(tip);
    ASSERT_EQ(Actions(), (std::vector<TNotifyIconAction>{Add, Modify}));
    EXPECT_EQ(FCalls[0].Data.Tip, "");
    D().Wait(50);
    ASSERT_EQ(Actions(), (std::vector<TNotifyIconAction>{Add, Modify, Modify}));
    EXPECT_EQ(FCalls[2].Data.Tip, tip);
    EXPECT_TRUE(FCalls[2].Ok);
    // With a tooltip at the add nothing is posted.
    tray.SetActive(false);
    FCalls.clear();
    tray.SetActive(true);
    D().Wait(50);
    EXPECT_EQ(Actions(), (std::vector<TNotifyIconAction>{Add}));
}

TEST_P(TrayIconTest, AnimationFramesChangeTheShownIconAtOnce) {
    TTrayIcon& tray = Tray();
    tray.SetIcon(&FIdle);
    tray.SetToolTip("t");
    tray.SetActive(true);
    FCalls.clear();
    for (int frame : {3, 2, 1, 0}) {
        TIcon icon;
        icon.SetImage(SkimbarImage(frame));
        tray.SetIcon(&icon);
        EXPECT_EQ(tray.Icon().Image(), icon.Image());
    }
    ASSERT_EQ(FCalls.size(), 4u);
    for (const TCall& c : FCalls) {
        EXPECT_EQ(c.Action, Modify);
        EXPECT_TRUE(c.Ok);
        EXPECT_NE(c.Data.Icon, 0u);
    }
    tray.SetIcon(&tray.Icon());  // its own icon object: nothing to do
    EXPECT_EQ(FCalls.size(), 4u);
}

TEST_P(TrayIconTest, LeftClickAndDoubleClickCallTheirHandlers) {
    TTrayIcon& tray = Tray();
    tray.SetToolTip("t");
    tray.SetActive(true);
    Mouse(tray, ui::WmLButtonUp);  // no handler: nothing happens
    std::vector<std::string> got;
    tray.OnClick = [&](TObject* s) { got.push_back(s == &tray ? "click" : "?"); };
    tray.OnDblClick = [&](TObject* s) { got.push_back(s == &tray ? "dbl" : "?"); };
    Mouse(tray, ui::WmMouseMove);
    Mouse(tray, ui::WmLButtonDown);
    Mouse(tray, ui::WmLButtonUp);
    Mouse(tray, ui::WmLButtonDblClk);
    Mouse(tray, ui::WmLButtonUp);
    EXPECT_EQ(got, (std::vector<std::string>{"click", "dbl", "click"}));
    EXPECT_EQ(MenusShown(), 0);
}

TEST_P(TrayIconTest, RightClickWithoutMenuCallsOnlyOnRightClickWithTheCursorPosition) {
    TTrayIcon& tray = Tray();
    tray.SetToolTip("t");
    tray.SetActive(true);
    Mouse(tray, ui::WmRButtonUp);  // neither menu nor handler
    if (Headless()) ui::headless::Headless().SetCursorPos({321, 456});
    TPoint expected = ui::GetCursorPos();
    int calls = 0;
    tray.OnRightClick = [&](TObject* s, TMouseButton b, TShiftState shift, int x, int y) {
        ++calls;
        EXPECT_EQ(s, &tray);
        EXPECT_EQ(b, mbRight);
        EXPECT_EQ(shift, 0u);
        EXPECT_EQ(x, expected.X);
        EXPECT_EQ(y, expected.Y);
    };
    Mouse(tray, ui::WmRButtonUp);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(MenusShown(), 0);
}

TEST_P(TrayIconTest, RightClickShowsThePopupMenuThenCallsOnRightClick) {
    TForm* form = nullptr;
    Application->CreateForm(form);
    auto* menu = new TPopupMenu(form);
    auto* item = new TMenuItem(form);
    item->SetCaption("Show");
    menu->Items()->Add(item);
    std::vector<std::string> order;
    menu->OnPopup = [&](TObject*) { order.push_back("menu"); };
    TTrayIcon& tray = Tray();
    tray.SetPopupMenu(menu);
    tray.SetToolTip("t");
    tray.SetActive(true);
    if (Headless()) ui::headless::Headless().SetCursorPos({600, 700});
    DismissNextMenu();
    Mouse(tray, ui::WmRButtonUp);
    EXPECT_EQ(order, (std::vector<std::string>{"menu"}));
    EXPECT_EQ(MenusShown(), 1);
    if (Headless()) {
        EXPECT_EQ(ui::headless::Headless().Popups()[0].At, (TPoint{600, 700}));
        ASSERT_FALSE(ui::headless::Headless().ForegroundCalls().empty());
        EXPECT_EQ(ui::headless::Headless().ForegroundCalls().back(), form->Handle());
    }
    tray.OnRightClick = [&](TObject*, TMouseButton, TShiftState, int, int) { order.push_back("right"); };
    DismissNextMenu();
    Mouse(tray, ui::WmRButtonUp);
    EXPECT_EQ(order, (std::vector<std::string>{"menu", "menu", "right"}));
    // A freed menu is forgotten.
    delete menu;
    EXPECT_EQ(tray.PopupMenu(), nullptr);
    Mouse(tray, ui::WmRButtonUp);
    EXPECT_EQ(order.back(), "right");
}

TEST_P(TrayIconTest, DestructionRemovesAShownIcon) {
    TTrayIcon& tray = Tray();
    tray.SetIcon(&FIdle);
    tray.SetToolTip("t");
    tray.SetActive(true);
    ui::TNotifyIconData shown = tray.IconData();
    delete FTray;
    FTray = nullptr;
    EXPECT_EQ(Actions(), (std::vector<TNotifyIconAction>{Add, Delete}));
    EXPECT_TRUE(FCalls.back().Ok);
    EXPECT_FALSE(ui::Backend().NotifyIcon(Modify, shown));
    if (Headless()) {
        EXPECT_TRUE(ui::headless::Headless().NotifyIcons().empty());
    }
    // An inactive one removes nothing.
    FCalls.clear();
    delete new TTrayIcon(nullptr);
    EXPECT_TRUE(FCalls.empty());
}

TEST_P(TrayIconTest, TaskbarCreatedAddsAnActiveIconAgainAsItWas) {
    TTrayIcon& tray = Tray();
    tray.SetIcon(&FIdle);
    tray.SetActive(true);
    tray.SetToolTip("Skimbar 1.01");
    tray.SetIcon(&FBusy);
    D().Wait(30);
    // The shell lost the icon (it restarted), then announces itself.
    ASSERT_TRUE(ui::Backend().NotifyIcon(Delete, tray.IconData()));
    EXPECT_FALSE(IconThere(tray));
    FCalls.clear();
    ui::PostMsg(tray.WindowHandle(), ui::RegisterMsg("TaskbarCreated"));
    D().Wait(30);
    ASSERT_EQ(Actions(), (std::vector<TNotifyIconAction>{Add}));
    EXPECT_TRUE(FCalls[0].Ok);
    EXPECT_EQ(FCalls[0].Data.Tip, "Skimbar 1.01");
    EXPECT_EQ(FCalls[0].Data.Icon, tray.Icon().Handle());
    EXPECT_TRUE(IconThere(tray));
    // An inactive icon stays away.
    tray.SetActive(false);
    FCalls.clear();
    ui::PostMsg(tray.WindowHandle(), ui::RegisterMsg("TaskbarCreated"));
    D().Wait(30);
    EXPECT_TRUE(FCalls.empty());
}

TEST_P(TrayIconTest, DesignModeShowsTheIconOnlyThroughShowDesigning) {
    TTrayIcon& tray = Tray();
    tray.Include(csDesigning);
    tray.SetActive(true);
    EXPECT_TRUE(tray.Active());
    EXPECT_TRUE(FCalls.empty());
    tray.SetShowDesigning(true);
    EXPECT_EQ(Actions(), (std::vector<TNotifyIconAction>{Add}));
    tray.SetShowDesigning(true);
    EXPECT_EQ(FCalls.size(), 1u);
    delete FTray;
    FTray = nullptr;
    EXPECT_EQ(Actions(), (std::vector<TNotifyIconAction>{Add, Delete}));
    // Outside design mode ShowDesigning is only a value.
    FCalls.clear();
    TTrayIcon& other = Tray();
    other.SetShowDesigning(true);
    EXPECT_FALSE(other.ShowDesigning());
    EXPECT_TRUE(FCalls.empty());
}

INSTANTIATE_TEST_SUITE_P(Backends, TrayIconTest, ::testing::ValuesIn(uitest::Backends()),
                         [](const auto& info) { return info.param; });

// ---- headless only: the recording notification area itself ----------------------------

class TrayIconHeadlessTest : public uitest::HeadlessTest {};

TEST_F(TrayIconHeadlessTest, ShellRestartBroadcastReAddsAndMouseMessagesArrive) {
    auto* tray = new TTrayIcon(nullptr);
    TIcon icon;
    icon.SetImage(SkimbarImage(0));
    tray->SetIcon(&icon);
    tray->SetToolTip("tip");
    tray->SetActive(true);
    ASSERT_EQ(H().NotifyIcons().size(), 1u);
    H().RecreateNotifyArea();
    EXPECT_TRUE(H().NotifyIcons().empty());
    H().Flush();
    ASSERT_EQ(H().NotifyIcons().size(), 1u);
    EXPECT_EQ(H().NotifyIcons()[0].Tip, "tip");
    EXPECT_EQ(H().NotifyIcons()[0].Icon, tray->Icon().Handle());
    int clicks = 0;
    tray->OnClick = [&](TObject*) { ++clicks; };
    EXPECT_TRUE(H().NotifyIconMouse(tray->WindowHandle(), 0, ui::WmLButtonUp));
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(H().NotifyIconMouse(tray->WindowHandle(), 7, ui::WmLButtonUp));
    delete tray;
    EXPECT_TRUE(H().NotifyIcons().empty());
    std::vector<TNotifyIconAction> actions;
    for (const auto& c : H().NotifyIconCalls()) actions.push_back(c.Action);
    EXPECT_EQ(actions, (std::vector<TNotifyIconAction>{Add, Add, Delete}));
}

TEST_F(TrayIconHeadlessTest, WithoutNotificationAreaTheAddFailsQuietly) {
    H().SetNotifyAreaAvailable(false);
    auto* tray = new TTrayIcon(nullptr);
    tray->SetToolTip("tip");
    tray->SetActive(true);
    EXPECT_TRUE(tray->Active());
    ASSERT_EQ(H().NotifyIconCalls().size(), 1u);
    EXPECT_FALSE(H().NotifyIconCalls()[0].Result);
    // The shell starts later and announces itself: the icon appears.
    H().RecreateNotifyArea();
    H().Flush();
    EXPECT_EQ(H().NotifyIcons().size(), 1u);
    delete tray;
}
