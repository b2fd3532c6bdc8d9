// A console backend in memory, for tests: keys come from a script, and everything the console
// hands over (screens, beeps, error boxes, the end of the session) is recorded for reading.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "job/console/console.h"

namespace auralith {

// An error box as it was shown, with the screen it was drawn over.
struct ShownError {
    std::string message;
    ScreenModel screen;
};

class MemoryBackend final : public ConsoleBackend {
public:
    MemoryBackend() = default;
    explicit MemoryBackend(std::vector<Key> keys) : script(std::move(keys)) {}

    void setUp() override;
    void present(const ScreenModel& screen) override;
    // The next key of the script; once the script is used up, endOfInput every time.
    Key nextKey() override;
    void beep() override;
    void showError(const ScreenModel& screen, std::string_view message) override;
    bool finish(const ScreenModel& screen, std::string_view reason) override;

    // Appends keys to the end of the script (typing ahead).
    void addKeys(const std::vector<Key>& keys);
    std::size_t keysLeft() const { return script.size() - keysConsumed; }

    std::vector<Key> script;
    std::size_t keysConsumed = 0;
    bool setUpRan = false;
    int presentCount = 0;
    ScreenModel presented;  // the last screen presented
    int beeps = 0;
    std::vector<ShownError> errors;
    bool finished = false;
    std::string finishReason;
};

// Keys as the key decoder delivers them.
Key characterKey(char32_t code);  // printable codes carry their UTF-8 text
Key noCharacterKey();             // an arrow or function key
Key modifierKey();                // Shift, Ctrl or Alt alone
Key endOfInputKey();
inline Key enterKey() { return characterKey(13); }
inline Key backspaceKey() { return characterKey(8); }

// Plain text as typed, one key per character: '\r' and '\n' are Enter (13), '\b' Backspace (8).
std::vector<Key> keysFromText(std::string_view utf8);

// A key as a short name for comparisons: "c" and the code of a character, "n" for a key without
// one, "m" for a modifier alone, "e" for the end of the input.
std::string keyName(const Key& key);

// A row of the screen as UTF-8, trailing blanks removed.
std::string rowText(const ScreenModel& screen, int row);
std::uint8_t cellAttribute(const ScreenModel& screen, int row, int column);

}  // namespace auralith
