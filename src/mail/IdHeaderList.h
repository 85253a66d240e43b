#pragma once
// Received header lines, one entry per line (continuation lines too), looked up by name.
#include <string>
#include <string_view>

#include "core/Strings.h"

class TIdHeaderList : public TStringList {
public:
    // Name part of line index (up to its first ":"), upper-cased unless CaseSensitiveNames.
    std::string HeaderName(int index) const;
    // First line with that name (letter case ignored), or -1.
    int HeaderIndex(std::string_view name) const;
    // Value of the first line with that name, continuation lines unfolded, leading blanks
    // and control characters removed; empty when there is none.
    std::string HeaderValue(std::string_view name) const;

    bool CaseSensitiveNames = false;
    bool UnfoldContinuations = true;
    // Used only when headers are written.
    std::string NameValueSeparator = ": ";
    int FoldLength = 78;
};
