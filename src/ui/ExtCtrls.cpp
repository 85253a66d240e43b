#include "ui/ExtCtrls.h"

#include <chrono>

#include "ui/Backend.h"
#include "ui/Forms.h"
#include "ui/PropHelpers.h"

using namespace ui;

SKIMBAR_CLASS_INFO(
    TCustomPanel, TCustomControl,
    prop::Text<TCustomPanel>("Caption", [](TCustomPanel& c) { return c.Caption(); },
                             [](TCustomPanel& c, const std::string& v) { c.SetCaption(v); },
                             [](TCustomPanel& c) { return c.IsCaptionStored(); }),
    prop::Int<TCustomPanel>("BevelOuter", [](TCustomPanel& c) { return int(c.BevelOuter()); },
                            [](TCustomPanel& c, int v) { c.SetBevelOuter(TBevelCut(v)); }),
    prop::Int<TCustomPanel>("BevelInner", [](TCustomPanel& c) { return int(c.BevelInner()); },
                            [](TCustomPanel& c, int v) { c.SetBevelInner(TBevelCut(v)); }),
    prop::Int<TCustomPanel>("BevelWidth", [](TCustomPanel& c) { return c.BevelWidth(); },
                            [](TCustomPanel& c, int v) { c.SetBevelWidth(v); }),
    prop::Int<TCustomPanel>("BorderWidth", [](TCustomPanel& c) { return c.BorderWidth(); },
                            [](TCustomPanel& c, int v) { c.SetBorderWidth(v); }))
SKIMBAR_CLASS_INFO(TPanel, TCustomPanel)
SKIMBAR_CLASS_INFO(
    TImage, TGraphicControl,
    prop::Bool<TImage>("AutoSize", [](TImage& c) { return c.AutoSize(); }, [](TImage& c, bool v) { c.SetAutoSize(v); }),
    prop::Bool<TImage>("Center", [](TImage& c) { return c.Center(); }, [](TImage& c, bool v) { c.SetCenter(v); }))
SKIMBAR_CLASS_INFO(
    TTimer, TComponent,
    prop::Bool<TTimer>("Enabled", [](TTimer& c) { return c.Enabled(); }, [](TTimer& c, bool v) { c.SetEnabled(v); }),
    prop::Int<TTimer>("Interval", [](TTimer& c) { return c.Interval(); }, [](TTimer& c, int v) { c.SetInterval(v); }))

// ---------------------------------------------------------------------------------------

TCustomPanel::TCustomPanel(TComponent* owner) : TCustomControl(owner) {
    FControlStyle |= csSetCaption | csOpaque;
    SetBounds(0, 0, 185, 41);
}

