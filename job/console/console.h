// The console interface the job driver uses: set-up and the twelve screen and keyboard
// primitives. It keeps the screen model and the line editor; a backend shows the model and
// supplies the keys.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "job/console/keys.h"
#include "job/console/screen.h"

namespace auralith {

// What the console draws on and reads from: a window that shows the screen model, keys, a beep,
// an error box. The program's is a ConsoleSession built from a platform's parts.
class ConsoleBackend {
public:
    virtual ~ConsoleBackend() = default;
    // Title "Auralith", the 80 x 49 window, raw keyboard. Called once, before any output.
    virtual void setUp() = 0;
    // Makes the window show `screen` (cells, cursor position and visibility).
    virtual void present(const ScreenModel& screen) = 0;
    // The next key press, waiting for one. Keys typed earlier are never discarded.
    virtual Key nextKey() = 0;
    virtual void beep() = 0;
    // The modal error box titled " ERROR" over the screen; returns once dismissed.
    // The two characters backslash and n in the message break the line.
    virtual void showError(const ScreenModel& screen, std::string_view message) = 0;
    // The program ends: the final screen stays visible and the terminal is left usable.
    // A non-empty `reason` is written as one line on standard error. False when the final screen
    // could not be written out (standard output on a full disk, say), which is then told there
    // too.
    virtual bool finish(const ScreenModel& screen, std::string_view reason) = 0;
};

class Console {
public:
    explicit Console(ConsoleBackend& backend) : backend_(backend) {}

    void setUpConsole();
    void clearScreen();
    void hideCursor();
    void setColors(int foreground, int background);
    void moveCursor(int row, int column);
    int cursorRow() const;
    void printText(std::string_view utf8);
    void printNumber(std::int64_t value);
    void printNumber(double value);
    void lineFeed();
    // The line editor. Empty when the keyboard input ended before Enter.
    std::optional<std::string> readLine();
    void waitForKey();
    void beep();
    void showError(std::string_view message);
    // Ends the session on the backend (see ConsoleBackend::finish).
    bool finish(std::string_view reason = {});

    const ScreenModel& screen() const { return screen_; }

private:
    void present();

    ConsoleBackend& backend_;
    ScreenModel screen_;
};

// The longest line the editor takes, in characters.
inline constexpr std::size_t longestLine = 10000;

}  // namespace auralith
