// The window-size signal (SIGWINCH), watched while a terminal shows the screen: a flag that
// tells the display to draw everything again, and a byte in a pipe that wakes the keyboard's
// wait for input so that the drawing need not wait for a key.
#pragma once

namespace auralith {

void startResizeWatch();
void stopResizeWatch();

// The end of the pipe to wait on beside the input; -1 when nothing is watched.
int resizeWakeFd();
// Empties the pipe after a wake-up.
void drainResizeWakes();

// Whether the window has changed size since the last takeResize().
bool resizePending();
// The same, and the change counts as seen.
bool takeResize();

}  // namespace auralith
