#include "app/fSetup.h"

#include "app/SecurityControls.h"

#include "core/Text.h"
#include "localisation/qxHotkey.h"
#include "localisation/qxLanguage.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "support/qxCheckBox.h"
#include "support/qxComboBox.h"
#include "support/qxEdit.h"
#include "support/qxGeneral.h"
#include "support/qxLabel.h"
#include "support/qxPanel.h"
#include "support/qxRemanent.h"
#include "support/qxUpDown.h"
#include "ui/ComCtrls.h"
#include "ui/Dialogs.h"
#include "ui/ExtCtrls.h"
#include "ui/StdCtrls.h"

SKIMBAR_CLASS_INFO(TSetupForm, TForm)

TSetupForm* SetupForm = nullptr;

int PollMinutesFromText(const std::string& text) {
    int minutes = DefaultPollMinutes;
    if (!text::TryStrToInt(text, minutes)) return DefaultPollMinutes;
    return minutes < MinPollMinutes ? MinPollMinutes : minutes > MaxPollMinutes ? MaxPollMinutes : minutes;
}

namespace {

template <class T>
T* Place(TComponent* owner, TWinControl* parent, const char* name, int left, int top, int width, int height) {
    T* control = new T(owner);
    control->SetName(name);
    control->SetBounds(left, top, width, height);
    control->SetParent(parent);
    return control;
}

TqxLabel* Label(TComponent* owner, TWinControl* parent, const char* name, const char* caption, int left, int top) {
    auto* label = Place<TqxLabel>(owner, parent, name, left, top, 65, 13);
    label->SetCaption(caption);
    return label;
}

// Appends text unless the list holds it already, letter case ignored. Empty account values
// add nothing: a blank entry offers nothing to pick.
void AddOnce(TStrings& list, const std::string& text) {
    if (text.empty()) return;
    for (int i = 0; i < list.Count(); ++i)
        if (text::SameText(list[i], text)) return;
    list.Add(text);
}

}  // namespace

TSetupForm::TSetupForm(TComponent* owner, IMainTimers* timers) : TForm(owner), FMainTimers(timers) {
    SetupForm = this;
    try {
        BuildDesign();
        OfferMailAccounts();
    } catch (...) {
        // The error leaves the creation; the half-built form goes with the base destructors.
        if (SetupForm == this) SetupForm = nullptr;
        throw;
    }
}

TSetupForm::~TSetupForm() {
    if (SetupForm == this) SetupForm = nullptr;
}

