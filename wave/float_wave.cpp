// The floating-point file: every field stored little-endian at its offset, each sample's IEEE 754
// bits stored the same way, so that the file is the same on every host.
#include "wave/float_wave.h"

#include <bit>
#include <cerrno>
#include <limits>
#include <new>
#include <vector>

#include "wave/byte_order.h"

namespace auralith {

namespace {

constexpr std::uint16_t ieeeFloat = 3;  // WAVE_FORMAT_IEEE_FLOAT
constexpr std::uint16_t floatBits = 32;

}  // namespace

std::array<std::uint8_t, floatWaveHeaderSize> encodeFloatWaveHeader(const FloatWaveShape& shape) {
    const std::uint32_t blockAlign = std::uint32_t{shape.channels} * (floatBits / 8);
    const std::uint32_t dataSize = blockAlign * shape.frames;
    std::array<std::uint8_t, floatWaveHeaderSize> bytes{};
    std::uint8_t* out = bytes.data();
    storeTag(out, 0, "RIFF");                                        // 0: RIFF chunk tag
    storeLittle32(out, 4, dataSize + floatWaveHeaderSize - 8);       // 4: everything after this field
    storeTag(out, 8, "WAVE");                                        // 8: form type
    storeTag(out, 12, "fmt ");                                       // 12: format chunk tag
    storeLittle32(out, 16, 18);                                      // 16: 18 bytes of format fields
    storeLittle16(out, 20, ieeeFloat);                               // 20: 3 = IEEE float
    storeLittle16(out, 22, shape.channels);                          // 22
    storeLittle32(out, 24, shape.sampleRate);                        // 24
    storeLittle32(out, 28, blockAlign * shape.sampleRate);           // 28: bytes a second
    storeLittle16(out, 32, static_cast<std::uint16_t>(blockAlign));  // 32: bytes per frame
    storeLittle16(out, 34, floatBits);                               // 34
    storeLittle16(out, 36, 0);                                       // 36: no extension follows
    storeTag(out, 38, "fact");                                       // 38: fact chunk tag
    storeLittle32(out, 42, 4);                                       // 42: 4 bytes follow
    storeLittle32(out, 46, shape.frames);                            // 46: frames (per channel)
    storeTag(out, 50, "data");                                       // 50: data chunk tag
    storeLittle32(out, 54, dataSize);                                // 54: sample bytes from 58 on
    return bytes;
}

WriteOutcome writeFloatWave(const std::string& fileName, std::span<const float> samples, int channels,
                            std::int32_t sampleRate, ReplaceMode mode) {
    static_assert(std::numeric_limits<float>::is_iec559 && sizeof(float) == 4);
    constexpr std::uint64_t largest = std::numeric_limits<std::uint32_t>::max() - floatWaveHeaderSize;
    if (channels <= 0 || channels > std::numeric_limits<std::uint16_t>::max() || sampleRate <= 0 ||
        samples.size() % static_cast<std::size_t>(channels) != 0 || 4 * std::uint64_t{samples.size()} > largest)
        return {EINVAL};
    const auto frames = static_cast<std::uint32_t>(samples.size() / static_cast<std::size_t>(channels));
    const auto header =
        encodeFloatWaveHeader({frames, static_cast<std::uint16_t>(channels), static_cast<std::uint32_t>(sampleRate)});
    std::vector<std::uint8_t> data;
    try {
        data.resize(4 * samples.size());
    } catch (const std::bad_alloc&) {
        return {ENOMEM};
    }
    for (std::size_t i = 0; i < samples.size(); ++i)
        storeLittle32(data.data(), 4 * i, std::bit_cast<std::uint32_t>(samples[i]));
    return replaceFileContents(fileName, header.data(), header.size(), data.data(), data.size(), mode);
}

}  // namespace auralith
