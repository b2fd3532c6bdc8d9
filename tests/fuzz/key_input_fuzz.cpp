// Arbitrary bytes as keyboard input: the key decoder turns them into keys, and the console's line
// editor and screen model take those keys question after question. The screen is drawn as
// terminal bytes only where the input asks for it, by Ctrl+L (form feed, byte 12, the usual
// "redraw" key, which the editor drops), at most twice an input: a draw costs as much as a
// few hundred keys, so that drawing after every key would make each input a hundred times slower.
// No file is touched.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "job/console/char_width.h"
#include "job/console/console.h"
#include "job/console/error_box.h"
#include "job/console/key_decoder.h"
#include "job/console/screen.h"
#include "job/console/terminal_render.h"
#include "job/console/utf8.h"

namespace {

using namespace auralith;

void require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "key_input_fuzz: %s\n", what);
    std::abort();
}

void checkCursor(const ScreenModel& screen) {
    require(screen.row >= 1 && screen.row <= screenRows, "cursor row off the screen");
    require(screen.column >= 1 && screen.column <= screenColumns, "cursor column off the screen");
}

// Printable ASCII fits one cell; anything else is looked up.
bool fitsOneCell(char32_t ch) { return (ch >= U' ' && ch < 0x7F) || isSingleWidth(ch); }

void checkScreen(const ScreenModel& screen) {
    checkCursor(screen);
    for (const Cell& cell : screen.cells) require(fitsOneCell(cell.ch), "a cell holds a wide or control character");
}

// Well-formed UTF-8 survives decoding and encoding unchanged.
bool isWellFormedUtf8(std::string_view text) {
    std::string again;
    for (const char32_t ch : charactersFromUtf8(text)) appendUtf8(again, ch);
    return again == text;
}

void checkKey(const Key& key) {
    if (key.kind != Key::Kind::character) return;
    if (key.code >= 32) require(fitsOneCell(key.code), "a key yields a character that does not fit one cell");
    if (key.text.size() == 1) {
        require(key.code < 0x80 && static_cast<unsigned char>(key.text[0]) == key.code, "a key's text is not its code");
    } else if (!key.text.empty()) {
        require(isWellFormedUtf8(key.text), "a key's text is not well-formed UTF-8");
        require(charactersFromUtf8(key.text) == std::u32string(1, key.code), "a key's text is not its code");
    }
}

// The keys the decoder made, then the end of input. Ctrl+L draws what changed since the last
// draw (at first: since the cleared screen of the set-up); Ctrl+L twice in a row draws the whole
// screen anew, as a terminal's redraw would. Once a draw was asked for, the error boxes are drawn
// too, and the final screen is checked and turned into plain text.
class DecodedKeysBackend final : public ConsoleBackend {
public:
    explicit DecodedKeysBackend(std::deque<Key> keys) : keys_(std::move(keys)) {}

    void setUp() override { (void)setUpBytes(); }
    void present(const ScreenModel& screen) override {
        checkCursor(screen);
        shown_ = &screen;  // the console's own model, alive as long as the console
    }
    Key nextKey() override {
        if (keys_.empty()) return Key{Key::Kind::endOfInput, 0, {}};
        Key key = std::move(keys_.front());
        keys_.pop_front();
        const bool redraw = key.kind == Key::Kind::character && key.code == redrawKey;
        if (redraw && shown_ != nullptr && draws_ < mostDraws) draw(*shown_, afterRedraw_);
        afterRedraw_ = redraw;
        return key;
    }
    void beep() override { (void)bellBytes(); }
    void showError(const ScreenModel& screen, std::string_view message) override {
        if (draws_ == 0 || draws_ >= mostDraws) return;
        ++draws_;
        const ScreenModel boxed = withErrorBox(screen, message);
        checkScreen(boxed);
        require(!boxed.cursorVisible, "the error box shows the cursor");
        require(!renderScreen(&screen, boxed).empty() || boxed.cells == screen.cells, "the box was not drawn");
    }
    bool finish(const ScreenModel& screen, std::string_view) override {
        checkCursor(screen);
        if (draws_ == 0) return true;
        checkScreen(screen);
        const std::string text = screenAsPlainText(screen);
        require(isWellFormedUtf8(text), "the plain screen is not well-formed UTF-8");
        (void)exitBytes();
        return true;
    }
    bool keysLeft() const { return !keys_.empty(); }

private:
    static constexpr char32_t redrawKey = 12;
    // A draw (a screen or an error box) costs as much as a few hundred keys; a whole redraw or a
    // change and a box is as much as an input needs.
    static constexpr int mostDraws = 2;

    void draw(const ScreenModel& screen, bool whole) {
        ++draws_;
        checkScreen(screen);
        const std::string bytes = renderScreen(whole ? nullptr : &drawn_, screen);
        // Nothing is sent exactly when nothing changed.
        const bool same = !whole && drawn_.cells == screen.cells && drawn_.row == screen.row &&
                          drawn_.column == screen.column && drawn_.cursorVisible == screen.cursorVisible;
        require(bytes.empty() == same, "a draw sends bytes for nothing or nothing for a change");
        drawn_ = screen;
    }

    std::deque<Key> keys_;
    const ScreenModel* shown_ = nullptr;
    ScreenModel drawn_;  // what the terminal shows: at first the cleared screen
    bool afterRedraw_ = false;
    int draws_ = 0;
};

// The first byte says how often the "no byte followed in time" timeout falls (0: only at the
// end), so that lone Esc keys and cut sequences are reached as well as whole ones.
std::deque<Key> decode(const std::uint8_t* data, std::size_t size) {
    KeyDecoder decoder;
    std::vector<Key> keys;
    const std::size_t period = size > 0 ? data[0] : 0;
    for (std::size_t i = 1; i < size; ++i) {
        decoder.feed(data[i], keys);
        if (period != 0 && i % period == 0) decoder.timeout(keys);
    }
    decoder.timeout(keys);
    require(!decoder.pending(), "a sequence is still pending after the timeout");
    for (const Key& key : keys) checkKey(key);
    return std::deque<Key>(keys.begin(), keys.end());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    DecodedKeysBackend backend(decode(data, size));
    Console console(backend);
    console.setUpConsole();
    // Question after question, each answer shown back the ways the program shows text.
    for (int question = 0; backend.keysLeft(); ++question) {
        const std::optional<std::string> line = console.readLine();
        if (!line) break;
        require(isWellFormedUtf8(*line), "a line is not well-formed UTF-8");
        const std::u32string characters = charactersFromUtf8(*line);
        require(characters.size() <= longestLine, "a line longer than the editor allows");
        for (const char32_t ch : characters)
            require(fitsOneCell(ch), "a line holds a character that does not fit one cell");

        const int pick = static_cast<int>(characters.size());
        switch (question % 4) {
            case 0:
                console.printText(*line);
                console.lineFeed();
                break;
            case 1: console.showError(*line); break;
            case 2:
                console.setColors(pick % 17, (pick / 17) % 17);
                console.printNumber(static_cast<std::int64_t>(pick));
                break;
            case 3:
                console.moveCursor(pick % (screenRows + 2), pick % (screenColumns + 2));
                console.printNumber(pick / 7.0);
                break;
        }
        if (pick % 11 == 10) console.clearScreen();
        if (pick % 13 == 12) console.hideCursor();
    }
    console.waitForKey();
    console.finish();
    return 0;
}
