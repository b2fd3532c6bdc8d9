// The stereo header: sizes worked out from the frame count, fields stored little-endian at their
// offsets.
#include "wave/wave_header.h"

#include "wave/byte_order.h"

namespace auralith {
namespace {

constexpr std::uint16_t stereoChannels = 2;
constexpr std::uint32_t headerBytesAfterRiffSize = 36;  // "WAVE" + the 24-byte fmt chunk + "data" + size

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

}  // namespace auralith
