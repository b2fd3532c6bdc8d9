// The output file built in place when its pages fail under the render: shrunk from outside
// through /proc, as another process of the user can do. The program must go on (the stores land
// in memory), know that the file failed, and never put the file or its lost samples under any
// name. Every other bus error still ends the program through the handler that was there before.
// Linux only: unnamed files and their mapping exist only there.
#if defined(__linux__)

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/test_support.h"
#include "wave/output_in_place.h"
#include "wave/output_wave.h"

namespace auralith {
namespace {

using testing::monoWaveBytes;
using testing::readBytes;
using testing::ScratchDir;
using testing::writeBytes;
namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

std::vector<std::string> folderEntries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The descriptors of this process that hold an unnamed file made in `folder`: /proc shows them
// as "<folder>/#<inode> (deleted)".
std::vector<int> unnamedFilesIn(const fs::path& folder) {
    const std::string prefix = fs::canonical(folder).string() + "/#";
    std::vector<int> found;
    for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        const std::string target = fs::read_symlink(entry.path(), error).string();
        if (!error && target.rfind(prefix, 0) == 0) found.push_back(std::stoi(entry.path().filename().string()));
    }
    return found;
}

// Sets the length of the one unnamed file in `folder` as another process would: opened anew
// through /proc, then truncated.
bool resizeFromOutside(const fs::path& folder, off_t length) {
    const std::vector<int> files = unnamedFilesIn(folder);
    if (files.size() != 1) return false;
    const int other = ::open(("/proc/self/fd/" + std::to_string(files[0])).c_str(), O_RDWR | O_CLOEXEC);
    if (other < 0) return false;
    const bool resized = ::ftruncate(other, length) == 0;
    ::close(other);
    return resized;
}

// Samples that differ from their neighbours, so that lost or misplaced ones show.
std::vector<std::int16_t> pattern(std::size_t count) {
    std::vector<std::int16_t> samples(count);
    for (std::size_t i = 0; i < count; ++i) samples[i] = static_cast<std::int16_t>(i * 2654435761u % 65536 - 32768);
    return samples;
}

// Fills the samples as the render does: two threads, each its own half, each store a page fault
// waiting to happen once the file has shrunk.
void fillInTwoThreads(std::span<std::int16_t> out, const std::vector<std::int16_t>& from) {
    const std::size_t half = out.size() / 2;
    std::thread second([&] {
        std::copy(from.begin() + static_cast<std::ptrdiff_t>(half), from.end(),
                  out.begin() + static_cast<std::ptrdiff_t>(half));
    });
    std::copy(from.begin(), from.begin() + static_cast<std::ptrdiff_t>(half), out.begin());
    second.join();
}

constexpr std::int32_t frames = 300000;  // 1.2 MB: hundreds of pages

class FailingPage : public ::testing::Test {
protected:
    void SetUp() override { writeBytes(name, before); }

    // A file made for `samples`, shrunk from outside to `length` bytes, then filled; empty when
    // it could not be made or shrunk.
    std::optional<OutputInPlace> filledAfterShrinkingTo(off_t length) const {
        std::optional<OutputInPlace> out = OutputInPlace::create(name, frames, 44100, 16);
        if (!out || !resizeFromOutside(dir.path(), length)) return std::nullopt;
        fillInTwoThreads(out->samples(), samples);
        return out;
    }

    // The folder holds the old file alone, as it was.
    void expectOldFileAlone() const {
        EXPECT_EQ(readBytes(name), before);
        EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"out.wav"});
    }

    ScratchDir dir;
    std::string name = dir.file("out.wav");
    Bytes before = monoWaveBytes({1, 2, 3});
    std::vector<std::int16_t> samples = pattern(2 * static_cast<std::size_t>(frames));
};