void TCustomPanel::SetBevelOuter(TBevelCut v) {
    FBevelOuter = v;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBevelInner(TBevelCut v) {
    FBevelInner = v;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBevelWidth(int v) {
    FBevelWidth = v < 1 ? 1 : v;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBorderWidth(int v) {
    FBorderWidth = v < 0 ? 0 : v;
    Realign();
    Invalidate();
}

TRect TCustomPanel::AdjustClientRect() const {
    int inset = FBorderWidth;
    if (FBevelOuter != bvNone) inset += FBevelWidth;
    if (FBevelInner != bvNone) inset += FBevelWidth;
    return ClientRect().Inflate(-inset, -inset);
}

void TCustomPanel::Paint(TCanvas& canvas) {
    TRect r = ClientRect();
    canvas.FillRect(r, Color());
    auto bevel = [&](TBevelCut cut) {
        if (cut == bvNone) return;
        if (cut == bvRaised)
            canvas.Frame3D(r, clBtnHighlight, clBtnShadow, FBevelWidth);
        else if (cut == bvLowered)
            canvas.Frame3D(r, clBtnShadow, clBtnHighlight, FBevelWidth);
        r = r.Inflate(-FBevelWidth, -FBevelWidth);
    };
    bevel(FBevelOuter);
    r = r.Inflate(-FBorderWidth, -FBorderWidth);
    bevel(FBevelInner);
    if (!Caption().empty()) {
        TSize s = canvas.TextExtent(Caption(), Font(), true);
        canvas.TextAt((Width() - s.cx) / 2, (Height() - s.cy) / 2, Caption(), Font(), true);
    }
}

void TCustomPanel::PaintBackground(TCanvas& canvas) { Paint(canvas); }

// ---------------------------------------------------------------------------------------

TImage::TImage(TComponent* owner) : TGraphicControl(owner), FPicture(new TIcon) {
    FPicture->OnChange = [this] { PictureChanged(); };
    SetBounds(0, 0, 105, 105);
}

TImage::~TImage() { delete FPicture; }

void TImage::SetPicture(const TIcon* icon) { FPicture->Assign(icon); }

void TImage::SetAutoSize(bool v) {
    FAutoSize = v;
    PictureChanged();
}

void TImage::SetCenter(bool v) {
    FCenter = v;
    Invalidate();
}

void TImage::PictureChanged() {
    if (FAutoSize && !FPicture->Empty()) SetBounds(Left(), Top(), FPicture->Width(), FPicture->Height());
    Invalidate();
}

void TImage::Paint(TCanvas& canvas) {
    auto image = FPicture->Image();
    if (!image || image->Pixels.empty()) return;
    int x = 0, y = 0;
    if (FCenter) {
        x = (Width() - image->Width) / 2;
        y = (Height() - image->Height) / 2;
    }
    canvas.Draw(x, y, *image);
}

// ---------------------------------------------------------------------------------------

TTimer::TTimer(TComponent* owner) : TComponent(owner) { UpdateTimer(); }

TTimer::~TTimer() {
    if (FDestroyed) *FDestroyed = true;
    if (FRunning && HasBackend()) Backend().StopTimer(*this);
    FRunning = false;
}

bool TTimer::WantsRunning() const {
    return FEnabled && FInterval > 0 && !Has(csDesigning) && !Has(csDestroying);
}

void TTimer::UpdateTimer() {
    if (!HasBackend()) return;
    if (FFiring > 0 && !Has(csDestroying)) {
        FChangedWhileFiring = true;
        return;
    }
    if (FRunning) {
        Backend().StopTimer(*this);
        FRunning = false;
    }
    if (WantsRunning()) {
        Backend().StartTimer(*this, FInterval);
        FRunning = true;
        FRunningInterval = FInterval;
    }
}

void TTimer::SetEnabled(bool v) {
    if (v == FEnabled) return;
    FEnabled = v;
    UpdateTimer();
}

void TTimer::SetInterval(int ms) {
    if (ms == FInterval) return;
    FInterval = ms;
    UpdateTimer();
}

void TTimer::Fire() {
    // A tick that was already queued when the timer stopped, or one of a timer its handler
    // stopped for now.
    if (!FRunning || !WantsRunning()) return;
    bool destroyed = false;
    bool* outer = FDestroyed;
    FDestroyed = &destroyed;
    ++FFiring;
    const auto started = std::chrono::steady_clock::now();
    SafeCall(this, [this] { Timer(); });
    if (destroyed) {
        if (outer) *outer = true;
        return;
    }
    FDestroyed = outer;
    if (--FFiring > 0 || !FChangedWhileFiring) return;
    FChangedWhileFiring = false;
    // Running on with the same interval is what the handler asked for, unless it ran so long
    // that the backend may have queued the next tick meanwhile.
    const bool quick = std::chrono::steady_clock::now() - started < std::chrono::milliseconds(FInterval);
    if (FRunning && WantsRunning() && FRunningInterval == FInterval && quick) return;
    UpdateTimer();
}

void TTimer::Timer() {
    if (OnTimer) OnTimer(this);
}
