#pragma once
// Panel that, once its form has been read, grows its minimum size to hold every child
// control (ConstraintAuto). The minimums hold for every later resize, too.
#include "ui/ExtCtrls.h"

class TqxPanel : public TPanel {
    SKIMBAR_CLASS(TqxPanel)
public:
    explicit TqxPanel(TComponent* owner);

    bool ConstraintAuto() const { return FConstraintAuto; }
    void SetConstraintAuto(bool value) { FConstraintAuto = value; }
    // 0: no minimum.
    int MinWidth() const { return FMinWidth; }
    void SetMinWidth(int value);
    int MinHeight() const { return FMinHeight; }
    void SetMinHeight(int value);

    void SetBounds(int left, int top, int width, int height) override;

protected:
    void Loaded() override;

private:
    bool FConstraintAuto = true;
    int FMinWidth = 0;
    int FMinHeight = 0;
};
