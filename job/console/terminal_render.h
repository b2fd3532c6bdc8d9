// The bytes that make an ANSI/xterm terminal show the screen model. Pure: the backend writes
// what these functions return.
#pragma once

#include <string>

#include "job/console/screen.h"

namespace auralith {

// Title "Auralith", the request for an 80 x 49 window, a cleared screen.
std::string setUpBytes();

// Colours and cursor back to normal, the cursor on the line below the screen, so that the shell
// prompt starts clean there while the final screen stays visible above it.
std::string exitBytes();

// What to send so that a terminal showing `previous` shows `next`: only the cells that differ,
// then the cursor. Without `previous` the whole screen is drawn on a cleared terminal. Empty
// when nothing changed.
std::string renderScreen(const ScreenModel* previous, const ScreenModel& next);

// The terminal bell: the beep.
std::string bellBytes();

// A cleared terminal with a request to make it at least 80 x 49 characters large.
std::string tooSmallBytes(int columns, int rows);

// The screen as plain UTF-8 text: one line per row, trailing blanks removed.
std::string screenAsPlainText(const ScreenModel& screen);

}  // namespace auralith
