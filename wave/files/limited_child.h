// Work on untrusted input in a child process under limits: a library that crashes, loops or
// grows without end on a damaged file then ends the child, not the program, and the caller is
// told which. The child hands its answer back as bytes through a pipe. POSIX only.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace auralith {

struct ChildLimits {
    int cpuSeconds = 60;  // processor time, after which the system stops the child
    // Address space the child may take beyond what it starts with (0: no limit). The sanitizers
    // reserve terabytes of address space, so their builds leave this out (childMemoryIsLimited).
    std::uint64_t memoryBytes = 0;
};

// False in a build whose address space cannot be limited (AddressSanitizer's).
bool childMemoryIsLimited();

struct ChildEnding {
    enum class Kind {
        answered,    // exited with status 0, and its answer was read whole
        unreadable,  // the answer could not be read: the reader refused it, and the child ended
                     // with status 0 or by the closed pipe
        notStarted,  // no pipe or no process could be had: `code` is the errno value
        outOfTime,   // stopped by the processor-time limit
        signalled,   // ended by signal `code`
        failed,      // exited with status `code`, not 0
    } kind = Kind::notStarted;
    int code = 0;
};

// Runs `work` in a child (fork, no exec) under `limits`, its standard error sent to /dev/null.
// `work` writes its answer to the descriptor it is given and returns the child's exit status;
// the child then ends with _exit, running no handler of the program's. `read` takes the answer
// from the other end here while it is written (so an answer of any size cannot block the
// child), straight into the caller's own memory; false when it is not a whole answer.
ChildEnding runLimitedChild(const std::function<int(int answer)>& work, const std::function<bool(int answer)>& read,
                            const ChildLimits& limits);

// Writes all of `length` bytes to `fd`, after short writes and interruptions; false on an error.
bool writeWhole(int fd, const void* data, std::size_t length);

// Reads up to `length` bytes from `fd`, after short reads and interruptions, until the end of
// the input: how many were read.
std::size_t readWhole(int fd, void* into, std::size_t length);

}  // namespace auralith
