#include "job/posix/terminal_restore.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <iterator>

#include <unistd.h>

namespace auralith {

namespace {

termios savedModes;  // the terminal's modes before raw mode
int savedModesFd = -1;
volatile std::sig_atomic_t rawActive = 0;  // raw mode is on and must be undone
int exitBytesFd = -1;                      // a terminal output to leave tidy, or -1
char exitSequence[64];
std::size_t exitSequenceLength = 0;

// Every signal whose default action ends the program and that may come while it waits for a
// key or works: sent from outside (a hang-up, kill, an interrupt or quit), or raised by a fault
// of the program's own (a bus error, a bad memory access, an arithmetic fault, an illegal
// instruction, an abort).
constexpr int endingSignals[] = {SIGHUP, SIGTERM, SIGINT, SIGQUIT, SIGBUS, SIGSEGV, SIGFPE, SIGILL, SIGABRT};
struct sigaction previousActions[std::size(endingSignals)];
bool handlersInstalled = false;

// Async-signal-safe calls only: tcsetattr, write, raise.
void onEndingSignal(int signal) {
    const int savedErrno = errno;
    if (rawActive != 0) tcsetattr(savedModesFd, TCSANOW, &savedModes);
    if (exitBytesFd >= 0 && write(exitBytesFd, exitSequence, exitSequenceLength) < 0) {
        // nothing more can be done for a terminal that is gone
    }
    // SA_RESETHAND has put back the default action: once this handler returns, the signal
    // raised here ends the program as it would have (a fault would also recur and do so).
    raise(signal);
    errno = savedErrno;
}

}  // namespace

void rememberModes(int fd, const termios& saved) {
    savedModes = saved;
    savedModesFd = fd;
    rawActive = 1;
}

void restoreModes(int fd) {
    if (rawActive == 0 || savedModesFd != fd) return;
    tcsetattr(fd, TCSANOW, &savedModes);
    rawActive = 0;
}

void rememberExitBytes(int fd, std::string_view bytes) {
    exitSequenceLength = std::min(bytes.size(), sizeof exitSequence);
    std::memcpy(exitSequence, bytes.data(), exitSequenceLength);
    exitBytesFd = fd;
}

bool exitBytesPending(int fd) { return fd >= 0 && exitBytesFd == fd; }

void forgetExitBytes(int fd) {
    if (exitBytesFd == fd) exitBytesFd = -1;
}

void installRestoringHandlers() {
    if (handlersInstalled) return;
    struct sigaction ending {};
    ending.sa_handler = onEndingSignal;
    sigemptyset(&ending.sa_mask);
    ending.sa_flags = SA_RESETHAND;
    for (std::size_t i = 0; i < std::size(endingSignals); ++i) {
        sigaction(endingSignals[i], nullptr, &previousActions[i]);
        if (previousActions[i].sa_handler != SIG_IGN) sigaction(endingSignals[i], &ending, nullptr);
    }
    handlersInstalled = true;
}

void removeRestoringHandlers() {
    if (!handlersInstalled) return;
    for (std::size_t i = 0; i < std::size(endingSignals); ++i)
        sigaction(endingSignals[i], &previousActions[i], nullptr);
    handlersInstalled = false;
}

}  // namespace auralith
