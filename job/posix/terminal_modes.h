// What a session changes on POSIX terminals and puts back: raw mode on an input terminal; on
// an output terminal, the exit bytes and the watch on the window's size; for either, the
// handlers that restore the terminal when a signal ends the program.
#pragma once

#include "job/console/console_parts.h"

namespace auralith {

class TerminalModes final : public ConsoleModes {
public:
    TerminalModes(int inFd, int outFd, bool inTerminal, bool outTerminal)
        : in_(inFd), out_(outFd), inTerminal_(inTerminal), outTerminal_(outTerminal) {}
    // A session that never finished: the screen left tidy and the terminal restored all the same.
    ~TerminalModes() override;
    TerminalModes(const TerminalModes&) = delete;
    TerminalModes& operator=(const TerminalModes&) = delete;

    void enter() override;
    void leave() override;

private:
    int in_;
    int out_;
    bool inTerminal_;
    bool outTerminal_;
};

}  // namespace auralith
