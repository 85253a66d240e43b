// The main window: its design, start-up (FormCreate), the menu actions, the language submenu,
// shutdown, and the program entry.
#include "app/fMain.h"

#include "app/MailPanel.h"
#include "app/SkimbarImages.h"
#include "app/TrayIcon.h"
#include "app/fSetup.h"
#include "core/IniFile.h"
#include "core/Text.h"

using text::AnsiUpper;
using text::StringReplaceAll;
#include "localisation/qxLanguage.h"
#include "mail/IdPOP3.h"
#include "platform/Locale.h"
#include "support/qxApplicationEvents.h"
#include "support/qxCheckBox.h"
#include "support/qxComboBox.h"
#include "support/qxEdit.h"
#include "support/qxGeneral.h"
#include "support/qxPanel.h"
#include "support/qxRemanent.h"
#include "ui/ActnList.h"
#include "ui/Backend.h"
#include "ui/ExtCtrls.h"
#include "ui/ImgList.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"

SKIMBAR_CLASS_INFO(TMainForm, TForm)

TMainForm* MainForm = nullptr;
std::function<void(TMainForm&, int)> TMainForm::CreateStepHookForTests;

int FMAIN_MSG_WELCOME = -1;
int FMAIN_MSG_NONEWMAILS = -1;
int FMAIN_MSG_MSG_TOOLTIPTEXT = -1;
int FMAIN_MSG_MAINFORMHINT = -1;
int FMAIN_MSG_NOMAILPROG = -1;

void RegisterMainFormStrings() {
    FMAIN_MSG_WELCOME = RegisterLangString("FMAIN_MSG_WELCOME", "Welcome to Skimbar ...");
    FMAIN_MSG_NONEWMAILS = RegisterLangString("FMAIN_MSG_NONEWMAILS", "No new mails available!");
    FMAIN_MSG_MSG_TOOLTIPTEXT = RegisterLangString("FMAIN_MSG_MSG_TOOLTIPTEXT", "(right mouse button for options)");
    FMAIN_MSG_MAINFORMHINT =
        RegisterLangString("FMAIN_MSG_MAINFORMHINT", "Click to open your standard mail program");
    // The character between "Can" and "t" is the acute accent, as the texts have always had it.
    FMAIN_MSG_NOMAILPROG = RegisterLangString("FMAIN_MSG_NOMAILPROG", "Can\u00B4t find your standard mail program");
}

namespace {
TAction* MakeAction(TMainForm* form, TActionList* list, const char* name, const char* caption,
                    void (TMainForm::*handler)(TObject*)) {
    auto* a = new TAction(form);
    a->SetName(name);
    a->SetCaption(caption);
    a->SetActionList(list);
    a->OnExecute = [form, handler](TObject* sender) { (form->*handler)(sender); };
    return a;
}

TMenuItem* MakeItem(TMainForm* form, TMenuItem* parent, const char* name, const char* caption, TAction* action) {
    auto* item = new TMenuItem(form);
    item->SetName(name);
    if (action)
        item->SetAction(action);
    else
        item->SetCaption(caption);
    parent->Add(item);
    return item;
}

TTimer* MakeTimer(TMainForm* form, const char* name, int interval, void (TMainForm::*handler)(TObject*)) {
    auto* t = new TTimer(form);
    t->SetName(name);
    t->SetEnabled(false);
    t->SetInterval(interval);
    t->OnTimer = [form, handler](TObject* sender) { (form->*handler)(sender); };
    return t;
}
}  // namespace

TMainForm::TMainForm(TComponent* owner) : TForm(owner) {
    // Known to the whole program before the design is read: the setup dialog's handlers reach
    // the timers while FormCreate loads the remembered values.
    MainForm = this;
    BeginReading();
    BuildDesign();
    EndDesign();
    if (Application) Application->OnEndSession = [this](TObject*) { EndSession(); };
}

TMainForm::~TMainForm() {
    if (FPoll) ReleasePoll(1000);
    if (MainForm == this) MainForm = nullptr;
    if (Application) Application->OnEndSession = nullptr;
}

