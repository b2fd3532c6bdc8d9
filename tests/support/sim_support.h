// Recordings and renders made in memory for the simulation tests.
#pragma once

#include <cstdint>
#include <vector>

#include "sim/frame.h"
#include "wave/input_wave.h"

namespace auralith::testing {

inline InputWave recordingOf(std::vector<std::int16_t> samples) {
    InputWave wave;
    wave.channels = 1;
    wave.sampleRate = 44100;
    wave.bitsPerSample = 16;
    wave.sampleCount = static_cast<std::int32_t>(samples.size());
    wave.dataSize = wave.sampleCount * 2;
    wave.duration = wave.sampleCount / 44100.0;
    wave.samples = std::move(samples);
    return wave;
}

// One whole job's render with a fresh generator, as the program does it.
inline StereoBuffer renderFresh(MicArray choice, const InputWave& wave) {
    RandomState random;
    auto out = renderStereo(choice, wave, wave.sampleRate, measureGuardGain(wave), random);
    return out ? std::move(*out) : StereoBuffer{};
}

inline std::int16_t leftAt(const StereoBuffer& b, std::int64_t frame) { return b.samples[static_cast<std::size_t>(2 * frame)]; }
inline std::int16_t rightAt(const StereoBuffer& b, std::int64_t frame) { return b.samples[static_cast<std::size_t>(2 * frame + 1)]; }

}  // namespace auralith::testing
