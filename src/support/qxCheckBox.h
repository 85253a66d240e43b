#pragma once
// Check box that remembers its checked state under [Boolean].
#include "support/qxRemanent.h"
#include "ui/StdCtrls.h"

class TqxCheckBox : public TqxRemanentControl<TCheckBox> {
    SKIMBAR_CLASS(TqxCheckBox)
public:
    explicit TqxCheckBox(TComponent* owner) : TqxRemanentControl<TCheckBox>(owner) {}
    // The form's handler runs first; then a change by user or program marks the control.
    void Click() override;

protected:
    void ReadRemanentValue() override;
    void WriteRemanentValue() override;
    std::string ValueText() override;
    void SetValueText(const std::string& value) override;
};
