// The terminal modes of raw keyboard input, worked out from the modes the terminal had.
#pragma once

#include <termios.h>

namespace auralith {

termios rawModes(const termios& saved);

}  // namespace auralith
