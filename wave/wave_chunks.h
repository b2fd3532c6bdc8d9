// The chunks of a RIFF/WAVE file: where its format chunk and its data chunk lie. Other writers
// put more than the canonical two chunks in a file (ffmpeg a LIST chunk before the data, broadcast
// WAVE files a bext chunk, WAVE_FORMAT_EXTENSIBLE a 40-byte format chunk), so the fields are read
// where the chunks say they are whenever the file is well formed.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "wave/files/file_access.h"

namespace auralith {

// The first 40 bytes of the format chunk's body (fewer when the chunk is shorter, the rest 0),
// and the data chunk's size as its header states it and where its body begins.
struct WaveChunks {
    std::array<std::uint8_t, 40> format{};
    std::uint32_t formatLength = 0;  // the format chunk's own size
    std::uint32_t dataSize = 0;
    std::uint64_t dataAt = 0;
};

// The format chunk's fields, by offset from the start of its body.
inline constexpr std::size_t formatCodeAt = 0;        // 2 bytes: 1 PCM, 0xFFFE extensible
inline constexpr std::size_t formatChannelsAt = 2;    // 2 bytes, signed
inline constexpr std::size_t formatRateAt = 4;        // 4 bytes, signed
inline constexpr std::size_t formatBitsAt = 14;       // 2 bytes, signed: the container's bits
inline constexpr std::size_t formatSubformatAt = 24;  // 16 bytes: the extensible format's GUID

// The chunks of a well-formed file: "RIFF", a size, "WAVE", then chunks each with a printable
// four-letter tag and a size, each padded to an even length, among them a format chunk of at
// least 16 bytes and a data chunk (the first of each counts). The data chunk may run past the end
// of the file, as may whatever follows once both are found. Empty when the file is not so.
std::optional<WaveChunks> findWaveChunks(ReadableFile& file);

// Whether the format chunk describes integer PCM: format 1, or the extensible format with the PCM
// subformat.
bool isPcmFormat(const WaveChunks& chunks);

}  // namespace auralith
