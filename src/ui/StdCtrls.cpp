#include "ui/StdCtrls.h"

#include "ui/ActnList.h"
#include "ui/ComCtrls.h"
#include "ui/Backend.h"
#include "ui/Forms.h"
#include "ui/PropHelpers.h"

using namespace ui;

SKIMBAR_CLASS_INFO(
    TCustomLabel, TGraphicControl,
    prop::Text<TCustomLabel>("Caption", [](TCustomLabel& c) { return c.Caption(); },
                             [](TCustomLabel& c, const std::string& v) { c.SetCaption(v); },
                             [](TCustomLabel& c) { return c.IsCaptionStored(); }),
    prop::Ref<TCustomLabel, TWinControl>("FocusControl", [](TCustomLabel& c) { return c.FocusControl(); },
                                         [](TCustomLabel& c, TWinControl* w) { c.SetFocusControl(w); }),
    prop::Bool<TCustomLabel>("AutoSize", [](TCustomLabel& c) { return c.AutoSize(); },
                             [](TCustomLabel& c, bool v) { c.SetAutoSize(v); }),
    prop::Bool<TCustomLabel>("Transparent", [](TCustomLabel& c) { return c.Transparent(); },
                             [](TCustomLabel& c, bool v) { c.SetTransparent(v); }))
SKIMBAR_CLASS_INFO(TLabel, TCustomLabel)
SKIMBAR_CLASS_INFO(
    TCustomEdit, TWinControl,
    prop::Text<TCustomEdit>("Text", [](TCustomEdit& c) { return c.Text(); },
                            [](TCustomEdit& c, const std::string& v) { c.SetText(v); }),
    prop::Int<TCustomEdit>("MaxLength", [](TCustomEdit& c) { return c.MaxLength(); },
                           [](TCustomEdit& c, int v) { c.SetMaxLength(v); }),
    prop::Int<TCustomEdit>("PasswordChar", [](TCustomEdit& c) { return int(static_cast<unsigned char>(c.PasswordChar())); },
                           [](TCustomEdit& c, int v) { c.SetPasswordChar(static_cast<char>(v)); }),
    prop::Bool<TCustomEdit>("ReadOnly", [](TCustomEdit& c) { return c.ReadOnly(); },
                            [](TCustomEdit& c, bool v) { c.SetReadOnly(v); }))
SKIMBAR_CLASS_INFO(TEdit, TCustomEdit)
SKIMBAR_CLASS_INFO(
    TCustomComboBox, TWinControl,
    prop::List<TCustomComboBox>("Items", [](TCustomComboBox& c) -> TStrings& { return c.Items(); }),
    prop::Text<TCustomComboBox>("Text", [](TCustomComboBox& c) { return c.Text(); },
                                [](TCustomComboBox& c, const std::string& v) { c.SetText(v); }),
    prop::Int<TCustomComboBox>("ItemIndex", [](TCustomComboBox& c) { return c.ItemIndex(); },
                               [](TCustomComboBox& c, int v) { c.SetItemIndex(v); }),
    prop::Int<TCustomComboBox>("Style", [](TCustomComboBox& c) { return int(c.Style()); },
                               [](TCustomComboBox& c, int v) { c.SetStyle(TComboBoxStyle(v)); }))
SKIMBAR_CLASS_INFO(TComboBox, TCustomComboBox)
SKIMBAR_CLASS_INFO(TButtonControl, TWinControl)
SKIMBAR_CLASS_INFO(
    TButton, TButtonControl,
    prop::Text<TButton>("Caption", [](TButton& c) { return c.Caption(); },
                        [](TButton& c, const std::string& v) { c.SetCaption(v); },
                        [](TButton& c) { return c.IsCaptionStored(); }),
    prop::Ref<TButton, TBasicAction>("Action", [](TButton& c) { return c.Action(); },
                                     [](TButton& c, TBasicAction* a) { c.SetAction(a); }),
    prop::Int<TButton>("ModalResult", [](TButton& c) { return c.ModalResult(); },
                       [](TButton& c, int v) { c.SetModalResult(v); }),
    prop::Bool<TButton>("Default", [](TButton& c) { return c.Default(); }, [](TButton& c, bool v) { c.SetDefault(v); }),
    prop::Bool<TButton>("Cancel", [](TButton& c) { return c.Cancel(); }, [](TButton& c, bool v) { c.SetCancel(v); }))
SKIMBAR_CLASS_INFO(TBitBtn, TButton,
                   prop::Int<TBitBtn>("Kind", [](TBitBtn& c) { return int(c.Kind()); },
                                      [](TBitBtn& c, int v) { c.SetKind(TBitBtnKind(v)); }))
