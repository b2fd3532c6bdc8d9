// The output writer: the canonical header, the sample bytes, and how a file of the name is
// created or replaced (and left alone when the write fails).
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "support/test_support.h"
#include "wave/files/file_access.h"
#include "wave/input_wave.h"
#include "wave/output_in_place.h"
#include "wave/output_wave.h"
#include "wave/wave_header.h"

namespace auralith {
namespace {

using testing::monoWaveBytes;
using testing::readBytes;
using testing::ScratchDir;
using testing::writeBytes;

using Bytes = std::vector<std::uint8_t>;

std::uint32_t field32(const Bytes& bytes, std::size_t at) {
    return std::uint32_t{bytes[at]} | (std::uint32_t{bytes[at + 1]} << 8) | (std::uint32_t{bytes[at + 2]} << 16) |
           (std::uint32_t{bytes[at + 3]} << 24);
}

// What the writer takes: a frame count and the 2 * frames samples, interleaved, left first.
struct Frames {
    std::int32_t frames = 0;
    std::vector<std::int16_t> samples;
};

Frames silence(std::int32_t frames) {
    return Frames{frames, std::vector<std::int16_t>(2 * static_cast<std::size_t>(frames))};
}

bool writeFrames(const std::string& name, const Frames& buffer, std::int32_t rate, std::int16_t bits) {
    return writeOutputWave(name, buffer.frames, buffer.samples, rate, bits);
}

// A buffer whose every sample differs from its neighbours, so that order mistakes show.
Frames pattern(std::int32_t frames) {
    Frames buffer = silence(frames);
    for (std::size_t i = 0; i < buffer.samples.size(); ++i)
        buffer.samples[i] = static_cast<std::int16_t>(static_cast<std::int32_t>(i * 2654435761u % 65536) - 32768);
    return buffer;
}

// The file a buffer should become: the header, then each sample low byte first.
Bytes expectedFile(const Frames& buffer) {
    const auto header = encodeWaveHeader(makeStereoHeader(static_cast<std::uint32_t>(buffer.frames), 44100, 16));
    Bytes bytes(header.begin(), header.end());
    for (std::int16_t sample : buffer.samples) {
        const auto bits = static_cast<std::uint16_t>(sample);
        bytes.push_back(static_cast<std::uint8_t>(bits & 0xff));
        bytes.push_back(static_cast<std::uint8_t>(bits >> 8));
    }
    return bytes;
}

std::vector<std::string> folderEntries(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

#ifdef __linux__  // the file built in place: Linux only; elsewhere the buffer is written
// The output file prepared for `frames` frames, its samples then filled as a render would.
std::optional<OutputInPlace> prepareFilled(const std::string& name, const Frames& from) {
    std::optional<OutputInPlace> out = OutputInPlace::create(name, from.frames, 44100, 16);
    if (out) std::copy(from.samples.begin(), from.samples.end(), out->samples().begin());
    return out;
}
#endif

#ifndef _WIN32  // POSIX only: permission bits
// The two ways a file is made: the in-memory buffer written, and (on Linux) the file built in
// place and committed.
using Writer = bool (*)(const std::string& name, const Frames& buffer);
std::vector<Writer> writers() {
    std::vector<Writer> all{
        [](const std::string& name, const Frames& buffer) { return writeFrames(name, buffer, 44100, 16); }};
#ifdef __linux__
    all.push_back([](const std::string& name, const Frames& buffer) {
        std::optional<OutputInPlace> out = prepareFilled(name, buffer);
        return out && out->commit();
    });
#endif
    return all;
}
#endif

// --- The header ----------------------------------------------------------------------------------

TEST(StereoHeader, FixedFieldsAreTheSameForEveryLength) {
    for (std::uint32_t frames : {0u, 1u, 617400u, 1190700u}) {
        const auto bytes = encodeWaveHeader(makeStereoHeader(frames, 44100, 16));
        const Bytes fmt(bytes.begin() + 16, bytes.begin() + 24);
        EXPECT_EQ(fmt, (Bytes{0x10, 0x00, 0x00, 0x00, 0x01, 0x00, 0x02, 0x00}));
        const Bytes rates(bytes.begin() + 24, bytes.begin() + 36);
        EXPECT_EQ(rates, (Bytes{0x44, 0xAC, 0x00, 0x00, 0x10, 0xB1, 0x02, 0x00, 0x04, 0x00, 0x10, 0x00}));
    }
}

TEST(StereoHeader, WholeHeaderOfThreeFrames) {
    const auto bytes = encodeWaveHeader(makeStereoHeader(3, 44100, 16));
    const Bytes expected = {'R',  'I', 'F', 'F', 48, 0, 0,   0,   'W', 'A',  'V',  'E', 'f', 'm',  't',
                            ' ',  16,  0,   0,   0,  1, 0,   2,   0,   0x44, 0xAC, 0,   0,   0x10, 0xB1,
                            0x02, 0,   4,   0,   16, 0, 'd', 'a', 't', 'a',  12,   0,   0,   0};
    EXPECT_EQ(Bytes(bytes.begin(), bytes.end()), expected);
}

TEST(StereoHeader, ValuesWorkedOutFromRateAndBits) {
    const WaveHeader header = makeStereoHeader(10, 44100, 16);
    EXPECT_EQ(header.channels, 2);
    EXPECT_EQ(header.blockAlign, 4);
    EXPECT_EQ(header.byteRate, 176400u);
    EXPECT_EQ(header.sampleRate, 44100u);
    EXPECT_EQ(header.bitsPerSample, 16);
    EXPECT_EQ(header.formatCode, 1);
    EXPECT_EQ(header.formatChunkSize, 16u);
    EXPECT_EQ(header.dataSize, 40u);
    EXPECT_EQ(header.riffChunkSize, 76u);
}

struct SizeCase {
    std::int32_t frames;
    std::uint32_t dataSize;
    std::uint32_t riffSize;
    std::uintmax_t fileSize;
};

class OutputSize : public ::testing::TestWithParam<SizeCase> {};

// F = 617400 is the empty recording, F = 1190700 a one-second one.
TEST_P(OutputSize, HeaderSizesAndFileLength) {
    const SizeCase expected = GetParam();
    ScratchDir dir;
    const auto name = dir.file("out.wav");
    ASSERT_TRUE(writeFrames(name, silence(expected.frames), 44100, 16));
    const auto bytes = readBytes(name);
    EXPECT_EQ(bytes.size(), expected.fileSize);
    EXPECT_EQ(field32(bytes, 40), expected.dataSize);
    EXPECT_EQ(field32(bytes, 4), expected.riffSize);
    EXPECT_EQ(field32(bytes, 4) + 8u, bytes.size());
}

INSTANTIATE_TEST_SUITE_P(StereoHeader, OutputSize,
                         ::testing::Values(SizeCase{617400, 2469600, 2469636, 2469644},
                                           SizeCase{1190700, 4762800, 4762836, 4762844}));

// The longest accepted recording still has a RIFF size that fits in 32 bits.
TEST(StereoHeader, LongestRecordingSizesFitIn32Bits) {
    const auto frames = static_cast<std::uint32_t>(13 * (44100 + std::int64_t{longestSampleCount}) + 44100);
    const WaveHeader header = makeStereoHeader(frames, 44100, 16);
    EXPECT_EQ(header.dataSize, 4294967212u);
    EXPECT_EQ(header.riffChunkSize, 4294967248u);
}

// --- The sample bytes ----------------------------------------------------------------------------

TEST(OutputSamples, AreWrittenInBufferOrderLowByteFirst) {
    ScratchDir dir;
    const auto name = dir.file("out.wav");
    const Frames buffer{3, {1, -2, 0x1234, -32768, 32767, 0x00ff}};
    ASSERT_TRUE(writeFrames(name, buffer, 44100, 16));
    const auto bytes = readBytes(name);
    ASSERT_EQ(bytes.size(), 44u + 12u);
    EXPECT_EQ(Bytes(bytes.begin() + 44, bytes.end()),
              (Bytes{0x01, 0x00, 0xfe, 0xff, 0x34, 0x12, 0x00, 0x80, 0xff, 0x7f, 0xff, 0x00}));
}

TEST(OutputSamples, WholeFileOfALongerBuffer) {
    ScratchDir dir;
    const auto name = dir.file("out.wav");
    const Frames buffer = pattern(50000);
    ASSERT_TRUE(writeFrames(name, buffer, 44100, 16));
    EXPECT_EQ(readBytes(name), expectedFile(buffer));
}

TEST(OutputSamples, WrittenFileReadsBackThroughTheInputReaderFields) {
    ScratchDir dir;
    const auto name = dir.file("out.wav");
    ASSERT_TRUE(writeFrames(name, pattern(5), 44100, 16));
    // The reader takes the same fixed offsets for granted; a stereo file is refused as such.
    const auto result = readInputHeader(name);
    ASSERT_TRUE(std::holds_alternative<InputRefusal>(result));
    EXPECT_EQ(std::get<InputRefusal>(result), InputRefusal::notMono);
}

TEST(OutputSamples, BufferThatDisagreesWithItsFrameCountIsNotWritten) {
    ScratchDir dir;
    const auto name = dir.file("out.wav");
    Frames buffer = silence(4);
    buffer.frames = 5;  // the header would promise more samples than follow
    EXPECT_FALSE(writeFrames(name, buffer, 44100, 16));
    EXPECT_FALSE(std::filesystem::exists(name));
}

// --- Creating and replacing --------------------------------------------------------------------

TEST(OutputFile, NewFileIsCreated) {
    ScratchDir dir;
    const auto name = dir.file("new.wav");
    ASSERT_TRUE(writeFrames(name, pattern(7), 44100, 16));
    EXPECT_EQ(readBytes(name), expectedFile(pattern(7)));
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"new.wav"});
}

TEST(OutputFile, OverwritingALongerFileLeavesExactlyTheNewLength) {
    ScratchDir dir;
    const auto name = dir.file("out.wav");
    writeBytes(name, Bytes(1000000, 0xaa));
    ASSERT_TRUE(writeFrames(name, pattern(10), 44100, 16));
    EXPECT_EQ(std::filesystem::file_size(name), 44u + 4u * 10u);
    EXPECT_EQ(readBytes(name), expectedFile(pattern(10)));
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"out.wav"});
}

