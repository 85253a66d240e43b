#pragma once
// The setup dialog's connection security and pinned certificate. They remember their values
// as the other remembering controls do, but under [Security] (Mode, Fingerprint) in words,
// so that the settings file says plainly what protects the account.
#include <string>

#include "mail/IdTCPConnection.h"
#include "support/qxComboBox.h"
#include "support/qxEdit.h"

// Drop-down list: SSL/TLS, STARTTLS, None (in this order, whatever language shows them).
class TSecurityComboBox : public TqxComboBox {
    SKIMBAR_CLASS(TSecurityComboBox)
public:
    explicit TSecurityComboBox(TComponent* owner);
    TIdSecurity Security() const;
    void SetSecurity(TIdSecurity value);

protected:
    // Without a stored mode: none when the settings already hold an account (a settings
    // file of an earlier version keeps working as it did), tls on a first start. The mode
    // read that way is written at once, so the choice does not change at the next start.
    void ReadRemanentValue() override;
    void WriteRemanentValue() override;
};

class TFingerprintEdit : public TqxEdit {
    SKIMBAR_CLASS(TFingerprintEdit)
public:
    explicit TFingerprintEdit(TComponent* owner);

protected:
    void ReadRemanentValue() override;
    void WriteRemanentValue() override;
};

inline constexpr const char* SecuritySection = "Security";
