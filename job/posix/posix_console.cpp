#include "job/posix/posix_console.h"

#include <unistd.h>

namespace auralith {

namespace {

// Before each wait for input, a display on a terminal catches up with a change of its size.
std::function<void()> resizeCatchUp(bool outTerminal, AnsiDisplay& display) {
    if (!outTerminal) return {};
    return [&display] { display.catchUpWithResize(); };
}

}  // namespace

PosixConsoleParts::PosixConsoleParts(int inFd, int outFd, int errFd)
    : inTerminal(isatty(inFd) == 1),
      outTerminal(isatty(outFd) == 1),
      output(outFd),
      errors(errFd),
      terminalDisplay(outFd, output),
      plainDisplay(output),
      input(inFd, resizeCatchUp(outTerminal, terminalDisplay)),
      keyboard(input),
      modes(inFd, outFd, inTerminal, outTerminal) {}

Display& PosixConsoleParts::display() {
    if (outTerminal) return terminalDisplay;
    return plainDisplay;
}

}  // namespace auralith