#ifndef _WIN32  // POSIX only: permission bits, symbolic links, devices, fork
TEST(OutputFile, PermissionBitsOfAReplacedFileAreKept) {
    ScratchDir dir;
    const auto name = dir.file("out.wav");
    for (const Writer write : writers()) {
        for (auto mode : {0640, 0604, 0777, 0200}) {
            writeBytes(name, Bytes(10, 1));
            ASSERT_EQ(::chmod(name.c_str(), static_cast<mode_t>(mode)), 0);
            const mode_t previousMask = ::umask(077);
            const bool written = write(name, pattern(2));
            ::umask(previousMask);
            ASSERT_TRUE(written);
            struct stat info {};
            ASSERT_EQ(::stat(name.c_str(), &info), 0);
            EXPECT_EQ(info.st_mode & 07777, static_cast<mode_t>(mode)) << std::oct << mode;
            EXPECT_TRUE(S_ISREG(info.st_mode));
        }
    }
}
#endif

#ifndef _WIN32  // POSIX only: permission bits, symbolic links, devices, fork
TEST(OutputFile, SymbolicLinkKeepsPointingAtTheReplacedTarget) {
    ScratchDir dir;
    std::filesystem::create_directory(dir.file("store"));
    const auto target = dir.file("store/take.wav");
    const auto link = dir.file("link.wav");
    writeBytes(target, Bytes(500, 0x11));
    std::filesystem::create_symlink(target, link);

    ASSERT_TRUE(writeFrames(link, pattern(3), 44100, 16));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(std::filesystem::read_symlink(link), target);
    EXPECT_EQ(readBytes(target), expectedFile(pattern(3)));
    EXPECT_EQ(folderEntries(dir.path()), (std::vector<std::string>{"link.wav", "store"}));
    EXPECT_EQ(folderEntries(dir.file("store")), std::vector<std::string>{"take.wav"});
}
#endif

