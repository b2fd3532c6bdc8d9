// The input reader: header fields at fixed offsets, the refusal order, the sample count and the
// sample load, including files that end early or change between the two steps.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>
#include <variant>
#include <vector>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "support/test_support.h"
#include "wave/input_wave.h"

namespace {

// The largest single allocation the program asks for, so that a test can show that a step
// allocated nothing sizeable. Counting only; the memory comes from malloc as usual.
std::atomic<std::size_t> largestAllocation{0};

}  // namespace

void* operator new(std::size_t size) {
    std::size_t seen = largestAllocation.load(std::memory_order_relaxed);
    while (size > seen && !largestAllocation.compare_exchange_weak(seen, size, std::memory_order_relaxed)) {
    }
    if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
    throw std::bad_alloc();
}
// GCC pairs the inlined free with a call of operator new and warns, though this new is malloc.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

namespace auralith {
namespace {

using testing::monoWaveBytes;
using testing::readBytes;
using testing::ScratchDir;
using testing::writeBytes;

void put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// A canonical header alone, with the data size field set to whatever the test needs.
std::vector<std::uint8_t> headerWithDataSize(std::uint32_t dataSize, std::int16_t channels = 1,
                                             std::int32_t rate = 44100, std::int16_t bits = 16) {
    auto bytes = monoWaveBytes({}, channels, rate, bits);
    put32(bytes, 40, dataSize);
    return bytes;
}

InputWave accepted(const std::variant<InputWave, InputRefusal>& result) {
    EXPECT_TRUE(std::holds_alternative<InputWave>(result));
    return std::holds_alternative<InputWave>(result) ? std::get<InputWave>(result) : InputWave{};
}

InputRefusal refused(const std::variant<InputWave, InputRefusal>& result) {
    EXPECT_TRUE(std::holds_alternative<InputRefusal>(result));
    return std::holds_alternative<InputRefusal>(result) ? std::get<InputRefusal>(result) : InputRefusal::fileNotFound;
}

// --- Refusal texts -------------------------------------------------------------------------

TEST(RefusalText, IsExactlyTheTextShownToTheUser) {
    EXPECT_EQ(refusalText(InputRefusal::fileNotFound),
              std::string(12, ' ') + "File not found." + '\\' + 'n' + " Please enter a valid filename  ");
    EXPECT_EQ(refusalText(InputRefusal::notMono), "This is not a mono Wave file  ");
    EXPECT_EQ(refusalText(InputRefusal::not16Bit), "This is not a 16-bit Wave file  ");
    EXPECT_EQ(refusalText(InputRefusal::wrongSampleRate), "The sampling rate of the input file must be 44.1kHz  ");
    EXPECT_EQ(refusalText(InputRefusal::tooLong),
              "The input file is too long: at most 82548031 samples (31 minutes)  ");
}

TEST(RefusalText, FileNotFoundHoldsABackslashAndAnNotALineBreak) {
    const auto text = refusalText(InputRefusal::fileNotFound);
    EXPECT_EQ(text.size(), 61u);
    EXPECT_EQ(text.find('\n'), std::string_view::npos);
    EXPECT_EQ(text.find_first_not_of(' '), 12u);
}

// --- Header fields and the sample count ------------------------------------------------------

TEST(InputHeader, OneSecondRecording) {
    ScratchDir dir;
    const auto name = dir.file("second.wav");
    writeBytes(name, headerWithDataSize(88200));
    const auto wave = accepted(readInputHeader(name));
    EXPECT_EQ(wave.fileName, name);
    EXPECT_EQ(wave.channels, 1);
    EXPECT_EQ(wave.sampleRate, 44100);
    EXPECT_EQ(wave.bitsPerSample, 16);
    EXPECT_EQ(wave.dataSize, 88200);
    EXPECT_EQ(wave.sampleCount, 44100);
    EXPECT_EQ(wave.duration, 1.0);
    EXPECT_TRUE(wave.samples.empty());
}

TEST(InputHeader, DurationIsCountOverRate) {
    ScratchDir dir;
    const auto name = dir.file("short.wav");
    writeBytes(name, headerWithDataSize(2 * 1000));
    EXPECT_EQ(accepted(readInputHeader(name)).duration, 1000.0 / 44100.0);
}

struct CountCase {
    std::uint32_t dataSize;
    std::int32_t count;
};

class OddDataSize : public ::testing::TestWithParam<CountCase> {};

// An odd size 2k + 1 gives the even one of k and k + 1.
TEST_P(OddDataSize, RoundsHalfSamplesToEven) {
    ScratchDir dir;
    const auto name = dir.file("odd.wav");
    writeBytes(name, headerWithDataSize(GetParam().dataSize));
    const auto wave = accepted(readInputHeader(name));
    EXPECT_EQ(wave.sampleCount, GetParam().count);
    EXPECT_EQ(wave.duration, GetParam().count / 44100.0);
}

INSTANTIATE_TEST_SUITE_P(InputHeader, OddDataSize,
                         ::testing::Values(CountCase{0, 0}, CountCase{1, 0}, CountCase{2, 1}, CountCase{3, 2},
                                           CountCase{5, 2}, CountCase{7, 4}, CountCase{9, 4}, CountCase{11, 6}));

TEST(InputHeader, EmptyRecordingIsAcceptedAndLoadsNothing) {
    ScratchDir dir;
    for (std::uint32_t dataSize : {0u, 1u}) {
        const auto name = dir.file("empty" + std::to_string(dataSize) + ".wav");
        auto bytes = headerWithDataSize(dataSize);
        bytes.push_back(0x7f);  // a stray byte that the count does not cover
        writeBytes(name, bytes);
        auto wave = accepted(readInputHeader(name));
        EXPECT_EQ(wave.sampleCount, 0);
        EXPECT_EQ(wave.duration, 0.0);
        EXPECT_TRUE(loadInputSamples(wave));
        EXPECT_TRUE(wave.samples.empty());
    }
}

TEST(InputHeader, TagsAndFormatCodeAreNotLookedAt) {
    ScratchDir dir;
    const auto name = dir.file("odd-tags.wav");
    auto bytes = monoWaveBytes({100, -100});
    for (std::size_t at : {0u, 8u, 12u, 36u})
        for (std::size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>('x');
    bytes[20] = 3;     // format code: floating point
    bytes[4] = 0xff;   // RIFF chunk size, nonsense
    bytes[16] = 0x55;  // format chunk size, nonsense
    bytes[28] = 0;     // byte rate
    bytes[32] = 9;     // block align
    writeBytes(name, bytes);
    auto wave = accepted(readInputHeader(name));
    EXPECT_EQ(wave.sampleCount, 2);
    ASSERT_TRUE(loadInputSamples(wave));
    EXPECT_EQ(wave.samples, (std::vector<std::int16_t>{100, -100}));
}

// --- Files of other chunk layouts ----------------------------------------------------------

using testing::extensibleFormatBody;
using testing::pcmFormatBody;
using testing::RiffChunk;
using testing::riffWaveBytes;
using testing::sampleBytes;

const std::vector<std::int16_t> chunkedSamples = {100, -100, 32767, -32768, 7};

struct ChunkLayout {
    const char* name;
    std::vector<RiffChunk> chunks;
};

RiffChunk formatChunk(std::size_t extra = 0) { return {"fmt ", pcmFormatBody(1, 44100, 16, extra)}; }
RiffChunk dataChunk(std::uint32_t statedSize = 0) { return {"data", sampleBytes(chunkedSamples), true, statedSize}; }
// ffmpeg's LIST chunk: "INFO", then an ISFT entry naming the encoder (26 bytes in all).
RiffChunk listChunk() {
    const std::string info = std::string("INFOISFT\x0e\0\0\0Lavf60.3.100\0\0", 26);
    return {"LIST", std::vector<std::uint8_t>(info.begin(), info.end())};
}

// Every layout holds the same five samples as the canonical file of them.
const ChunkLayout chunkLayouts[] = {
    {"ListBeforeTheData", {formatChunk(), listChunk(), dataChunk()}},
    {"BroadcastExtension", {{"bext", std::vector<std::uint8_t>(602, 0x20)}, formatChunk(), dataChunk()}},
    {"OddChunkAndItsPaddingByte", {formatChunk(), {"junk", {1, 2, 3}}, dataChunk()}},
    {"Extensible", {{"fmt ", extensibleFormatBody(1, 44100, 16, 1)}, dataChunk()}},
    {"FormatOf18Bytes", {formatChunk(2), {"fact", {5, 0, 0, 0}}, dataChunk()}},
    {"ChunkAfterTheData", {formatChunk(), dataChunk(), listChunk()}},
    {"DataBeforeTheFormat", {dataChunk(), formatChunk()}},
};

class ChunkedFile : public ::testing::TestWithParam<ChunkLayout> {};

// The fields and the samples are those of the canonical file of the same samples.
TEST_P(ChunkedFile, ReadsAsTheCanonicalFileOfTheSameSamples) {
    ScratchDir dir;
    writeBytes(dir.file("canonical.wav"), monoWaveBytes(chunkedSamples));
    writeBytes(dir.file("chunked.wav"), riffWaveBytes(GetParam().chunks));
    InputWave canonical = accepted(readInputHeader(dir.file("canonical.wav")));
    InputWave chunked = accepted(readInputHeader(dir.file("chunked.wav")));
    EXPECT_EQ(chunked.channels, canonical.channels);
    EXPECT_EQ(chunked.sampleRate, canonical.sampleRate);
    EXPECT_EQ(chunked.bitsPerSample, canonical.bitsPerSample);
    EXPECT_EQ(chunked.dataSize, canonical.dataSize);
    EXPECT_EQ(chunked.sampleCount, canonical.sampleCount);
    EXPECT_EQ(chunked.duration, canonical.duration);
    ASSERT_TRUE(loadInputSamples(canonical) && loadInputSamples(chunked));
    EXPECT_EQ(chunked.samples, chunkedSamples);
}

INSTANTIATE_TEST_SUITE_P(InputHeader, ChunkedFile, ::testing::ValuesIn(chunkLayouts),
                         [](const auto& info) { return std::string(info.param.name); });

// A data chunk that says it runs past the end of the file reads as today's canonical file does:
// the count from its size, zeros past the end.
TEST(InputHeader, DataChunkRunningPastTheEndGivesZerosAsACanonicalFileDoes) {
    ScratchDir dir;
    auto canonical = monoWaveBytes(chunkedSamples);
    put32(canonical, 40, 20);
    writeBytes(dir.file("canonical.wav"), canonical);
    writeBytes(dir.file("chunked.wav"), riffWaveBytes({formatChunk(), listChunk(), dataChunk(20)}));
    InputWave a = accepted(readInputHeader(dir.file("canonical.wav")));
    InputWave b = accepted(readInputHeader(dir.file("chunked.wav")));
    ASSERT_TRUE(loadInputSamples(a) && loadInputSamples(b));
    EXPECT_EQ(b.sampleCount, 10);
    EXPECT_EQ(b.samples, a.samples);
}

// A well-formed file that is not integer PCM is refused as not 16-bit, whatever its bits field.
TEST(InputHeader, WellFormedFilesOtherThanIntegerPcmAreNot16Bit) {
    ScratchDir dir;
    auto floatFormat = pcmFormatBody(1, 44100, 16);
    floatFormat[0] = 3;
    const std::vector<std::vector<RiffChunk>> files = {
        {{"fmt ", floatFormat}, dataChunk()},
        {{"fmt ", extensibleFormatBody(1, 44100, 16, 3)}, dataChunk()},
        {{"fmt ", {0xFE, 0xFF, 1, 0, 0x44, 0xAC, 0, 0, 0x88, 0x58, 1, 0, 2, 0, 16, 0}}, dataChunk()},  // no extension
    };
    for (std::size_t k = 0; k < files.size(); ++k) {
        writeBytes(dir.file("other.wav"), riffWaveBytes(files[k]));
        EXPECT_EQ(refused(readInputHeader(dir.file("other.wav"))), InputRefusal::not16Bit) << k;
    }
}

// Where the walk cannot follow the chunks (a missing padding byte puts it inside the data, a
// file without a data chunk), the fields come from the fixed offsets as before.
TEST(InputHeader, FilesWhoseChunksCannotBeFollowedAreReadAtTheFixedOffsets) {
    ScratchDir dir;
    const auto name = dir.file("lost.wav");
    const std::vector<RiffChunk> unpadded = {formatChunk(), {"junk", {1, 2, 3}, false}, dataChunk()};
    writeBytes(name, riffWaveBytes(unpadded));
    auto wave = accepted(readInputHeader(name));
    EXPECT_EQ(wave.dataSize, 3);  // the junk chunk's size at 40
    EXPECT_EQ(wave.dataAt, 44u);
    ASSERT_TRUE(loadInputSamples(wave));
    EXPECT_EQ(wave.samples, (std::vector<std::int16_t>{0x0201, 0x6403}));  // the "d" of "data" is 0x64
}

// --- The refusal order -------------------------------------------------------------------------

TEST(InputRefusalOrder, ChannelsComeFirst) {
    ScratchDir dir;
    const auto name = dir.file("stereo.wav");
    writeBytes(name, monoWaveBytes({1, 2}, 2, 48000, 8));
    EXPECT_EQ(refused(readInputHeader(name)), InputRefusal::notMono);
    writeBytes(name, monoWaveBytes({1, 2}, 2, 44100, 16));
    EXPECT_EQ(refused(readInputHeader(name)), InputRefusal::notMono);
    writeBytes(name, headerWithDataSize(0x80000000u, 2));
    EXPECT_EQ(refused(readInputHeader(name)), InputRefusal::notMono);
}

TEST(InputRefusalOrder, BitsComeBeforeTheRate) {
    ScratchDir dir;
    const auto name = dir.file("eight.wav");
    writeBytes(name, monoWaveBytes({1, 2}, 1, 22050, 8));
    EXPECT_EQ(refused(readInputHeader(name)), InputRefusal::not16Bit);
    writeBytes(name, headerWithDataSize(0xffffffffu, 1, 44100, 24));
    EXPECT_EQ(refused(readInputHeader(name)), InputRefusal::not16Bit);
}

TEST(InputRefusalOrder, RateComesBeforeTheLength) {
    ScratchDir dir;
    const auto name = dir.file("rate.wav");
    writeBytes(name, monoWaveBytes({1, 2}, 1, 48000, 16));
    EXPECT_EQ(refused(readInputHeader(name)), InputRefusal::wrongSampleRate);
    writeBytes(name, headerWithDataSize(0xffffffffu, 1, 48000, 16));
    EXPECT_EQ(refused(readInputHeader(name)), InputRefusal::wrongSampleRate);
}

TEST(InputRefusalOrder, FieldsAreComparedAsSignedValues) {
    ScratchDir dir;
    const auto name = dir.file("signed.wav");
    // 65537 channels would be 1 if the field were read wider than 16 bits; -1 is not 1.
    auto bytes = monoWaveBytes({});
    bytes[22] = 0xff;
    bytes[23] = 0xff;
    writeBytes(name, bytes);
    EXPECT_EQ(refused(readInputHeader(name)), InputRefusal::notMono);
    bytes = monoWaveBytes({});
    bytes[27] = 0x80;  // 44100 with the sign bit set
    writeBytes(name, bytes);
    EXPECT_EQ(refused(readInputHeader(name)), InputRefusal::wrongSampleRate);
}

// Missing header bytes read as 0, so channels at 22..23 are 0 until byte 22 is present.
TEST(InputRefusalOrder, ShortFilesAreNotMono) {
    ScratchDir dir;
    const auto full = monoWaveBytes({1, 2, 3});
    for (std::size_t length : {0u, 1u, 4u, 12u, 21u, 22u}) {
        const auto name = dir.file("short" + std::to_string(length) + ".wav");
        writeBytes(name, std::vector<std::uint8_t>(full.begin(), full.begin() + static_cast<long>(length)));
        EXPECT_EQ(refused(readInputHeader(name)), InputRefusal::notMono) << length << " bytes";
    }
    // With byte 22 present the channels read 1, and the missing bits field refuses it next.
    const auto name = dir.file("short23.wav");
    writeBytes(name, std::vector<std::uint8_t>(full.begin(), full.begin() + 23));
    EXPECT_EQ(refused(readInputHeader(name)), InputRefusal::not16Bit);
}

TEST(InputRefusalOrder, HeaderCutInsideTheDataSizeReadsTheMissingBytesAsZero) {
    ScratchDir dir;
    const auto name = dir.file("cut.wav");
    auto bytes = headerWithDataSize(0x12345678);
    bytes.resize(42);  // only the two low bytes of the data size remain
    writeBytes(name, bytes);
    const auto wave = accepted(readInputHeader(name));
    EXPECT_EQ(wave.dataSize, 0x5678);
    EXPECT_EQ(wave.sampleCount, 0x5678 / 2);
}

// --- The length limit --------------------------------------------------------------------------

class LengthLimit : public ::testing::Test {
protected:
    std::variant<InputWave, InputRefusal> headerOfSize(std::uint32_t dataSize) {
        writeBytes(name, headerWithDataSize(dataSize));
        largestAllocation = 0;
        auto result = readInputHeader(name);
        EXPECT_LT(largestAllocation.load(), 4096u) << "the header step allocated sample memory";
        return result;
    }

    ScratchDir dir;
    std::string name = dir.file("long.wav");
};

TEST_F(LengthLimit, TheLongestRecordingIsAccepted) {
    const auto wave = accepted(headerOfSize(2u * 82548031u));
    EXPECT_EQ(wave.sampleCount, 82548031);
    EXPECT_EQ(wave.sampleCount, longestSampleCount);
    EXPECT_EQ(wave.duration, 82548031.0 / 44100.0);
    EXPECT_TRUE(wave.samples.empty());
}

TEST_F(LengthLimit, OneSampleMoreIsRefused) { EXPECT_EQ(refused(headerOfSize(2u * 82548032u)), InputRefusal::tooLong); }

// 2 * 82548031 + 1 is a half sample that rounds to the even 82548032.
TEST_F(LengthLimit, AHalfSampleThatRoundsUpPastTheLimitIsRefused) {
    EXPECT_EQ(refused(headerOfSize(2u * 82548031u + 1u)), InputRefusal::tooLong);
}

TEST_F(LengthLimit, NegativeDataSizeIsRefused) {
    EXPECT_EQ(refused(headerOfSize(0x80000000u)), InputRefusal::tooLong);
    EXPECT_EQ(refused(headerOfSize(0xffffffffu)), InputRefusal::tooLong);
    EXPECT_EQ(refused(headerOfSize(0x7fffffffu)), InputRefusal::tooLong);
}

// The limit keeps the output's RIFF chunk size, 36 + 4 * (13 * (44100 + n) + 44100), in 32 bits.
TEST(LengthLimitValue, IsTheLastCountWhoseOutputSizeFits) {
    auto riffSize = [](std::uint64_t n) { return 36 + 4 * (13 * (44100 + n) + 44100); };
    EXPECT_EQ(riffSize(static_cast<std::uint64_t>(longestSampleCount)), 4294967248u);
    EXPECT_GT(riffSize(static_cast<std::uint64_t>(longestSampleCount) + 1), 0xffffffffu);
}

// --- Names that give fileNotFound --------------------------------------------------------------

TEST(InputFileName, EmptyNameIsNotFound) { EXPECT_EQ(refused(readInputHeader("")), InputRefusal::fileNotFound); }

TEST(InputFileName, WildcardsAreNotFoundEvenWhenSuchAFileExists) {
    ScratchDir dir;
    for (const char* leaf : {"a*.wav", "a?.wav", "*", "?"}) {
        const auto name = dir.file(leaf);
        writeBytes(name, monoWaveBytes({1}));
        EXPECT_EQ(refused(readInputHeader(name)), InputRefusal::fileNotFound) << leaf;
    }
}

TEST(InputFileName, FolderIsNotFound) {
    ScratchDir dir;
    EXPECT_EQ(refused(readInputHeader(dir.path().string())), InputRefusal::fileNotFound);
    EXPECT_EQ(refused(readInputHeader(dir.path().string() + "/")), InputRefusal::fileNotFound);
}

TEST(InputFileName, MissingFileOrFolderIsNotFound) {
    ScratchDir dir;
    EXPECT_EQ(refused(readInputHeader(dir.file("absent.wav"))), InputRefusal::fileNotFound);
    EXPECT_EQ(refused(readInputHeader(dir.file("absent/x.wav"))), InputRefusal::fileNotFound);
    // A file used as a folder on the path.
    writeBytes(dir.file("plain"), monoWaveBytes({1}));
    EXPECT_EQ(refused(readInputHeader(dir.file("plain/x.wav"))), InputRefusal::fileNotFound);
    EXPECT_FALSE(std::filesystem::exists(dir.file("absent.wav")));  // never created
}

#ifndef _WIN32  // POSIX only: symbolic links, FIFOs, devices, fork
TEST(InputFileName, BrokenSymbolicLinkIsNotFound) {
    ScratchDir dir;
    std::filesystem::create_symlink(dir.file("nowhere.wav"), dir.file("link.wav"));
    EXPECT_EQ(refused(readInputHeader(dir.file("link.wav"))), InputRefusal::fileNotFound);
}
#endif

#ifndef _WIN32  // POSIX only: symbolic links, FIFOs, devices, fork
TEST(InputFileName, SymbolicLinkToAFileIsFollowed) {
    ScratchDir dir;
    writeBytes(dir.file("real.wav"), monoWaveBytes({5, 6}));
    std::filesystem::create_symlink(dir.file("real.wav"), dir.file("link.wav"));
    auto wave = accepted(readInputHeader(dir.file("link.wav")));
    ASSERT_TRUE(loadInputSamples(wave));
    EXPECT_EQ(wave.samples, (std::vector<std::int16_t>{5, 6}));
}
#endif

#ifndef _WIN32  // POSIX only: symbolic links, FIFOs, devices, fork
// A FIFO would hold an ordinary open until a writer came; the watchdog ends a hung test.
TEST(InputFileName, FifoIsNotFoundWithoutBlocking) {
    ScratchDir dir;
    const auto name = dir.file("pipe.wav");
    ASSERT_EQ(::mkfifo(name.c_str(), 0600), 0);
    ::alarm(20);
    const auto result = readInputHeader(name);
    ::alarm(0);
    EXPECT_EQ(refused(result), InputRefusal::fileNotFound);
}
#endif

#ifndef _WIN32  // POSIX only: symbolic links, FIFOs, devices, fork
TEST(InputFileName, DeviceIsNotFound) {
    EXPECT_EQ(refused(readInputHeader("/dev/null")), InputRefusal::fileNotFound);
    EXPECT_EQ(refused(readInputHeader("/dev/zero")), InputRefusal::fileNotFound);
}
#endif

// A NUL byte would cut the name short at the system call and open another file.
TEST(InputFileName, EmbeddedNulIsNotFound) {
    ScratchDir dir;
    writeBytes(dir.file("a"), monoWaveBytes({1}));
    const std::string name = dir.file("a") + std::string(1, '\0') + "b.wav";
    EXPECT_EQ(refused(readInputHeader(name)), InputRefusal::fileNotFound);
}

#ifndef _WIN32  // Windows drops trailing blanks from names
TEST(InputFileName, BlanksAreKeptAsTyped) {
    ScratchDir dir;
    writeBytes(dir.file("tone.wav"), monoWaveBytes({1}));
    EXPECT_EQ(refused(readInputHeader(dir.file("tone.wav "))), InputRefusal::fileNotFound);
    EXPECT_EQ(refused(readInputHeader(dir.file(" tone.wav"))), InputRefusal::fileNotFound);
    writeBytes(dir.file(" tone.wav "), monoWaveBytes({1}));
    EXPECT_EQ(accepted(readInputHeader(dir.file(" tone.wav "))).fileName, dir.file(" tone.wav "));
}
#endif

TEST(InputFileName, RelativeNameIsRelativeToTheCurrentFolder) {
    ScratchDir dir;
    writeBytes(dir.file("here.wav"), monoWaveBytes({9}));
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    auto wave = accepted(readInputHeader("here.wav"));
    const bool loaded = loadInputSamples(wave);
    std::filesystem::current_path(previous);
    EXPECT_TRUE(loaded);
    EXPECT_EQ(wave.samples, (std::vector<std::int16_t>{9}));
}

// Nested short folders make a name of more than 255 characters. A decoy file stands where the
// first 255 characters would lead: the reader must open the full name, not the decoy.
TEST(InputFileName, NameLongerThan255CharactersIsUsedInFull) {
    ScratchDir dir;
    std::string folder = dir.path().string();
    while (folder.size() < 230) {
        folder += "/" + std::string(20, 'd');
        std::filesystem::create_directory(folder);
    }
    const std::string name = folder + "/" + std::string(60, 'f') + ".wav";
    ASSERT_GT(name.size(), 255u);
    writeBytes(name, monoWaveBytes({321, -321}));
    writeBytes(name.substr(0, 255), monoWaveBytes({1}, 2));  // a stereo decoy

    auto wave = accepted(readInputHeader(name));
    EXPECT_EQ(wave.fileName, name);
    ASSERT_TRUE(loadInputSamples(wave));
    EXPECT_EQ(wave.samples, (std::vector<std::int16_t>{321, -321}));
}

TEST(InputFileName, NameTheSystemCannotOpenIsNotFound) {
    ScratchDir dir;
    EXPECT_EQ(refused(readInputHeader(dir.file(std::string(300, 'n')))), InputRefusal::fileNotFound);
}

// --- The sample load -----------------------------------------------------------------------------

TEST(InputSamples, AreLittleEndianSignedValues) {
    ScratchDir dir;
    const auto name = dir.file("values.wav");
    auto bytes = headerWithDataSize(10);
    bytes.insert(bytes.end(), {0x00, 0x80, 0xff, 0x7f, 0xff, 0xff, 0x34, 0x12, 0x01, 0x00});
    writeBytes(name, bytes);
    auto wave = accepted(readInputHeader(name));
    ASSERT_TRUE(loadInputSamples(wave));
    EXPECT_EQ(wave.samples, (std::vector<std::int16_t>{-32768, 32767, -1, 0x1234, 1}));
}

TEST(InputSamples, OneSecondRoundTrip) {
    ScratchDir dir;
    const auto name = dir.file("second.wav");
    std::vector<std::int16_t> samples(44100);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::int16_t>(static_cast<std::int32_t>(i * 7919 % 65536) - 32768);
    writeBytes(name, monoWaveBytes(samples));
    auto wave = accepted(readInputHeader(name));
    ASSERT_TRUE(loadInputSamples(wave));
    EXPECT_EQ(wave.samples, samples);
}

TEST(InputSamples, BytesBeyondTheCountAreIgnored) {
    ScratchDir dir;
    const auto name = dir.file("surplus.wav");
    auto bytes = headerWithDataSize(4);
    bytes.insert(bytes.end(), {1, 0, 2, 0, 3, 0, 'L', 'I', 'S', 'T'});
    writeBytes(name, bytes);
    auto wave = accepted(readInputHeader(name));
    ASSERT_TRUE(loadInputSamples(wave));
    EXPECT_EQ(wave.samples, (std::vector<std::int16_t>{1, 2}));
}

// Data size 7 counts 4 samples: the 4th is read whole when the file holds its high byte, and
// from its low byte alone when the file ends after the 7th byte.
TEST(InputSamples, OddDataSizeReadsTheLastSampleAsFarAsTheFileGoes) {
    ScratchDir dir;
    const auto name = dir.file("odd.wav");
    auto bytes = headerWithDataSize(7);
    bytes.insert(bytes.end(), {1, 1, 2, 2, 3, 3, 0xfe, 0x44});
    writeBytes(name, bytes);
    auto wave = accepted(readInputHeader(name));
    ASSERT_TRUE(loadInputSamples(wave));
    EXPECT_EQ(wave.samples, (std::vector<std::int16_t>{0x0101, 0x0202, 0x0303, 0x44fe}));

    bytes.pop_back();
    writeBytes(name, bytes);
    wave = accepted(readInputHeader(name));
    ASSERT_TRUE(loadInputSamples(wave));
    EXPECT_EQ(wave.samples, (std::vector<std::int16_t>{0x0101, 0x0202, 0x0303, 0x00fe}));
}

TEST(InputSamples, DataSizeLargerThanTheFileGivesZerosAndAHalfSampleKeepsItsLowByte) {
    ScratchDir dir;
    const auto name = dir.file("promise.wav");
    auto bytes = headerWithDataSize(12);
    bytes.insert(bytes.end(), {0x10, 0x20, 0xfe});  // one whole sample and a low byte
    writeBytes(name, bytes);
    auto wave = accepted(readInputHeader(name));
    EXPECT_EQ(wave.sampleCount, 6);
    ASSERT_TRUE(loadInputSamples(wave));
    EXPECT_EQ(wave.samples, (std::vector<std::int16_t>{0x2010, 0x00fe, 0, 0, 0, 0}));
}

TEST(InputSamples, FileDeletedAfterTheHeaderStepGivesSilence) {
    ScratchDir dir;
    const auto name = dir.file("gone.wav");
    writeBytes(name, monoWaveBytes({5, 6, 7}));
    auto wave = accepted(readInputHeader(name));
    std::filesystem::remove(name);
    ASSERT_TRUE(loadInputSamples(wave));
    EXPECT_EQ(wave.samples, (std::vector<std::int16_t>{0, 0, 0}));
    EXPECT_FALSE(std::filesystem::exists(name));  // not created by the load
}

TEST(InputSamples, FileTruncatedAfterTheHeaderStepGivesZerosPastTheEnd) {
    ScratchDir dir;
    const auto name = dir.file("cut.wav");
    writeBytes(name, monoWaveBytes({0x1111, 0x2222, 0x3333, 0x4444}));
    auto wave = accepted(readInputHeader(name));
    std::filesystem::resize_file(name, 44 + 3);
    ASSERT_TRUE(loadInputSamples(wave));
    EXPECT_EQ(wave.samples, (std::vector<std::int16_t>{0x1111, 0x0022, 0, 0}));
}

TEST(InputSamples, FileCutInsideTheHeaderAfterTheHeaderStepGivesSilence) {
    ScratchDir dir;
    const auto name = dir.file("cut.wav");
    writeBytes(name, monoWaveBytes({0x1111, 0x2222}));
    auto wave = accepted(readInputHeader(name));
    std::filesystem::resize_file(name, 10);
    ASSERT_TRUE(loadInputSamples(wave));
    EXPECT_EQ(wave.samples, (std::vector<std::int16_t>{0, 0}));
}

TEST(InputSamples, CountOfTheHeaderStepHoldsWhenTheFileGrows) {
    ScratchDir dir;
    const auto name = dir.file("grown.wav");
    writeBytes(name, monoWaveBytes({1, 2}));
    auto wave = accepted(readInputHeader(name));
    writeBytes(name, monoWaveBytes({3, 4, 5, 6}, 2, 8000, 8));  // now not even mono
    ASSERT_TRUE(loadInputSamples(wave));
    EXPECT_EQ(wave.samples.size(), 2u);
    EXPECT_EQ(wave.channels, 1);
}

TEST(InputSamples, LoadReplacesSamplesHeldBefore) {
    ScratchDir dir;
    const auto name = dir.file("again.wav");
    writeBytes(name, monoWaveBytes({8, 9}));
    auto wave = accepted(readInputHeader(name));
    wave.samples = {1, 2, 3, 4, 5};
    ASSERT_TRUE(loadInputSamples(wave));
    EXPECT_EQ(wave.samples, (std::vector<std::int16_t>{8, 9}));
}

#ifndef _WIN32  // POSIX only: symbolic links, FIFOs, devices, fork
// The one failure the load reports: no memory for the samples. A child process with a small
// address-space limit asks for the longest recording (165 MB), given by a 44-byte header.
TEST(InputSamples, NoMemoryForTheSamplesIsReported) {
    ScratchDir dir;
    const auto name = dir.file("huge.wav");
    writeBytes(name, headerWithDataSize(2u * 82548031u));
    auto wave = accepted(readInputHeader(name));
    ASSERT_EQ(wave.sampleCount, longestSampleCount);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        long pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        const rlim_t now = static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE));
        const rlimit limit{now + (32u << 20), now + (32u << 20)};
        if (pages == 0 || ::setrlimit(RLIMIT_AS, &limit) != 0) ::_exit(2);
        ::_exit(loadInputSamples(wave) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the load claimed success, 2: no limit could be set";
}
#endif

}  // namespace
}  // namespace auralith
