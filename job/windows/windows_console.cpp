#include "job/windows/windows_console.h"

#include "job/windows/windows_api.h"

namespace auralith {

namespace {

bool isConsole(HANDLE handle) {
    DWORD mode = 0;
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

}  // namespace

WindowsConsoleParts::WindowsConsoleParts()
    : in(GetStdHandle(STD_INPUT_HANDLE)),
      out(GetStdHandle(STD_OUTPUT_HANDLE)),
      inConsole(isConsole(in)),
      outConsole(isConsole(out)),
      input(in),
      output(out),
      errors(GetStdHandle(STD_ERROR_HANDLE)),
      consoleDisplay(out),
      plainDisplay(output),
      consoleKeyboard(in,
                      [this] {
                          if (outConsole) consoleDisplay.windowResized();
                      }),
      pipeKeyboard(input),
      modes(in, out, inConsole, outConsole) {}

Keyboard& WindowsConsoleParts::keyboard() {
    if (inConsole) return consoleKeyboard;
    return pipeKeyboard;
}

Display& WindowsConsoleParts::display() {
    if (outConsole) return consoleDisplay;
    return plainDisplay;
}

}  // namespace auralith
