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
    double duration = 0.0;  // seconds
    std::vector<std::int16_t> samples;
};

enum class InputRefusal {
    fileNotFound,
    notMono,
    not16Bit,
    wrongSampleRate,
    tooLong,
};

// The longest recording whose output still has a RIFF chunk size that fits in 32 bits:
// 36 + 4 * (13 * (44100 + n) + 44100) <= 4294967295.
inline constexpr std::int32_t longestSampleCount = 82548031;

// The text the user is shown for a refusal. The "\n" in the first is two characters.
std::string_view refusalText(InputRefusal refusal);

// Opens the named file, reads the four header fields at their fixed offsets and checks them.
std::variant<InputWave, InputRefusal> readInputHeader(const std::string& fileName);

// Fills wave.samples from offset 44 on; missing bytes read as 0, a vanished file as silence.
// Returns false only when the memory for the samples cannot be had.
bool loadInputSamples(InputWave& wave);

}  // namespace auralith
