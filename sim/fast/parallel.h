// Splits one render into parts that run side by side. Each part computes exactly the samples and
// draws the serial order gives it, so the output is the same for any number of parts.
#pragma once

#include <algorithm>
#include <cstdint>
#include <system_error>
#include <thread>
#include <vector>

#include "sim/model/extended_math.h"

namespace auralith {

// How many parts a render of `work` steps is split into: one for small jobs, else one per core
// (`requested` > 0 overrides, for tests).
inline int partsFor(std::uint64_t work, int requested) {
    if (requested > 0) return requested;
    if (work < (std::uint64_t{1} << 18)) return 1;
    const unsigned cores = std::thread::hardware_concurrency();
    return static_cast<int>(std::clamp(cores, 1u, 16u));
}

// Runs part(k) for k = 0 .. parts-1, all but the first on threads of their own. A thread that
// cannot be started is run on this one instead.
template <typename Part>
void runParts(int parts, Part part) {
    std::vector<std::thread> threads;
    std::vector<int> leftOver;
    for (int k = 1; k < parts; ++k) {
        try {
            // A new thread's x87 control word is the system's default (53-bit significand on
            // Windows), not this thread's.
            threads.emplace_back(
                [part](int index) mutable {
                    useExtendedPrecision();
                    part(index);
                },
                k);
        } catch (const std::system_error&) {
            leftOver.push_back(k);
        }
    }
    part(0);
    for (int k : leftOver) part(k);
    for (auto& thread : threads) thread.join();
}

// The first step of part k when `total` steps are split into `parts` nearly equal runs.
inline std::uint64_t partStart(std::uint64_t total, int parts, int k) {
    return total / static_cast<std::uint64_t>(parts) * static_cast<std::uint64_t>(k) +
           std::min<std::uint64_t>(static_cast<std::uint64_t>(k), total % static_cast<std::uint64_t>(parts));
}

}  // namespace auralith
