#pragma once
// The colour dialog and message boxes.
#include <string>

#include "core/Component.h"
#include "ui/UiTypes.h"

// The platform's colour selection dialog. It opens with Color, which is the colour last
// chosen in it (black at first), and keeps the chosen one when the user confirms.
class TColorDialog : public TComponent {
    SKIMBAR_CLASS(TColorDialog)
public:
    explicit TColorDialog(TComponent* owner) : TComponent(owner) {}
    TColor Color() const { return FColor; }
    void SetColor(TColor c) { FColor = c; }
    // Modal; true when the user confirmed.
    bool Execute();

private:
    TColor FColor = clBlack;
};

// Modal box with the application title and an OK button.
void ShowMessage(const std::string& text);
// The same with the information icon.
void ShowInformation(const std::string& text);
