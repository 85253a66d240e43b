#pragma once
// What the four remembering controls share: the Remanent switch, the loading and changed
// flags, registration when loaded, the load message, and saving on exit and when the window
// is destroyed. Each control supplies how its value is read and written, and when a change
// marks it.
#include <string>
#include <vector>

#include "support/qxGeneral.h"
#include "ui/Controls.h"
#include "ui/Forms.h"

// What a form sees of each of its remembering controls, whatever their kind.
class IqxRemanent {
public:
    // Writes the value when it changed since it was last loaded or saved.
    virtual void SaveRemanent() = 0;
    // The value as text ("1"/"0" for a check box, the position for an up-down).
    virtual std::string RemanentValue() = 0;
    // Puts back a value RemanentValue gave; a real change runs the control's events and is
    // written at once, so that the settings file holds it too.
    virtual void RestoreRemanentValue(const std::string& value) = 0;

protected:
    ~IqxRemanent() = default;
};

// The remembering controls a form owns, in creation order (Remanent or not: a plain edit
// still keeps a text the form shows).
inline std::vector<IqxRemanent*> RemanentControlsOf(const TComponent* form) {
    std::vector<IqxRemanent*> controls;
    for (int i = 0; i < form->ComponentCount(); ++i)
        if (auto* control = dynamic_cast<IqxRemanent*>(form->Components(i))) controls.push_back(control);
    return controls;
}
// What destroying the form's windows would write, written now.
inline void SaveRemanentValues(const TComponent* form) {
    for (IqxRemanent* control : RemanentControlsOf(form)) control->SaveRemanent();
}

template <class Base>
class TqxRemanentControl : public Base, public IqxRemanent {
public:
    explicit TqxRemanentControl(TComponent* owner) : Base(owner) {}
    ~TqxRemanentControl() override { UnregisterRemanentControl(this); }

    bool Remanent() const { return FRemanent; }
    void SetRemanent(bool value) { FRemanent = value; }
    bool LoadingRemanent() const { return FLoadingRemanent; }
    bool RemanentChanged() const { return FRemanentChanged; }

    // Handler of the load message: fills the control from the settings file.
    void LoadRemanent() {
        if (this->Has(csDesigning) || !FRemanent) return;
        FLoadingRemanent = true;
        try {
            ReadRemanentValue();
        } catch (...) {
            FLoadingRemanent = false;
            throw;
        }
        FLoadingRemanent = false;
    }

    void SaveRemanent() override {
        if (!FRemanentChanged) return;
        FRemanentChanged = false;
        WriteRemanentValue();
    }

    std::string RemanentValue() override { return ValueText(); }
    void RestoreRemanentValue(const std::string& value) override {
        if (ValueText() == value) return;
        SetValueText(value);
        // The stored value may be the one that is now undone.
        if (FRemanent) FRemanentChanged = true;
        SaveRemanent();
    }

    void DoExit() override {
        Base::DoExit();
        SaveRemanent();
    }

    void WMDestroy() override {
        // The window goes away whatever the save does; a failed write is recorded by the
        // application's exception handling.
        ui::SafeCall(this, [this] { SaveRemanent(); });
        Base::WMDestroy();
    }

    void WndProc(TMessage& message) override {
        if (message.Msg == WM_QX_LOADREMANENT) {
            LoadRemanent();
            message.Result = 0;
            return;
        }
        Base::WndProc(message);
    }

protected:
    void Loaded() override {
        Base::Loaded();
        if (FRemanent) RegisterRemanentControl(this);
    }

    // The stricter rule of check box, up-down and combo box.
    bool ChangeCounts() const {
        const TComponent* owner = this->Owner();
        return !this->Has(csDesigning) && FRemanent && !FLoadingRemanent &&
               !this->Has(csReading) && !(owner && owner->Has(csReading));
    }

    virtual void ReadRemanentValue() = 0;
    virtual void WriteRemanentValue() = 0;
    virtual std::string ValueText() = 0;
    virtual void SetValueText(const std::string& value) = 0;

    bool FRemanent = false;
    bool FLoadingRemanent = false;
    bool FRemanentChanged = false;
};
