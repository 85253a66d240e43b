// A demonstration form with every control kind of the framework: labels, panels, an image,
// edits, a combo box, check boxes, an up-down, buttons, a page control with tab sheets, a
// popup menu with radio items, a sub-menu and linked actions, a colour dialog, hints, and a
// small ticker strip of windowless panels moved by a timer.
// The third page holds a tab set, a tabbed notebook, a radio group, a tree view and a scroll
// box, with accelerators given by a TqxHotkey.
// Switches: /popup opens the popup menu after a second; /page=N shows page N; /quit=N closes
// after N ms.
#include <windows.h>

#include <string>
#include <vector>

#include "ui/ActnList.h"
#include "ui/Backend.h"
#include "ui/ComCtrls.h"
#include "ui/Dialogs.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/ImgList.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"
#include "ui/Containers.h"
#include "ui/Tabs.h"
#include "localisation/qxHotkey.h"
#include "localisation/qxTreeView.h"

namespace {

// A 16 x 16 envelope in the given colour (0xRRGGBB), drawn in code.
TImageData Envelope(std::uint32_t rgb) {
    TImageData d;
    d.Width = d.Height = 16;
    d.Pixels.assign(256, 0);
    for (int y = 3; y < 13; ++y)
        for (int x = 1; x < 15; ++x) {
            bool edge = y == 3 || y == 12 || x == 1 || x == 14;
            bool flap = y - 3 == (x < 8 ? x - 1 : 14 - x) / 1 && y < 10;
            d.Pixels[static_cast<std::size_t>(y * 16 + x)] =
                (edge || flap) ? 0xFF202020u : (0xFF000000u | rgb);
        }
    return d;
}

template <class T>
T* Make(TComponent* owner, TWinControl* parent, const std::string& name, int l, int t, int w, int h) {
    T* c = new T(owner);
    c->SetName(name);
    c->SetBounds(l, t, w, h);
    c->SetParent(parent);
    return c;
}

class TDemoForm : public TForm {
public:
    explicit TDemoForm(TComponent* owner) : TForm(owner) {
        BeginReading();
        SetName("DemoForm");
        SetCaption("Skimbar UI demo");
        SetBorderStyle(bsSingle);
        SetPosition(poScreenCenter);
        SetBounds(0, 0, 620, 420);
        Font().SetName("MS Sans Serif");
        Font().SetHeight(-11);
        SetShowHint(true);

        Images = new TImageList(this);
        Images->Add(Envelope(0xF0D060));
        Images->Add(Envelope(0x60C0F0));

        Actions = new TActionList(this);
        FasterAction = MakeAction("FasterAction", "Faster");
        SlowerAction = MakeAction("SlowerAction", "Slower");
        QuitAction = MakeAction("QuitAction", "Quit");
        QuitAction->OnExecute = [this](TObject*) { Close(); };
        FasterAction->OnExecute = [this](TObject*) {
            Ticker->SetInterval(std::max(10, Ticker->Interval() - 10));
            Status("Scroll interval " + std::to_string(Ticker->Interval()) + " ms");
        };
        SlowerAction->OnExecute = [this](TObject*) {
            Ticker->SetInterval(Ticker->Interval() + 10);
            Status("Scroll interval " + std::to_string(Ticker->Interval()) + " ms");
        };

        Menu = new TPopupMenu(this);
        Menu->SetName("PopupMenu");
        AddItem(Menu->Items(), "Show", "Show", nullptr);
        AddItem(Menu->Items(), "N1", "-", nullptr);
        AddItem(Menu->Items(), "Faster", "", FasterAction);
        AddItem(Menu->Items(), "Slower", "", SlowerAction);
        AddItem(Menu->Items(), "N2", "-", nullptr);
        TMenuItem* lang = AddItem(Menu->Items(), "Language", "Sprache wählen / Select language", nullptr);
        for (const char* l : {"ENGLISH", "GERMAN", "FRENCH"}) {
            TMenuItem* it = AddItem(lang, l, l, nullptr);
            it->SetRadioItem(true);
            it->SetGroupIndex(1);
            it->OnClick = [this, it](TObject*) {
                it->SetChecked(true);
                Status("Language " + StripAccelChars(it->Caption()));
            };
        }
        lang->Items(0)->SetChecked(true);
        AddItem(Menu->Items(), "Setup", "Setup ...", nullptr);
        AddItem(Menu->Items(), "N3", "-", nullptr);
        AddItem(Menu->Items(), "Quit", "", QuitAction);
        SetPopupMenu(Menu);

        Pages = Make<TPageControl>(this, this, "PageControl", 8, 8, 380, 262);
        Sheet1 = new TTabSheet(this);
        Sheet1->SetName("TabSheet1");
        Sheet1->SetCaption("&Account");
        Sheet1->SetPageControl(Pages);
        Sheet2 = new TTabSheet(this);
        Sheet2->SetName("TabSheet2");
        Sheet2->SetCaption("C&olours");
        Sheet2->SetPageControl(Pages);
        // Captions without "&" here: the accelerator component gives them theirs.
        Sheet3 = new TTabSheet(this);
        Sheet3->SetName("TabSheet3");
        Sheet3->SetCaption("Containers");
        Sheet3->SetPageControl(Pages);
        auto* tabs = Make<TTabSet>(this, Sheet3, "TabSet1", 8, 4, 250, 21);
        for (const char* t : {"Mail", "News", "Extra"}) tabs->Tabs().Add(t);
        tabs->SetTabIndex(0);
        auto* book = Make<TTabbedNotebook>(this, Sheet3, "TabbedNotebook1", 8, 30, 200, 130);
        TTabPage* general = book->AddPage(this, "General");
        general->SetName("GeneralPage");
        TTabPage* details = book->AddPage(this, "Details");
        details->SetName("DetailsPage");
        auto* speed = Make<TRadioGroup>(this, general, "SpeedRadioGroup", 6, 4, 150, 76);
        speed->SetCaption("Speed");
        for (const char* t : {"Slow", "Fast"}) speed->Items().Add(t);
        speed->SetItemIndex(1);
        Make<TCheckBox>(this, details, "VerboseCheckBox", 6, 6, 120, 17)->SetCaption("Verbose");
        auto* tree = Make<TqxTreeView>(this, Sheet3, "TreeView1", 216, 30, 150, 90);
        TTreeNode* inbox = tree->Items().Add("Inbox");
        tree->Items().AddChild(inbox, "alice@example.org");
        tree->Items().AddChild(inbox, "bob@example.org");
        tree->Items().Add("Sent");
        auto* box = Make<TScrollBox>(this, Sheet3, "ScrollBox1", 216, 126, 150, 34);
        Make<TCheckBox>(this, box, "BoxCheckBox", 6, 8, 130, 17)->SetCaption("Inside the box");
        auto* note = Make<TLabel>(this, Sheet3, "NoteLabel", 8, 170, 300, 13);
        note->SetCaption("Notes for the folder");
        note->SetFocusControl(Make<TEdit>(this, Sheet3, "NoteEdit", 8, 188, 200, 21));

        auto* heading = Make<TLabel>(this, Sheet1, "HeadingLabel", 10, 10, 200, 13);
        heading->SetCaption("Check mails for this account :");
        heading->SetEnabled(false);
        auto* userLabel = Make<TLabel>(this, Sheet1, "UserLabel", 10, 36, 80, 13);
        userLabel->SetCaption("&POP3-Username");
        User = Make<TComboBox>(this, Sheet1, "UserComboBox", 110, 32, 150, 21);
        User->Items().Add("alice");
        User->Items().Add("bob@example.org");
        User->SetItemIndex(1);
        userLabel->SetFocusControl(User);
        auto* passLabel = Make<TLabel>(this, Sheet1, "PasswordLabel", 10, 64, 80, 13);
        passLabel->SetCaption("P&assword :");
        Password = Make<TEdit>(this, Sheet1, "PasswordEdit", 110, 60, 150, 21);
        Password->SetPasswordChar('*');
        Password->SetText("secret");
        passLabel->SetFocusControl(Password);
        auto* serverLabel = Make<TLabel>(this, Sheet1, "ServerLabel", 10, 92, 80, 13);
        serverLabel->SetCaption("P&OP3-Server :");
        Server = Make<TComboBox>(this, Sheet1, "ServerComboBox", 110, 88, 150, 21);
        Server->Items().Add("mail.example.org");
        Server->Items().Add("127.0.0.1");
        Server->SetText("127.0.0.1");
        serverLabel->SetFocusControl(Server);
        auto* pollLabel = Make<TLabel>(this, Sheet1, "PollLabel", 10, 120, 80, 13);
        pollLabel->SetCaption("&Check every :");
        PollTime = Make<TEdit>(this, Sheet1, "PollTimeEdit", 110, 116, 40, 21);
        PollTime->SetText("2");
        Spin = Make<TUpDown>(this, Sheet1, "UpDown1", 150, 116, 17, 21);
        Spin->SetMin(2);
        Spin->SetMax(1000);
        Spin->SetPosition(2);
        Spin->SetAssociate(PollTime);
        Spin->OnClick = [this](TObject*, TUDBtnType b) {
            Status(std::string("Up-down ") + (b == btNext ? "up: " : "down: ") + std::to_string(Spin->Position()));
        };
        pollLabel->SetFocusControl(Spin->Associate());
        auto* minLabel = Make<TLabel>(this, Sheet1, "MinLabel", 174, 120, 30, 13);
        minLabel->SetCaption("min.");
        AutoStart = Make<TCheckBox>(this, Sheet1, "AutoStartCheckBox", 10, 150, 150, 17);
        AutoStart->SetCaption("A&utostart");
        AutoStart->SetChecked(true);
        StayOnTop = Make<TCheckBox>(this, Sheet1, "StayOnTopCheckBox", 10, 172, 150, 17);
        StayOnTop->SetCaption("S&tay on top");
        AutoShow = Make<TCheckBox>(this, Sheet1, "AutoShowCheckBox", 10, 194, 150, 17);
        AutoShow->SetCaption("S&how on new mail");
        AutoShow->SetChecked(true);
        for (TCheckBox* c : {AutoStart, StayOnTop, AutoShow})
            c->OnClick = [this, c](TObject*) {
                Status(StripAccelChars(c->Caption()) + (c->Checked() ? " on" : " off"));
            };

        ColorDialog = new TColorDialog(this);
        auto* backLabel = Make<TLabel>(this, Sheet2, "BackLabel", 10, 20, 100, 13);
        backLabel->SetCaption("Background color ");
        BackSwatch = Swatch("BackColorPanel", 130, 18, clBlack);
        auto* textLabel = Make<TLabel>(this, Sheet2, "TextLabel", 10, 48, 100, 13);
        textLabel->SetCaption("Text color");
        TextSwatch = Swatch("TextColorPanel", 130, 46, clLime);

        auto* group = Make<TPanel>(this, this, "IconPanel", 400, 30, 200, 120);
        group->SetBevelOuter(bvLowered);
        group->SetColor(clWhite);
        auto* groupLabel = Make<TLabel>(this, group, "IconLabel", 10, 8, 100, 13);
        groupLabel->SetCaption("Image, centred:");
        groupLabel->SetTransparent(true);
        auto* image = Make<TImage>(this, group, "Image1", 10, 30, 40, 40);
        TIcon icon;
        Images->GetIcon(0, icon);
        image->SetCenter(true);
        image->SetPicture(&icon);
        auto* raised = Make<TPanel>(this, group, "RaisedPanel", 70, 30, 110, 40);
        raised->SetCaption("Raised panel");
        raised->SetHint("A windowless panel");
        auto* inner = Make<TPanel>(this, group, "InnerPanel", 10, 80, 170, 30);
        inner->SetBevelOuter(bvLowered);
        inner->SetBevelInner(bvRaised);
        inner->SetColor(clTeal);
        auto* innerLabel = Make<TLabel>(this, inner, "InnerLabel", 8, 7, 100, 13);
        innerLabel->SetCaption("Label on a panel");
        innerLabel->Font().SetColor(clWhite);

        auto* menuButton = Make<TButton>(this, this, "MenuButton", 400, 164, 95, 25);
        menuButton->SetCaption("&Menu ...");
        menuButton->OnClick = [this, menuButton](TObject*) {
            TPoint p = menuButton->ClientToScreen({0, menuButton->Height()});
            Menu->Popup(p.X, p.Y);
        };
        auto* boxButton = Make<TButton>(this, this, "BoxButton", 505, 164, 95, 25);
        boxButton->SetCaption("Message &box");
        boxButton->OnClick = [](TObject*) { ShowInformation("An information box."); };
        auto* ok = Make<TBitBtn>(this, this, "BitBtn1", 400, 240, 95, 25);
        ok->SetCaption("O&K");
        ok->SetKind(bkOK);
        ok->OnClick = [this](TObject*) { Status("OK clicked"); };
        auto* cancel = Make<TBitBtn>(this, this, "BitBtn2", 505, 240, 95, 25);
        cancel->SetCaption("A&bbrechen");
        cancel->SetKind(bkCancel);
        cancel->OnClick = [this](TObject*) { Close(); };

        StatusLabel = Make<TLabel>(this, this, "StatusLabel", 8, 280, 400, 13);
        StatusLabel->SetCaption("Right-click anywhere on the form for the popup menu.");

        Strip = Make<TPanel>(this, this, "TickerStrip", 0, 0, 100, 38);
        Strip->SetAlign(alBottom);
        Strip->SetBevelOuter(bvNone);
        Strip->SetColor(clBlack);
        Strip->SetPopupMenu(Menu);
        const char* senders[] = {"alice@example.org", "bob@example.org", "Skimbar", "carol@example.net"};
        const char* subjects[] = {"Lunch on Friday?", "Quarterly figures, final version", "Welcome to Skimbar ...",
                                  "Re: the new ticker"};
        Hotkey = new TqxHotkey(this);
        Hotkey->SetName("qxHotkey");
        Ticker = new TTimer(this);
        Ticker->SetInterval(30);
        Ticker->OnTimer = [this](TObject*) { Scroll(); };
        EndDesign();
        // Items are made at run time, as the bar makes them: their labels size themselves.
        int x = 0;
        for (int i = 0; i < 8; ++i) x = AddTickerItem(x, senders[i % 4], subjects[i % 4], i);
    }

