#include "support/qxEdit.h"

SKIMBAR_CLASS_INFO(TqxEdit, TEdit,
                   props::Boolean<TqxEdit>("Remanent", &TqxEdit::Remanent, &TqxEdit::SetRemanent))

TqxEdit::TqxEdit(TComponent* owner) : TqxRemanentControl<TEdit>(owner) {
    // Starts empty, not with its component name.
    SetControlStyle(ControlStyle() & ~static_cast<unsigned>(csSetCaption));
}

void TqxEdit::Change() {
    TEdit::Change();
    if (!FLoadingRemanent) FRemanentChanged = true;
}

void TqxEdit::ReadRemanentValue() {
    const std::string stored = ReadRemanentString(this, Text());
    if (stored != Text()) SetText(stored);
}

void TqxEdit::WriteRemanentValue() { WriteRemanentString(this, Text()); }
