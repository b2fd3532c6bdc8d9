#include "job/posix/posix_console.h"

#include <unistd.h>

namespace auralith {

PosixConsoleParts::PosixConsoleParts(int inFd, int outFd, int errFd)
    : inTerminal(isatty(inFd) == 1),
      outTerminal(isatty(outFd) == 1),
      output(outFd),
      errors(errFd),
      terminalDisplay(outFd, output),
      plainDisplay(output),
      input(inFd, outTerminal ? std::function<void()>([this] { terminalDisplay.catchUpWithResize(); })
                              : std::function<void()>()),
      keyboard(input),
      modes(inFd, outFd, inTerminal, outTerminal) {}

PosixConsole::PosixConsole(int inFd, int outFd, int errFd)
    : PosixConsoleParts(inFd, outFd, errFd),
      ConsoleSession(modes, keyboard,
                     outTerminal ? static_cast<Display&>(terminalDisplay) : static_cast<Display&>(plainDisplay), errors) {}

}  // namespace auralith
