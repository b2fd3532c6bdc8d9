#include "job/posix/terminal_modes.h"

#include <csignal>

#include "job/console/terminal_render.h"
#include "job/posix/fd_stream.h"
#include "job/posix/raw_mode.h"
#include "job/posix/resize_watch.h"
#include "job/posix/terminal_restore.h"

namespace auralith {

TerminalModes::~TerminalModes() {
    if (exitBytesPending(out_)) FdStream(out_).writeAll(exitBytes());
    leave();
}

void TerminalModes::enter() {
    // A closed output pipe then makes write() fail instead of ending the program.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, nullptr);  // for the whole run, not undone at the end

    if (outTerminal_) {
        rememberExitBytes(out_, exitBytes());
        startResizeWatch();
    }
    if (inTerminal_ || outTerminal_) installRestoringHandlers();

    termios saved{};
    if (inTerminal_ && tcgetattr(in_, &saved) == 0) {
        const termios raw = rawModes(saved);
        rememberModes(in_, saved);
        // TCSANOW, not TCSAFLUSH: keys typed before this point stay queued.
        if (tcsetattr(in_, TCSANOW, &raw) != 0) restoreModes(in_);  // whatever part of it took
    }
}

void TerminalModes::leave() {
    restoreModes(in_);
    forgetExitBytes(out_);
    removeRestoringHandlers();
    if (outTerminal_) stopResizeWatch();
}

}  // namespace auralith
