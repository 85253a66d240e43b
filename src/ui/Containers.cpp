#include "ui/Containers.h"

#include "ui/PropHelpers.h"

using namespace ui;

SKIMBAR_CLASS_INFO(TScrollBox, TCustomControl)
SKIMBAR_CLASS_INFO(TCustomFrame, TCustomControl)
SKIMBAR_CLASS_INFO(TFrame, TCustomFrame)
SKIMBAR_CLASS_INFO(
    TCustomRadioGroup, TCustomControl,
    prop::Text<TCustomRadioGroup>("Caption", [](TCustomRadioGroup& c) { return c.Caption(); },
                                  [](TCustomRadioGroup& c, const std::string& v) { c.SetCaption(v); },
                                  [](TCustomRadioGroup& c) { return c.IsCaptionStored(); }),
    prop::List<TCustomRadioGroup>("Items", [](TCustomRadioGroup& c) -> TStrings& { return c.Items(); }),
    prop::Int<TCustomRadioGroup>("ItemIndex", [](TCustomRadioGroup& c) { return c.ItemIndex(); },
                                 [](TCustomRadioGroup& c, int v) { c.SetItemIndex(v); }))
SKIMBAR_CLASS_INFO(TRadioGroup, TCustomRadioGroup)

TScrollBox::TScrollBox(TComponent* owner) : TCustomControl(owner) {
    SetControlStyle(ControlStyle() | csAcceptsControls);
    SetBounds(Left(), Top(), 185, 41);
}

void TScrollBox::Paint(TCanvas& canvas) {
    canvas.FillRect(ClientRect(), Color());
    canvas.Frame3D(ClientRect(), clBtnShadow, clBtnHighlight, 1);
}

TCustomFrame::TCustomFrame(TComponent* owner) : TCustomControl(owner) {
    SetControlStyle(ControlStyle() | csAcceptsControls);
    SetBounds(Left(), Top(), 320, 240);
}

TCustomRadioGroup::TCustomRadioGroup(TComponent* owner) : TCustomControl(owner) {
    SetBounds(Left(), Top(), 185, 105);
}

void TCustomRadioGroup::SetItemIndex(int index) {
    if (index < -1 || index >= FItems.Count()) index = -1;
    if (index == FItemIndex) return;
    FItemIndex = index;
    Invalidate();
    if (OnClick) OnClick(this);
}

void TCustomRadioGroup::Paint(TCanvas& canvas) {
    canvas.FillRect(ClientRect(), Color());
    const int line = canvas.TextExtent("Ag", Font(), false).cy;
    canvas.Frame3D({0, line / 2, Width(), Height()}, clBtnShadow, clBtnHighlight, 1);
    if (!Caption().empty()) canvas.TextAt(8, 0, Caption(), Font(), true);
    int y = line + 4;
    for (int i = 0; i < FItems.Count(); ++i, y += line + 4)
        canvas.TextAt(8, y, (i == ItemIndex() ? "(\xE2\x80\xA2) " : "( ) ") + FItems[i], Font(), true);
}