void TSetupForm::BuildDesign() {
    BeginReading();
    SetName("SetupForm");
    SetCaption("Setup");
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetBounds(0, 0, 545, 352);
    Font().SetName("MS Sans Serif");
    Font().SetHeight(-11);

    PageControl1 = Place<TPageControl>(this, this, "PageControl1", 0, 0, 537, 325);
    PageControl1->SetAlign(alClient);
    TabSheet1 = new TTabSheet(this);
    TabSheet1->SetName("TabSheet1");
    TabSheet1->SetCaption("&Setup");
    TabSheet1->SetPageControl(PageControl1);
    TabSheet1->SetShowHint(true);

    // Left column: account, poll time and switches; right column: password and colours.
    constexpr int labelLeft = 16, fieldLeft = 140, rightLabel = 300, rightField = 380;
    qxLabel6 = Label(this, TabSheet1, "qxLabel6", "Check mails for this account :", labelLeft, 16);
    qxLabel6->SetEnabled(false);

    qxLabel1 = Label(this, TabSheet1, "qxLabel1", "&POP3-Username", labelLeft, 48);
    eMailqxComboBox = Place<TqxComboBox>(this, TabSheet1, "eMailqxComboBox", fieldLeft, 44, 150, 21);
    eMailqxComboBox->SetRemanent(true);
    qxLabel1->SetFocusControl(eMailqxComboBox);

    qxLabel2 = Label(this, TabSheet1, "qxLabel2", "P&assword :", rightLabel, 48);
    PasswordqxEdit = Place<TqxEdit>(this, TabSheet1, "PasswordqxEdit", rightField, 44, 133, 21);
    PasswordqxEdit->SetPasswordChar('*');
    PasswordqxEdit->SetRemanent(true);
    PasswordqxEdit->SetProtected(true);
    qxLabel2->SetFocusControl(PasswordqxEdit);

    qxLabel3 = Label(this, TabSheet1, "qxLabel3", "P&OP3-Server :", labelLeft, 80);
    POP3qxComboBox = Place<TqxComboBox>(this, TabSheet1, "POP3qxComboBox", fieldLeft, 76, 150, 21);
    POP3qxComboBox->SetRemanent(true);
    qxLabel3->SetFocusControl(POP3qxComboBox);

    qxLabel4 = Label(this, TabSheet1, "qxLabel4", "&Check every :", labelLeft, 112);
    PollTimeqxEdit = Place<TqxEdit>(this, TabSheet1, "PollTimeqxEdit", fieldLeft, 108, 41, 21);
    PollTimeqxEdit->SetText("2");
    qxUpDown1 = Place<TqxUpDown>(this, TabSheet1, "qxUpDown1", fieldLeft + 41, 108, 16, 21);
    qxUpDown1->SetMin(2);
    qxUpDown1->SetMax(1000);
    qxUpDown1->SetPosition(2);
    qxUpDown1->SetWrap(false);
    qxUpDown1->SetAssociate(PollTimeqxEdit);
    qxUpDown1->SetRemanent(true);
    qxLabel4->SetFocusControl(qxUpDown1);
    qxLabel5 = Label(this, TabSheet1, "qxLabel5", "min.", fieldLeft + 64, 112);

    // Created in this order (the order they register and load in); tabbed as the user reads.
    StayOnTopqxCheckBox = Place<TqxCheckBox>(this, TabSheet1, "StayOnTopqxCheckBox", labelLeft, 172, 220, 17);
    StayOnTopqxCheckBox->SetCaption("S&tay on top");
    AutoShowqxCheckBox = Place<TqxCheckBox>(this, TabSheet1, "AutoShowqxCheckBox", labelLeft, 196, 220, 17);
    AutoShowqxCheckBox->SetCaption("S&how on new mail");
    AutoStartqxCheckBox = Place<TqxCheckBox>(this, TabSheet1, "AutoStartqxCheckBox", labelLeft, 148, 220, 17);
    AutoStartqxCheckBox->SetCaption("A&utostart");
    for (TqxCheckBox* box : {StayOnTopqxCheckBox, AutoShowqxCheckBox, AutoStartqxCheckBox}) {
        box->SetChecked(true);
        box->SetRemanent(true);
    }

    BitBtn1 = Place<TBitBtn>(this, TabSheet1, "BitBtn1", 344, 252, 81, 25);
    BitBtn1->SetCaption("O&K");
    BitBtn1->SetKind(bkOK);
    BitBtn2 = Place<TBitBtn>(this, TabSheet1, "BitBtn2", 432, 252, 81, 25);
    BitBtn2->SetCaption("A&bbrechen");
    BitBtn2->SetKind(bkCancel);

    qxLabel7 = Label(this, TabSheet1, "qxLabel7", "Background color ", rightLabel, 150);
    BackColorqxPanel = Place<TqxPanel>(this, TabSheet1, "BackColorqxPanel", 430, 148, 49, 17);
    qxLabel8 = Label(this, TabSheet1, "qxLabel8", "Text color", rightLabel, 178);
    TextColorqxPanel = Place<TqxPanel>(this, TabSheet1, "TextColorqxPanel", 430, 176, 49, 17);
    for (TqxPanel* swatch : {BackColorqxPanel, TextColorqxPanel}) {
        swatch->SetBevelInner(bvLowered);
        swatch->SetBevelOuter(bvLowered);
        swatch->SetParentColor(false);
        swatch->SetHint("click to select");
        swatch->SetTabStop(false);
    }
    BackColorqxPanel->SetColor(clBlack);
    TextColorqxPanel->SetColor(clLime);

    PlaceSecurityControls();

    int order = 0;
    for (TWinControl* control : std::initializer_list<TWinControl*>{
             eMailqxComboBox, PasswordqxEdit, POP3qxComboBox, SecurityqxComboBox, FingerprintqxEdit,
             PollTimeqxEdit, qxUpDown1, AutoStartqxCheckBox,
             StayOnTopqxCheckBox, AutoShowqxCheckBox, BitBtn1, BitBtn2, BackColorqxPanel, TextColorqxPanel})
        control->SetTabOrder(order++);

    ColorDialog = new TColorDialog(this);
    ColorDialog->SetName("ColorDialog");
    PlaceTranslationComponents();

    // The account lists hold the user's data: never written to a language file or replaced
    // from one. Excluded before the form-text component first reads or writes the form.
    ExcludeFromTranslation(eMailqxComboBox);
    ExcludeFromTranslation(POP3qxComboBox);
    // A language file without its list would empty it (an import replaces whole lists), and
    // the mode is told by position: its three entries stay as they are.
    ExcludeFromTranslation(SecurityqxComboBox);

    OnShow = [this](TObject* sender) { FormShow(sender); };
    OnClose = [this](TObject* sender, TCloseAction&) { FormClose(sender); };
    BitBtn1->OnClick = [this](TObject* sender) { BitBtn1Click(sender); };
    BitBtn2->OnClick = [this](TObject* sender) { BitBtn2Click(sender); };
    PollTimeqxEdit->OnChange = [this](TObject* sender) { PollTimeqxEditChange(sender); };
    StayOnTopqxCheckBox->OnClick = [this](TObject* sender) { StayOnTopqxCheckBoxClick(sender); };
    BackColorqxPanel->OnClick = [this](TObject* sender) { BackColorqxPanelClick(sender); };
    TextColorqxPanel->OnClick = [this](TObject* sender) { TextColorqxPanelClick(sender); };
    AutoStartqxCheckBox->OnClick = [this](TObject* sender) { AutoStartqxCheckBoxClick(sender); };

    EndDesign();
}

