#include "wave/output_in_place.h"

#include <bit>
#include <cerrno>
#include <cstring>
#include <utility>

#include "wave/files/file_access.h"
#include "wave/wave_header.h"

namespace auralith {

OutputInPlace::OutputInPlace(std::unique_ptr<MappedReplacement> file, std::int32_t frames)
    : file_(std::move(file)), frames_(frames) {}

OutputInPlace::OutputInPlace(OutputInPlace&& other) noexcept = default;
OutputInPlace& OutputInPlace::operator=(OutputInPlace&& other) noexcept = default;
OutputInPlace::~OutputInPlace() = default;

std::optional<OutputInPlace> OutputInPlace::create(const std::string& fileName, std::int32_t frames,
                                                   std::int32_t sampleRate, std::int16_t bitsPerSample,
                                                   ReplaceMode mode) {
    // The samples lie in the file exactly as in memory only on a little-endian host.
    if constexpr (std::endian::native != std::endian::little) return std::nullopt;
    if (frames < 0) return std::nullopt;
    std::unique_ptr<MappedReplacement> file =
        mapReplacement(fileName, waveHeaderSize + stereoSampleBytes(frames), mode);
    if (!file) return std::nullopt;
    const auto header =
        encodeWaveHeader(makeStereoHeader(static_cast<std::uint32_t>(frames), sampleRate, bitsPerSample));
    std::memcpy(file->bytes(), header.data(), header.size());
    return OutputInPlace(std::move(file), frames);
}

std::span<std::int16_t> OutputInPlace::samples() {
    // Offset 44 keeps every sample on a 2-byte boundary, and every frame on a 4-byte one.
    return {reinterpret_cast<std::int16_t*>(file_->bytes() + waveHeaderSize), 2 * static_cast<std::size_t>(frames_)};
}

std::span<const std::int16_t> OutputInPlace::samples() const { return const_cast<OutputInPlace*>(this)->samples(); }

bool OutputInPlace::failed() const { return file_ && file_->failed(); }

WriteOutcome OutputInPlace::commit() { return file_->commit(); }

int OutputInPlace::writeFrames(std::int64_t first, std::span<const std::int16_t> samples) {
    // The samples lie in the file as in memory: OutputInPlace exists on little-endian hosts only.
    if (first < 0) return EINVAL;
    return file_->writeAt(waveHeaderSize + 4 * static_cast<std::uint64_t>(first), samples.data(), 2 * samples.size());
}

}  // namespace auralith
