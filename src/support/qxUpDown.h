#pragma once
// Up-down that remembers its Position under [Integer].
#include "support/qxRemanent.h"
#include "ui/ComCtrls.h"

class TqxUpDown : public TqxRemanentControl<TUpDown> {
    SKIMBAR_CLASS(TqxUpDown)
public:
    explicit TqxUpDown(TComponent* owner) : TqxRemanentControl<TUpDown>(owner) {}
    // Only the arrows mark the control; typing into the associated edit does not.
    void Click(TUDBtnType button) override;
    using TUpDown::Click;

protected:
    void ReadRemanentValue() override;
    void WriteRemanentValue() override;
};
