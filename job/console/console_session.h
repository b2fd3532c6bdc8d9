// The console backend of the program, the same on every platform: keys from a keyboard,
// screens on a display, messages on standard error. A platform supplies the parts; what the
// session does with them (the error box or its plain-text line, the end of the session) is
// written once, here.
#pragma once

#include <string>
#include <string_view>

#include "job/console/byte_stream.h"
#include "job/console/console.h"
#include "job/console/console_parts.h"

namespace auralith {

class ConsoleSession : public ConsoleBackend {
public:
    ConsoleSession(ConsoleModes& modes, Keyboard& keyboard, Display& display, ByteSink& errors)
        : modes_(modes), keyboard_(keyboard), display_(display), errors_(errors) {}
    ConsoleSession(const ConsoleSession&) = delete;
    ConsoleSession& operator=(const ConsoleSession&) = delete;

    void setUp() override;
    void present(const ScreenModel& screen) override { display_.present(screen); }
    Key nextKey() override { return keyboard_.nextKey(); }
    void beep() override { display_.beep(); }
    // On a display that draws: the box, keys taken until Enter, Space, Esc or the end of the
    // input, then the screen under it again. Otherwise "ERROR: " and the message as text on
    // standard error, and no key is taken.
    void showError(const ScreenModel& screen, std::string_view message) override;
    // Once: the final screen, the terminal restored, then the reason.
    bool finish(const ScreenModel& screen, std::string_view reason) override;

private:
    ConsoleModes& modes_;
    Keyboard& keyboard_;
    Display& display_;
    ByteSink& errors_;
    bool finished_ = false;
};

// The message of an error box as plain text: backslash-n becomes a line break.
std::string plainMessage(std::string_view message);

// Whether a key closes the error box: Enter, Space, Esc, or the end of the input.
bool dismissesErrorBox(const Key& key);

}  // namespace auralith