#ifndef _WIN32  // POSIX only: permission bits, symbolic links, devices, fork
TEST(OutputFile, RelativeSymbolicLinkThroughAnotherFolder) {
    ScratchDir dir;
    std::filesystem::create_directory(dir.file("a"));
    std::filesystem::create_directory(dir.file("b"));
    writeBytes(dir.file("b/take.wav"), Bytes(3, 0));
    std::filesystem::create_symlink("../b/take.wav", dir.file("a/link.wav"));
    ASSERT_TRUE(writeFrames(dir.file("a/link.wav"), pattern(4), 44100, 16));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("a/link.wav")));
    EXPECT_EQ(readBytes(dir.file("b/take.wav")), expectedFile(pattern(4)));
    EXPECT_EQ(folderEntries(dir.file("b")), std::vector<std::string>{"take.wav"});
}
#endif

#ifndef _WIN32  // POSIX only: permission bits, symbolic links, devices, fork
TEST(OutputFile, DevNullAcceptsTheWholeFile) {
    EXPECT_TRUE(writeFrames("/dev/null", pattern(1000), 44100, 16));
    struct stat info {};
    ASSERT_EQ(::stat("/dev/null", &info), 0);
    EXPECT_TRUE(S_ISCHR(info.st_mode));
}
#endif

