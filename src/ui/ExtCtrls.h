#pragma once
// Panel, image and timer.
#include "ui/Controls.h"

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };

// Panel: windowless container painted by its host, with colour, bevels and a centred caption.
class TCustomPanel : public TCustomControl {
    SKIMBAR_CLASS(TCustomPanel)
public:
    explicit TCustomPanel(TComponent* owner);
    TBevelCut BevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TBevelCut v);
    TBevelCut BevelInner() const { return FBevelInner; }
    void SetBevelInner(TBevelCut v);
    int BevelWidth() const { return FBevelWidth; }
    void SetBevelWidth(int v);
    int BorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(int v);
    // Opaque panels cover their rectangle; FullRepaint invalidates the whole panel on resize.
    bool FullRepaint() const { return FFullRepaint; }
    void SetFullRepaint(bool v) { FFullRepaint = v; }
    TRect AdjustClientRect() const override;
    void Paint(TCanvas& canvas) override;

protected:
    void PaintBackground(TCanvas& canvas) override;

private:
    TBevelCut FBevelOuter = bvRaised;
    TBevelCut FBevelInner = bvNone;
    int FBevelWidth = 1;
    int FBorderWidth = 0;
    bool FFullRepaint = true;
};

class TPanel : public TCustomPanel {
    SKIMBAR_CLASS(TPanel)
public:
    explicit TPanel(TComponent* owner) : TCustomPanel(owner) {}
};

// Shows an icon; sizes itself to the picture (AutoSize) and can centre it.
class TImage : public TGraphicControl {
    SKIMBAR_CLASS(TImage)
public:
    explicit TImage(TComponent* owner);
    ~TImage() override;
    TIcon& Picture() { return *FPicture; }
    void SetPicture(const TIcon* icon);  // copies the picture
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool v);
    bool Center() const { return FCenter; }
    void SetCenter(bool v);
    void Paint(TCanvas& canvas) override;

private:
    void PictureChanged();
    TIcon* FPicture;
    bool FAutoSize = false;
    bool FCenter = false;
};

// Timer: fires OnTimer every Interval ms while Enabled. An interval of 0 or less never fires;
// changing the interval (to another value) restarts it.
class TTimer : public TComponent {
    SKIMBAR_CLASS(TTimer)
public:
    explicit TTimer(TComponent* owner);
    ~TTimer() override;
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool v);
    int Interval() const { return FInterval; }
    void SetInterval(int ms);
    TNotifyEvent OnTimer;
    // Whether the backend is running it (enabled with an interval above 0).
    bool Running() const { return FRunning; }
    // Backend: one tick; exceptions go to Application->HandleException.
    void Fire();

protected:
    virtual void Timer();

private:
    void UpdateTimer();
    bool WantsRunning() const;
    bool FEnabled = true;
    int FInterval = 1000;
    bool FRunning = false;
    int FRunningInterval = 0;  // what the backend runs it with
    // While its own handler runs, changes wait for the handler's end: a handler that stops
    // the timer and starts it again with the same interval (so that its work never overlaps
    // the next tick) leaves the backend's timer running, which spares a ticker two round
    // trips to the window system per tick.
    int FFiring = 0;
    bool FChangedWhileFiring = false;
    bool* FDestroyed = nullptr;
};