// Shrunk to nothing before a sample is stored: every page past the header is gone. The stores go
// into memory instead (both threads), the file has failed, and nothing reaches the name.
TEST_F(FailingPage, FileShrunkToNothingIsFilledInMemoryAndNeverCommitted) {
    std::optional<OutputInPlace> out = OutputInPlace::create(name, frames, 44100, 16);
    ASSERT_TRUE(out);
    EXPECT_FALSE(out->failed());
    ASSERT_TRUE(resizeFromOutside(dir.path(), 0));
    EXPECT_TRUE(out->failed()) << "a shrunk file is known to have failed before any page faults";

    fillInTwoThreads(out->samples(), samples);
    EXPECT_TRUE(out->failed());
    EXPECT_TRUE(std::equal(samples.begin(), samples.end(), out->samples().begin())) << "the stores went on in memory";

    EXPECT_FALSE(out->commit());
    EXPECT_FALSE(writeOutputWave(dir.file("other.wav"), frames, out->samples(), 44100, 16));
    EXPECT_FALSE(writeOutputWave("/dev/null", frames, out->samples(), 44100, 16));
    expectOldFileAlone();
    out.reset();
    expectOldFileAlone();
}

// Shrunk to half: the first half of the samples lies in the file, the second half faults
// partway through the fill.
TEST_F(FailingPage, FileShrunkToHalfFaultsPartwayAndIsNeverCommitted) {
    std::optional<OutputInPlace> out = filledAfterShrinkingTo(44 + 2 * frames);
    ASSERT_TRUE(out);
    EXPECT_TRUE(out->failed());
    EXPECT_FALSE(out->commit());
    expectOldFileAlone();
}

// A file that faulted and was then given back its whole length (zeros where the pages were) has
// still lost its samples: the failed page tells, not the length.
TEST_F(FailingPage, FileGivenBackItsLengthAfterTheFaultStaysFailed) {
    std::optional<OutputInPlace> out = filledAfterShrinkingTo(0);
    ASSERT_TRUE(out);
    ASSERT_TRUE(resizeFromOutside(dir.path(), 44 + 4 * static_cast<off_t>(frames)));
    EXPECT_TRUE(out->failed());
    EXPECT_FALSE(out->commit());
    EXPECT_FALSE(writeOutputWave(dir.file("other.wav"), frames, out->samples(), 44100, 16));
    expectOldFileAlone();
}

// After a failed file is given up, the next one is built in place as usual and committed whole.
TEST_F(FailingPage, TheNextFileAfterAFailedOneIsCommittedAsUsual) {
    {
        const std::optional<OutputInPlace> failed = filledAfterShrinkingTo(0);
        ASSERT_TRUE(failed && failed->failed());
    }
    std::optional<OutputInPlace> out = OutputInPlace::create(name, frames, 44100, 16);
    ASSERT_TRUE(out);
    fillInTwoThreads(out->samples(), samples);
    EXPECT_FALSE(out->failed());
    ASSERT_TRUE(out->commit());
    const Bytes written = readBytes(name);
    ASSERT_EQ(written.size(), 44 + 4 * static_cast<std::size_t>(frames));
    EXPECT_EQ(written, [&] {
        ScratchDir other;
        EXPECT_TRUE(writeOutputWave(other.file("w.wav"), frames, samples, 44100, 16));
        return readBytes(other.file("w.wav"));
    }());
}

// The handler is there only while a file is mapped: the one before it comes back afterwards.
TEST(FailingPageHandler, IsInstalledOnlyWhileAFileIsMapped) {
    ScratchDir dir;
    struct sigaction before {};
    ASSERT_EQ(::sigaction(SIGBUS, nullptr, &before), 0);
    {
        std::optional<OutputInPlace> first = OutputInPlace::create(dir.file("a.wav"), 10, 44100, 16);
        std::optional<OutputInPlace> second = OutputInPlace::create(dir.file("b.wav"), 10, 44100, 16);
        ASSERT_TRUE(first && second);
        struct sigaction during {};
        ASSERT_EQ(::sigaction(SIGBUS, nullptr, &during), 0);
        EXPECT_TRUE(during.sa_flags & SA_SIGINFO);
        EXPECT_NE(reinterpret_cast<void*>(during.sa_sigaction), reinterpret_cast<void*>(before.sa_sigaction));
        first.reset();
        struct sigaction oneLeft {};
        ASSERT_EQ(::sigaction(SIGBUS, nullptr, &oneLeft), 0);
        EXPECT_EQ(reinterpret_cast<void*>(oneLeft.sa_sigaction), reinterpret_cast<void*>(during.sa_sigaction));
    }
    struct sigaction after {};
    ASSERT_EQ(::sigaction(SIGBUS, nullptr, &after), 0);
    EXPECT_EQ(reinterpret_cast<void*>(after.sa_sigaction), reinterpret_cast<void*>(before.sa_sigaction));
    // (The C library adds a flag of its own, SA_RESTORER, to every handler it installs.)
    const int flags = SA_SIGINFO | SA_RESETHAND | SA_ONSTACK | SA_NODEFER;
    EXPECT_EQ(after.sa_flags & flags, before.sa_flags & flags);
}