TEST(OutputFile, InputNamedAsOutputIsReplaced) {
    ScratchDir dir;
    const auto name = dir.file("take.wav");
    writeBytes(name, monoWaveBytes({1, 2, 3, 4}));
    auto result = readInputHeader(name);
    ASSERT_TRUE(std::holds_alternative<InputWave>(result));
    auto& wave = std::get<InputWave>(result);
    ASSERT_TRUE(loadInputSamples(wave));
    ASSERT_TRUE(writeFrames(name, pattern(6), wave.sampleRate, wave.bitsPerSample));
    EXPECT_EQ(readBytes(name), expectedFile(pattern(6)));
}

TEST(OutputFile, RelativeNameIsRelativeToTheCurrentFolder) {
    ScratchDir dir;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    const bool written = writeFrames("here.wav", pattern(2), 44100, 16);
    std::filesystem::current_path(previous);
    ASSERT_TRUE(written);
    EXPECT_EQ(readBytes(dir.file("here.wav")), expectedFile(pattern(2)));
}

TEST(OutputFile, NameLongerThan255CharactersIsUsedInFull) {
    ScratchDir dir;
    std::string folder = dir.path().string();
    while (folder.size() < 230) {
        folder += "/" + std::string(20, 'd');
        std::filesystem::create_directory(folder);
    }
    const std::string name = folder + "/" + std::string(60, 'f') + ".wav";
    ASSERT_GT(name.size(), 255u);
    const std::string cut = name.substr(0, 255);
    writeBytes(cut, Bytes(7, 0x42));  // where a cut name would lead

    ASSERT_TRUE(writeFrames(name, pattern(2), 44100, 16));
    EXPECT_EQ(readBytes(name), expectedFile(pattern(2)));
    EXPECT_EQ(readBytes(cut), Bytes(7, 0x42));
    EXPECT_EQ(folderEntries(folder).size(), 2u);  // the file and the decoy, no temporary file
}

// The temporary file's name is longer than the final name; it must still fit the system's
// 255-byte limit on one name.
TEST(OutputFile, LongestSingleNameIsWritten) {
    ScratchDir dir;
    const std::string leaf(255, 'L');
    writeBytes(dir.file(leaf), Bytes(5, 0));
    ASSERT_TRUE(writeFrames(dir.file(leaf), pattern(2), 44100, 16));
    EXPECT_EQ(readBytes(dir.file(leaf)), expectedFile(pattern(2)));
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{leaf});
}

// --- Failed writes -------------------------------------------------------------------------------

TEST(OutputFailure, MissingFolderCreatesNothing) {
    ScratchDir dir;
    EXPECT_FALSE(writeFrames(dir.file("missing/out.wav"), pattern(2), 44100, 16));
    EXPECT_TRUE(folderEntries(dir.path()).empty());
}

#ifndef _WIN32  // POSIX only: permission bits, symbolic links, devices, fork
TEST(OutputFailure, ReadOnlyFileSurvivesUnchanged) {
    ScratchDir dir;
    const auto name = dir.file("keep.wav");
    const Bytes before = monoWaveBytes({11, 22, 33});
    writeBytes(name, before);
    for (auto mode : {0444, 0400, 0000}) {
        ASSERT_EQ(::chmod(name.c_str(), static_cast<mode_t>(mode)), 0);
        EXPECT_FALSE(writeFrames(name, pattern(100), 44100, 16)) << std::oct << mode;
        ASSERT_EQ(::chmod(name.c_str(), 0600), 0);
        EXPECT_EQ(readBytes(name), before);
        EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"keep.wav"});
    }
}
#endif

#ifndef _WIN32  // POSIX only: permission bits, symbolic links, devices, fork
TEST(OutputFailure, ReadOnlyFileThroughASymbolicLinkSurvives) {
    ScratchDir dir;
    const auto name = dir.file("keep.wav");
    writeBytes(name, Bytes(9, 9));
    ASSERT_EQ(::chmod(name.c_str(), 0444), 0);
    std::filesystem::create_symlink(name, dir.file("link.wav"));
    EXPECT_FALSE(writeFrames(dir.file("link.wav"), pattern(2), 44100, 16));
    EXPECT_EQ(readBytes(name), Bytes(9, 9));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link.wav")));
}
#endif

