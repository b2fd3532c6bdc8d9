// The console primitives: each one changes the screen model, then has the backend show it.
#include "job/console/console.h"

#include <vector>

#include "job/console/print_number.h"
#include "job/console/utf8.h"

namespace auralith {

void Console::present() { backend_.present(screen_); }

void Console::setUpConsole() {
    backend_.setUp();
    setColors(0, 15);
    clearScreen();
    present();
}

void Console::clearScreen() {
    clearCells(screen_);  // the cursor's visibility is left as it was
    present();
}

void Console::hideCursor() {
    screen_.cursorVisible = false;
    present();
}

void Console::setColors(int foreground, int background) {
    setScreenColors(screen_, foreground, background);
    present();
}

void Console::moveCursor(int row, int column) {
    moveScreenCursor(screen_, row, column);
    present();
}

int Console::cursorRow() const { return screen_.row; }

void Console::printText(std::string_view utf8) {
    for (char32_t ch : charactersFromUtf8(utf8)) putCharacter(screen_, ch);
    present();
}

void Console::printNumber(std::int64_t value) { printText(numberText(value)); }

void Console::printNumber(double value) { printText(numberText(value)); }

void Console::lineFeed() {
    screenLineFeed(screen_);
    present();
}

std::optional<std::string> Console::readLine() {
    const bool wasVisible = screen_.cursorVisible;
    screen_.cursorVisible = true;
    present();

    std::string text;
    std::vector<std::size_t> characterSizes;  // bytes of each stored character, for Backspace
    Key key = backend_.nextKey();
    while (key.kind != Key::Kind::endOfInput && !(key.kind == Key::Kind::character && key.code == 13)) {
        const bool isCharacter = key.kind == Key::Kind::character;
        if (isCharacter && key.code == 8 && !characterSizes.empty()) {
            text.resize(text.size() - characterSizes.back());
            characterSizes.pop_back();
            eraseBack(screen_);
            present();
        } else if (isCharacter && key.code >= 32 && characterSizes.size() < longestLine) {
            // The decoder hands over the bytes as typed; the cell shows the character's code.
            std::string bytes = key.text;
            if (bytes.empty()) appendUtf8(bytes, key.code);
            text += bytes;
            characterSizes.push_back(bytes.size());
            putCharacter(screen_, key.code);
            present();
        }
        // Anything else is dropped: Backspace on an empty line, control codes (Esc, Tab,
        // Ctrl+C, ...), keys that yield no character, modifier keys, a line already full.
        key = backend_.nextKey();
    }

    const bool ended = key.kind == Key::Kind::endOfInput;
    if (!ended) screenLineFeed(screen_);
    screen_.cursorVisible = wasVisible;
    present();
    if (ended) return std::nullopt;
    return text;
}

void Console::waitForKey() {
    Key key = backend_.nextKey();
    while (key.kind == Key::Kind::modifierOnly) key = backend_.nextKey();
}

void Console::beep() { backend_.beep(); }

void Console::showError(std::string_view message) {
    backend_.showError(screen_, message);
    present();  // the box is gone: the screen under it shows again
}

bool Console::finish(std::string_view reason) { return backend_.finish(screen_, reason); }

}  // namespace auralith
