// Arbitrary bytes as the input recording: the header step, the sample load, and for an accepted
// header a short prefix rendered through one of the arrays. Each result is checked against what the
// bytes themselves say, so a wrong field or sample fails as loudly as a crash.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <span>
#include <string>
#include <system_error>
#include <variant>

#include <unistd.h>

#include "sim/render.h"
#include "wave/input_wave.h"
#include "wave/wave_header.h"

namespace {

using namespace auralith;

// The load is checked on at most this many samples: the file holds a few kilobytes, so a larger
// count only adds zeros, and a header announcing 82 million samples would make each run slow.
constexpr std::int32_t loadCap = 1 << 16;
// The render of n samples makes 13 * (44100 + n) + 44100 frames; a few hundred keep runs short.
constexpr std::int32_t renderCap = 300;

void require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "wave_reader_fuzz: %s\n", what);
    std::abort();
}

// One scratch folder per fuzzing process, removed at exit.
const std::string& recordingPath() {
    static const std::string path = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "auralith-fuzz-XXXXXX").string();
        require(::mkdtemp(pattern.data()) != nullptr, "no scratch folder");
        static const std::string folder = pattern;
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(folder, ignored);
        });
        return pattern + "/take.wav";
    }();
    return path;
}

std::uint8_t byteAt(const std::uint8_t* data, std::size_t size, std::size_t at) {
    return at < size ? data[at] : 0;  // bytes past the end read as 0
}

std::int32_t fieldAt(const std::uint8_t* data, std::size_t size, std::size_t at, int bytes) {
    std::uint32_t value = 0;
    for (int k = bytes - 1; k >= 0; --k) value = (value << 8) | byteAt(data, size, at + static_cast<std::size_t>(k));
    return bytes == 2 ? static_cast<std::int16_t>(value) : static_cast<std::int32_t>(value);
}

// What the header step must answer for these bytes, worked out with integers only.
std::variant<std::int32_t, InputRefusal> expectedHeader(const std::uint8_t* data, std::size_t size) {
    if (fieldAt(data, size, 22, 2) != 1) return InputRefusal::notMono;
    if (fieldAt(data, size, 34, 2) != 16) return InputRefusal::not16Bit;
    if (fieldAt(data, size, 24, 4) != 44100) return InputRefusal::wrongSampleRate;
    const std::int32_t dataSize = fieldAt(data, size, 40, 4);
    if (dataSize < 0) return InputRefusal::tooLong;
    // dataSize / 2 to the nearest whole number, ties to even.
    std::int64_t count = dataSize / 2;
    if (dataSize % 2 != 0 && count % 2 != 0) ++count;
    if (count > longestSampleCount) return InputRefusal::tooLong;
    return static_cast<std::int32_t>(count);
}

void writeRecording(const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(recordingPath().c_str(), "wb");
    require(file != nullptr, "cannot create the recording");
    require(size == 0 || std::fwrite(data, 1, size, file) == size, "cannot write the recording");
    require(std::fclose(file) == 0, "cannot close the recording");
}

// The reader never looks at bytes 0 to 21 (the tags and the RIFF size), so the RIFF size's low
// byte can pick the array without changing what is read: each input renders through one array,
// which keeps a run to a few milliseconds, and coverage feedback leads the fuzzer to all six.
MicArray arrayFor(const std::uint8_t* data, std::size_t size) {
    return static_cast<MicArray>(1 + byteAt(data, size, 4) % 6);
}

void renderPrefix(const InputWave& loaded, MicArray choice) {
    const std::span<const std::int16_t> prefix(loaded.samples.data(),
                                               std::min(loaded.samples.size(), static_cast<std::size_t>(renderCap)));
    const double gain = measureGuardGain(prefix);
    require(gain > 0.0 && gain <= 1.0, "guard gain out of range");
    RandomState random;
    const auto buffer = renderStereo(choice, prefix, loaded.sampleRate, gain, random);
    require(buffer.has_value(), "a short render found no memory");
    const std::int64_t frames = outputFrameCount(loaded.sampleRate, static_cast<std::int32_t>(prefix.size()));
    require(buffer->frames == frames, "wrong frame count");
    require(buffer->samples.size() == 2 * static_cast<std::size_t>(frames), "wrong buffer size");
    const auto header = encodeWaveHeader(makeStereoHeader(static_cast<std::uint32_t>(frames), 44100, 16));
    require(header[0] == 'R' && header[8] == 'W', "header tags");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    writeRecording(data, size);
    auto result = readInputHeader(recordingPath());
    const auto expected = expectedHeader(data, size);

    if (const auto* refusal = std::get_if<InputRefusal>(&result)) {
        require(std::holds_alternative<InputRefusal>(expected), "a good header was refused");
        require(*refusal == std::get<InputRefusal>(expected), "the wrong refusal");
        return 0;
    }
    require(std::holds_alternative<std::int32_t>(expected), "a bad header was accepted");
    InputWave wave = std::move(std::get<InputWave>(result));
    require(wave.sampleCount == std::get<std::int32_t>(expected), "wrong sample count");
    require(wave.channels == 1 && wave.bitsPerSample == 16 && wave.sampleRate == 44100, "wrong fields");
    require(wave.duration == static_cast<double>(wave.sampleCount) / 44100.0, "wrong duration");

    wave.sampleCount = std::min(wave.sampleCount, loadCap);
    require(loadInputSamples(wave), "a small load found no memory");
    require(wave.samples.size() == static_cast<std::size_t>(wave.sampleCount), "wrong number of samples");
    for (std::size_t i = 0; i < wave.samples.size(); ++i) {
        const auto low = byteAt(data, size, 44 + 2 * i);
        const auto high = byteAt(data, size, 45 + 2 * i);
        require(wave.samples[i] == static_cast<std::int16_t>(low | (high << 8)), "a sample differs from the file");
    }
    renderPrefix(wave, arrayFor(data, size));
    return 0;
}
