#include "job/posix/ansi_display.h"

#include <sys/ioctl.h>

#include "job/console/terminal_render.h"
#include "job/posix/resize_watch.h"

namespace auralith {

void AnsiDisplay::setUp() { out_.writeAll(setUpBytes()); }

void AnsiDisplay::beep() { out_.writeAll(bellBytes()); }

int AnsiDisplay::showFinal(const ScreenModel& screen) {
    present(screen);
    out_.writeAll(exitBytes());
    return 0;
}

void AnsiDisplay::catchUpWithResize() {
    if (resizePending()) draw();
}

void AnsiDisplay::draw() {
    if (!wanted_) return;
    if (takeResize()) {
        drawn_.reset();  // some terminals reflow or clear on resize: draw everything again
        noticeColumns_ = 0;
    }
    winsize size{};
    // A terminal that reports no size (0 x 0) gets the screen anyway.
    const bool known = ioctl(fd_, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 && size.ws_row > 0;
    if (known && (size.ws_col < screenColumns || size.ws_row < screenRows)) {
        if (size.ws_col != noticeColumns_ || size.ws_row != noticeRows_) {
            out_.writeAll(tooSmallBytes(size.ws_col, size.ws_row));
            noticeColumns_ = size.ws_col;
            noticeRows_ = size.ws_row;
        }
        drawn_.reset();
        return;
    }
    noticeColumns_ = 0;
    noticeRows_ = 0;
    out_.writeAll(renderScreen(drawn_ ? &*drawn_ : nullptr, *wanted_));
    drawn_ = wanted_;
}

}  // namespace auralith
