// What a session changes on a Windows console and puts back: the input mode (key events one by
// one, no echo, Ctrl+C as a key), the cursor and the title, and a control handler that puts
// them back when Ctrl+Break, closing the window or logging off ends the program.
#pragma once

#include "job/console/console_parts.h"

namespace auralith {

class ConsoleWindowModes final : public ConsoleModes {
public:
    ConsoleWindowModes(void* in, void* out, bool inConsole, bool outConsole)
        : in_(in), out_(out), inConsole_(inConsole), outConsole_(outConsole) {}
    ~ConsoleWindowModes() override { leave(); }
    ConsoleWindowModes(const ConsoleWindowModes&) = delete;
    ConsoleWindowModes& operator=(const ConsoleWindowModes&) = delete;

    void enter() override;
    void leave() override;

private:
    void* in_;  // HANDLEs, kept opaque so that this header needs no <windows.h>
    void* out_;
    bool inConsole_;
    bool outConsole_;
};

}  // namespace auralith
