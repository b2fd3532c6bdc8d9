// A per-microphone work track of the arrays whose microphones stand apart: one entry per output
// frame plus a margin, each microphone's sound shifted by its own whole-frame delay.
#pragma once

#include <cstdint>
#include <new>
#include <optional>
#include <span>
#include <vector>

namespace auralith {

template <typename Value>
struct MicTrack {
    std::vector<Value> entries;  // all zero at creation
};

// A track of indices 0 .. F + margin, or of exactly F entries when there is no margin; empty
// when the memory cannot be had.
template <typename Value>
std::optional<MicTrack<Value>> createMicTrack(std::int32_t frames, std::int32_t margin) {
    const std::size_t entries =
        static_cast<std::size_t>(frames) + static_cast<std::size_t>(margin) + (margin > 0 ? 1 : 0);
    try {
        MicTrack<Value> track;
        track.entries.assign(entries, Value{});
        return track;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

// Copies frames 0 .. F-1 of the two sample tracks into the output's 2F samples, left first.
// Entries from F on are not copied.
inline void interleaveTracks(const MicTrack<std::int16_t>& left, const MicTrack<std::int16_t>& right,
                             std::span<std::int16_t> out) {
    const std::size_t frames = out.size() / 2;
    for (std::size_t k = 0; k < frames; ++k) {
        out[2 * k] = left.entries[k];
        out[2 * k + 1] = right.entries[k];
    }
}

}  // namespace auralith