void TSetupForm::PlaceSecurityControls() {
    // Wider labels than the account's: the fields start further right, and the edit ends
    // before the buttons beside it.
    constexpr int labelLeft = 16, fieldLeft = 184;
    qxLabel9 = Label(this, TabSheet1, "qxLabel9", "Connection s&ecurity :", labelLeft, 228);
    SecurityqxComboBox = Place<TSecurityComboBox>(this, TabSheet1, "SecurityqxComboBox", fieldLeft, 224, 150, 21);
    SecurityqxComboBox->SetRemanent(true);
    qxLabel9->SetHint("SSL/TLS: port 995 unless the server names one. STARTTLS and None: port 110");
    qxLabel9->SetFocusControl(SecurityqxComboBox);
    qxLabel10 = Label(this, TabSheet1, "qxLabel10", "Cert&ificate (SHA-256) :", labelLeft, 260);
    FingerprintqxEdit = Place<TFingerprintEdit>(this, TabSheet1, "FingerprintqxEdit", fieldLeft, 256, 152, 21);
    FingerprintqxEdit->SetRemanent(true);
    FingerprintqxEdit->SetHint(
        "Only for a server with a certificate of its own: its SHA-256 fingerprint. Empty: the "
        "certificate must be trusted by the system");
    qxLabel10->SetFocusControl(FingerprintqxEdit);
}

void TSetupForm::PlaceTranslationComponents() {
    // The form-text component comes first: when the form has loaded it imports the active
    // language, and the accelerators are then given to the imported captions.
    qxLanguage1 = new TqxLanguage(this);
    qxLanguage1->SetName("qxLanguage1");
    qxLanguage1->SetExportEmptyStrings(false);
    // The default key lists: A to Z and 0 to 9; the 36 characters never used.
    qxHotkey = new TqxHotkey(this);
    qxHotkey->SetName("qxHotkey");
    qxHotkey->SetActiveTabbedNoteBook(true);
    qxHotkey->SetActiveTabset(false);
    qxHotkey->SetActiveMenu(false);
}

void TSetupForm::OfferMailAccounts() {
    platform::TRegistry registry(platform::RootKey::CurrentUser);
    for (int number = 1; number <= 256; ++number) {
        registry.CloseKey();
        if (!registry.OpenKeyReadOnly(std::string(MailAccountsKey) + text::IntToHex(number, 8))) continue;
        if (registry.ReadString("SMTP Email Address").empty()) continue;
        AddOnce(POP3qxComboBox->Items(), registry.ReadString("POP3 Server"));
        AddOnce(eMailqxComboBox->Items(), registry.ReadString("POP3 User Name"));
    }
}