TEST(OutputFailure, EmptyNameIsNotWritten) { EXPECT_FALSE(writeFrames("", pattern(2), 44100, 16)); }

#ifndef _WIN32  // Windows names cannot hold * or ?
TEST(OutputFailure, WildcardNamesAreNotWrittenEvenWhenSuchAFileExists) {
    ScratchDir dir;
    for (const char* leaf : {"out*.wav", "out?.wav", "*", "?"}) {
        const auto name = dir.file(leaf);
        writeBytes(name, Bytes(4, 4));
        EXPECT_FALSE(writeFrames(name, pattern(2), 44100, 16)) << leaf;
        EXPECT_EQ(readBytes(name), Bytes(4, 4)) << leaf;
    }
    EXPECT_FALSE(writeFrames(dir.file("new*.wav"), pattern(2), 44100, 16));
    EXPECT_EQ(folderEntries(dir.path()).size(), 4u);
}
#endif

TEST(OutputFailure, FolderNameIsNotWritten) {
    ScratchDir dir;
    std::filesystem::create_directory(dir.file("sub"));
    writeBytes(dir.file("sub/inside"), Bytes(1, 1));
    EXPECT_FALSE(writeFrames(dir.file("sub"), pattern(2), 44100, 16));
    EXPECT_FALSE(writeFrames(dir.file("sub") + "/", pattern(2), 44100, 16));
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("sub")));
    EXPECT_EQ(folderEntries(dir.file("sub")), std::vector<std::string>{"inside"});
}

#ifndef _WIN32  // POSIX only: permission bits, symbolic links, devices, fork
TEST(OutputFailure, FolderWithoutWritePermissionLeavesTheFileAlone) {
    if (::geteuid() == 0) GTEST_SKIP() << "root may write into any folder";
    ScratchDir dir;
    std::filesystem::create_directory(dir.file("locked"));
    const auto name = dir.file("locked/out.wav");
    writeBytes(name, Bytes(8, 8));
    ASSERT_EQ(::chmod(dir.file("locked").c_str(), 0555), 0);
    EXPECT_FALSE(writeFrames(name, pattern(2), 44100, 16));
    EXPECT_EQ(readBytes(name), Bytes(8, 8));
    EXPECT_EQ(folderEntries(dir.file("locked")), std::vector<std::string>{"out.wav"});
}
#endif

#ifndef _WIN32  // POSIX only: permission bits, symbolic links, devices, fork
// A full disk, imitated by a file size limit in a child process: the write falls short, the
// result says so, and the earlier file is untouched with no temporary file left beside it.
TEST(OutputFailure, FullDiskKeepsTheOldFile) {
    ScratchDir dir;
    const auto name = dir.file("out.wav");
    const Bytes before = monoWaveBytes({7, 7, 7});
    writeBytes(name, before);
    const Frames buffer = pattern(617400);  // 2.4 MB against a 1 MB limit

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlimit limit{1u << 20, 1u << 20};
        if (std::signal(SIGXFSZ, SIG_IGN) == SIG_ERR || ::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(2);
        ::_exit(writeFrames(name, buffer, 44100, 16) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the child was ended by a signal";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the write claimed success, 2: no limit could be set";
    EXPECT_EQ(readBytes(name), before);
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"out.wav"});
}
#endif

