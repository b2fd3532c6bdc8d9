// The terminal put back when a signal ends the program: the ending signals (HUP, TERM, INT,
// QUIT) and the faults (BUS, SEGV, FPE, ILL, ABRT) first restore the saved modes and leave the
// screen tidy, then end the program as they would have. The handlers can only reach what is
// kept here, so this is the process's state: one console session runs at a time.
#pragma once

#include <string_view>

#include <termios.h>

namespace auralith {

// Raw mode goes on for the terminal `fd`, whose modes were `saved`: a signal puts them back.
void rememberModes(int fd, const termios& saved);
// Puts the remembered modes back on `fd` if raw mode is on there, and forgets them.
void restoreModes(int fd);

// Bytes that leave the terminal on `fd` tidy on the way out (colours, cursor below the screen).
void rememberExitBytes(int fd, std::string_view bytes);
// Whether exit bytes are remembered for `fd`: the screen there still needs them.
bool exitBytesPending(int fd);
void forgetExitBytes(int fd);

// The handlers for the signals that end the program. A signal the caller chose to ignore
// (nohup) stays ignored.
void installRestoringHandlers();
void removeRestoringHandlers();

}  // namespace auralith
