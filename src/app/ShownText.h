#pragma once
// Text from mail headers as the bar shows it. A "character" is one code point together with
// the combining marks and variation selectors that follow it, so counting and cutting never
// split a letter from its accent; bytes that are not UTF-8 count as one character each.
#include <cstddef>
#include <string>
#include <string_view>

namespace shown {

// Control characters become blanks, one per character: C0 and C1 controls, DEL, the line and
// paragraph separators and the marks, embeddings, overrides and isolates that turn a line
// around. Bytes that are not UTF-8 become U+FFFD. The result is valid UTF-8.
std::string Blanked(std::string_view text);
// Whether Blanked would change the text.
bool NeedsBlanking(std::string_view text);

// Number of characters.
std::size_t CharCount(std::string_view text);
// The first count characters, whole.
std::string FirstChars(std::string_view text, std::size_t count);

}  // namespace shown