int TSetupForm::PollMinutes() const { return PollMinutesFromText(PollTimeqxEdit->Text()); }

void TSetupForm::CheckAutoStart() {
    try {
        platform::TRegistry user(platform::RootKey::CurrentUser);
        const bool opened = user.OpenKey(RunKey, true);
        if (AutoStartqxCheckBox->Checked()) {
            // Quoted, so a path with blanks names this program and no other. Raises
            // "Konnte Daten für 'Skimbar' nicht setzen" when the key could not be opened.
            user.WriteString(AutoStartValueName, "\"" + platform::ExePath() + "\"");
        } else {
            if (opened) user.DeleteValue(AutoStartValueName);
            // An older version wrote the machine-wide value; removing it needs rights the
            // user may not have, so a failure is no error.
            platform::TRegistry machine(platform::RootKey::LocalMachine);
            if (machine.OpenKey(RunKey, false)) machine.DeleteValue(AutoStartValueName);
        }
    } catch (...) {
        // Recorded, never in the way of the start-up or the dialog.
        Application->HandleException(this);
    }
}

void TSetupForm::FormShow(TObject* Sender) {
    // What the dialog shows as it opens is what Cancel goes back to: every remembering
    // control it owns, and the colour swatches.
    FAccepted = false;
    FShownValues.clear();
    for (IqxRemanent* control : RemanentControlsOf(this)) FShownValues.push_back({control, control->RemanentValue()});
    FShownColors.clear();
    for (int i = 0; i < ComponentCount(); ++i)
        if (auto* swatch = dynamic_cast<TqxPanel*>(Components(i))) FShownColors.push_back({swatch, swatch->Color()});
}

void TSetupForm::FormClose(TObject* Sender) {
    if (FAccepted) return;
    // Closed without OK (Cancel, Escape, the close box): nothing typed or picked stays.
    const auto values = std::move(FShownValues);
    const auto colors = std::move(FShownColors);
    FShownValues.clear();
    FShownColors.clear();
    for (const auto& [control, value] : values) control->RestoreRemanentValue(value);
    for (const auto& [swatch, color] : colors) swatch->SetColor(color);
}

void TSetupForm::BitBtn1Click(TObject* Sender) {
    FAccepted = true;
    // The next check runs about 2 seconds later with the current settings (a timer restarts
    // only when its interval really changes).
    if (FMainTimers) {
        FMainTimers->AccountChanged();
        if (TTimer* poll = FMainTimers->GetPollMailTimer()) poll->SetInterval(2000);
    }
    CheckAutoStart();
    Close();
}

void TSetupForm::BitBtn2Click(TObject* Sender) {
    // Closing puts back what the dialog showed when it opened (FormClose).
    Close();
}

void TSetupForm::PollTimeqxEditChange(TObject* Sender) {
    if (!FMainTimers) return;
    if (TTimer* poll = FMainTimers->GetPollMailTimer()) poll->SetInterval(PollMinutes() * 60000);
}

void TSetupForm::StayOnTopqxCheckBoxClick(TObject* Sender) {
    // Unchecking acts the next time the bar is shown, when the timer runs again.
    if (!StayOnTopqxCheckBox->Checked() || !FMainTimers) return;
    if (TTimer* stayOnTop = FMainTimers->GetStayOnTopTimer()) stayOnTop->SetEnabled(true);
}

void TSetupForm::PickColor(TqxPanel* swatch) {
    // The dialog opens with the colour last chosen in it, not the swatch's.
    if (ColorDialog->Execute()) swatch->SetColor(ColorDialog->Color());
}

void TSetupForm::BackColorqxPanelClick(TObject* Sender) { PickColor(BackColorqxPanel); }

void TSetupForm::TextColorqxPanelClick(TObject* Sender) { PickColor(TextColorqxPanel); }

void TSetupForm::AutoStartqxCheckBoxClick(TObject* Sender) { CheckAutoStart(); }
