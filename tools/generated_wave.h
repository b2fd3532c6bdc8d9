// The generators of examples/ make the same files on every run: their noise comes from this
// small fixed generator, not from the system's.
#pragma once

#include <cstdint>

struct FixedNoise {
    std::uint32_t state = 12345u;
    double next() {
        state = state * 1664525u + 1013904223u;
        return static_cast<double>(state >> 8) / 8388608.0 - 1.0;  // [-1, 1)
    }
};
