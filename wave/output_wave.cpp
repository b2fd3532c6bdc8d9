// The stereo output file: the canonical 44-byte header, then the samples as they lie in memory.
#include "wave/output_wave.h"

#include <bit>
#include <cstring>
#include <new>
#include <vector>

#include "sim/frame.h"
#include "wave/byte_order.h"
#include "wave/file_access.h"

namespace auralith {
namespace {

constexpr std::uint16_t stereoChannels = 2;
constexpr std::uint32_t headerBytesAfterRiffSize = 36;  // "WAVE" + the 24-byte fmt chunk + "data" + size
constexpr std::size_t bytesPerFrame = 4;                 // two 16-bit samples, left first

// The sample bytes of `frames` frames (not negative).
std::uint64_t sampleBytes(std::int32_t frames) {
    return std::uint64_t{bytesPerFrame} * static_cast<std::uint64_t>(frames);
}

}  // namespace

WaveHeader makeStereoHeader(std::uint32_t frames, std::int32_t sampleRate, std::int16_t bitsPerSample) {
    WaveHeader header;
    header.channels = stereoChannels;
    header.sampleRate = static_cast<std::uint32_t>(sampleRate);
    header.bitsPerSample = static_cast<std::uint16_t>(bitsPerSample);
    header.blockAlign = static_cast<std::uint16_t>(stereoChannels * header.bitsPerSample / 8);
    header.byteRate = std::uint32_t{header.blockAlign} * header.sampleRate;
    header.dataSize = std::uint32_t{header.blockAlign} * frames;
    header.riffChunkSize = header.dataSize + headerBytesAfterRiffSize;
    return header;
}

std::array<std::uint8_t, waveHeaderSize> encodeWaveHeader(const WaveHeader& header) {
    std::array<std::uint8_t, waveHeaderSize> bytes{};
    std::uint8_t* out = bytes.data();
    storeTag(out, 0, "RIFF");                        // 0: RIFF chunk tag
    storeLittle32(out, 4, header.riffChunkSize);     // 4: everything after this field
    storeTag(out, 8, "WAVE");                        // 8: form type
    storeTag(out, 12, "fmt ");                       // 12: format chunk tag, trailing blank included
    storeLittle32(out, 16, header.formatChunkSize);  // 16: 16 bytes of format fields follow
    storeLittle16(out, 20, header.formatCode);       // 20: 1 = PCM
    storeLittle16(out, 22, header.channels);         // 22
    storeLittle32(out, 24, header.sampleRate);       // 24
    storeLittle32(out, 28, header.byteRate);         // 28
    storeLittle16(out, 32, header.blockAlign);       // 32: bytes per frame
    storeLittle16(out, 34, header.bitsPerSample);    // 34
    storeTag(out, 36, "data");                       // 36: data chunk tag
    storeLittle32(out, 40, header.dataSize);         // 40: sample bytes from offset 44 on
    return bytes;
}

bool writeOutputWave(const std::string& fileName, const StereoBuffer& buffer, std::int32_t sampleRate,
                     std::int16_t bitsPerSample) {
    // The header must describe exactly the samples that follow it.
    if (buffer.frames < 0 || buffer.samples.size() != 2 * static_cast<std::size_t>(buffer.frames)) return false;

    const auto header = encodeWaveHeader(makeStereoHeader(static_cast<std::uint32_t>(buffer.frames), sampleRate,
                                                          bitsPerSample));
    const std::uint64_t dataLength = sampleBytes(buffer.frames);

    // On a little-endian host the buffer already lies in memory as the file holds it.
    if constexpr (std::endian::native == std::endian::little) {
        return replaceFileContents(fileName, header.data(), header.size(), buffer.samples.data(), dataLength);
    } else {
        std::vector<std::uint8_t> data;
        try {
            data.resize(static_cast<std::size_t>(dataLength));
        } catch (const std::bad_alloc&) {
            return false;
        }
        for (std::size_t i = 0; i < buffer.samples.size(); ++i)
            storeLittle16(data.data(), 2 * i, static_cast<std::uint16_t>(buffer.samples[i]));
        return replaceFileContents(fileName, header.data(), header.size(), data.data(), dataLength);
    }
}

std::optional<OutputInPlace> prepareOutputWave(const std::string& fileName, std::int32_t frames,
                                               std::int32_t sampleRate, std::int16_t bitsPerSample) {
    // The samples lie in the file exactly as in memory only on a little-endian host.
    if constexpr (std::endian::native != std::endian::little) return std::nullopt;
    if (frames < 0) return std::nullopt;
    std::unique_ptr<MappedReplacement> mapped = mapReplacement(fileName, waveHeaderSize + sampleBytes(frames));
    if (!mapped) return std::nullopt;

    const auto header = encodeWaveHeader(makeStereoHeader(static_cast<std::uint32_t>(frames), sampleRate,
                                                          bitsPerSample));
    unsigned char* bytes = mapped->bytes();
    std::memcpy(bytes, header.data(), header.size());
    try {
        OutputInPlace out;
        out.file = std::move(mapped);
        out.buffer.frames = frames;
        // Offset 44 keeps every sample on a 2-byte boundary, and every frame on a 4-byte one.
        out.buffer.samples = SampleStorage::lent(reinterpret_cast<std::int16_t*>(bytes + waveHeaderSize),
                                                 2 * static_cast<std::size_t>(frames), out.file);
        return out;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

}  // namespace auralith
