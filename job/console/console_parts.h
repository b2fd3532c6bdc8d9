// The parts a platform builds a console session from (see ConsoleSession): a keyboard, a
// display, and the modes it changes on its terminal or console for the session's time.
#pragma once

#include "job/console/keys.h"
#include "job/console/screen.h"

namespace auralith {

class Keyboard {
public:
    virtual ~Keyboard() = default;
    // The next key press, waiting for one. Keys typed earlier are never discarded; once the
    // input has ended, endOfInput every time.
    virtual Key nextKey() = 0;
};

class Display {
public:
    virtual ~Display() = default;
    // Once, before any screen (where a terminal is given its title and size, and cleared).
    virtual void setUp() {}
    // Shows `screen` (cells, cursor position and visibility).
    virtual void present(const ScreenModel& screen) = 0;
    virtual void beep() = 0;
    // Whether a person sees the screens drawn; a display that does not shows only the last one.
    virtual bool drawsScreens() const = 0;
    // The program ends: the final screen stays in view, or is written out as plain text. 0, or
    // why the plain text could not be written (an errno value); a screen in view has no one else
    // to be told of a failure.
    virtual int showFinal(const ScreenModel& screen) = 0;
};

// What a platform changes for the session and puts back: raw keys, the title, the handlers
// that restore the terminal if the program is ended from outside.
class ConsoleModes {
public:
    virtual ~ConsoleModes() = default;
    virtual void enter() = 0;  // before anything is shown
    virtual void leave() = 0;  // after the final screen: the terminal is usable again
};

}  // namespace auralith
