// The canonical 44-byte RIFF/WAVE header of a PCM file: what the writer produces, and the layout
// the input reader takes for granted.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace auralith {

// Every field as written at its offset.
struct WaveHeader {
    std::uint32_t riffChunkSize = 0;     // offset 4: data size + 36
    std::uint32_t formatChunkSize = 16;  // offset 16
    std::uint16_t formatCode = 1;        // offset 20: PCM
    std::uint16_t channels = 2;          // offset 22
    std::uint32_t sampleRate = 0;        // offset 24
    std::uint32_t byteRate = 0;          // offset 28: block align * sample rate
    std::uint16_t blockAlign = 0;        // offset 32: channels * bits / 8
    std::uint16_t bitsPerSample = 0;     // offset 34
    std::uint32_t dataSize = 0;          // offset 40: block align * frames
};

inline constexpr std::size_t waveHeaderSize = 44;

// The header of a stereo file of `frames` frames.
WaveHeader makeStereoHeader(std::uint32_t frames, std::int32_t sampleRate, std::int16_t bitsPerSample);

// The 44 bytes of the header, little-endian, tags included.
std::array<std::uint8_t, waveHeaderSize> encodeWaveHeader(const WaveHeader& header);

// The sample bytes of a stereo 16-bit file of `frames` frames (not negative): two samples a frame.
inline std::uint64_t stereoSampleBytes(std::int32_t frames) {
    return std::uint64_t{4} * static_cast<std::uint64_t>(frames);
}

}  // namespace auralith
