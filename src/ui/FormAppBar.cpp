// A form as a desktop toolbar at the top of the primary monitor, and the watch for full-screen
// applications in front of it.
#include "ui/Backend.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"

using namespace ui;

void TCustomForm::SetDockTop(bool dock) {
    if (dock == FDockTop) return;
    FDockTop = dock;
    UpdateDock();
}

void TCustomForm::UpdateDock() {
    if (!HasBackend()) return;
    if (!FDockTop || !FVisible || FDestroyed) {
        ReleaseDock();
        return;
    }
    HandleNeeded();
    const bool wasDocked = FAppBarDocked;
    // Registered once; asked again for the band each time (the form may have grown).
    FDocking = true;
    try {
        FAppBarDocked = Backend().DockAppBar(*this);
    } catch (...) {
        FDocking = false;
        throw;
    }
    FDocking = false;
    if (FAppBarDocked != wasDocked) UpdateFullScreenPoll();
    // The shell tells a registered bar only of changes: what is in front now is asked once.
    if (FAppBarDocked && !wasDocked && FFullScreenPoll) NotifyFullScreenApp(Backend().FullScreenAppInFront());
}

void TCustomForm::ReleaseDock() {
    if (!FAppBarDocked) return;
    FAppBarDocked = false;
    if (HasBackend()) Backend().UndockAppBar(*this);
    UpdateFullScreenPoll();
}

void TCustomForm::BoundsChanged(const TRect& old) {
    TWinControl::BoundsChanged(old);
    // Another size (another DPI, another display): the band follows. Moving into the band
    // is the dock's own doing.
    if (FAppBarDocked && !FDocking && (old.Width() != Width() || old.Height() != Height())) UpdateDock();
}

void TCustomForm::NotifyAppBarMoved() {
    if (FAppBarDocked) UpdateDock();
}

void TCustomForm::SetWatchFullScreen(bool watch) {
    if (watch == (FFullScreenPoll != nullptr)) return;
    if (!watch) {
        delete FFullScreenPoll;
        FFullScreenPoll = nullptr;
        return;
    }
    FFullScreenPoll = new TTimer(nullptr);
    FFullScreenPoll->SetEnabled(false);
    FFullScreenPoll->SetInterval(FullScreenPollMs);
    FFullScreenPoll->OnTimer = [this](TObject*) { NotifyFullScreenApp(Backend().FullScreenAppInFront()); };
    UpdateFullScreenPoll();
    if (HasBackend()) NotifyFullScreenApp(Backend().FullScreenAppInFront());
}

void TCustomForm::UpdateFullScreenPoll() {
    // A registered bar hears the shell; asking as well would make two voices that disagree
    // about windows only one of them counts as full-screen.
    if (FFullScreenPoll) FFullScreenPoll->SetEnabled(!FAppBarDocked);
}

void TCustomForm::NotifyFullScreenApp(bool inFront) {
    if (inFront == FFullScreenApp || !FFullScreenPoll) return;
    FFullScreenApp = inFront;
    if (OnFullScreenApp) OnFullScreenApp(this, inFront);
}
