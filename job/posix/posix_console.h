// The console on POSIX systems. Standard input and output are looked at separately: a terminal
// gets raw keys or drawn screens, a pipe or file plain bytes, so that the program can be
// scripted; any mix works.
#pragma once

#include "job/console/console_session.h"
#include "job/console/plain_display.h"
#include "job/console/stream_keyboard.h"
#include "job/posix/ansi_display.h"
#include "job/posix/fd_stream.h"
#include "job/posix/terminal_modes.h"

namespace auralith {

// The parts, built before the session that uses them. Both kinds of display are there; the
// output decides which the session gets.
struct PosixConsoleParts {
    PosixConsoleParts(int inFd, int outFd, int errFd);
    Display& display();

    bool inTerminal;
    bool outTerminal;
    FdStream output;
    FdStream errors;
    AnsiDisplay terminalDisplay;
    PlainDisplay plainDisplay;
    FdStream input;  // waits with the window's size in view when the output is a terminal
    StreamKeyboard keyboard;
    TerminalModes modes;
};

class PosixConsole : private PosixConsoleParts, public ConsoleSession {
public:
    // The descriptors are parameters so that tests can hand in pipes and pseudo-terminals.
    explicit PosixConsole(int inFd = 0, int outFd = 1, int errFd = 2)
        : PosixConsoleParts(inFd, outFd, errFd), ConsoleSession(modes, keyboard, display(), errors) {}

    bool inputIsTerminal() const { return inTerminal; }
    bool outputIsTerminal() const { return outTerminal; }
};

}  // namespace auralith
