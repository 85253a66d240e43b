#include "app/SecurityControls.h"

#include "app/MailAccount.h"
#include "support/qxGeneral.h"

SKIMBAR_CLASS_INFO(TSecurityComboBox, TqxComboBox)
SKIMBAR_CLASS_INFO(TFingerprintEdit, TqxEdit)

namespace {
constexpr TIdSecurity kOrder[] = {TIdSecurity::Tls, TIdSecurity::StartTls, TIdSecurity::None};

TIniFile& Settings() {
    if (!CfgIniFile) throw Exception("qxGeneral.CfgIniFile=nil");
    return *CfgIniFile;
}
}  // namespace

TSecurityComboBox::TSecurityComboBox(TComponent* owner) : TqxComboBox(owner) {
    SetStyle(csDropDownList);
    for (const char* item : {"SSL/TLS", "STARTTLS", "None"}) Items().Add(item);
    SetItemIndex(0);
}

TIdSecurity TSecurityComboBox::Security() const {
    const int index = ItemIndex();
    return index >= 0 && index < 3 ? kOrder[index] : TIdSecurity::Tls;
}

void TSecurityComboBox::SetSecurity(TIdSecurity value) {
    for (int i = 0; i < 3; ++i)
        if (kOrder[i] == value && ItemIndex() != i) SetItemIndex(i);
}

void TSecurityComboBox::ReadRemanentValue() {
    TIniFile& ini = Settings();
    if (ini.ValueExists(SecuritySection, "Mode")) {
        SetSecurity(SecurityFromText(ini.ReadString(SecuritySection, "Mode", "")));
        return;
    }
    const bool accountStored = !ini.ReadString("String", "SetupForm.PasswordqxEdit", "").empty() ||
                               !ini.ReadString("String", "SetupForm.POP3qxComboBox", "").empty();
    SetSecurity(accountStored ? TIdSecurity::None : TIdSecurity::Tls);
    WriteRemanentValue();
}

void TSecurityComboBox::WriteRemanentValue() { Settings().WriteString(SecuritySection, "Mode", SecurityText(Security())); }

TFingerprintEdit::TFingerprintEdit(TComponent* owner) : TqxEdit(owner) {}

void TFingerprintEdit::ReadRemanentValue() {
    const std::string stored = Settings().ReadString(SecuritySection, "Fingerprint", Text());
    if (stored != Text()) SetText(stored);
}

void TFingerprintEdit::WriteRemanentValue() { Settings().WriteString(SecuritySection, "Fingerprint", Text()); }
