// The players' recordings as a stage's render takes them: a block at a time, so that what holds
// them (memory, or their files read again) is the caller's. Every recording is n samples long,
// silent outside them.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>

namespace auralith {

struct StageTracks {
    std::size_t count = 0;  // recordings
    std::int64_t n = 0;     // samples each
    // Samples [from, from + count) of recording s, within [0, n), into `into`; false when they
    // cannot be had (the caller keeps why). Called from several threads at once.
    std::function<bool(std::size_t s, std::int64_t from, std::int64_t count, std::int16_t* into)> read;
};

// Recordings held in memory, all of one length; the spans must outlive the tracks.
StageTracks heldTracks(std::span<const std::span<const std::int16_t>> x);

// Samples [from, from + size) of recording s, zero outside [0, n), as doubles into `real`, through
// `samples` (size of them); false when they cannot be had.
bool trackBlock(const StageTracks& tracks, std::size_t s, std::int64_t from, std::int64_t size, std::int16_t* samples,
                double* real);

// One guard gain for the mix: 1, unless the recordings at their levels, added sample by sample,
// reach 32767 or -32768; then what brings that sum's peak to 32766, as the guard gain brings a
// single recording's (so that a stage of one source has its recording's). Read a block at a
// time; nothing when a block cannot be had.
std::optional<double> stageGuardGain(const StageTracks& tracks, std::span<const double> levels);

}  // namespace auralith