#ifndef _WIN32  // POSIX only: permission bits, symbolic links, devices, fork
TEST(OutputFailure, FullDiskWithANewNameLeavesNothing) {
    ScratchDir dir;
    const auto name = dir.file("new.wav");
    const Frames buffer = pattern(617400);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlimit limit{1u << 20, 1u << 20};
        if (std::signal(SIGXFSZ, SIG_IGN) == SIG_ERR || ::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(2);
        ::_exit(writeFrames(name, buffer, 44100, 16) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(folderEntries(dir.path()).empty());
}
#endif

// --- The file built in place -----------------------------------------------------------------------
#ifdef __linux__  // unnamed files and their mapping: Linux only; elsewhere the buffer is written

TEST(OutputInPlace, GivesTheSameFileAsTheWriter) {
    ScratchDir dir;
    for (const std::int32_t frames : {1, 7, 1024, 300000}) {
        const auto name = dir.file("out.wav");
        writeBytes(name, Bytes(5000000, 0xaa));  // longer than any of the files
        std::optional<OutputInPlace> out = OutputInPlace::create(name, frames, 44100, 16);
        ASSERT_TRUE(out) << frames;
        EXPECT_EQ(out->frames(), frames);
        ASSERT_EQ(out->samples().size(), 2 * static_cast<std::size_t>(frames));
        EXPECT_TRUE(std::all_of(out->samples().begin(), out->samples().end(), [](auto v) { return v == 0; }));
        const Frames expected = pattern(frames);
        std::copy(expected.samples.begin(), expected.samples.end(), out->samples().begin());
        ASSERT_TRUE(out->commit());
        EXPECT_EQ(readBytes(name), expectedFile(expected)) << frames;
        EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"out.wav"});
    }
}

// Until it is committed the file has no name: the folder shows only the old file, as it was, and
// a file given up leaves it so.
TEST(OutputInPlace, OldFileStandsUntilTheCommit) {
    ScratchDir dir;
    const auto name = dir.file("out.wav");
    const Bytes before = monoWaveBytes({1, 2, 3});
    writeBytes(name, before);
    {
        std::optional<OutputInPlace> out = prepareFilled(name, pattern(50));
        ASSERT_TRUE(out);
        EXPECT_EQ(readBytes(name), before);
        EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"out.wav"});
    }
    EXPECT_EQ(readBytes(name), before);
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"out.wav"});

    std::optional<OutputInPlace> fresh = prepareFilled(dir.file("new.wav"), pattern(5));
    ASSERT_TRUE(fresh);
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"out.wav"});
}

// The file is one object that can be handed on: the one it was moved to holds the samples and
// puts them under the name; the one moved from gives up nothing when it goes.
TEST(OutputInPlace, AMovedFileKeepsItsSamplesAndIsCommittedOnce) {
    ScratchDir dir;
    const auto name = dir.file("out.wav");
    const Frames expected = pattern(300);
    std::optional<OutputInPlace> first = prepareFilled(name, expected);
    ASSERT_TRUE(first);
    OutputInPlace moved = std::move(*first);
    first.reset();
    EXPECT_TRUE(folderEntries(dir.path()).empty());
    EXPECT_TRUE(std::equal(expected.samples.begin(), expected.samples.end(), moved.samples().begin()));
    ASSERT_TRUE(moved.commit());
    EXPECT_EQ(readBytes(name), expectedFile(expected));
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"out.wav"});
}

// A program killed during the render leaves nothing behind: neither a temporary file nor a
// changed old file.
TEST(OutputInPlace, KilledBeforeTheCommitLeavesTheFolderAsItWas) {
    ScratchDir dir;
    const auto name = dir.file("out.wav");
    const Bytes before = monoWaveBytes({4, 5});
    writeBytes(name, before);
    const Frames samples = pattern(100000);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::optional<OutputInPlace> out = prepareFilled(name, samples);
        ::raise(out ? SIGKILL : SIGABRT);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGKILL) << "SIGABRT: the file could not be prepared";
    EXPECT_EQ(readBytes(name), before);
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"out.wav"});
}

// (Its permission bits are kept: OutputFile.PermissionBitsOfAReplacedFileAreKept.)
TEST(OutputInPlace, SymbolicLinkKeepsPointingAtTheReplacedTarget) {
    ScratchDir dir;
    std::filesystem::create_directory(dir.file("store"));
    writeBytes(dir.file("store/take.wav"), Bytes(500, 0x11));
    std::filesystem::create_symlink("store/take.wav", dir.file("link.wav"));
    std::optional<OutputInPlace> linked = prepareFilled(dir.file("link.wav"), pattern(3));
    ASSERT_TRUE(linked);
    ASSERT_TRUE(linked->commit());
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link.wav")));
    EXPECT_EQ(readBytes(dir.file("store/take.wav")), expectedFile(pattern(3)));
    EXPECT_EQ(folderEntries(dir.file("store")), std::vector<std::string>{"take.wav"});
}

