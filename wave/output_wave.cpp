// The stereo output file: the canonical 44-byte header, then the samples as they lie in memory.
#include "wave/output_wave.h"

#include <bit>
#include <cerrno>
#include <new>
#include <vector>

#include "wave/byte_order.h"
#include "wave/files/file_access.h"
#include "wave/wave_header.h"

namespace auralith {

WriteOutcome writeOutputWave(const std::string& fileName, std::int32_t frames, std::span<const std::int16_t> samples,
                             std::int32_t sampleRate, std::int16_t bitsPerSample, ReplaceMode mode) {
    // The header must describe exactly the samples that follow it.
    if (frames < 0 || samples.size() != 2 * static_cast<std::size_t>(frames)) return {EINVAL};

    const auto header =
        encodeWaveHeader(makeStereoHeader(static_cast<std::uint32_t>(frames), sampleRate, bitsPerSample));
    const std::uint64_t dataLength = stereoSampleBytes(frames);

    // On a little-endian host the samples already lie in memory as the file holds them.
    if constexpr (std::endian::native == std::endian::little) {
        return replaceFileContents(fileName, header.data(), header.size(), samples.data(), dataLength, mode);
    } else {
        std::vector<std::uint8_t> data;
        try {
            data.resize(static_cast<std::size_t>(dataLength));
        } catch (const std::bad_alloc&) {
            return {ENOMEM};
        }
        for (std::size_t i = 0; i < samples.size(); ++i)
            storeLittle16(data.data(), 2 * i, static_cast<std::uint16_t>(samples[i]));
        return replaceFileContents(fileName, header.data(), header.size(), data.data(), dataLength, mode);
    }
}

}  // namespace auralith
