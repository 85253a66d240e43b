#include "support/qxPanel.h"

#include <algorithm>

SKIMBAR_CLASS_INFO(TqxPanel, TPanel,
                   props::Boolean<TqxPanel>("ConstraintAuto", &TqxPanel::ConstraintAuto,
                                            &TqxPanel::SetConstraintAuto),
                   props::Integer<TqxPanel>("MinWidth", &TqxPanel::MinWidth, &TqxPanel::SetMinWidth),
                   props::Integer<TqxPanel>("MinHeight", &TqxPanel::MinHeight, &TqxPanel::SetMinHeight))

TqxPanel::TqxPanel(TComponent* owner) : TPanel(owner) {
    // Starts with an empty caption, not with its component name.
    SetControlStyle(ControlStyle() & ~static_cast<unsigned>(csSetCaption));
}

void TqxPanel::SetMinWidth(int value) {
    FMinWidth = std::max(0, value);
    if (Width() < FMinWidth) SetBounds(Left(), Top(), Width(), Height());
}

void TqxPanel::SetMinHeight(int value) {
    FMinHeight = std::max(0, value);
    if (Height() < FMinHeight) SetBounds(Left(), Top(), Width(), Height());
}

void TqxPanel::SetBounds(int left, int top, int width, int height) {
    TPanel::SetBounds(left, top, std::max(width, FMinWidth), std::max(height, FMinHeight));
}

void TqxPanel::Loaded() {
    TPanel::Loaded();
    if (Has(csDesigning) || !FConstraintAuto) return;
    const int frame = 2 * BevelWidth();
    int minWidth = FMinWidth, minHeight = FMinHeight;
    for (int i = 0; i < ControlCount(); ++i) {
        const TControl* child = Controls(i);
        minWidth = std::max(minWidth, child->Left() + child->Width() + frame);
        minHeight = std::max(minHeight, child->Top() + child->Height() + frame);
    }
    // Only ever raised.
    SetMinWidth(minWidth);
    SetMinHeight(minHeight);
}
