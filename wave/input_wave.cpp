// The mono input recording: the header step and the sample load.
#include "wave/input_wave.h"

#include <array>
#include <bit>
#include <cmath>
#include <new>
#include <optional>

#include "wave/byte_order.h"
#include "wave/files/file_access.h"
#include "wave/wave_chunks.h"

namespace auralith {
namespace {

// A file that is not well-formed RIFF/WAVE is read at the fixed offsets of the canonical 44-byte
// layout, whatever its tags and format code say.
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
        case InputRefusal::tooLong:
            // The limit the output's 32-bit RIFF size sets: longestSampleCount, 31.2 minutes.
            return "The input file is too long: at most 82548031 samples (31 minutes)  ";
    }
    return {};
}

namespace {

// The header fields as read, before any check, and whether the file's format is integer PCM.
struct HeaderFields {
    InputWave wave;
    bool pcm = true;
};

HeaderFields fieldsAtFixedOffsets(const std::array<std::uint8_t, headerLength>& header) {
    HeaderFields fields;
    fields.wave.channels = loadLittleSigned16(header.data(), channelsAt);
    fields.wave.sampleRate = loadLittleSigned32(header.data(), sampleRateAt);
    fields.wave.bitsPerSample = loadLittleSigned16(header.data(), bitsPerSampleAt);
    fields.wave.dataSize = loadLittleSigned32(header.data(), dataSizeAt);
    fields.wave.dataAt = samplesAt;
    return fields;
}

HeaderFields fieldsOfChunks(const WaveChunks& chunks) {
    HeaderFields fields;
    fields.wave.channels = loadLittleSigned16(chunks.format.data(), formatChannelsAt);
    fields.wave.sampleRate = loadLittleSigned32(chunks.format.data(), formatRateAt);
    fields.wave.bitsPerSample = loadLittleSigned16(chunks.format.data(), formatBitsAt);
    fields.wave.dataSize = static_cast<std::int32_t>(chunks.dataSize);  // as signed as the fixed field
    fields.wave.dataAt = chunks.dataAt;
    fields.pcm = isPcmFormat(chunks);
    return fields;
}

// The fields from the chunks where the file is well formed, else from the fixed offsets. The file
// is closed when this returns, before any check.
std::optional<HeaderFields> readHeaderFields(const std::string& fileName) {
    const auto file = openForReading(fileName);
    if (!file) return std::nullopt;
    if (const std::optional<WaveChunks> chunks = findWaveChunks(*file)) return fieldsOfChunks(*chunks);
    std::array<std::uint8_t, headerLength> header{};  // bytes past the end of the file read as 0
    file->readAt(0, header.data(), header.size());
    return fieldsAtFixedOffsets(header);
}

}  // namespace

std::variant<InputWave, InputRefusal> readInputHeader(const std::string& fileName) {
    std::optional<HeaderFields> fields = readHeaderFields(fileName);
    if (!fields) return InputRefusal::fileNotFound;
    InputWave wave = std::move(fields->wave);
    wave.fileName = fileName;

    // The count from the header alone: data size * 8 / (bits * channels) to the nearest whole
    // number, ties to even (std::rint in the default rounding mode), in extended precision.
    // A zero divisor only comes with a file that the checks below refuse.
    const std::int32_t bitsPerFrame = std::int32_t{wave.bitsPerSample} * wave.channels;
    const long double count =
        bitsPerFrame == 0 ? 0.0L : std::rint(static_cast<long double>(wave.dataSize) * 8 / bitsPerFrame);

    if (wave.channels != 1) return InputRefusal::notMono;
    if (wave.bitsPerSample != acceptedBits || !fields->pcm) return InputRefusal::not16Bit;
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
    file->readAt(wave.dataAt, wave.samples.data(), count * 2);

    if constexpr (std::endian::native == std::endian::big) {
        for (auto& sample : wave.samples) {
            const auto bits = static_cast<std::uint16_t>(sample);
            sample = static_cast<std::int16_t>(static_cast<std::uint16_t>((bits >> 8) | (bits << 8)));
        }
    }
    return true;
}

}  // namespace auralith
