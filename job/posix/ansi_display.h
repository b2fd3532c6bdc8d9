// The display on a POSIX terminal: the screen drawn with ANSI/xterm sequences, only what
// changed, and a notice in place of the screen while the window is smaller than 80 x 49.
#pragma once

#include "job/console/byte_stream.h"
#include "job/console/drawn_display.h"

namespace auralith {

class AnsiDisplay final : public DrawnDisplay {
public:
    // `fd` is the terminal that `out` writes to; its window size is asked of it.
    AnsiDisplay(int fd, ByteSink& out) : fd_(fd), out_(out) {}

    void setUp() override;
    void beep() override;
    int showFinal(const ScreenModel& screen) override;
    // Draws everything again if the window has changed size since the last drawing.
    void catchUpWithResize();

private:
    void draw() override;

    int fd_;
    ByteSink& out_;
    int noticeColumns_ = 0;  // the size the "too small" notice was shown for
    int noticeRows_ = 0;
};

}  // namespace auralith
