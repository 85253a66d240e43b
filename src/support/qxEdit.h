#pragma once
// Edit that remembers its text under [String]. Any change not made by loading marks it,
// whatever Remanent says, so its text is written on exit and destruction.
// With Protected set (a password) the text is stored protected for the current user; a
// plain stored value is taken as it is and stored protected as soon as it is read.
#include "support/qxRemanent.h"
#include "ui/StdCtrls.h"

class TqxEdit : public TqxRemanentControl<TEdit> {
    SKIMBAR_CLASS(TqxEdit)
public:
    explicit TqxEdit(TComponent* owner);
    void Change() override;
    bool Protected() const { return FProtected; }
    void SetProtected(bool value) { FProtected = value; }

protected:
    void ReadRemanentValue() override;
    void WriteRemanentValue() override;
    std::string ValueText() override;
    void SetValueText(const std::string& value) override;

private:
    bool FProtected = false;
};
