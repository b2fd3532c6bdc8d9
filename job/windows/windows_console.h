// The console on Windows. Standard input and output are looked at separately, as on POSIX
// systems: a console gets key events or drawn cells, a pipe or file plain bytes, so that the
// program can be scripted; any mix works.
#pragma once

#include "job/console/console_session.h"
#include "job/console/plain_display.h"
#include "job/console/stream_keyboard.h"
#include "job/windows/console_display.h"
#include "job/windows/console_keyboard.h"
#include "job/windows/console_modes.h"
#include "job/windows/handle_stream.h"

namespace auralith {

// The parts, built before the session that uses them. Both kinds of keyboard and display are
// there; the handles decide which the session gets.
struct WindowsConsoleParts {
    WindowsConsoleParts();
    Keyboard& keyboard();
    Display& display();

    void* in;  // HANDLEs, kept opaque so that this header needs no <windows.h>
    void* out;
    bool inConsole;
    bool outConsole;
    HandleStream input;
    HandleStream output;
    HandleStream errors;
    ConsoleWindowDisplay consoleDisplay;
    PlainDisplay plainDisplay;
    ConsoleKeyboard consoleKeyboard;
    StreamKeyboard pipeKeyboard;
    ConsoleWindowModes modes;
};

class WindowsConsole : private WindowsConsoleParts, public ConsoleSession {
public:
    WindowsConsole() : ConsoleSession(modes, keyboard(), display(), errors) {}
};

}  // namespace auralith
