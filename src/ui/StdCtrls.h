#pragma once
// Standard controls: label, edit, combo box, buttons and check box.
#include <string>

#include "core/Strings.h"
#include "ui/Controls.h"

// A label: windowless, sizes itself to its text (AutoSize), paints on its parent's colour
// (ParentColor) or transparently, and moves the focus to FocusControl for its accelerator.
class TCustomLabel : public TGraphicControl {
    SKIMBAR_CLASS(TCustomLabel)
public:
    explicit TCustomLabel(TComponent* owner);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool v);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool v);
    TWinControl* FocusControl() const { return FFocusControl; }
    void SetFocusControl(TWinControl* control);
    bool ShowAccelChar() const { return FShowAccelChar; }
    void SetShowAccelChar(bool v);
    void Paint(TCanvas& canvas) override;
    void AdjustBounds();

public:
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;
protected:
    void TextChanged() override;
    void FontChanged() override;

private:
    bool FAutoSize = true;
    bool FTransparent = false;
    bool FShowAccelChar = true;
    TWinControl* FFocusControl = nullptr;
};

class TLabel : public TCustomLabel {
    SKIMBAR_CLASS(TLabel)
public:
    explicit TLabel(TComponent* owner) : TCustomLabel(owner) {}
};

class TCustomUpDown;

// Single-line edit. Change runs OnChange whenever the text changes, by the user or the
// program; then the up-down it is the associate of follows the text.
class TCustomEdit : public TWinControl {
    SKIMBAR_CLASS(TCustomEdit)
public:
    explicit TCustomEdit(TComponent* owner);
    TNativeKind NativeKind() const override { return TNativeKind::Edit; }
    char PasswordChar() const { return FPasswordChar; }  // 0: text shown
    void SetPasswordChar(char c);
    int MaxLength() const { return FMaxLength; }  // characters, 0: no limit
    void SetMaxLength(int n);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool v);
    TNotifyEvent OnChange;
    virtual void Change();
    // Backend: the user changed the text.
    void NotifyUserText(const std::string& text);
    // Set by the up-down when it takes this edit as its associate.
    TCustomUpDown* UpDown() const { return FUpDown; }
    void SetUpDown(TCustomUpDown* upDown) { FUpDown = upDown; }
    void Notification(TComponent* component, TOperation operation) override;

protected:
    void TextChanged() override;

private:
    TCustomUpDown* FUpDown = nullptr;
    char FPasswordChar = 0;
    int FMaxLength = 0;
    bool FReadOnly = false;
};

class TEdit : public TCustomEdit {
    SKIMBAR_CLASS(TEdit)
public:
    explicit TEdit(TComponent* owner) : TCustomEdit(owner) {}
};

enum TComboBoxStyle { csDropDown, csDropDownList, csSimple };

// Drop-down combo box with an edit field. Text is the edit field; ItemIndex the selected
// entry (-1 for none). Change runs OnChange whenever text or selection changes.
class TCustomComboBox : public TWinControl {
    SKIMBAR_CLASS(TCustomComboBox)
public:
    explicit TCustomComboBox(TComponent* owner);
    ~TCustomComboBox() override;
    TNativeKind NativeKind() const override { return TNativeKind::ComboBox; }
    TStrings& Items() { return FItems; }
    const TStrings& Items() const { return FItems; }
    void SetItems(const TStrings& items);
    // The selected index; -1 also when it no longer names an entry.
    int ItemIndex() const;
    void SetItemIndex(int index);
    TComboBoxStyle Style() const { return FStyle; }
    void SetStyle(TComboBoxStyle style);
    int DropDownCount() const { return FDropDownCount; }
    void SetDropDownCount(int n) { FDropDownCount = n; }
    TNotifyEvent OnChange;
    virtual void Change();
    // Backend: the native list may lag behind Items (they change without notice); this
    // brings it up to date. Returns whether anything changed.
    bool SyncItems();
    const std::vector<std::string>& NativeItems() const { return FSynced; }
    // Backend: the user typed into the edit field / picked an entry.
    void NotifyUserText(const std::string& text);
    void NotifyUserSelect(int index);

protected:
    void TextChanged() override;
    void HandleCreated() override;

private:
    TStringList FItems;
    std::vector<std::string> FSynced;
    int FItemIndex = -1;
    TComboBoxStyle FStyle = csDropDown;
    int FDropDownCount = 8;
    bool FInternalText = false;
};

class TComboBox : public TCustomComboBox {
    SKIMBAR_CLASS(TComboBox)
public:
    explicit TComboBox(TComponent* owner) : TCustomComboBox(owner) {}
};

class TButtonControl : public TWinControl {
    SKIMBAR_CLASS(TButtonControl)
public:
    explicit TButtonControl(TComponent* owner);
};

// Push button. Click sets the form's ModalResult to the button's, then runs OnClick.
class TButton : public TButtonControl {
    SKIMBAR_CLASS(TButton)
public:
    explicit TButton(TComponent* owner);
    TNativeKind NativeKind() const override { return TNativeKind::Button; }
    TModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult r) { FModalResult = r; }
    bool Default() const { return FDefault; }
    void SetDefault(bool v);
    bool Cancel() const { return FCancel; }
    void SetCancel(bool v) { FCancel = v; }
    void Click() override;
    void NotifyNativeCommand(int code) override;

private:
    TModalResult FModalResult = mrNone;
    bool FDefault = false;
    bool FCancel = false;
};

enum TBitBtnKind { bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore, bkAll };

// Button of a kind: OK is the default button with modal result OK, Cancel the cancel button
// with modal result Cancel.
class TBitBtn : public TButton {
    SKIMBAR_CLASS(TBitBtn)
public:
    explicit TBitBtn(TComponent* owner) : TButton(owner) {}
    TBitBtnKind Kind() const { return FKind; }
    void SetKind(TBitBtnKind kind);

private:
    TBitBtnKind FKind = bkCustom;
};

// Check box. Changing Checked, by the user or the program, runs Click (OnClick).
class TCustomCheckBox : public TButtonControl {
    SKIMBAR_CLASS(TCustomCheckBox)
public:
    explicit TCustomCheckBox(TComponent* owner);
    TNativeKind NativeKind() const override { return TNativeKind::CheckBox; }
    bool Checked() const { return FChecked; }
    void SetChecked(bool checked);
    void Toggle() { SetChecked(!FChecked); }
    void NotifyNativeCommand(int code) override;  // the user clicked it: toggle

protected:
    void ActionChange(TBasicAction* sender, bool checkDefaults) override;

private:
    bool FChecked = false;
};

class TCheckBox : public TCustomCheckBox {
    SKIMBAR_CLASS(TCheckBox)
public:
    explicit TCheckBox(TComponent* owner) : TCustomCheckBox(owner) {}
};