void TMainForm::BuildDesign() {
    SetName("MainForm");
    SetCaption(ProgramName);
    SetBorderStyle(bsNone);
    SetClientWidth(688);
    SetClientHeight(38);
    SetCursor(crHandPoint);
    SetHint("Click to open your standard mail program");
    SetShowHint(true);
    // The bar shows itself unasked; it must never take the focus from the user's program.
    SetActivateOnShow(false);

    PopupMenu = new TPopupMenu(this);
    PopupMenu->SetName("PopupMenu");
    ImageList = new TImageList(this);
    ImageList->SetName("ImageList");
    LoadSkimbarImages(*ImageList);
    ScrollTimer = MakeTimer(this, "ScrollTimer", DefaultScrollSpeed, &TMainForm::ScrollTimerTimer);
    qxApplicationEvents1 = new TqxApplicationEvents(this);
    qxApplicationEvents1->SetName("qxApplicationEvents1");
    qxApplicationEvents1->SetShowExceptionBox(false);
    qxApplicationEvents1->SetStartOnce(true);
    // A second start shows the bar as Show does, with the "no new mails" item when it is empty.
    qxApplicationEvents1->OnWakeUp = [this](TObject* s) { ShowActionExecute(s); };
    PollMailTimer = MakeTimer(this, "PollMailTimer", FirstPollDelay, &TMainForm::PollMailTimerTimer);
    StayOnTopTimer = MakeTimer(this, "StayOnTopTimer", StayOnTopDelay, &TMainForm::StayOnTopTimerTimer);
    IdPOP3 = new TIdPOP3(this);
    IdPOP3->SetName("IdPOP3");
    IdPOP3->SetPort(110);
    ActionList = new TActionList(this);
    ActionList->SetName("ActionList");
    FasterAction = MakeAction(this, ActionList, "FasterAction", "Faster", &TMainForm::FasterActionExecute);
    SlowerAction = MakeAction(this, ActionList, "SlowerAction", "Slower", &TMainForm::SlowerActionExecute);
    SetupAction = MakeAction(this, ActionList, "SetupAction", "Setup ...", &TMainForm::SetupActionExecute);
    QuitAction = MakeAction(this, ActionList, "QuitAction", "Quit", &TMainForm::QuitActionExecute);
    ShowAction = MakeAction(this, ActionList, "ShowAction", "Show", &TMainForm::ShowActionExecute);
    HideAction = MakeAction(this, ActionList, "HideAction", "Hide", &TMainForm::HideActionExecute);
    // The popup's items (linked to the actions above), before the form-text component that
    // translates them when the design has been read.
    TMenuItem* root = PopupMenu->Items();
    ShowItem = MakeItem(this, root, "Show", "", ShowAction);
    HideItem = MakeItem(this, root, "Hide", "", HideAction);
    N1 = MakeItem(this, root, "N1", "-", nullptr);
    FasterItem = MakeItem(this, root, "Faster", "", FasterAction);
    SlowerItem = MakeItem(this, root, "Slower", "", SlowerAction);
    N2 = MakeItem(this, root, "N2", "-", nullptr);
    LanguageItem = MakeItem(this, root, "Language", LanguageMenuCaption, nullptr);
    SetupItem = MakeItem(this, root, "Setup", "", SetupAction);
    N3 = MakeItem(this, root, "N3", "-", nullptr);
    QuitItem = MakeItem(this, root, "Quit", "", QuitAction);
    SetPopupMenu(PopupMenu);
    qxLanguage = new TqxLanguage(this);
    qxLanguage->SetName("qxLanguage");
    qxLanguage->SetExportEmptyStrings(false);


    OnCreate = [this](TObject* s) { FormCreate(s); };
    OnDestroy = [this](TObject* s) { FormDestroy(s); };
    OnShow = [this](TObject* s) { FormShow(s); };
    OnClick = [this](TObject* s) { FormClick(s); };
}

std::string TMainForm::GeneralIniPath() { return AddBackslash(GetAppDir()) + "Cfg\\Skimbar.ini"; }