    int AddTickerItem(int x, const std::string& from, const std::string& subject, int n) {
        auto* item = Make<TPanel>(this, Strip, "Item" + std::to_string(n), x, 0, 100, 37);
        item->SetColor(clBlack);
        item->SetCursor(crHandPoint);
        item->SetHint("Click to open your standard mail program");
        item->SetShowHint(true);
        item->OnClick = [this, from](TObject*) { Status("Ticker item of " + from + " clicked"); };
        auto* img = Make<TImage>(this, item, "", 1, 8, 16, 34);
        TIcon icon;
        Images->GetIcon(n % 2, icon);
        img->SetAutoSize(true);
        img->SetPicture(&icon);
        img->SetHeight(34);
        img->SetCenter(true);
        img->SetAlign(alLeft);
        img->OnClick = item->OnClick;
        auto label = [&](const std::string& text, int l, int t, TColor c, const char* font) {
            auto* lab = Make<TLabel>(this, item, "", l, t, 10, 10);
            lab->Font().SetName(font);
            lab->Font().SetSize(7);
            lab->Font().SetColor(c);
            lab->SetCaption(text);
            lab->SetShowAccelChar(false);
            lab->OnClick = item->OnClick;
            return lab;
        };
        TLabel* f = label("From: " + from, 24, 1, clLime, "Courier");
        TLabel* s = label("Subj: " + subject, 24, 20, clLime, "Courier");
        TLabel* d = label("7.12.26", 0, 1, clWhite, "Courier New");
        TLabel* t = label("9:0" + std::to_string(n), 0, d->Height() + 1, clWhite, "Courier New");
        int w = std::max(f->Width() + d->Width(), s->Width() + t->Width()) + 34;
        item->SetWidth(w);
        d->SetLeft(w - d->Width() - 2);
        t->SetLeft(w - t->Width() - 2);
        return x + w;
    }

