// Turns the key events of a Windows console (the KEY_EVENT records of ReadConsoleInputW) into
// key presses. Pure and portable: the record is restated here field by field, so the
// translation is tested on recorded events on any platform, without a console.
#pragma once

#include <cstdint>
#include <vector>

#include "job/console/keys.h"

namespace auralith {

// The fields of KEY_EVENT_RECORD that matter, with the same meanings and values.
struct ConsoleKeyEvent {
    bool keyDown = true;
    std::uint16_t repeatCount = 1;
    std::uint16_t virtualKeyCode = 0;
    char16_t unicodeChar = 0;           // a UTF-16 code unit; 0 for keys that type nothing
    std::uint32_t controlKeyState = 0;  // the console's *_PRESSED and *_ON flags
};

// Values of the Windows headers, restated for the portable translation.
namespace consolekeys {
inline constexpr std::uint32_t rightAltPressed = 0x0001;
inline constexpr std::uint32_t leftAltPressed = 0x0002;
inline constexpr std::uint32_t rightCtrlPressed = 0x0004;
inline constexpr std::uint32_t leftCtrlPressed = 0x0008;
inline constexpr std::uint16_t vkShift = 0x10;
inline constexpr std::uint16_t vkControl = 0x11;
inline constexpr std::uint16_t vkMenu = 0x12;  // Alt
}  // namespace consolekeys

struct WindowsKeyTranslator {
    char16_t highSurrogate = 0;  // the first half of a character outside the BMP, awaiting its second

    // Takes one key event; appends the key presses it makes to `out` (none, or one per repeat).
    void feed(const ConsoleKeyEvent& event, std::vector<Key>& out);
};

}  // namespace auralith