SKIMBAR_CLASS_INFO(
    TCustomCheckBox, TButtonControl,
    prop::Text<TCustomCheckBox>("Caption", [](TCustomCheckBox& c) { return c.Caption(); },
                                [](TCustomCheckBox& c, const std::string& v) { c.SetCaption(v); },
                                [](TCustomCheckBox& c) { return c.IsCaptionStored(); }),
    prop::Ref<TCustomCheckBox, TBasicAction>("Action", [](TCustomCheckBox& c) { return c.Action(); },
                                             [](TCustomCheckBox& c, TBasicAction* a) { c.SetAction(a); }),
    prop::Bool<TCustomCheckBox>("Checked", [](TCustomCheckBox& c) { return c.Checked(); },
                                [](TCustomCheckBox& c, bool v) { c.SetChecked(v); }))
SKIMBAR_CLASS_INFO(TCheckBox, TCustomCheckBox)

// ---------------------------------------------------------------------------------------

TCustomLabel::TCustomLabel(TComponent* owner) : TGraphicControl(owner) {
    FControlStyle |= csSetCaption | csOpaque;
    FParentColor = true;
    SetBounds(0, 0, 65, 17);
}

void TCustomLabel::SetAutoSize(bool v) {
    FAutoSize = v;
    AdjustBounds();
}

void TCustomLabel::SetTransparent(bool v) {
    if (v == FTransparent) return;
    FTransparent = v;
    if (v)
        FControlStyle &= ~csOpaque;
    else
        FControlStyle |= csOpaque;
    Invalidate();
}

void TCustomLabel::SetFocusControl(TWinControl* control) {
    FFocusControl = control;
    if (control) FreeNotification(control);
}

