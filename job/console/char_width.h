// Which characters fit one cell of the screen: a cell holds one character of display width one.
#pragma once

namespace auralith {

// True for a printable character that a terminal shows in exactly one cell (Latin, Greek,
// Cyrillic, ...). False for controls, combining marks, zero-width and format characters,
// surrogates, non-characters, and wide (East Asian, emoji) characters.
bool isSingleWidth(char32_t ch);

}  // namespace auralith
