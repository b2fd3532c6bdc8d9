// Recordings and renders made in memory for the simulation tests.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "sim/render.h"

namespace auralith::testing {

// A recording as the audio core takes it: its samples, at 44 100 Hz.
inline std::vector<std::int16_t> recordingOf(std::vector<std::int16_t> samples) { return samples; }

// One whole job's render with a fresh generator, as the program does it (`options` may ask for a
// vector width).
inline StereoBuffer renderFresh(MicArray choice, std::span<const std::int16_t> samples,
                                const RenderOptions& options = {}) {
    RandomState random;
    auto out = renderStereo(choice, samples, 44100, measureGuardGain(samples), random, options);
    return out ? std::move(*out) : StereoBuffer{};
}

inline std::int16_t leftAt(const StereoBuffer& b, std::int64_t frame) {
    return b.samples[static_cast<std::size_t>(2 * frame)];
}
inline std::int16_t rightAt(const StereoBuffer& b, std::int64_t frame) {
    return b.samples[static_cast<std::size_t>(2 * frame + 1)];
}

}  // namespace auralith::testing
