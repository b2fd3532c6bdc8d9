// The mono input recording: header check and sample load.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace auralith {

// The accepted recording. The header step fills everything but `samples`; the load fills those.
struct InputWave {
    std::string fileName;  // exactly as typed (UTF-8)
    std::int16_t channels = 0;
    std::int32_t sampleRate = 0;
    std::int16_t bitsPerSample = 0;
    std::int32_t dataSize = 0;  // as the header states it
    std::int32_t sampleCount = 0;
    std::uint64_t dataAt = 44;  // where sample 0 lies: the data chunk's body, or offset 44
    double duration = 0.0;      // seconds
    std::vector<std::int16_t> samples;
};

enum class InputRefusal {
    fileNotFound,
    notMono,
    not16Bit,
    wrongSampleRate,
    tooLong,
};

// The longest recording at `rate` whose output still has a RIFF chunk size that fits in 32 bits:
// 36 + 4 * (13 * (rate + n) + rate) <= 4294967295.
constexpr std::int32_t longestSampleCountAt(std::int32_t rate) {
    return static_cast<std::int32_t>(((std::int64_t{0xFFFFFFFF} - 36) / 4 - 14 * std::int64_t{rate}) / 13);
}
inline constexpr std::int32_t longestSampleCount = longestSampleCountAt(44100);
static_assert(longestSampleCount == 82548031);

// The text the user is shown for a refusal. The "\n" in the first is two characters.
std::string_view refusalText(InputRefusal refusal);

// Opens the named file, reads the four header fields and checks them. A well-formed RIFF/WAVE
// file gives them from its format chunk and its data chunk, wherever they lie (and is refused as
// not 16-bit unless it is integer PCM); any other file is read at the fixed offsets of the
// canonical 44-byte layout, whose tags and format code are not looked at.
std::variant<InputWave, InputRefusal> readInputHeader(const std::string& fileName);

// Fills wave.samples from wave.dataAt on; missing bytes read as 0, a vanished file as silence.
// Returns false only when the memory for the samples cannot be had.
bool loadInputSamples(InputWave& wave);

}  // namespace auralith
