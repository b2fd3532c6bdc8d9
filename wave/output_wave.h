// The stereo output file: the canonical 44-byte header and the sample data.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "sim/frame.h"

namespace auralith {

class MappedReplacement;

// The canonical RIFF/WAVE header of a PCM file; every field as written at its offset.
struct WaveHeader {
    std::uint32_t riffChunkSize = 0;   // offset 4: data size + 36
    std::uint32_t formatChunkSize = 16;  // offset 16
    std::uint16_t formatCode = 1;      // offset 20: PCM
    std::uint16_t channels = 2;        // offset 22
    std::uint32_t sampleRate = 0;      // offset 24
    std::uint32_t byteRate = 0;        // offset 28: block align * sample rate
    std::uint16_t blockAlign = 0;      // offset 32: channels * bits / 8
    std::uint16_t bitsPerSample = 0;   // offset 34
    std::uint32_t dataSize = 0;        // offset 40: block align * frames
};

inline constexpr std::size_t waveHeaderSize = 44;

// The header of a stereo file of `frames` frames.
WaveHeader makeStereoHeader(std::uint32_t frames, std::int32_t sampleRate, std::int16_t bitsPerSample);

// The 44 bytes of the header, little-endian, tags included.
std::array<std::uint8_t, waveHeaderSize> encodeWaveHeader(const WaveHeader& header);

// Writes the whole file. Returns true only when every byte reached the file. A failed write
// leaves neither a truncated file under the name nor a damaged earlier file of that name.
bool writeOutputWave(const std::string& fileName, const StereoBuffer& buffer,
                     std::int32_t sampleRate, std::int16_t bitsPerSample);

// The output file built where it will lie (see mapReplacement): the header already in place and
// the samples lent to the render as `buffer`, zero, which keeps the mapping alive. The render
// fills the file's own pages, so that no copy of the samples is made and written afterwards;
// `file->commit()` then puts the file under its name.
struct OutputInPlace {
    StereoBuffer buffer;
    std::shared_ptr<MappedReplacement> file;
};

// Empty when the file cannot be built in place (a device or FIFO, a refused name, a file system
// that cannot reserve or map it, a big-endian host); the buffer is then made in memory and
// written with writeOutputWave, which gives the same file.
std::optional<OutputInPlace> prepareOutputWave(const std::string& fileName, std::int32_t frames,
                                               std::int32_t sampleRate, std::int16_t bitsPerSample);

}  // namespace auralith
