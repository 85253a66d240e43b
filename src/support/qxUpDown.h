#pragma once
// Up-down that remembers its Position under [Integer].
#include "support/qxRemanent.h"
#include "ui/ComCtrls.h"

class TqxUpDown : public TqxRemanentControl<TUpDown> {
    SKIMBAR_CLASS(TqxUpDown)
public:
    explicit TqxUpDown(TComponent* owner) : TqxRemanentControl<TUpDown>(owner) {}
    // The arrows mark the control, and so does a whole number typed into the associated edit.
    void Click(TUDBtnType button) override;
    using TUpDown::Click;

protected:
    void PositionTyped() override;
    void ReadRemanentValue() override;
    void WriteRemanentValue() override;
    std::string ValueText() override;
    void SetValueText(const std::string& value) override;
};
