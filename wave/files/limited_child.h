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
    std::uint64_t largestAnswer = 0;  // bytes the caller takes at most (0: no bound)
};

// False in a build whose address space cannot be limited (AddressSanitizer's).
bool childMemoryIsLimited();

struct ChildEnding {
    enum class Kind {
        answered,    // exited with status 0; `answer` holds all it wrote
        notStarted,  // no pipe or no process could be had: `code` is the errno value
        outOfTime,   // stopped by the processor-time limit
        signalled,   // ended by signal `code`
        failed,      // exited with status `code`, not 0
        tooLarge,    // wrote more than largestAnswer bytes, or more than the memory here holds
    } kind = Kind::notStarted;
    int code = 0;
    std::vector<unsigned char> answer;
};

// Runs `work` in a child (fork, no exec) under `limits`, its standard error sent to /dev/null.
// `work` writes its answer to the descriptor it is given and returns the child's exit status;
// the child then ends with _exit, running no handler of the program's. Its answer is read here
// while it is written, so an answer of any size cannot block the child.
ChildEnding runLimitedChild(const std::function<int(int answer)>& work, const ChildLimits& limits);

// Writes all of `length` bytes to `fd`, after short writes and interruptions; false on an error.
bool writeWhole(int fd, const void* data, std::size_t length);

}  // namespace auralith
