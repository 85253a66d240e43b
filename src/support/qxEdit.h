#pragma once
// Edit that remembers its text under [String]. Any change not made by loading marks it,
// whatever Remanent says, so its text is written on exit and destruction.
#include "support/qxRemanent.h"
#include "ui/StdCtrls.h"

class TqxEdit : public TqxRemanentControl<TEdit> {
    SKIMBAR_CLASS(TqxEdit)
public:
    explicit TqxEdit(TComponent* owner);
    void Change() override;

protected:
    void ReadRemanentValue() override;
    void WriteRemanentValue() override;
};