void TMainForm::FormCreate(TObject* Sender) {
    FFormCreateRan = true;
    auto step = [this](int n) {
        if (CreateStepHookForTests) CreateStepHookForTests(*this, n);
    };
    step(1);
    TrayFrame = 0;
    LastCount = 0;
    LastFirstId.clear();

    step(2);
    dt::SetShortDateFormat("d.m.yy");
    dt::SetShortTimeFormat(platform::LocaleShortTimeFormat());

    step(3);
    Items.clear();
    ForgetStrip();
    KnownIds.Clear();

    step(4);
    SetBounds(0, 0, Monitor().Width, Height());

    step(5);
    ScrollTimer->SetEnabled(true);

    step(6);
    TrayIcon = new TTrayIcon(this);
    {
        TIcon icon;
        ImageList->GetIcon(0, icon);
        TrayIcon->SetIcon(&icon);
    }
    TrayIcon->SetPopupMenu(PopupMenu);
    TrayIcon->SetActive(true);
    TrayIcon->OnClick = [this](TObject* s) { ShowActionExecute(s); };
    TrayIcon->OnDblClick = [this](TObject* s) { ShowActionExecute(s); };

    step(7);
    new TSetupForm(nullptr, this);  // sets SetupForm

    step(8);
    LoadRemanentControls();

    step(9);
    SetupForm->CheckAutoStart();

    step(10);
    if (!Has(csDesigning) && HasExportLanguageSwitch()) qxLanguage->ExportTexts();

    step(11);
    PollMailTimer->SetInterval(FirstPollDelay);

    step(12);
    SetHint(LangString(FMAIN_MSG_MAINFORMHINT));
    SetShowHint(true);

    step(13);
    {
        const TStrings& languages = GetLanguageList();
        const int index = ActiveLanguageIndex();
        std::string name = (index >= 0 && index < languages.Count()) ? languages[index] : std::string();
        ActiveLanguage = AnsiUpper(name.substr(0, name.find('.')));
        if (ActiveLanguage.empty() && languages.Count() > 0)
            ActiveLanguage = platform::UserPrimaryLanguage() == 7 ? "GERMAN" : "ENGLISH";
    }

    step(14);
    {
        // Copied: a language switch may rebuild nothing here, but the list is the unit's.
        std::vector<std::string> languages;
        for (int i = 0; i < GetLanguageList().Count(); ++i) languages.push_back(GetLanguageList()[i]);
        for (const std::string& file : languages) {
            auto* item = new TMenuItem(this);
            item->SetCaption(AnsiUpper(file.substr(0, file.find('.'))));
            item->OnClick = [this](TObject* s) { LanguageItemClick(s); };
            item->SetGroupIndex(1);
            item->SetRadioItem(true);
            LanguageItem->Add(item);
            if (item->Caption() == AnsiUpper(ActiveLanguage)) LanguageItemClick(item);
        }
    }

    step(15);
    TrayIcon->SetToolTip(TrayToolTipText());

    step(16);
    for (TqxComboBox* combo : {SetupForm->POP3qxComboBox, SetupForm->eMailqxComboBox})
        if (combo->ItemIndex() < 0 && combo->Items().Count() > 0) combo->SetItemIndex(0);

    step(17);
    // The stored colours before the dialog of the first start can show them: what the user
    // picks there is kept, not read over afterwards.
    {
        TIniFile ini(GeneralIniPath());
        SetupForm->BackColorqxPanel->SetColor(ini.ReadInteger("General", "BackColor", 0));
        SetupForm->TextColorqxPanel->SetColor(ini.ReadInteger("General", "TextColor", 65280));
        FColorsRead = true;
    }
    if (SetupForm->PasswordqxEdit->Text().empty()) SetupForm->ShowModal();

    step(18);
    {
        TIniFile ini(GeneralIniPath());
        OkFlag = ini.ReadBool("General", "OK", false);
        int speed = ini.ReadInteger("General", "ScrollSpeed", DefaultScrollSpeed);
        ScrollTimer->SetInterval(speed < MinScrollSpeed ? DefaultScrollSpeed : speed);
        FSpeedRead = true;
    }

    step(19);
    SetColor(SetupForm->BackColorqxPanel->Color());

    step(20);
    PollMailTimer->SetEnabled(true);

    step(21);
    AddTickerItem(ProgramName, LangString(FMAIN_MSG_WELCOME), 1, dt::Now(), "-1");

    step(22);
    if (SetupForm->AutoShowqxCheckBox->Checked() && !Visible()) ShowBar();
    step(23);
}

