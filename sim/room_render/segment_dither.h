// One segment's part of the room's render: its values before the dither, computed frame by frame
// as the model computes them, and their dither from the segment's own draws on, in two ways that
// give the same samples: one value at a time in extended precision (any plan), or, for a stereo
// plan, batches in double precision with the exact conversion kept for values near a tie.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "sim/model/random.h"
#include "sim/room_render/recording_transforms.h"
#include "sim/room_render/room_sweep.h"

namespace auralith {

// The frames a segment reaches, against the output.
struct Stretch {
    std::int64_t first = 0;
    std::int64_t end = 0;
};

// What one segment's part renders: the frames it dithers (a folded plan: each channel's frames
// from its tap's delay + lead to delay + n + tail; a held plan: every frame from the end of the
// previous segment's stretch to the end of its own, the last one's to the output's end) and the
// draws of the serial order they start at.
struct SegmentWork {
    Stretch stretch;
    std::int64_t from = 0;
    std::int64_t end = 0;
    std::uint64_t firstDraw = 0;
    std::uint64_t draws = 0;
};

struct Renderer {
    const RoomSweep& sweep;
    const RecordingSpectra& spectra;
    std::span<const std::int16_t> x;
    double g;  // the guard gain times the room's
    const RandomState& random;
    std::span<std::int16_t> out;
    double peak;  // the recording's largest size
    int width;    // conversions side by side for a stereo plan (2 or 4), or 1: one value at a time
};

// Each channel's reflections convolved with the recording, the first at its response's first
// frame; empty for a channel without any.
using SegmentWet = std::vector<std::vector<double>>;

// A folded channel's value at sample i of the segment (its frame: start + delay + i).
long double foldedValue(const Renderer& r, std::size_t p, const SegmentWet& wet, std::size_t c, std::int64_t i);

// Each microphone's held track at a frame of the segment's stretch, as doubles.
void heldTracks(const Renderer& r, const PlanSegment& s, std::int64_t frame, std::span<double> tracks);

// A held channel's value at a frame of the segment's stretch: the long double mix of the tracks.
long double heldValue(const Renderer& r, std::size_t p, std::span<const double> tracks, const SegmentWet& wet,
                      std::size_t c, std::int64_t frame);

// One value at a time: the folded mix channel after channel for each sample of the segment and
// its reverberation, the held one every frame of the part's territory.
void ditherFolded(const Renderer& r, const SegmentWork& w, std::size_t p, const SegmentWet& wet, RandomState& random,
                  std::int64_t& clipped);
void ditherHeld(const Renderer& r, const SegmentWork& w, std::size_t p, const SegmentWet& wet, RandomState& random,
                std::int64_t& clipped);

// Whether the segment's direct sound stays small enough for its double-precision values to stand
// for the model's (stereo_dither.cpp).
bool stereoBatchesHold(const Renderer& r, std::size_t p);

// The same samples and clipped count for a stereo plan, in batches from generator state s.
void ditherFoldedStereo(const Renderer& r, const SegmentWork& w, std::size_t p, const SegmentWet& wet, std::uint32_t s,
                        std::int64_t& clipped);
void ditherHeldStereo(const Renderer& r, const SegmentWork& w, std::size_t p, const SegmentWet& wet, std::uint32_t s,
                      std::int64_t& clipped);

}  // namespace auralith
