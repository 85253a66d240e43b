#pragma once
// A panel that groups related controls as one unit of a form: a container of its own for
// accelerator scopes (each child opens a scope), otherwise a plain panel.
#include "ui/ExtCtrls.h"

class TqxTreePanel : public TCustomPanel {
    SKIMBAR_CLASS(TqxTreePanel)
public:
    explicit TqxTreePanel(TComponent* owner) : TCustomPanel(owner) {}
};
