#include "support/qxComboBox.h"

#include "core/Text.h"

SKIMBAR_CLASS_INFO(TqxComboBox, TComboBox,
                   props::Boolean<TqxComboBox>("Remanent", &TqxComboBox::Remanent,
                                               &TqxComboBox::SetRemanent))

TqxComboBox::TqxComboBox(TComponent* owner) : TqxRemanentControl<TComboBox>(owner) {
    SetControlStyle(ControlStyle() & ~static_cast<unsigned>(csSetCaption));
}

void TqxComboBox::Change() {
    TComboBox::Change();
    if (ChangeCounts()) FRemanentChanged = true;
}

void TqxComboBox::ReadRemanentValue() {
    const std::string stored = ReadRemanentString(this, Text());
    if (stored.empty()) {
        // An empty text is never put into the list: it would add a blank entry each load.
        if (!Text().empty() || ItemIndex() != -1) {
            SetItemIndex(-1);
            SetText("");
        }
        return;
    }
    int index = -1;
    for (int i = 0; i < Items().Count() && index < 0; ++i)
        if (text::SameText(Items()[i], stored)) index = i;
    if (index < 0) index = Items().Add(stored);
    // Selecting shows the entry's own spelling and runs the change event.
    if (index != ItemIndex()) SetItemIndex(index);
}

void TqxComboBox::WriteRemanentValue() { WriteRemanentString(this, Text()); }

std::string TqxComboBox::ValueText() { return Text(); }

void TqxComboBox::SetValueText(const std::string& value) {
    SetText(value);
}
