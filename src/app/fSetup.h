#pragma once
// The setup dialog. It is the program's live settings record: the poll cycle and the bar read
// account, password, poll time, switches and colours straight from its controls. The
// remembering controls keep the values in the settings file; the colours are kept by the main
// window under [General].
//
// One program-wide instance without an owner, created hidden by the main window:
//     SetupForm = new TSetupForm(nullptr, this);  // the constructor sets SetupForm itself
// Creation raises ERegistryException "Ungültiger Datentyp für '%s'" when an account value of
// the system's mail account store is not text.
#include <string>
#include <utility>
#include <vector>

#include "app/MainTimers.h"
#include "ui/Forms.h"

class TPageControl;
class TTabSheet;
class TqxLabel;
class TqxComboBox;
class TqxEdit;
class TqxUpDown;
class TqxCheckBox;
class TqxPanel;
class TBitBtn;
class TColorDialog;
class TqxHotkey;
class TqxLanguage;
class IqxRemanent;
class TSecurityComboBox;
class TFingerprintEdit;

// Poll minutes from the poll-time text: the whole number it holds, 5 when it holds none,
// kept within 1 to 1000 so that the interval is never 0, negative or overflowing. The poll
// cycle and the dialog's change handler both read the text through this.
int PollMinutesFromText(const std::string& text);
inline constexpr int MinPollMinutes = 1;
inline constexpr int MaxPollMinutes = 1000;
inline constexpr int DefaultPollMinutes = 5;

class TSetupForm : public TForm {
    SKIMBAR_CLASS(TSetupForm)
public:
    // timers: the main window's poll and stay-on-top timers; null leaves the handlers that
    // need them without effect (until SetMainTimers).
    explicit TSetupForm(TComponent* owner = nullptr, IMainTimers* timers = nullptr);
    ~TSetupForm() override;

    IMainTimers* MainTimers() const { return FMainTimers; }
    void SetMainTimers(IMainTimers* timers) { FMainTimers = timers; }

    // Makes the per-user autostart value "Skimbar" match AutoStartqxCheckBox. A failed write
    // goes to the application's exception handling; it never leaves this function.
    void CheckAutoStart();
    // Poll minutes as the poll-time text gives them now: the whole number it holds, 5 when
    // it holds none, kept within 1 to 1000.
    int PollMinutes() const;

    // Handlers.
    void FormShow(TObject* Sender);
    // Closed other than by OK: every value goes back to what it was when the dialog opened.
    void FormClose(TObject* Sender);
    void BitBtn1Click(TObject* Sender);
    void BitBtn2Click(TObject* Sender);
    void PollTimeqxEditChange(TObject* Sender);
    void StayOnTopqxCheckBoxClick(TObject* Sender);
    void BackColorqxPanelClick(TObject* Sender);
    void TextColorqxPanelClick(TObject* Sender);
    void AutoStartqxCheckBoxClick(TObject* Sender);

    // Components, in design order. Their names are settings keys and language-file keys.
    TPageControl* PageControl1 = nullptr;
    TTabSheet* TabSheet1 = nullptr;
    TqxLabel* qxLabel6 = nullptr;  // heading, shown disabled
    TqxLabel* qxLabel1 = nullptr;  // user name
    TqxComboBox* eMailqxComboBox = nullptr;
    TqxLabel* qxLabel2 = nullptr;  // password
    TqxEdit* PasswordqxEdit = nullptr;
    TqxLabel* qxLabel3 = nullptr;  // server
    TqxComboBox* POP3qxComboBox = nullptr;
    TqxLabel* qxLabel4 = nullptr;  // poll time
    TqxEdit* PollTimeqxEdit = nullptr;
    TqxUpDown* qxUpDown1 = nullptr;
    TqxLabel* qxLabel5 = nullptr;  // "min."
    TqxCheckBox* AutoStartqxCheckBox = nullptr;
    TqxCheckBox* StayOnTopqxCheckBox = nullptr;
    TqxCheckBox* AutoShowqxCheckBox = nullptr;
    TBitBtn* BitBtn1 = nullptr;  // OK
    TBitBtn* BitBtn2 = nullptr;  // Cancel
    TqxLabel* qxLabel7 = nullptr;  // background colour
    TqxPanel* BackColorqxPanel = nullptr;
    TqxLabel* qxLabel8 = nullptr;  // text colour
    TqxPanel* TextColorqxPanel = nullptr;
    TqxLabel* qxLabel9 = nullptr;  // connection security
    TSecurityComboBox* SecurityqxComboBox = nullptr;
    TqxLabel* qxLabel10 = nullptr;  // pinned certificate
    TFingerprintEdit* FingerprintqxEdit = nullptr;
    TColorDialog* ColorDialog = nullptr;
    TqxHotkey* qxHotkey = nullptr;
    TqxLanguage* qxLanguage1 = nullptr;

private:
    void BuildDesign();
    // The connection security and the pinned certificate, below the switches.
    void PlaceSecurityControls();
    // qxHotkey and qxLanguage1, placed while the design is read.
    void PlaceTranslationComponents();
    // Offers the accounts of the system's mail account store in the two combo boxes.
    void OfferMailAccounts();
    void PickColor(TqxPanel* swatch);
    IMainTimers* FMainTimers = nullptr;
    // What the dialog showed when it opened, and whether OK closed it.
    std::vector<std::pair<IqxRemanent*, std::string>> FShownValues;
    std::vector<std::pair<TqxPanel*, TColor>> FShownColors;
    bool FAccepted = false;
};

// The one setup dialog of the program (null while there is none).
extern TSetupForm* SetupForm;

// Registry locations the dialog uses.
inline constexpr const char* MailAccountsKey = "Software\\Microsoft\\Internet Account Manager\\Accounts\\";
inline constexpr const char* RunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr const char* AutoStartValueName = "Skimbar";
