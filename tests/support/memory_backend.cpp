#include "support/memory_backend.h"

#include "job/console/utf8.h"

namespace auralith {

void MemoryBackend::setUp() { setUpRan = true; }

void MemoryBackend::present(const ScreenModel& screen) {
    presented = screen;
    ++presentCount;
}

Key MemoryBackend::nextKey() {
    if (keysConsumed >= script.size()) return endOfInputKey();
    return script[keysConsumed++];
}

void MemoryBackend::beep() { ++beeps; }

void MemoryBackend::showError(const ScreenModel& screen, std::string_view message) {
    errors.push_back(ShownError{std::string(message), screen});
}

bool MemoryBackend::finish(const ScreenModel& screen, std::string_view reason) {
    presented = screen;
    finished = true;
    finishReason = std::string(reason);
    return true;
}

void MemoryBackend::addKeys(const std::vector<Key>& keys) { script.insert(script.end(), keys.begin(), keys.end()); }

Key characterKey(char32_t code) {
    Key key{Key::Kind::character, code, {}};
    if (code >= 32) appendUtf8(key.text, code);
    return key;
}

Key noCharacterKey() { return Key{Key::Kind::noCharacter, 0, {}}; }

Key modifierKey() { return Key{Key::Kind::modifierOnly, 0, {}}; }

Key endOfInputKey() { return Key{Key::Kind::endOfInput, 0, {}}; }

std::vector<Key> keysFromText(std::string_view utf8) {
    std::vector<Key> keys;
    for (char32_t ch : charactersFromUtf8(utf8)) {
        if (ch == U'\n') ch = 13;
        if (ch == U'\b') ch = 8;
        keys.push_back(characterKey(ch));
    }
    return keys;
}

std::string keyName(const Key& key) {
    switch (key.kind) {
        case Key::Kind::character: return "c" + std::to_string(static_cast<unsigned>(key.code));
        case Key::Kind::noCharacter: return "n";
        case Key::Kind::modifierOnly: return "m";
        case Key::Kind::endOfInput: return "e";
    }
    return "?";
}

std::string rowText(const ScreenModel& screen, int row) {
    int last = screenColumns;
    while (last >= 1 && screen.at(row, last).ch == U' ') --last;
    std::string text;
    for (int column = 1; column <= last; ++column) appendUtf8(text, screen.at(row, column).ch);
    return text;
}

std::uint8_t cellAttribute(const ScreenModel& screen, int row, int column) { return screen.at(row, column).attr; }

}  // namespace auralith
