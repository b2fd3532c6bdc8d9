// A key press as the console layer sees it, whatever the keyboard or byte stream behind it.
#pragma once

#include <string>

namespace auralith {

struct Key {
    enum class Kind {
        character,     // yields a character: `code` is its code (13 Enter, 8 Backspace, 27 Esc, 3 Ctrl+C, ...)
        noCharacter,   // arrows, Home, End, Insert, Delete, Page Up/Down, function keys, Alt+letter, wide characters
        modifierOnly,  // Shift, Ctrl, Alt, Caps Lock, Num Lock, Scroll Lock alone (consoles that report them)
        endOfInput,    // the keyboard input has ended (a pipe at its end, a hung-up terminal)
    };
    Kind kind = Kind::character;
    char32_t code = 0;
    std::string text;  // the UTF-8 bytes of a printable character, as typed
};

}  // namespace auralith