    void Scroll() {
        int right = 0;
        for (int i = 0; i < Strip->ControlCount(); ++i)
            right = std::max(right, Strip->Controls(i)->Left() + Strip->Controls(i)->Width());
        for (int i = 0; i < Strip->ControlCount(); ++i) {
            TControl* c = Strip->Controls(i);
            c->SetLeft(c->Left() - 1);
            if (c->Left() + c->Width() < 0) {
                c->SetLeft(std::max(Strip->Width(), right));
                right = c->Left() + c->Width();
            }
        }
    }

    TPanel* Swatch(const std::string& name, int l, int t, TColor c) {
        auto* p = Make<TPanel>(this, Sheet2, name, l, t, 49, 17);
        p->SetBevelOuter(bvLowered);
        p->SetBevelInner(bvLowered);
        p->SetColor(c);
        p->SetHint("click to select");
        p->OnClick = [this, p](TObject*) {
            if (ColorDialog->Execute()) p->SetColor(ColorDialog->Color());
        };
        return p;
    }

    TAction* MakeAction(const std::string& name, const std::string& caption) {
        auto* a = new TAction(this);
        a->SetName(name);
        a->SetCaption(caption);
        a->SetActionList(Actions);
        return a;
    }

    TMenuItem* AddItem(TMenuItem* parent, const std::string& name, const std::string& caption, TAction* action) {
        auto* it = new TMenuItem(this);
        it->SetName(name);
        if (action)
            it->SetAction(action);
        else
            it->SetCaption(caption);
        if (!action && caption != "-" && name != "Language")
            it->OnClick = [this, it](TObject*) { Status("Menu: " + StripAccelChars(it->Caption())); };
        parent->Add(it);
        return it;
    }