TEST(OutputInPlace, NewFileTakesTheUmask) {
    ScratchDir dir;
    const mode_t previousMask = ::umask(027);
    std::optional<OutputInPlace> out = prepareFilled(dir.file("new.wav"), pattern(2));
    const bool committed = out && out->commit();
    ::umask(previousMask);
    ASSERT_TRUE(committed);
    struct stat info {};
    ASSERT_EQ(::stat(dir.file("new.wav").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

// The temporary name given at the commit is cut so that it fits the system's limit; a name past
// 255 characters in all is used in full.
TEST(OutputInPlace, LongNamesAreUsedInFull) {
    ScratchDir dir;
    const std::string leaf(255, 'L');
    std::optional<OutputInPlace> out = prepareFilled(dir.file(leaf), pattern(2));
    ASSERT_TRUE(out);
    ASSERT_TRUE(out->commit());
    EXPECT_EQ(readBytes(dir.file(leaf)), expectedFile(pattern(2)));
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{leaf});

    std::string folder = dir.path().string();
    while (folder.size() < 230) {
        folder += "/" + std::string(20, 'd');
        std::filesystem::create_directory(folder);
    }
    const std::string name = folder + "/" + std::string(60, 'f') + ".wav";
    const std::string cut = name.substr(0, 255);
    writeBytes(cut, Bytes(7, 0x42));
    std::optional<OutputInPlace> deep = prepareFilled(name, pattern(4));
    ASSERT_TRUE(deep);
    ASSERT_TRUE(deep->commit());
    EXPECT_EQ(readBytes(name), expectedFile(pattern(4)));
    EXPECT_EQ(readBytes(cut), Bytes(7, 0x42));
    EXPECT_EQ(folderEntries(folder).size(), 2u);
}

// Whatever the writer refuses, or writes in place, is not prepared: the program then renders in
// memory and the writer gives its usual answer. Nothing is created meanwhile.
TEST(OutputInPlace, NotPreparedWhereTheWriterWouldNotReplaceAFile) {
    ScratchDir dir;
    writeBytes(dir.file("ro.wav"), Bytes(3, 3));
    ASSERT_EQ(::chmod(dir.file("ro.wav").c_str(), 0444), 0);
    std::filesystem::create_directory(dir.file("sub"));
    for (const std::string& name : {dir.file("ro.wav"), dir.file("sub"), dir.file("missing/out.wav"), std::string(),
                                    dir.file("new*.wav"), std::string("/dev/null")})
        EXPECT_FALSE(OutputInPlace::create(name, 10, 44100, 16)) << name;
    EXPECT_EQ(readBytes(dir.file("ro.wav")), Bytes(3, 3));
    EXPECT_EQ(folderEntries(dir.path()), (std::vector<std::string>{"ro.wav", "sub"}));
}

// A file size limit below the file's length (a full disk, in effect) is met when the space is
// reserved, before any render: nothing is prepared and nothing is left.
TEST(OutputInPlace, NoRoomForTheWholeFileIsKnownBeforeTheRender) {
    ScratchDir dir;
    const auto name = dir.file("new.wav");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlimit limit{1u << 20, 1u << 20};
        if (std::signal(SIGXFSZ, SIG_IGN) == SIG_ERR || ::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(2);
        ::_exit(OutputInPlace::create(name, 617400, 44100, 16) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: prepared beyond the limit, 2: no limit could be set";
    EXPECT_TRUE(folderEntries(dir.path()).empty());
}

// A commit that fails (a folder has taken the name meanwhile) says so and leaves no file; the
// samples stay readable, so that they can be written under another name.
TEST(OutputInPlace, FailedCommitKeepsTheSamplesForAnotherName) {
    ScratchDir dir;
    const Frames expected = pattern(1000);
    std::optional<OutputInPlace> out = prepareFilled(dir.file("out.wav"), expected);
    ASSERT_TRUE(out);
    std::filesystem::create_directory(dir.file("out.wav"));
    EXPECT_FALSE(out->commit());
    EXPECT_FALSE(out->commit());  // tried once only
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"out.wav"});
    EXPECT_TRUE(std::filesystem::is_empty(dir.file("out.wav")));

    // The samples stay readable after the failed commit, to be written under another name.
    ASSERT_TRUE(writeOutputWave(dir.file("other.wav"), out->frames(), out->samples(), 44100, 16));
    EXPECT_EQ(readBytes(dir.file("other.wav")), expectedFile(expected));
    EXPECT_EQ(folderEntries(dir.path()), (std::vector<std::string>{"other.wav", "out.wav"}));
}
#endif

}  // namespace
}  // namespace auralith
