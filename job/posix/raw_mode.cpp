#include "job/posix/raw_mode.h"

namespace auralith {

termios rawModes(const termios& saved) {
    termios raw = saved;
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON);  // keys one by one, no line buffering
    raw.c_lflag &= ~static_cast<tcflag_t>(ECHO);    // the program draws what is typed
    raw.c_lflag &= ~static_cast<tcflag_t>(ISIG);    // Ctrl+C, Ctrl+\, Ctrl+Z arrive as keys 3, 28, 26
    raw.c_lflag &= ~static_cast<tcflag_t>(IEXTEN);  // Ctrl+V and Ctrl+O arrive as keys too
    raw.c_iflag &= ~static_cast<tcflag_t>(ICRNL);   // Enter arrives as CR, not turned into LF
    raw.c_iflag &= ~static_cast<tcflag_t>(INLCR);   // and LF is not turned into CR
    raw.c_iflag &= ~static_cast<tcflag_t>(IGNCR);   // CR is not dropped
    raw.c_iflag &= ~static_cast<tcflag_t>(IXON);    // Ctrl+S and Ctrl+Q are keys, not flow control
    raw.c_iflag &= ~static_cast<tcflag_t>(ISTRIP);  // keep the eighth bit: UTF-8 input
    raw.c_iflag &= ~static_cast<tcflag_t>(BRKINT);  // a break does not raise SIGINT
    raw.c_cflag = (raw.c_cflag & ~static_cast<tcflag_t>(CSIZE)) | CS8;  // eight-bit bytes
    // c_oflag stays as it was: output processing does no harm to what the renderer sends.
    raw.c_cc[VMIN] = 1;   // read() returns as soon as one byte is there;
    raw.c_cc[VTIME] = 0;  // poll() does the waiting and the Esc timeout
    return raw;
}

}  // namespace auralith