void TCustomLabel::SetShowAccelChar(bool v) {
    FShowAccelChar = v;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::AdjustBounds() {
    if (!FAutoSize || Has(csReading) || !HasBackend()) return;
    // An empty caption still measures one blank, so the label keeps a line's height.
    std::string text = Caption();
    if (text.empty() || (FShowAccelChar && text == "&")) text += ' ';
    TSize s = Backend().TextExtent(Font(), text, FShowAccelChar);
    SetBounds(Left(), Top(), s.cx, s.cy);
}

void TCustomLabel::Paint(TCanvas& canvas) {
    if (!FTransparent) canvas.FillRect(ClientRect(), Color());
    if (EffectivelyEnabled()) {
        canvas.TextAt(0, 0, Caption(), Font(), FShowAccelChar);
    } else {
        TFont f = Font();
        f.SetColor(clBtnHighlight);
        canvas.TextAt(1, 1, Caption(), f, FShowAccelChar);
        f.SetColor(clBtnShadow);
        canvas.TextAt(0, 0, Caption(), f, FShowAccelChar);
    }
}

void TCustomLabel::TextChanged() {
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::FontChanged() {
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::Loaded() {
    TGraphicControl::Loaded();
    AdjustBounds();
}

void TCustomLabel::Notification(TComponent* component, TOperation operation) {
    TGraphicControl::Notification(component, operation);
    if (operation == TOperation::opRemove && component == FFocusControl) FFocusControl = nullptr;
}

// ---------------------------------------------------------------------------------------

TCustomEdit::TCustomEdit(TComponent* owner) : TWinControl(owner) {
    FControlStyle |= csSetCaption;
    FTabStop = true;
    SetColor(clWindow);
    SetBounds(0, 0, 121, 21);
}

void TCustomEdit::SetPasswordChar(char c) {
    if (c == FPasswordChar) return;
    FPasswordChar = c;
    if (RawHandle()) Backend().UpdateWindow(*this, TUpdate::Style);
}

void TCustomEdit::SetMaxLength(int n) {
    FMaxLength = n < 0 ? 0 : n;
    if (RawHandle()) Backend().UpdateWindow(*this, TUpdate::Style);
}

void TCustomEdit::SetReadOnly(bool v) {
    FReadOnly = v;
    if (RawHandle()) Backend().UpdateWindow(*this, TUpdate::Style);
}

void TCustomEdit::Change() {
    if (OnChange) OnChange(this);
}

void TCustomEdit::TextChanged() {
    TWinControl::TextChanged();
    Change();
    if (FUpDown) FUpDown->AssociateTextChanged();
}

void TCustomEdit::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation == TOperation::opRemove && component == FUpDown) FUpDown = nullptr;
}

void TCustomEdit::NotifyUserText(const std::string& text) { SetText(text); }

// ---------------------------------------------------------------------------------------

TCustomComboBox::TCustomComboBox(TComponent* owner) : TWinControl(owner) {
    FControlStyle |= csSetCaption;
    FTabStop = true;
    SetColor(clWindow);
    SetBounds(0, 0, 145, 21);
}

TCustomComboBox::~TCustomComboBox() = default;

void TCustomComboBox::SetItems(const TStrings& items) {
    FItems.Assign(items);
    SyncItems();
}

int TCustomComboBox::ItemIndex() const {
    return FItemIndex >= 0 && FItemIndex < FItems.Count() ? FItemIndex : -1;
}

void TCustomComboBox::SetItemIndex(int index) {
    if (index < -1 || index >= FItems.Count()) index = -1;
    const std::string text = index >= 0 ? FItems[index] : std::string();
    if (index == ItemIndex() && text == Text()) return;
    FItemIndex = index;
    FInternalText = true;
    try {
        SetText(text);
    } catch (...) {
        FInternalText = false;
        throw;
    }
    FInternalText = false;
    FSynced.assign(FItems.begin(), FItems.end());
    if (RawHandle()) Backend().UpdateWindow(*this, TUpdate::State);
    Change();
}

void TCustomComboBox::SetStyle(TComboBoxStyle style) {
    if (style == FStyle) return;
    FStyle = style;
    if (RawHandle()) {
        DestroyHandle();
        HandleNeeded();
    }
}

void TCustomComboBox::Change() {
    if (OnChange) OnChange(this);
}

bool TCustomComboBox::SyncItems() {
    if (FSynced.size() == static_cast<std::size_t>(FItems.Count()) &&
        std::equal(FSynced.begin(), FSynced.end(), FItems.begin()))
        return false;
    FSynced.assign(FItems.begin(), FItems.end());
    if (RawHandle()) Backend().UpdateWindow(*this, TUpdate::State);
    return true;
}

void TCustomComboBox::TextChanged() {
    if (FInternalText) {
        TWinControl::TextChanged();
        return;
    }
    // A text of the program's or the user's selects the entry it names exactly, if any.
    FItemIndex = FItems.IndexOf(Text());
    TWinControl::TextChanged();
    Change();
}

void TCustomComboBox::NotifyUserText(const std::string& text) { SetText(text); }

void TCustomComboBox::NotifyUserSelect(int index) {
    if (index < 0 || index >= static_cast<int>(FSynced.size())) return;
    if (index == FItemIndex && Text() == FSynced[static_cast<std::size_t>(index)]) return;
    FItemIndex = index;
    FInternalText = true;
    try {
        SetText(FSynced[static_cast<std::size_t>(index)]);
    } catch (...) {
        FInternalText = false;
        throw;
    }
    FInternalText = false;
    Change();
}

void TCustomComboBox::HandleCreated() {
    FSynced.assign(FItems.begin(), FItems.end());
    Backend().UpdateWindow(*this, TUpdate::State);
}

// ---------------------------------------------------------------------------------------

TButtonControl::TButtonControl(TComponent* owner) : TWinControl(owner) {
    FControlStyle |= csSetCaption;
    FTabStop = true;
}

TButton::TButton(TComponent* owner) : TButtonControl(owner) { SetBounds(0, 0, 75, 25); }

void TButton::SetDefault(bool v) {
    FDefault = v;
    if (RawHandle()) Backend().UpdateWindow(*this, TUpdate::Style);
}

void TButton::Click() {
    if (TCustomForm* form = GetParentForm(this)) form->SetModalResult(FModalResult);
    TButtonControl::Click();
}

void TButton::NotifyNativeCommand(int) { Click(); }

void TBitBtn::SetKind(TBitBtnKind kind) {
    FKind = kind;
    switch (kind) {
        case bkOK:
            SetDefault(true);
            SetModalResult(mrOk);
            if (Caption().empty()) SetCaption("OK");
            break;
        case bkCancel:
            SetCancel(true);
            SetModalResult(mrCancel);
            if (Caption().empty()) SetCaption("Abbrechen");
            break;
        case bkYes: SetModalResult(mrYes); break;
        case bkNo: SetModalResult(mrNo); break;
        case bkAbort: SetModalResult(mrAbort); break;
        case bkRetry: SetModalResult(mrRetry); break;
        case bkIgnore: SetModalResult(mrIgnore); break;
        default: break;
    }
}

// ---------------------------------------------------------------------------------------

TCustomCheckBox::TCustomCheckBox(TComponent* owner) : TButtonControl(owner) {
    SetBounds(0, 0, 97, 17);
}

void TCustomCheckBox::SetChecked(bool checked) {
    if (checked == FChecked) return;
    FChecked = checked;
    if (RawHandle()) Backend().UpdateWindow(*this, TUpdate::State);
    Click();
}

void TCustomCheckBox::NotifyNativeCommand(int) { Toggle(); }

void TCustomCheckBox::ActionChange(TBasicAction* sender, bool checkDefaults) {
    TButtonControl::ActionChange(sender, checkDefaults);
    if (auto* a = dynamic_cast<TCustomAction*>(sender)) {
        // Taking over the action's state is no click.
        if ((!checkDefaults || !FChecked) && a->Checked() != FChecked) {
            FChecked = a->Checked();
            if (RawHandle()) Backend().UpdateWindow(*this, TUpdate::State);
        }
    }
}