    void Status(const std::string& s) { StatusLabel->SetCaption(s); }

    TImageList* Images;
    TActionList* Actions;
    TAction *FasterAction, *SlowerAction, *QuitAction;
    TPopupMenu* Menu;
    TPageControl* Pages;
    TTabSheet *Sheet1, *Sheet2, *Sheet3;
    TqxHotkey* Hotkey;
    TComboBox *User, *Server;
    TEdit *Password, *PollTime;
    TUpDown* Spin;
    TCheckBox *AutoStart, *StayOnTop, *AutoShow;
    TColorDialog* ColorDialog;
    TPanel *BackSwatch, *TextSwatch, *Strip;
    TLabel* StatusLabel;
    TTimer* Ticker;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    ui::StartUp(ui::CreateDefaultBackend());
    Application->Initialize();
    Application->SetTitle("Skimbar UI demo");
    TDemoForm* form = nullptr;
    Application->CreateForm(form);
    std::wstring cmd = GetCommandLineW();
    if (cmd.find(L"/popup") != std::wstring::npos) {
        auto* t = new TTimer(form);
        t->SetInterval(1000);
        t->OnTimer = [form, t](TObject*) {
            t->SetEnabled(false);
            TPoint p = form->ClientToScreen({300, 150});
            form->Menu->Popup(p.X, p.Y);
        };
    }
    if (auto q = cmd.find(L"/page="); q != std::wstring::npos)
        form->Pages->SetActivePageIndex(_wtoi(cmd.c_str() + q + 6));
    if (auto q = cmd.find(L"/quit="); q != std::wstring::npos) {
        auto* t = new TTimer(form);
        t->SetInterval(_wtoi(cmd.c_str() + q + 6));
        t->OnTimer = [form](TObject*) { form->Close(); };
    }
    Application->Run();
    ui::ShutDown();
    return 0;
}
