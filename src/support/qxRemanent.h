#pragma once
// What the four remembering controls share: the Remanent switch, the loading and changed
// flags, registration when loaded, the load message, and saving on exit and when the window
// is destroyed. Each control supplies how its value is read and written, and when a change
// marks it.
#include "support/qxGeneral.h"
#include "ui/Controls.h"
#include "ui/Forms.h"

template <class Base>
class TqxRemanentControl : public Base {
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

    // Writes the value when it changed since it was last loaded or saved.
    void SaveRemanent() {
        if (!FRemanentChanged) return;
        FRemanentChanged = false;
        WriteRemanentValue();
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

    bool FRemanent = false;
    bool FLoadingRemanent = false;
    bool FRemanentChanged = false;
};