void TMainForm::FormShow(TObject* Sender) { StayOnTopTimer->SetEnabled(true); }

void TMainForm::WriteGeneralSettings() {
    // Only what this run read or chose: a start-up that failed part-way leaves the stored
    // speed, colours and language as they were.
    TIniFile ini(GeneralIniPath());
    if (!ActiveLanguage.empty()) ini.WriteString("General", "ActiveLanguage", ActiveLanguage);
    if (FSpeedRead) {
        ini.WriteBool("General", "OK", OkFlag);
        ini.WriteInteger("General", "ScrollSpeed", ScrollTimer->Interval());
    }
    if (FColorsRead && SetupForm) {
        ini.WriteInteger("General", "BackColor", SetupForm->BackColorqxPanel->Color());
        ini.WriteInteger("General", "TextColor", SetupForm->TextColorqxPanel->Color());
    }
}

void TMainForm::EndSession() {
    // Windows ends the process as soon as the session-end message returns: everything Quit
    // and the destruction of the windows would write is written now.
    try {
        QuitActionExecute(this);
    } catch (...) {
        Application->HandleException(this);
    }
    if (!FFormCreateRan) return;
    WriteGeneralSettings();
    if (SetupForm) SaveRemanentValues(SetupForm);
}

void TMainForm::FormDestroy(TObject* Sender) {
    if (FPoll) ReleasePoll(1000);  // before the items and the setup dialog go
    if (!FFormCreateRan) return;
    WriteGeneralSettings();
    std::vector<TMailPanel*> items;
    items.swap(Items);
    ForgetStrip();
    for (TMailPanel* item : items) {
        item->OnStripChange = nullptr;
        ui::FreeControl(item);
    }
    KnownIds.Clear();
    delete SetupForm;
}

void TMainForm::ShowBar() {
    TForm::Show();
    Application->Restore();
}

void TMainForm::ShowActionExecute(TObject* Sender) {
    if (Items.empty()) AddTickerItem("System", LangString(FMAIN_MSG_NONEWMAILS), 0, dt::Now(), "-1");
    ShowBar();
}

void TMainForm::HideActionExecute(TObject* Sender) { SetVisible(false); }

void TMainForm::SetupActionExecute(TObject* Sender) {
    if (SetupForm) SetupForm->Show();
}

void TMainForm::QuitActionExecute(TObject* Sender) {
    // A poll under way ends with its socket; the program does not wait for its server.
    CancelPoll(1000);
    PollMailTimer->SetEnabled(false);
    StayOnTopTimer->SetEnabled(false);
    ScrollTimer->SetEnabled(false);
    try {
        if (IdPOP3->Connected()) IdPOP3->Disconnect();
    } catch (...) {
        Close();
        throw;
    }
    Close();
}

void TMainForm::LanguageItemClick(TObject* Sender) {
    auto* item = dynamic_cast<TMenuItem*>(Sender);
    if (!item) return;
    item->SetChecked(true);
    std::string name = StringReplaceAll(item->Caption(), "&", "");
    SetLanguage(name);
    TrayIcon->SetToolTip(TrayToolTipText());
    ActiveLanguage = name;
}

std::string TMainForm::TrayToolTipText() {
    return std::string(ProgramName) + " " + VersionMain + "." + VersionSub + "\r\n" +
           LangString(FMAIN_MSG_MSG_TOOLTIPTEXT);
}

// ---------------------------------------------------------------------------------------
// The program.

int SkimbarMain(std::unique_ptr<ui::TBackend> backend) {
    ui::StartUp(std::move(backend));
    int code = 0;
    bool supportStarted = false;
    try {
        InitializeQxGeneral();
        supportStarted = true;
        RegisterTrayIconStrings();
        RegisterMailPanelStrings();
        RegisterMainFormStrings();
        Application->Initialize();
        Application->SetShowMainForm(false);
        Application->SetTitle(ProgramName);
        Application->CreateForm(MainForm);
        Application->Run();
    } catch (const TLoopStall&) {
        throw;
    } catch (...) {
        Application->HandleException(Application);
        code = 1;
    }
    // Every window first (the setup dialog's controls save themselves as they go), then the
    // support objects they wrote through.
    ui::ShutDown();
    if (supportStarted) FinalizeQxGeneral();
    return code;
}
