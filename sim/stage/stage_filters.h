// The sound of every source of a stage in a room in one convolution per channel: each source's
// response, with its direct sound as impulses at its taps, is moved to where its sound starts and
// scaled by its gain, so that the channel is the sum over the sources of each recording convolved
// with its own filter, summed before the inverse transform (FFTW's overlap-save). A block of
// frames then takes one forward transform per source and one inverse per channel, whatever the
// number of sources, and no pass over the taps of its own. The direct sound then carries the
// transforms' rounding, as the reflections do (some 1e-10 of a step); where nothing rings there
// are no filters and the direct sound is summed tap by tap in extended precision, exactly.
#pragma once

#include <complex>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "sim/room/room_transforms.h"
#include "sim/room_render/room_sweep.h"
#include "sim/stage/stage_tracks.h"

namespace auralith {

struct StageFilters {
    std::int64_t origin = 0;                     // the output frame of the convolutions' first value
    std::int64_t span = 0;                       // M: the moved responses' length
    std::int64_t length = 0;                     // frames the reflections reach from the origin: n + M - 1
    std::int64_t step = 0;                       // L = N - M + 1: the frames each block gives
    std::unique_ptr<RoomTransforms> transforms;  // of size N
    // [channel][source]: the moved response's transform, with the direct sound, times the
    // source's gain over N; null for a source not heard in that channel.
    std::vector<std::vector<RoomBuffer<std::complex<double>>>> filters;
    bool rings() const { return transforms != nullptr; }
};

// The filters of a stage whose sources' recordings are n samples long, each at gain `gains[s]`,
// into `f`: its transforms and buffers are kept where they take the stage (the transforms at
// least twice its responses' length, or all its outputs in one block), so that the renders of several arrays make them
// once, for on this machine first touching fresh memory costs as much as the transforms. No transforms where nothing
// rings; false when the memory cannot be had. Made before any thread starts (planning is not thread-safe).
bool fillStageFilters(StageFilters& f, const RoomSweep& stage, std::span<const double> gains, std::int64_t n);

// The same into filters of their own; nothing when the memory cannot be had.
std::optional<StageFilters> stageFilters(const RoomSweep& stage, std::span<const double> gains, std::int64_t n);

// One thread's buffers for the blocks: a block of one source at a time, each channel's sum, and
// each channel's reflections as given out.
struct StageScratch {
    std::int64_t size = 0;  // the transforms' they were made for
    RoomBuffer<double> real;
    RoomBuffer<std::complex<double>> input;
    std::vector<RoomBuffer<std::complex<double>>> products;  // per channel
    std::vector<std::vector<double>> wet;                    // per channel
    std::vector<std::int16_t> samples;                       // a block of one recording
};
std::optional<StageScratch> stageScratch(const StageFilters& filters);

// Whether the scratch was made for these filters' transforms.
bool scratchFits(const StageScratch& scratch, const StageFilters& filters);

// The reflections of every channel at output frames [first, first + count), count at most the
// step, into wet[c] (a channel each where anything rings, each resized to count; zero outside
// the reflections' reach); false when the recordings' samples cannot be had.
bool stageReflections(const StageFilters& filters, const StageTracks& x, std::int64_t first, std::int64_t count,
                      StageScratch& scratch, std::vector<std::vector<double>>& wet);

}  // namespace auralith
