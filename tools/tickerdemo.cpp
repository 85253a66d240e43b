// A bar with a row of ticker items and the tray icon, for looking at both under Wine or
// Windows: the borderless black bar across the top of the screen as the program shows it,
// items for a welcome message, mails with a long subject, national letters and control
// characters, and the tray icon with its tooltip and a popup menu (Busy, Quit).
// Switches: /busy steps the tray icon through its frames 3, 2, 1, 0 every 400 ms;
// /frame=N shows picture N in the tray; /scroll moves the items; /quit=N closes after N ms.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/MailPanel.h"
#include "app/SkimbarImages.h"
#include "app/TrayIcon.h"
#include "core/DateTime.h"
#include "ui/ActnList.h"
#include "ui/Backend.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/ImgList.h"
#include "ui/Menus.h"

namespace {

bool HasSwitch(const std::wstring& cmd, const std::wstring& name) { return cmd.find(name) != std::wstring::npos; }

int SwitchValue(const std::wstring& cmd, const std::wstring& name, int fallback) {
    std::size_t at = cmd.find(name);
    return at == std::wstring::npos ? fallback : _wtoi(cmd.c_str() + at + name.size());
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    std::wstring cmd = GetCommandLineW();
    ui::StartUp(ui::CreateDefaultBackend());
    Application->Initialize();
    Application->SetTitle("Skimbar");
    dt::SetShortDateFormat("d.m.yy");
    dt::SetShortTimeFormat("h:nn");
    TForm* bar = nullptr;
    Application->CreateForm(bar);
    bar->SetBorderStyle(bsNone);
    bar->SetColor(clBlack);
    bar->SetBounds(0, 0, bar->Monitor().Width, 38);

    auto* images = new TImageList(bar);
    LoadSkimbarImages(*images);
    TIcon icon;
    images->GetIcon(0, icon);

    struct TMail {
        const char* Sender;
        std::string Subject;
        int Size;
        int Day, Hour, Minute;
    };
    std::vector<TMail> mails = {
        {"Skimbar", "Welcome to Skimbar ...", 1, 8, 9, 5},
        {"anna.berger@example.org", "Quarterly report: figures for the board meeting", 48213, 7, 17, 42},
        {"j\xc3\xbcrgen@m\xc3\xbcller.example", "Gr\xc3\xbc\xc3\x9f" "e aus K\xc3\xb6ln \xe2\x80\x93 \xc3\xa4\xc3\xb6\xc3\xbc\xc3\x9f", 2048, 6, 8, 1},
        {"spoof@example.com", "tab\there, line\r\nbreak, \xe2\x80\xae" "desrever", 511, 5, 23, 59},
        {"big@example.net", "Holiday photos", 10485760, 1, 12, 0},
    };
    std::vector<TMailPanel*> items;
    int left = 8;
    for (const TMail& m : mails) {
        auto* item = new TMailPanel(nullptr);
        item->SetParent(bar);
        item->SetTextColor(clLime);
        item->SetBackColor(clBlack);
        item->SetLeft(left);
        item->SetSender(m.Sender);
        item->SetSubject(m.Subject);
        item->SetSize(m.Size);
        item->SetId(m.Sender);
        item->SetIcon(&icon);
        item->SetHint("Click to open your standard mail program");
        item->SetDate(dt::EncodeDate(2026, 12, m.Day) + dt::EncodeTime(m.Hour, m.Minute, 0, 0));
        item->SetShowHint(true);
        item->SetAlive(true);
        left += item->Width();
        items.push_back(item);
    }

    auto* menu = new TPopupMenu(bar);
    auto* quit = new TAction(bar);
    quit->SetCaption("Quit");
    quit->OnExecute = [bar](TObject*) { bar->Close(); };
    auto* quitItem = new TMenuItem(bar);
    quitItem->SetAction(quit);
    menu->Items()->Add(quitItem);

    auto* tray = new TTrayIcon(bar);
    TIcon frameIcon;
    images->GetIcon(std::clamp(SwitchValue(cmd, L"/frame=", 0), 0, 3), frameIcon);
    tray->SetIcon(&frameIcon);
    tray->SetPopupMenu(menu);
    tray->SetActive(true);
    tray->OnClick = tray->OnDblClick = [bar](TObject*) { bar->Show(); };
    tray->SetToolTip("Skimbar 1.01\r\n(right mouse button for options)");

    int frame = 0;
    auto* busy = new TTimer(bar);
    busy->SetEnabled(HasSwitch(cmd, L"/busy"));
    busy->SetInterval(400);
    busy->OnTimer = [&](TObject*) {
        frame = frame == 0 ? 3 : frame - 1;
        TIcon step;
        images->GetIcon(frame, step);
        tray->SetIcon(&step);
    };
    auto* scroll = new TTimer(bar);
    scroll->SetEnabled(HasSwitch(cmd, L"/scroll"));
    scroll->SetInterval(30);
    scroll->OnTimer = [&](TObject*) {
        for (TMailPanel* item : items) {
            item->SetLeft(item->Left() - 1);
            if (item->Left() + item->Width() < 0) {
                int right = bar->Width();
                for (TMailPanel* other : items) right = std::max(right, other->Left() + other->Width());
                item->SetLeft(right);
            }
        }
    };
    if (int ms = SwitchValue(cmd, L"/quit=", 0); ms > 0) {
        auto* quitTimer = new TTimer(bar);
        quitTimer->SetInterval(ms);
        quitTimer->OnTimer = [bar](TObject*) { bar->Close(); };
    }
    bar->Show();
    Application->Run();
    for (TMailPanel* item : items) delete item;
    ui::ShutDown();
    return 0;
}
