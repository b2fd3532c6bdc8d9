#include "wave/files/limited_child.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define AURALITH_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define AURALITH_ADDRESS_SANITIZER 1
#endif
#endif

namespace auralith {
namespace {

// The address space the process holds now: its mappings count against RLIMIT_AS, so the limit
// is set this far above them. Linux's /proc; 0 where it cannot be read.
std::uint64_t addressSpaceNow() {
    const int fd = ::open("/proc/self/statm", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    char text[64] = {};
    const ssize_t got = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (got <= 0) return 0;
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    return std::strtoull(text, nullptr, 10) * static_cast<std::uint64_t>(pageSize > 0 ? pageSize : 4096);
}

// Sets a limit, never above the hard limit the process already has (which it cannot raise).
void lowerLimit(int resource, rlim_t soft, rlim_t hard) {
    rlimit now{};
    if (::getrlimit(resource, &now) != 0) return;
    const rlimit wanted{std::min(soft, now.rlim_max), std::min(hard, now.rlim_max)};
    ::setrlimit(resource, &wanted);
}

[[noreturn]] void beChild(const std::function<int(int)>& work, const ChildLimits& limits, int answer) {
    // A crashing library's words ("stack smashing detected") are not the program's to show.
    const int quiet = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (quiet >= 0) ::dup2(quiet, STDERR_FILENO);
    // The program's own handlers (a hang-up waiting for a rename, a failed page of a mapping)
    // are for the program; the child ends as the signal ends it.
    for (const int s : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGXCPU, SIGPIPE, SIGHUP, SIGINT, SIGTERM})
        std::signal(s, SIG_DFL);
    lowerLimit(RLIMIT_CORE, 0, 0);
    const auto cpu = static_cast<rlim_t>(std::max(1, limits.cpuSeconds));
    // At the soft limit SIGXCPU, and a second later SIGKILL should the child catch or block it.
    lowerLimit(RLIMIT_CPU, cpu, cpu + 1);
    if (limits.memoryBytes != 0 && childMemoryIsLimited()) {
        const rlim_t space = addressSpaceNow() + limits.memoryBytes;
        lowerLimit(RLIMIT_AS, space, space);
    }
    const int status = work(answer);
    ::close(answer);
    ::_exit(status);
}

double secondsOf(const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; }

void classify(int status, const rusage& usage, const ChildLimits& limits, bool whole, ChildEnding& ending) {
    const double used = secondsOf(usage.ru_utime) + secondsOf(usage.ru_stime);
    if (WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        const bool timeUp = signal == SIGXCPU || (signal == SIGKILL && used >= limits.cpuSeconds);
        ending.kind = timeUp ? ChildEnding::Kind::outOfTime : ChildEnding::Kind::signalled;
        // A child still writing an answer refused here ends by the pipe this end closed.
        if (!whole && signal == SIGPIPE) ending.kind = ChildEnding::Kind::unreadable;
        ending.code = signal;
    } else if (WIFEXITED(status) && WEXITSTATUS(status) != 0) {
        ending.kind = ChildEnding::Kind::failed;
        ending.code = WEXITSTATUS(status);
    } else {
        ending.kind = whole ? ChildEnding::Kind::answered : ChildEnding::Kind::unreadable;
    }
}

}  // namespace

bool childMemoryIsLimited() {
#if defined(AURALITH_ADDRESS_SANITIZER)
    return false;
#else
    return true;
#endif
}

bool writeWhole(int fd, const void* data, std::size_t length) {
    const auto* at = static_cast<const unsigned char*>(data);
    while (length > 0) {
        const ssize_t put = ::write(fd, at, std::min<std::size_t>(length, std::size_t{1} << 30));
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        at += put;
        length -= static_cast<std::size_t>(put);
    }
    return true;
}

std::size_t readWhole(int fd, void* into, std::size_t length) {
    auto* at = static_cast<unsigned char*>(into);
    std::size_t got = 0;
    while (got < length) {
        const ssize_t piece = ::read(fd, at + got, std::min<std::size_t>(length - got, std::size_t{1} << 30));
        if (piece < 0 && errno == EINTR) continue;
        if (piece <= 0) break;
        got += static_cast<std::size_t>(piece);
    }
    return got;
}

ChildEnding runLimitedChild(const std::function<int(int answer)>& work, const std::function<bool(int answer)>& read,
                            const ChildLimits& limits) {
    ChildEnding ending;
    int ends[2] = {-1, -1};
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        ending.code = errno;
        return ending;
    }
    const pid_t child = ::fork();
    if (child < 0) {
        ending.code = errno;
        ::close(ends[0]);
        ::close(ends[1]);
        return ending;
    }
    if (child == 0) {
        ::close(ends[0]);
        beChild(work, limits, ends[1]);
    }
    ::close(ends[1]);
    const bool whole = read(ends[0]);
    ::close(ends[0]);
    int status = 0;
    rusage usage{};
    while (::wait4(child, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    classify(status, usage, limits, whole, ending);
    return ending;
}

}  // namespace auralith
