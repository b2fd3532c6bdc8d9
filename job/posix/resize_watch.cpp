#include "job/posix/resize_watch.h"

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace auralith {

namespace {

int wakePipe[2] = {-1, -1};
volatile std::sig_atomic_t resized = 0;
struct sigaction previousAction;
bool watching = false;

void onResize(int) {
    const int savedErrno = errno;
    resized = 1;
    const char byte = 'r';
    if (wakePipe[1] >= 0 && write(wakePipe[1], &byte, 1) < 0) {
        // the pipe is full: a wake-up is already waiting
    }
    errno = savedErrno;
}

}  // namespace

void startResizeWatch() {
    if (watching) return;
    if (pipe(wakePipe) == 0) {
        for (int fd : wakePipe) {
            fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
            fcntl(fd, F_SETFD, FD_CLOEXEC);
        }
    }
    struct sigaction resize {};
    resize.sa_handler = onResize;
    sigemptyset(&resize.sa_mask);
    resize.sa_flags = SA_RESTART;
    sigaction(SIGWINCH, &resize, &previousAction);
    watching = true;
}

void stopResizeWatch() {
    if (!watching) return;
    sigaction(SIGWINCH, &previousAction, nullptr);
    if (wakePipe[0] >= 0) {
        close(wakePipe[0]);
        close(wakePipe[1]);
        wakePipe[0] = wakePipe[1] = -1;
    }
    watching = false;
}

int resizeWakeFd() { return wakePipe[0]; }

void drainResizeWakes() {
    char drain[64];
    while (wakePipe[0] >= 0 && read(wakePipe[0], drain, sizeof drain) > 0) {
    }
}

bool resizePending() { return resized != 0; }

bool takeResize() {
    if (resized == 0) return false;
    resized = 0;
    return true;
}

}  // namespace auralith
