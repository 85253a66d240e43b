#include "ui/Dialogs.h"

#include "ui/Backend.h"
#include "ui/Forms.h"
#include "ui/PropHelpers.h"

SKIMBAR_CLASS_INFO(TColorDialog, TComponent,
                   ui::prop::Int<TColorDialog>("Color", [](TColorDialog& d) { return d.Color(); },
                                               [](TColorDialog& d, int v) { d.SetColor(v); }))

bool TColorDialog::Execute() {
    TColor c = FColor;
    if (!ui::Backend().ExecuteColorDialog(c)) return false;
    FColor = c;
    return true;
}

void ShowMessage(const std::string& text) {
    Application->ShowMessageBox(text, Application->Title(), ui::MbOk);
}

void ShowInformation(const std::string& text) {
    Application->ShowMessageBox(text, Application->Title(), ui::MbOk | ui::MbIconInformation);
}
