#include "support/qxUpDown.h"

SKIMBAR_CLASS_INFO(TqxUpDown, TUpDown,
                   props::Boolean<TqxUpDown>("Remanent", &TqxUpDown::Remanent,
                                             &TqxUpDown::SetRemanent))

void TqxUpDown::Click(TUDBtnType button) {
    if (ChangeCounts()) FRemanentChanged = true;
    TUpDown::Click(button);
}

void TqxUpDown::ReadRemanentValue() {
    const int current = Position();
    const int stored = ReadRemanentInteger(this, current);
    // The up-down keeps it within Min..Max and shows it in the associated edit.
    if (stored != current) SetPosition(stored);
}

void TqxUpDown::WriteRemanentValue() { WriteRemanentInteger(this, Position()); }
