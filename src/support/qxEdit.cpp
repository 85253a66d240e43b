#include "support/qxEdit.h"

#include "support/qxProtect.h"

SKIMBAR_CLASS_INFO(TqxEdit, TEdit,
                   props::Boolean<TqxEdit>("Remanent", &TqxEdit::Remanent, &TqxEdit::SetRemanent),
                   props::Boolean<TqxEdit>("Protected", &TqxEdit::Protected, &TqxEdit::SetProtected))

TqxEdit::TqxEdit(TComponent* owner) : TqxRemanentControl<TEdit>(owner) {
    // Starts empty, not with its component name.
    SetControlStyle(ControlStyle() & ~static_cast<unsigned>(csSetCaption));
}

void TqxEdit::Change() {
    TEdit::Change();
    if (!FLoadingRemanent) FRemanentChanged = true;
}

void TqxEdit::ReadRemanentValue() {
    if (!FProtected) {
        const std::string stored = ReadRemanentString(this, Text());
        if (stored != Text()) SetText(stored);
        return;
    }
    // Nothing stored reads back as the current text, which is never in the protected form.
    const std::string stored = ReadRemanentString(this, Text());
    std::string plain;
    if (!UnprotectValue(stored, plain)) {
        // Another user's or a damaged value: the edit stays empty and the value stays in the
        // file until a new text is saved. Reported without the value.
        if (!Text().empty()) SetText("");
        ui::SafeCall(this, [this] {
            throw EProtectedValueError("The protected value " + GetRemanentKey(this) +
                                       " cannot be read by this user");
        });
        return;
    }
    if (plain != Text()) SetText(plain);
    // A plain value of an older version: stored protected at once, not left readable on disk
    // until the program ends. Should that write fail, the next save tries again.
    if (!stored.empty() && !IsProtectedValue(stored)) {
        FRemanentChanged = true;
        ui::SafeCall(this, [this] {
            WriteRemanentValue();
            FRemanentChanged = false;
        });
    }
}

void TqxEdit::WriteRemanentValue() {
    // An empty text has nothing to hide and is stored empty.
    WriteRemanentString(this, FProtected && !Text().empty() ? ProtectValue(Text()) : Text());
}

std::string TqxEdit::ValueText() { return Text(); }

void TqxEdit::SetValueText(const std::string& value) {
    SetText(value);
}
