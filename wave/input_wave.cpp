// The mono input recording: the header step and the sample load.
#include "wave/input_wave.h"

#include <array>
#include <bit>
#include <cmath>
#include <new>

#include "wave/byte_order.h"
#include "wave/files/file_access.h"

namespace auralith {
namespace {

// The reader takes the canonical 44-byte layout for granted and never looks at the tags.
constexpr std::size_t headerLength = 44;
constexpr std::size_t channelsAt = 22;       // 2 bytes, signed
constexpr std::size_t sampleRateAt = 24;     // 4 bytes, signed
constexpr std::size_t bitsPerSampleAt = 34;  // 2 bytes, signed
constexpr std::size_t dataSizeAt = 40;       // 4 bytes, signed
constexpr std::size_t samplesAt = 44;        // sample i at 44 + 2 * i, low byte first

constexpr std::int32_t acceptedRate = 44100;
constexpr std::int16_t acceptedBits = 16;

}  // namespace

std::string_view refusalText(InputRefusal refusal) {
    switch (refusal) {
        case InputRefusal::fileNotFound:
            // Twelve blanks first; the line break is a backslash and an n, handed on as they stand.
            return "            File not found.\\n Please enter a valid filename  ";
        case InputRefusal::notMono: return "This is not a mono Wave file  ";
        case InputRefusal::not16Bit: return "This is not a 16-bit Wave file  ";
        case InputRefusal::wrongSampleRate: return "The sampling rate of the input file must be 44.1kHz  ";
        case InputRefusal::tooLong: return "The input file is too long for this program  ";
    }
    return {};
}

std::variant<InputWave, InputRefusal> readInputHeader(const std::string& fileName) {
    std::array<std::uint8_t, headerLength> header{};  // bytes past the end of the file read as 0
    {
        const auto file = openForReading(fileName);
        if (!file) return InputRefusal::fileNotFound;
        file->readAt(0, header.data(), header.size());
    }  // closed here, before any check

    InputWave wave;
    wave.fileName = fileName;
    wave.channels = loadLittleSigned16(header.data(), channelsAt);
    wave.sampleRate = loadLittleSigned32(header.data(), sampleRateAt);
    wave.bitsPerSample = loadLittleSigned16(header.data(), bitsPerSampleAt);
    wave.dataSize = loadLittleSigned32(header.data(), dataSizeAt);

    // The count from the header alone: data size * 8 / (bits * channels) to the nearest whole
    // number, ties to even (std::rint in the default rounding mode), in extended precision.
    // A zero divisor only comes with a file that the checks below refuse.
    const std::int32_t bitsPerFrame = std::int32_t{wave.bitsPerSample} * wave.channels;
    const long double count =
        bitsPerFrame == 0 ? 0.0L : std::rint(static_cast<long double>(wave.dataSize) * 8 / bitsPerFrame);

    if (wave.channels != 1) return InputRefusal::notMono;
    if (wave.bitsPerSample != acceptedBits) return InputRefusal::not16Bit;
    if (wave.sampleRate != acceptedRate) return InputRefusal::wrongSampleRate;
    // A negative size, or more samples than the output's 32-bit RIFF size can describe.
    if (wave.dataSize < 0 || count > longestSampleCount) return InputRefusal::tooLong;

    wave.sampleCount = static_cast<std::int32_t>(count);
    wave.duration = static_cast<double>(wave.sampleCount) / static_cast<double>(wave.sampleRate);
    return wave;
}

bool loadInputSamples(InputWave& wave) {
    const auto count = static_cast<std::size_t>(wave.sampleCount);
    try {
        wave.samples.assign(count, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (count == 0) return true;  // an empty recording: nothing to read

    // A file gone since the header step leaves the recording silent.
    const auto file = openForReading(wave.fileName);
    if (!file) return true;

    // One read straight into the array. Bytes past the end of the file stay 0; a lone trailing
    // byte lands as the low byte of its sample on a little-endian host.
    file->readAt(samplesAt, wave.samples.data(), count * 2);

    if constexpr (std::endian::native == std::endian::big) {
        for (auto& sample : wave.samples) {
            const auto bits = static_cast<std::uint16_t>(sample);
            sample = static_cast<std::int16_t>(static_cast<std::uint16_t>((bits >> 8) | (bits << 8)));
        }
    }
    return true;
}

}  // namespace auralith