// --- Every other bus error ends the program, through the handler that was there before -------------

int reportPipe = -1;

// Stands in for the handler that puts the terminal back: it says so, then the default action
// ends the program (reset by SA_RESETHAND, raised again).
void onBusErrorBefore(int signal) {
    const char seen = 'B';
    if (::write(reportPipe, &seen, 1) != 1) ::_exit(3);
    ::raise(signal);
}

enum class BusError { faultOutside, sentFromOutside };

// In a child: the stand-in handler (or the default action), then a file built in place (whose
// handler goes on top), then a bus error that is not the file's. The child must end by SIGBUS,
// after the stand-in ran.
void busErrorWhileAFileIsMapped(const std::string& folder, BusError kind, bool standIn) {
    const rlimit noCore{0, 0};
    struct sigaction before {};
    before.sa_handler = standIn ? onBusErrorBefore : SIG_DFL;
    sigemptyset(&before.sa_mask);
    before.sa_flags = SA_RESETHAND;
    if (::setrlimit(RLIMIT_CORE, &noCore) != 0 || ::sigaction(SIGBUS, &before, nullptr) != 0) ::_exit(4);
    std::optional<OutputInPlace> out = OutputInPlace::create(folder + "/out.wav", 1000, 44100, 16);
    if (!out) ::_exit(5);
    if (kind == BusError::sentFromOutside) {
        ::kill(::getpid(), SIGBUS);
        ::_exit(6);
    }
    // Another mapped file, not guarded, shrunk under its mapping.
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    const long page = ::sysconf(_SC_PAGESIZE);
    if (fd < 0 || ::ftruncate(fd, 2 * page) != 0) ::_exit(7);
    auto* bytes = static_cast<volatile char*>(::mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0));
    if (bytes == MAP_FAILED || ::ftruncate(fd, 0) != 0) ::_exit(8);
    bytes[page] = 1;
    ::_exit(9);
}

TEST(FailingPageHandler, OtherBusErrorsGoToTheHandlerBeforeIt) {
    for (const auto& [kind, standIn] :
         {std::pair{BusError::faultOutside, true}, std::pair{BusError::sentFromOutside, true},
          std::pair{BusError::faultOutside, false}, std::pair{BusError::sentFromOutside, false}}) {
        ScratchDir dir;
        int report[2];
        ASSERT_EQ(::pipe(report), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(report[0]);
            reportPipe = report[1];
            busErrorWhileAFileIsMapped(dir.path().string(), kind, standIn);
        }
        ::close(report[1]);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        char seen = 0;
        const ssize_t got = ::read(report[0], &seen, 1);
        ::close(report[0]);
        const std::string what =
            std::to_string(static_cast<int>(kind)) + (standIn ? " after a handler" : " by default");
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGBUS)
            << what << ": exit " << (WIFEXITED(status) ? WEXITSTATUS(status) : -1);
        EXPECT_EQ(got, standIn ? 1 : 0) << what << ": the handler before ran " << got << " times";
        EXPECT_TRUE(folderEntries(dir.path()).empty()) << what;
    }
}

}  // namespace
}  // namespace auralith

#endif  // __linux__
