// The only place that touches termios, ioctl and signals; a Windows backend sits beside it.
#include "job/posix/posix_backend.h"

#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "job/console/error_box.h"
#include "job/console/terminal_render.h"

namespace auralith {

namespace {

constexpr int escapeWaitMs = 50;  // a lone Esc is one that no byte follows within this time

// What the signal handlers need, kept where they can reach it. One backend runs at a time.
termios savedModes;                           // the terminal's modes before raw mode
int savedModesFd = -1;
volatile std::sig_atomic_t rawActive = 0;     // raw mode is on and must be undone
int exitBytesFd = -1;                         // a terminal output to leave tidy, or -1
char exitSequence[64];
std::size_t exitSequenceLength = 0;
int wakePipe[2] = {-1, -1};                   // the resize handler wakes poll() through it
volatile std::sig_atomic_t resized = 0;

// SIGBUS too: the output is built in a file mapped into memory, and a page of it that the file
// system fails to provide ends the program with SIGBUS; the terminal must still be restored.
constexpr int endingSignals[] = {SIGHUP, SIGTERM, SIGINT, SIGQUIT, SIGBUS};
struct sigaction previousEnding[std::size(endingSignals)];
struct sigaction previousResize;
bool handlersInstalled = false;

// Async-signal-safe calls only: tcsetattr, write, raise.
void onEndingSignal(int signal) {
    const int savedErrno = errno;
    if (rawActive != 0) tcsetattr(savedModesFd, TCSANOW, &savedModes);
    if (exitBytesFd >= 0 && write(exitBytesFd, exitSequence, exitSequenceLength) < 0) {
        // nothing more can be done for a terminal that is gone
    }
    // SA_RESETHAND has put back the default action: the signal ends the program as it would have.
    raise(signal);
    errno = savedErrno;
}

void onResize(int) {
    const int savedErrno = errno;
    resized = 1;
    const char byte = 'r';
    if (wakePipe[1] >= 0 && write(wakePipe[1], &byte, 1) < 0) {
        // the pipe is full: a wake-up is already waiting
    }
    errno = savedErrno;
}

void writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;  // a closed pipe (SIGPIPE is ignored) or a vanished terminal
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

void installHandlers(bool resizeToo) {
    struct sigaction ending {};
    ending.sa_handler = onEndingSignal;
    sigemptyset(&ending.sa_mask);
    ending.sa_flags = SA_RESETHAND;
    for (std::size_t i = 0; i < std::size(endingSignals); ++i) {
        sigaction(endingSignals[i], nullptr, &previousEnding[i]);
        // A signal the caller chose to ignore (nohup) stays ignored.
        if (previousEnding[i].sa_handler != SIG_IGN) sigaction(endingSignals[i], &ending, nullptr);
    }
    struct sigaction resize {};
    resize.sa_handler = resizeToo ? onResize : SIG_DFL;
    sigemptyset(&resize.sa_mask);
    resize.sa_flags = SA_RESTART;
    sigaction(SIGWINCH, &resize, &previousResize);
    handlersInstalled = true;
}

void uninstallHandlers() {
    if (!handlersInstalled) return;
    for (std::size_t i = 0; i < std::size(endingSignals); ++i) sigaction(endingSignals[i], &previousEnding[i], nullptr);
    sigaction(SIGWINCH, &previousResize, nullptr);
    handlersInstalled = false;
}

// The message of an error box as plain text: backslash-n becomes a line break.
std::string plainMessage(std::string_view message) {
    std::string out;
    for (std::size_t i = 0; i < message.size(); ++i) {
        if (message[i] == '\\' && i + 1 < message.size() && message[i + 1] == 'n') {
            out += '\n';
            ++i;
        } else {
            out += message[i];
        }
    }
    return out;
}

bool dismissesErrorBox(const Key& key) {
    return key.kind == Key::Kind::endOfInput ||
           (key.kind == Key::Kind::character && (key.code == 13 || key.code == 32 || key.code == 27));
}

}  // namespace

PosixBackend::PosixBackend(int inFd, int outFd, int errFd)
    : in_(inFd), out_(outFd), err_(errFd), inTerminal_(isatty(inFd) == 1), outTerminal_(isatty(outFd) == 1) {}

PosixBackend::~PosixBackend() {
    if (!finished_ && outTerminal_ && exitBytesFd >= 0) writeAll(out_, exitBytes());
    restoreTerminal();
}

void PosixBackend::setUp() {
    // A closed output pipe then makes write() fail instead of ending the program.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, nullptr);  // for the whole run, not undone at finish

    if (outTerminal_) {
        const std::string bytes = exitBytes();
        std::memcpy(exitSequence, bytes.data(), bytes.size());
        exitSequenceLength = bytes.size();
        exitBytesFd = out_;
        if (pipe(wakePipe) == 0) {
            for (int fd : wakePipe) {
                fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
                fcntl(fd, F_SETFD, FD_CLOEXEC);
            }
        }
    }
    if (inTerminal_ || outTerminal_) installHandlers(outTerminal_);

    if (inTerminal_ && tcgetattr(in_, &savedModes) == 0) {
        termios raw = savedModes;
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
        savedModesFd = in_;
        rawActive = 1;
        // TCSANOW, not TCSAFLUSH: keys typed before this point stay queued.
        if (tcsetattr(in_, TCSANOW, &raw) != 0) rawActive = 0;
    }

    if (outTerminal_) writeAll(out_, setUpBytes());
}

void PosixBackend::present(const ScreenModel& screen) {
    wanted_ = screen;
    draw();
}

void PosixBackend::draw() {
    if (!outTerminal_ || !wanted_) return;
    if (resized != 0) {
        resized = 0;
        drawn_.reset();  // some terminals reflow or clear on resize: draw everything again
        noticeColumns_ = 0;
    }
    winsize size{};
    // A terminal that reports no size (0 x 0) gets the screen anyway.
    const bool known = ioctl(out_, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 && size.ws_row > 0;
    if (known && (size.ws_col < screenColumns || size.ws_row < screenRows)) {
        if (size.ws_col != noticeColumns_ || size.ws_row != noticeRows_) {
            writeAll(out_, tooSmallBytes(size.ws_col, size.ws_row));
            noticeColumns_ = size.ws_col;
            noticeRows_ = size.ws_row;
        }
        drawn_.reset();
        return;
    }
    noticeColumns_ = 0;
    noticeRows_ = 0;
    writeAll(out_, renderScreen(drawn_ ? &*drawn_ : nullptr, *wanted_));
    drawn_ = wanted_;
}

Key PosixBackend::nextKey() {
    std::vector<Key> decoded;
    while (keys_.empty() && !inputEnded_) {
        if (resized != 0) draw();
        pollfd fds[2] = {{in_, POLLIN, 0}, {wakePipe[0], POLLIN, 0}};
        const nfds_t count = wakePipe[0] >= 0 ? 2 : 1;
        const int ready = poll(fds, count, decoder_.pending() ? escapeWaitMs : -1);
        if (ready < 0 && errno != EINTR) {
            inputEnded_ = true;
        } else if (ready == 0) {
            decoder_.timeout(decoded);
        }
        if (ready > 0 && count == 2 && (fds[1].revents & POLLIN) != 0) {
            char drain[64];
            while (read(wakePipe[0], drain, sizeof drain) > 0) {
            }
        }
        if (ready > 0 && fds[0].revents != 0) {
            unsigned char bytes[256];
            const ssize_t n = read(in_, bytes, sizeof bytes);
            for (ssize_t i = 0; i < n; ++i) decoder_.feed(bytes[i], decoded);
            // End of file, or a hung-up terminal (EIO); EINTR and EAGAIN just mean "again".
            if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) inputEnded_ = true;
        }
        if (inputEnded_) decoder_.timeout(decoded);
        keys_.insert(keys_.end(), decoded.begin(), decoded.end());
        decoded.clear();
    }
    if (keys_.empty()) return Key{Key::Kind::endOfInput, 0, {}};
    Key key = std::move(keys_.front());
    keys_.pop_front();
    return key;
}

void PosixBackend::beep() {
    if (outTerminal_) writeAll(out_, bellBytes());
}

void PosixBackend::showError(const ScreenModel& screen, std::string_view message) {
    if (!outTerminal_) {
        writeAll(err_, "ERROR: " + plainMessage(message) + "\n");
        return;
    }
    wanted_ = withErrorBox(screen, message);
    draw();
    while (!dismissesErrorBox(nextKey())) {
    }
    wanted_ = screen;
    draw();
}

void PosixBackend::finish(const ScreenModel& screen, std::string_view reason) {
    if (finished_) return;
    finished_ = true;
    if (outTerminal_) {
        present(screen);
        writeAll(out_, exitBytes());
    } else {
        writeAll(out_, screenAsPlainText(screen));
    }
    restoreTerminal();
    if (!reason.empty()) writeAll(err_, std::string(reason) + "\n");
}

void PosixBackend::restoreTerminal() {
    if (rawActive != 0 && savedModesFd == in_) {
        tcsetattr(in_, TCSANOW, &savedModes);
        rawActive = 0;
    }
    if (exitBytesFd == out_) exitBytesFd = -1;
    uninstallHandlers();
    if (wakePipe[0] >= 0 && outTerminal_) {
        close(wakePipe[0]);
        close(wakePipe[1]);
        wakePipe[0] = wakePipe[1] = -1;
    }
}

}  // namespace auralith
