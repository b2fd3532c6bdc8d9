#include "job/console/windows_keys.h"

#include "job/console/char_width.h"
#include "job/console/utf8.h"

namespace auralith {

namespace {

using namespace consolekeys;

// Shift, Ctrl, Alt (plain and left/right), the Windows keys, Caps Lock, Num Lock, Scroll Lock.
bool isModifierKey(std::uint16_t vk) {
    return vk == vkShift || vk == vkControl || vk == vkMenu || vk == 0x14 || vk == 0x5B || vk == 0x5C || vk == 0x90 ||
           vk == 0x91 || (vk >= 0xA0 && vk <= 0xA5);
}

bool isHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// A character typed: controls as their code (13 Enter, 8 Backspace, 27 Esc, 3 Ctrl+C, ...),
// printable characters with their UTF-8 bytes; characters that do not fit one cell yield none.
Key keyForCharacter(char32_t code) {
    if (code < 0x20 || code == 0x7F) return Key{Key::Kind::character, code == 0x7F ? U'\b' : code, {}};
    if (!isSingleWidth(code)) return Key{Key::Kind::noCharacter, 0, {}};
    std::string text;
    appendUtf8(text, code);
    return Key{Key::Kind::character, code, text};
}

}  // namespace

void WindowsKeyTranslator::feed(const ConsoleKeyEvent& event, std::vector<Key>& out) {
    // A character entered as Alt plus digits on the numeric keypad arrives with the release
    // of Alt; every other key counts when pressed (and again for each auto-repeat).
    const bool altNumpadCharacter = !event.keyDown && event.virtualKeyCode == vkMenu && event.unicodeChar != 0;
    if (!event.keyDown && !altNumpadCharacter) return;
    const int times = altNumpadCharacter || event.repeatCount == 0 ? 1 : event.repeatCount;

    Key key;
    const char16_t unit = event.unicodeChar;
    const bool alt = (event.controlKeyState & (leftAltPressed | rightAltPressed)) != 0;
    const bool ctrl = (event.controlKeyState & (leftCtrlPressed | rightCtrlPressed)) != 0;
    if (unit == 0 && isModifierKey(event.virtualKeyCode)) {
        key = Key{Key::Kind::modifierOnly, 0, {}};
    } else if (unit == 0) {
        key = Key{Key::Kind::noCharacter, 0, {}};  // arrows, Home, End, Delete, function keys, ...
    } else if (alt && !ctrl && !altNumpadCharacter) {
        // Alt with a key; Ctrl+Alt is AltGr, which types characters on many layouts.
        key = Key{Key::Kind::noCharacter, 0, {}};
    } else if (isHighSurrogate(unit)) {
        if (highSurrogate != 0) out.push_back(Key{Key::Kind::noCharacter, 0, {}});  // unpaired
        highSurrogate = unit;
        return;
    } else if (isLowSurrogate(unit)) {
        if (highSurrogate == 0) {
            key = Key{Key::Kind::noCharacter, 0, {}};  // a second half without its first
        } else {
            const char32_t code = 0x10000 + ((static_cast<char32_t>(highSurrogate) - 0xD800) << 10) +
                                  (static_cast<char32_t>(unit) - 0xDC00);
            key = keyForCharacter(code);
        }
    } else {
        key = keyForCharacter(unit);
    }
    if (highSurrogate != 0 && !isLowSurrogate(unit)) out.push_back(Key{Key::Kind::noCharacter, 0, {}});
    highSurrogate = 0;
    for (int k = 0; k < times; ++k) out.push_back(key);
}

}  // namespace auralith
