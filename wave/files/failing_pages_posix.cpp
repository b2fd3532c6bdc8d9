// The SIGBUS handler for guarded output mappings, and the table of mappings it reads.
#include "wave/files/failing_pages.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <mutex>

#include <sys/mman.h>

namespace auralith {
namespace {

// A place of the table. The handler reads it with lock-free atomics only; the guarding and
// unguarding threads write it under `tableLock`.
enum State : int {
    unused,
    live,       // a mapping of the file, guarded
    replacing,  // a page failed; memory is being put in the mapping's place
    failed,     // memory stands in the mapping's place: the bytes are lost
    lost,       // a page failed and no memory could take the place: the fault ends the program
};

struct Guard {
    std::atomic<int> state{unused};
    std::atomic<std::uintptr_t> start{0};
    std::atomic<std::size_t> length{0};
};

static_assert(std::atomic<int>::is_always_lock_free && std::atomic<std::uintptr_t>::is_always_lock_free &&
                  std::atomic<std::size_t>::is_always_lock_free,
              "the signal handler may only use lock-free atomics");

// A few outputs at a time at most: one per job, and a program rendering several.
constexpr int guardCount = 16;
Guard guards[guardCount];

std::mutex tableLock;
int guardedCount = 0;             // under tableLock
struct sigaction previousAction;  // what SIGBUS did before this handler was installed

// Puts zeroed memory in the place of the whole mapping that holds `at`, once; true when the
// faulting access can be tried again. mmap is a plain system call on Linux, not on POSIX's list
// of async-signal-safe functions but free of locks and of state in user space; a fixed anonymous
// mapping replaces the file's pages atomically, so a second renderer thread faulting meanwhile
// either finds the memory in place or faults again until it is.
bool replaceFailingMapping(std::uintptr_t at) {
    for (Guard& guard : guards) {
        int state = guard.state.load(std::memory_order_acquire);
        if (state == unused) continue;
        const std::uintptr_t start = guard.start.load(std::memory_order_relaxed);
        if (at < start || at - start >= guard.length.load(std::memory_order_relaxed)) continue;
        if (state == live && guard.state.compare_exchange_strong(state, replacing, std::memory_order_acq_rel)) {
            void* const place = reinterpret_cast<void*>(start);
            const std::size_t length = guard.length.load(std::memory_order_relaxed);
            // No reserve: the memory is only used for the rest of a render that is thrown away.
            const void* put = ::mmap(place, length, PROT_READ | PROT_WRITE,
                                     MAP_FIXED | MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
            guard.state.store(put == place ? failed : lost, std::memory_order_release);
            return put == place;
        }
        return state != lost;  // replacing: another thread is at it; failed: memory is in place
    }
    return false;
}

// Leaves the signal to the handler that was there before, as if this one had never been: it is
// put back, and a fault recurs as soon as this handler returns, now with that handler, its own
// address and code (a terminal-restoring handler that ends the program, or the default action).
// A signal sent from outside does not recur, so it is sent again (it waits until this handler
// has returned); one the program ignored stays ignored, and this handler stays in place.
void passOn(int signal, const siginfo_t* info) {
    const bool sent = info == nullptr || info->si_code <= 0;
    if (sent && (previousAction.sa_flags & SA_SIGINFO) == 0 && previousAction.sa_handler == SIG_IGN) return;
    ::sigaction(signal, &previousAction, nullptr);
    if (sent) ::raise(signal);
}

// Async-signal-safe calls only, apart from mmap (see above): sigaction, raise.
void onBusError(int signal, siginfo_t* info, void*) {
    const int savedErrno = errno;
    const bool fault = info != nullptr && info->si_code > 0;
    if (!fault || !replaceFailingMapping(reinterpret_cast<std::uintptr_t>(info->si_addr))) passOn(signal, info);
    errno = savedErrno;
}

bool handlerInstalled() {
    struct sigaction current {};
    if (::sigaction(SIGBUS, nullptr, &current) != 0) return false;
    return (current.sa_flags & SA_SIGINFO) != 0 && current.sa_sigaction == onBusError;
}

// Installs the handler over whatever handles SIGBUS now (a handler that restores the terminal, a
// sanitizer's, the default), which it then passes every other bus error on to. Under tableLock.
bool installHandler() {
    if (handlerInstalled()) return true;
    struct sigaction ours {};
    ours.sa_sigaction = onBusError;
    sigemptyset(&ours.sa_mask);
    ours.sa_flags = SA_SIGINFO | SA_ONSTACK;
    return ::sigaction(SIGBUS, &ours, &previousAction) == 0;
}

// Puts the earlier handler back when no mapping is guarded any more, unless another has been
// installed since. Under tableLock.
void removeHandlerIfUnused() {
    if (guardedCount == 0 && handlerInstalled()) ::sigaction(SIGBUS, &previousAction, nullptr);
}

}  // namespace

int guardMapping(void* start, std::size_t length) {
    const std::lock_guard<std::mutex> lock(tableLock);
    if (!installHandler()) return -1;
    for (int index = 0; index < guardCount; ++index) {
        Guard& guard = guards[index];
        if (guard.state.load(std::memory_order_relaxed) != unused) continue;
        guard.start.store(reinterpret_cast<std::uintptr_t>(start), std::memory_order_relaxed);
        guard.length.store(length, std::memory_order_relaxed);
        guard.state.store(live, std::memory_order_release);
        ++guardedCount;
        return index;
    }
    removeHandlerIfUnused();
    return -1;
}

void unguardMapping(int guard) {
    if (guard < 0 || guard >= guardCount) return;
    const std::lock_guard<std::mutex> lock(tableLock);
    if (guards[guard].state.exchange(unused, std::memory_order_acq_rel) == unused) return;
    --guardedCount;
    removeHandlerIfUnused();
}

bool guardedMappingFailed(int guard) {
    if (guard < 0 || guard >= guardCount) return false;
    const int state = guards[guard].state.load(std::memory_order_acquire);
    return state == replacing || state == failed || state == lost;
}

bool liesInFailedMapping(const void* at) {
    const auto address = reinterpret_cast<std::uintptr_t>(at);
    const std::lock_guard<std::mutex> lock(tableLock);
    for (int index = 0; index < guardCount; ++index) {
        if (!guardedMappingFailed(index)) continue;
        const std::uintptr_t start = guards[index].start.load(std::memory_order_relaxed);
        if (address >= start && address - start < guards[index].length.load(std::memory_order_relaxed)) return true;
    }
    return false;
}

}  // namespace auralith
