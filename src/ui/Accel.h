#pragma once
// Accelerator markers in captions: the one parser every part of the program uses. Captions
// are UTF-8; "&" marks the character after it, "&&" stands for a literal "&".
#include <cstddef>
#include <string>
#include <string_view>

namespace ui::accel {

constexpr std::size_t npos = std::string_view::npos;

// One caption taken apart.
struct TParsed {
    // Byte offset of the "&" of the accelerator (the first single "&" that has a character
    // after it); npos when the caption has none.
    std::size_t MarkPos = npos;
    // The marked character as written (a code point), 0 when none.
    char32_t Char = 0;
    // The text as shown: single markers removed, "&&" as one "&".
    std::string Shown;
};
TParsed Parse(std::string_view caption);

// The character the key compares with: letters in upper case (ASCII, Latin-1, Greek and
// Cyrillic), everything else unchanged.
char32_t KeyOf(char32_t c);
// The key of a caption's accelerator (KeyOf its marked character), 0 when none.
char32_t KeyOfCaption(std::string_view caption);
// Whether pressing Alt+key runs the caption's accelerator.
bool Matches(std::string_view caption, char32_t key);
// The caption without markers ("&&" shows as "&").
inline std::string Shown(std::string_view caption) { return Parse(caption).Shown; }
// The caption without its single markers, "&&" kept (for captions that get a new marker).
std::string WithoutMarkers(std::string_view caption);

// The marked character of Parse (the first single "&" with a character after it; "&&" is a
// literal "&"), by which form captions count as already having an accelerator; ASCII a-z
// in upper case; 0 when none.
char32_t FirstMarked(std::string_view caption);

// Decodes the code point at byte offset pos (invalid bytes decode as U+FFFD, one byte);
// sets length to the bytes it takes.
char32_t DecodeAt(std::string_view text, std::size_t pos, std::size_t& length);

}  // namespace ui::accel
