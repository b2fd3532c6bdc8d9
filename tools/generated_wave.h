// What the generators of examples/ share: their noise from a small fixed generator, not the
// system's, so that they make the same files on every run, and the header of a mono 16-bit file.
#pragma once

#include <cstddef>
#include <cstdint>

#include "wave/wave_header.h"

struct FixedNoise {
    std::uint32_t state = 12345u;
    double next() {
        state = state * 1664525u + 1013904223u;
        return static_cast<double>(state >> 8) / 8388608.0 - 1.0;  // [-1, 1)
    }
};

// The header of a mono 16-bit PCM file at `rate` whose data is `dataBytes` long.
inline auralith::WaveHeader monoWaveHeader(int rate, std::size_t dataBytes) {
    auralith::WaveHeader header;
    header.channels = 1;
    header.sampleRate = static_cast<std::uint32_t>(rate);
    header.bitsPerSample = 16;
    header.blockAlign = 2;
    header.byteRate = static_cast<std::uint32_t>(2 * rate);
    header.dataSize = static_cast<std::uint32_t>(dataBytes);
    header.riffChunkSize = header.dataSize + 36;
    return header;
}
