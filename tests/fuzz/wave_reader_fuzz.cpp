// Arbitrary bytes as the input recording: the header step and the sample load, nothing else
// (the renders have a target of their own). Each result is checked against what the bytes
// themselves say, so a wrong field or sample fails as loudly as a crash.
// The walk of the chunks is restated here on the bytes, apart from the reader's own.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <variant>

#include "wave/input_wave.h"

namespace {

using namespace auralith;

void require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "wave_reader_fuzz: %s\n", what);
    std::abort();
}

// The recording lives in an unnamed file in memory that the reader opens by its /proc name like
// any other file: no disk in the way, and nothing left behind when a run ends in a crash.
struct Recording {
    int fd = -1;
    std::string name;
};

const Recording& recording() {
    static const Recording file = [] {
        Recording made;
        made.fd = ::memfd_create("auralith-fuzz-recording", MFD_CLOEXEC);
        require(made.fd >= 0, "no file in memory");
        made.name = "/proc/self/fd/" + std::to_string(made.fd);
        return made;
    }();
    return file;
}

void writeRecording(const std::uint8_t* data, std::size_t size) {
    const Recording& file = recording();
    require(::ftruncate(file.fd, 0) == 0, "cannot empty the recording");
    require(size == 0 || ::pwrite(file.fd, data, size, 0) == static_cast<ssize_t>(size), "cannot write the recording");
}

std::uint8_t byteAt(const std::uint8_t* data, std::size_t size, std::size_t at) {
    return at < size ? data[at] : 0;  // bytes past the end read as 0
}

std::int32_t fieldAt(const std::uint8_t* data, std::size_t size, std::size_t at, int bytes) {
    std::uint32_t value = 0;
    for (int k = bytes - 1; k >= 0; --k) value = (value << 8) | byteAt(data, size, at + static_cast<std::size_t>(k));
    return bytes == 2 ? static_cast<std::int16_t>(value) : static_cast<std::int32_t>(value);
}

// Where the header's fields come from: a well-formed file's format and data chunks, else the
// fixed offsets of the canonical layout (format chunk body at 20, data size at 40, samples at 44).
struct Layout {
    std::size_t formatAt = 20;
    std::size_t dataSizeAt = 40;
    std::size_t dataAt = 44;
    bool pcm = true;
};

bool tagIs(const std::uint8_t* data, std::size_t size, std::size_t at, const char* tag) {
    for (std::size_t i = 0; i < 4; ++i)
        if (at + i >= size || data[at + i] != static_cast<std::uint8_t>(tag[i])) return false;
    return true;
}

// The chunk walk restated on the bytes: printable tags, even padding, the first "fmt " of at least
// 16 bytes and the first "data", at most 65536 chunks.
Layout layoutOf(const std::uint8_t* data, std::size_t size) {
    if (!tagIs(data, size, 0, "RIFF") || !tagIs(data, size, 8, "WAVE")) return {};
    std::optional<std::size_t> format, dataSize;
    std::uint32_t formatSize = 0;
    std::uint64_t at = 12;
    for (int k = 0; k < 65536 && !(format && dataSize) && at + 8 <= size; ++k) {
        const bool printable = std::all_of(data + at, data + at + 4, [](std::uint8_t c) { return c >= 32 && c < 127; });
        if (!printable) break;
        const auto chunkSize = static_cast<std::uint32_t>(fieldAt(data, size, at + 4, 4));
        if (!format && tagIs(data, size, at, "fmt ")) {
            if (chunkSize < 16 || at + 8 + std::min<std::uint32_t>(chunkSize, 40) > size) break;
            format = at + 8;
            formatSize = chunkSize;
        } else if (!dataSize && tagIs(data, size, at, "data")) {
            dataSize = at + 4;
        }
        at += 8 + std::uint64_t{chunkSize} + (chunkSize & 1);
    }
    if (!format || !dataSize) return {};
    const auto code = static_cast<std::uint16_t>(fieldAt(data, size, *format, 2));
    static const std::uint8_t pcmGuid[16] = {1, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
    const bool extensiblePcm =
        code == 0xFFFE && formatSize >= 40 && std::equal(pcmGuid, pcmGuid + 16, data + *format + 24);
    return {*format, *dataSize, *dataSize + 4, code == 1 || extensiblePcm};
}

// What the header step must answer for these bytes, worked out with integers only.
std::variant<std::int32_t, InputRefusal> expectedHeader(const std::uint8_t* data, std::size_t size,
                                                        const Layout& layout) {
    if (fieldAt(data, size, layout.formatAt + 2, 2) != 1) return InputRefusal::notMono;
    if (fieldAt(data, size, layout.formatAt + 14, 2) != 16 || !layout.pcm) return InputRefusal::not16Bit;
    if (fieldAt(data, size, layout.formatAt + 4, 4) != 44100) return InputRefusal::wrongSampleRate;
    const std::int32_t dataSize = fieldAt(data, size, layout.dataSizeAt, 4);
    if (dataSize < 0) return InputRefusal::tooLong;
    // dataSize / 2 to the nearest whole number, ties to even.
    std::int64_t count = dataSize / 2;
    if (dataSize % 2 != 0 && count % 2 != 0) ++count;
    if (count > longestSampleCount) return InputRefusal::tooLong;
    return static_cast<std::int32_t>(count);
}

// The load is checked on the samples the file holds and a few past its end, which must read as
// zero: a header announcing 82 million samples would otherwise make every run slow.
std::int32_t samplesToLoad(std::int32_t announced, std::size_t size, std::size_t dataAt) {
    const std::size_t held = size > dataAt ? (size - dataAt + 1) / 2 : 0;
    return static_cast<std::int32_t>(std::min<std::size_t>(static_cast<std::size_t>(announced), held + 3));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    writeRecording(data, size);
    auto result = readInputHeader(recording().name);
    const Layout layout = layoutOf(data, size);
    const auto expected = expectedHeader(data, size, layout);

    if (const auto* refusal = std::get_if<InputRefusal>(&result)) {
        require(std::holds_alternative<InputRefusal>(expected), "a good header was refused");
        require(*refusal == std::get<InputRefusal>(expected), "the wrong refusal");
        require(!refusalText(*refusal).empty(), "a refusal without its text");
        return 0;
    }
    require(std::holds_alternative<std::int32_t>(expected), "a bad header was accepted");
    InputWave wave = std::move(std::get<InputWave>(result));
    require(wave.fileName == recording().name, "the name is not kept as given");
    require(wave.sampleCount == std::get<std::int32_t>(expected), "wrong sample count");
    require(wave.channels == 1 && wave.bitsPerSample == 16 && wave.sampleRate == 44100, "wrong fields");
    require(wave.dataSize == fieldAt(data, size, layout.dataSizeAt, 4), "wrong data size");
    require(wave.dataAt == layout.dataAt, "the samples are looked for in the wrong place");
    require(wave.duration == static_cast<double>(wave.sampleCount) / 44100.0, "wrong duration");
    require(wave.samples.empty(), "the header step loaded samples");

    wave.sampleCount = samplesToLoad(wave.sampleCount, size, layout.dataAt);
    require(loadInputSamples(wave), "a small load found no memory");
    require(wave.samples.size() == static_cast<std::size_t>(wave.sampleCount), "wrong number of samples");
    for (std::size_t i = 0; i < wave.samples.size(); ++i) {
        const auto low = byteAt(data, size, layout.dataAt + 2 * i);
        const auto high = byteAt(data, size, layout.dataAt + 2 * i + 1);
        require(wave.samples[i] == static_cast<std::int16_t>(low | (high << 8)), "a sample differs from the file");
    }
    return 0;
}
