// The job when the output file built in place fails under the render: its unnamed file shrunk
// from outside, so that the render's stores past the new end fault. The job goes on: the output
// is rendered again in memory and written the ordinary way, byte for byte the file of an
// undisturbed job; when that write fails too, the usual error box asks for another name.
// Linux only: unnamed files and their mapping exist only there.
#if defined(__linux__)

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <filesystem>
#include <set>
#include <string>

#include "job/driver/job.h"
#include "support/memory_backend.h"
#include "support/test_support.h"

namespace {

// How the next output file built in place is disturbed, set by a test.
std::atomic<long long> shrinkTo{-1};        // its new length, or -1: left alone
std::atomic<bool> limitWritesAfter{false};  // then no file may grow past 64 KiB
std::atomic<int> shrunk{0};                 // files shrunk so far

// Shrinks the file as another process would: opened anew through /proc, then truncated.
bool shrinkFromOutside(int fd, long long length) {
    const int other = ::open(("/proc/self/fd/" + std::to_string(fd)).c_str(), O_RDWR | O_CLOEXEC);
    if (other < 0) return false;
    const bool done = ::ftruncate(other, static_cast<off_t>(length)) == 0;
    ::close(other);
    return done;
}

}  // namespace

// This test program's own fallocate, found before the C library's: the output file built in
// place is given its space by the real one, then (when a test asks) shrunk at once from outside,
// before the render starts. Its pages past the new end then fail while the render fills them, at
// the same point of the render on every run.
extern "C" int fallocate(int fd, int mode, off_t offset, off_t length) {
    using Real = int (*)(int, int, off_t, off_t);
    static const auto real =
        reinterpret_cast<Real>(::dlsym(RTLD_NEXT, sizeof(off_t) > sizeof(long) ? "fallocate64" : "fallocate"));
    if (real == nullptr) {
        errno = ENOSYS;
        return -1;
    }
    const int result = real(fd, mode, offset, length);
    const long long to = shrinkTo.exchange(-1);
    if (result == 0 && to >= 0 && shrinkFromOutside(fd, to)) {
        ++shrunk;
        // The soft limit alone, which the test can raise again without any privilege.
        rlimit limit{};
        if (limitWritesAfter && ::getrlimit(RLIMIT_FSIZE, &limit) == 0) {
            limit.rlim_cur = 1u << 16;
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
    }
    return result;
}

namespace auralith {
namespace {

using testing::ScratchDir;
namespace fs = std::filesystem;

std::set<std::string> entries(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
}

struct Session {
    MemoryBackend backend;
    int status = -1;
};

Session runWithText(const std::string& typed) {
    Session session;
    session.backend.script = keysFromText(typed);
    Console console(session.backend);
    RandomState random;
    session.status = runJob(console, random);
    return session;
}

// The golden recording: its output files' digests are known for every choice.
class FailingPageJob : public ::testing::Test {
protected:
    void SetUp() override {
        testing::writeBytes(input, testing::monoWaveBytes(testing::goldenRecording()));
        shrunk = 0;
        ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &savedLimit), 0);
        savedXfsz = std::signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails instead
    }
    void TearDown() override {
        shrinkTo = -1;
        limitWritesAfter = false;
        EXPECT_EQ(::setrlimit(RLIMIT_FSIZE, &savedLimit), 0);
        std::signal(SIGXFSZ, savedXfsz);
    }

    // Half the samples of the golden recording's output, as a file length: the render's stores
    // into the second half fault.
    static long long halfTheFile() { return 44 + 2 * (13LL * (44100 + 3000) + 44100); }

    std::string digestOf(const std::string& name) const { return testing::sha256Hex(testing::readBytes(name)); }

    ScratchDir dir;
    std::string input = dir.file("take.wav");
    std::string output = dir.file("out.wav");
    rlimit savedLimit{};
    void (*savedXfsz)(int) = SIG_DFL;
};

TEST_F(FailingPageJob, ShrunkUnderTheRenderStillGivesTheSameFile) {
    for (int choice = 1; choice <= 6; ++choice) {
        fs::remove(output);
        shrinkTo = choice % 2 == 0 ? 0 : halfTheFile();
        const Session s = runWithText(input + "\r" + std::to_string(choice) + "\r" + output + "\r\r");
        EXPECT_EQ(shrunk, choice) << "the file built in place was not shrunk";
        EXPECT_EQ(s.status, 0) << choice;
        EXPECT_TRUE(s.backend.errors.empty()) << choice << ": " << s.backend.errors[0].message;
        EXPECT_EQ(digestOf(output), testing::goldenDigests[choice - 1]) << choice;
        EXPECT_EQ(entries(dir.path()), (std::set<std::string>{"take.wav", "out.wav"})) << choice;
        EXPECT_EQ(rowText(s.backend.presented, 41), "   Writing output file...");
        EXPECT_EQ(rowText(s.backend.presented, 42), "   Done");
        EXPECT_EQ(rowText(s.backend.presented, 47), "   Job finished");
    }
}

// The output rendered again in memory cannot be written either (the disk is full, in effect):
// the error box, the question again, and the old file of the name kept as it was.
TEST_F(FailingPageJob, WhenTheOrdinaryWriteFailsTooTheNameIsAskedAgain) {
    const std::vector<std::uint8_t> old{5, 4, 3, 2, 1};
    testing::writeBytes(output, old);
    shrinkTo = halfTheFile();
    limitWritesAfter = true;
    const Session s = runWithText(input + "\r4\r" + output + "\r/dev/null\r\r");
    EXPECT_EQ(shrunk, 1);
    EXPECT_EQ(s.status, 0);
    ASSERT_EQ(s.backend.errors.size(), 1u);
    EXPECT_EQ(s.backend.errors[0].message, "The output file could not be written  ");
    EXPECT_EQ(rowText(s.backend.errors[0].screen, 41), "   Writing output file...");
    EXPECT_EQ(rowText(s.backend.presented, 31), "   Output file?      /dev/null");
    EXPECT_EQ(rowText(s.backend.presented, 47), "   Job finished");
    EXPECT_EQ(testing::readBytes(output), old);
    EXPECT_EQ(entries(dir.path()), (std::set<std::string>{"take.wav", "out.wav"}));
}

}  // namespace
}  // namespace auralith

#endif  // __linux__
