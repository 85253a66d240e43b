#include "support/qxUpDown.h"

#include <string>

#include "core/Text.h"

SKIMBAR_CLASS_INFO(TqxUpDown, TUpDown,
                   props::Boolean<TqxUpDown>("Remanent", &TqxUpDown::Remanent,
                                             &TqxUpDown::SetRemanent))

void TqxUpDown::Click(TUDBtnType button) {
    if (ChangeCounts()) FRemanentChanged = true;
    TUpDown::Click(button);
}

void TqxUpDown::PositionTyped() {
    // A value typed into the edit is the position as much as one set with the arrows.
    if (ChangeCounts()) FRemanentChanged = true;
    TUpDown::PositionTyped();
}

void TqxUpDown::ReadRemanentValue() {
    const int current = Position();
    const int stored = ReadRemanentInteger(this, current);
    // The up-down keeps it within Min..Max and shows it in the associated edit.
    if (stored != current) SetPosition(stored);
}

void TqxUpDown::WriteRemanentValue() { WriteRemanentInteger(this, Position()); }

std::string TqxUpDown::ValueText() { return std::to_string(Position()); }

void TqxUpDown::SetValueText(const std::string& value) {
    int position = Position();
    if (text::TryStrToInt(value, position)) SetPosition(position);
}
