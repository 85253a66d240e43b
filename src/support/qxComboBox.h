#pragma once
// Combo box that remembers the text of its edit field under [String]; the list itself is
// not stored.
#include "support/qxRemanent.h"
#include "ui/StdCtrls.h"

class TqxComboBox : public TqxRemanentControl<TComboBox> {
    SKIMBAR_CLASS(TqxComboBox)
public:
    explicit TqxComboBox(TComponent* owner);
    void Change() override;

protected:
    void ReadRemanentValue() override;
    void WriteRemanentValue() override;
    std::string ValueText() override;
    void SetValueText(const std::string& value) override;
};
