#pragma once
// The support library's label: a standard label under its own class name.
#include "ui/StdCtrls.h"

class TqxLabel : public TLabel {
    SKIMBAR_CLASS(TqxLabel)
public:
    explicit TqxLabel(TComponent* owner) : TLabel(owner) {}
};
