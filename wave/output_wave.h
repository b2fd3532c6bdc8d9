// The stereo output file written from samples in memory: the canonical header, then the samples.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "wave/files/file_access.h"

namespace auralith {

// Writes the whole file: the header of a file of `frames` frames, then `samples`, its 2 * frames
// 16-bit samples interleaved by frame, left first. True only when every byte reached the file;
// false (EINVAL), writing nothing, when the samples are not 2 * frames. A failed write leaves
// neither a truncated file under the name nor a damaged earlier file of that name.
WriteOutcome writeOutputWave(const std::string& fileName, std::int32_t frames, std::span<const std::int16_t> samples,
                             std::int32_t sampleRate, std::int16_t bitsPerSample,
                             ReplaceMode mode = ReplaceMode::followLinks);

}  // namespace auralith
