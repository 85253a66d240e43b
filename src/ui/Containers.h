#pragma once
// Plain containers: scroll box, frame, and the radio group.
#include <string>

#include "core/Strings.h"
#include "ui/Controls.h"

// A container for controls (scrolling is not needed by any form; it clips to its area).
class TScrollBox : public TCustomControl {
    SKIMBAR_CLASS(TScrollBox)
public:
    explicit TScrollBox(TComponent* owner);
    void Paint(TCanvas& canvas) override;

protected:
    void PaintBackground(TCanvas& canvas) override { Paint(canvas); }

public:
};

// A reusable group of controls placed on a form like one control; it owns what it holds.
class TCustomFrame : public TCustomControl {
    SKIMBAR_CLASS(TCustomFrame)
public:
    explicit TCustomFrame(TComponent* owner);
};

class TFrame : public TCustomFrame {
    SKIMBAR_CLASS(TFrame)
public:
    explicit TFrame(TComponent* owner) : TCustomFrame(owner) {}
};

// A framed group with a caption and one choice among Items; ItemIndex -1 chooses none.
class TCustomRadioGroup : public TCustomControl {
    SKIMBAR_CLASS(TCustomRadioGroup)
public:
    explicit TCustomRadioGroup(TComponent* owner);
    TStrings& Items() { return FItems; }
    const TStrings& Items() const { return FItems; }
    int ItemIndex() const { return FItemIndex < FItems.Count() ? FItemIndex : -1; }
    void SetItemIndex(int index);
    TNotifyEvent OnClick;
    void Paint(TCanvas& canvas) override;

protected:
    void PaintBackground(TCanvas& canvas) override { Paint(canvas); }

public:

private:
    TStringList FItems;
    int FItemIndex = -1;
};

class TRadioGroup : public TCustomRadioGroup {
    SKIMBAR_CLASS(TRadioGroup)
public:
    explicit TRadioGroup(TComponent* owner) : TCustomRadioGroup(owner) {}
};
