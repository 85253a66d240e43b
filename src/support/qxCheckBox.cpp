#include "support/qxCheckBox.h"

SKIMBAR_CLASS_INFO(TqxCheckBox, TCheckBox,
                   props::Boolean<TqxCheckBox>("Remanent", &TqxCheckBox::Remanent,
                                               &TqxCheckBox::SetRemanent))

void TqxCheckBox::Click() {
    TCheckBox::Click();
    if (ChangeCounts()) FRemanentChanged = true;
}

void TqxCheckBox::ReadRemanentValue() {
    // A real change of state runs Click and with it the form's handler.
    SetChecked(ReadRemanentBool(this, Checked()));
}

void TqxCheckBox::WriteRemanentValue() { WriteRemanentBool(this, Checked()); }

std::string TqxCheckBox::ValueText() { return Checked() ? "1" : "0"; }

void TqxCheckBox::SetValueText(const std::string& value) {
    SetChecked(value == "1");
}
