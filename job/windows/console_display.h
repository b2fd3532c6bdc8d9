// The display on a Windows console: the screen written as cells with WriteConsoleOutputW, only
// the rows that changed, in an 80 x 49 buffer and window asked of the console, and a notice in
// place of the screen while the console will not be that large.
#pragma once

#include "job/console/drawn_display.h"

namespace auralith {

class ConsoleWindowDisplay final : public DrawnDisplay {
public:
    explicit ConsoleWindowDisplay(void* out) : out_(out) {}

    // The console's buffer changed size: it may have moved or cleared the cells.
    void windowResized();
    void beep() override;
    int showFinal(const ScreenModel& screen) override;

private:
    void draw() override;
    bool windowIsLargeEnough();  // asks for the 80 x 49 buffer and window; true once they are there
    void showSizeNotice();
    void writeChangedRows(const ScreenModel& next);

    void* out_;  // a HANDLE, kept opaque so that this header needs no <windows.h>
    bool noticeShown_ = false;
};

}  // namespace auralith
