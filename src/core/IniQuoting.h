#pragma once
// Values that must come back from an INI file exactly as they were written: texts with
// blanks at their ends, enclosing quotes, or empty list items.
#include <string>
#include <string_view>
#include <vector>

#include "core/IniFile.h"

// One entry of a section as read: Value as ReadString gives it; Quoted when the file held
// it in enclosing quotes (so "" tells an empty text from a missing one).
struct TIniEntry {
    std::string Key;
    std::string Value;
    bool Quoted = false;
};

// The entries of a section in file order, the first of a repeated key only.
std::vector<TIniEntry> ReadSectionEntries(const TIniFile& file, const std::string& section);

// text as a value must be written so that a read gives back exactly text: in double quotes
// when the reader would drop blanks at either end or a pair of enclosing quotes, and, with
// quoteEmpty, when empty. Any reader of the file drops these quotes again.
std::string IniQuoted(std::string_view text, bool quoteEmpty = false);
