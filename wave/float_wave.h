// A 32-bit floating-point WAVE file (WAVE_FORMAT_IEEE_FLOAT) written from samples in memory: an
// 18-byte format chunk, the fact chunk such files carry, then the samples. Its samples are not
// bound to full scale, which a response's taps need.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "wave/files/file_access.h"

namespace auralith {

// "RIFF" .. the data chunk's size: 12 + 26 (fmt) + 12 (fact) + 8 bytes.
inline constexpr std::size_t floatWaveHeaderSize = 58;

// The header of a file of `frames` frames of `channels` 32-bit floats at `sampleRate`.
struct FloatWaveShape {
    std::uint32_t frames = 0;
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
};

std::array<std::uint8_t, floatWaveHeaderSize> encodeFloatWaveHeader(const FloatWaveShape& shape);

// Writes the whole file: `samples` interleaved by frame, their count a multiple of `channels`.
// Refused (EINVAL), writing nothing, for no channels, a count that is not whole frames, or a file
// past 4 GiB; a failed write leaves neither a truncated file nor a damaged earlier one.
WriteOutcome writeFloatWave(const std::string& fileName, std::span<const float> samples, int channels,
                            std::int32_t sampleRate, ReplaceMode mode = ReplaceMode::followLinks);

}  // namespace auralith
