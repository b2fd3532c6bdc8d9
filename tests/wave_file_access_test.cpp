// The platform file operations beneath the reader and writer: reads at an offset, and
// whole-file replacement with its special cases (new names, FIFOs, folders, broken links).
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/test_support.h"
#include "wave/files/file_access.h"

namespace auralith {
namespace {

using testing::readBytes;
using testing::ScratchDir;
using testing::writeBytes;

using Bytes = std::vector<std::uint8_t>;

std::vector<std::string> folderEntries(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

Bytes counting(std::size_t length) {
    Bytes bytes(length);
    for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<std::uint8_t>(i * 31 + 7);
    return bytes;
}

// --- Reading ---------------------------------------------------------------------------------------

TEST(ReadAt, ReadsFromTheOffsetAndStopsAtTheEnd) {
    ScratchDir dir;
    const auto name = dir.file("data");
    const Bytes content = counting(100);
    writeBytes(name, content);
    const auto file = openForReading(name);
    ASSERT_TRUE(file);

    Bytes part(10, 0xee);
    EXPECT_EQ(file->readAt(20, part.data(), part.size()), 10u);
    EXPECT_EQ(part, Bytes(content.begin() + 20, content.begin() + 30));

    Bytes tail(10, 0xee);
    EXPECT_EQ(file->readAt(95, tail.data(), tail.size()), 5u);
    EXPECT_EQ(Bytes(tail.begin(), tail.begin() + 5), Bytes(content.begin() + 95, content.end()));
    EXPECT_EQ(Bytes(tail.begin() + 5, tail.end()), Bytes(5, 0xee));  // left as it was

    EXPECT_EQ(file->readAt(100, tail.data(), tail.size()), 0u);
    EXPECT_EQ(file->readAt(1u << 31, tail.data(), tail.size()), 0u);
    EXPECT_EQ(file->readAt(0, tail.data(), 0), 0u);
}

TEST(ReadAt, LargeReadArrivesWhole) {
    ScratchDir dir;
    const auto name = dir.file("large");
    const Bytes content = counting(3 << 20);
    writeBytes(name, content);
    const auto file = openForReading(name);
    ASSERT_TRUE(file);
    Bytes all(content.size() + 100, 0);
    EXPECT_EQ(file->readAt(0, all.data(), all.size()), content.size());
    all.resize(content.size());
    EXPECT_EQ(all, content);
}

// The file stays readable while held even if its name is removed: it is one open file.
TEST(ReadAt, OpenFileOutlivesItsName) {
    ScratchDir dir;
    const auto name = dir.file("data");
    writeBytes(name, counting(8));
    const auto file = openForReading(name);
    ASSERT_TRUE(file);
    std::filesystem::remove(name);
    Bytes got(8);
    EXPECT_EQ(file->readAt(0, got.data(), got.size()), 8u);
    EXPECT_EQ(got, counting(8));
}

TEST(OpenForReading, EmptyFileOpens) {
    ScratchDir dir;
    writeBytes(dir.file("empty"), {});
    const auto file = openForReading(dir.file("empty"));
    ASSERT_TRUE(file);
    Bytes got(4, 1);
    EXPECT_EQ(file->readAt(0, got.data(), got.size()), 0u);
}

TEST(OpenForReading, ReadOnlyFileOpens) {
    ScratchDir dir;
    writeBytes(dir.file("ro"), counting(4));
    ASSERT_EQ(::chmod(dir.file("ro").c_str(), 0444), 0);
    EXPECT_TRUE(openForReading(dir.file("ro")));
}

TEST(OpenForReading, FileWithoutReadPermissionDoesNotOpen) {
    if (::geteuid() == 0) GTEST_SKIP() << "root may read any file";
    ScratchDir dir;
    writeBytes(dir.file("secret"), counting(4));
    ASSERT_EQ(::chmod(dir.file("secret").c_str(), 0200), 0);
    EXPECT_FALSE(openForReading(dir.file("secret")));
}

// --- Replacing -------------------------------------------------------------------------------------

TEST(ReplaceFileContents, HeaderThenData) {
    ScratchDir dir;
    const auto name = dir.file("out");
    const Bytes header = {1, 2, 3};
    const Bytes data = counting(1000);
    ASSERT_TRUE(replaceFileContents(name, header.data(), header.size(), data.data(), data.size()));
    Bytes expected = header;
    expected.insert(expected.end(), data.begin(), data.end());
    EXPECT_EQ(readBytes(name), expected);
}

TEST(ReplaceFileContents, EmptyContentsMakeAnEmptyFile) {
    ScratchDir dir;
    const auto name = dir.file("out");
    writeBytes(name, counting(50));
    ASSERT_TRUE(replaceFileContents(name, nullptr, 0, nullptr, 0));
    EXPECT_TRUE(std::filesystem::exists(name));
    EXPECT_EQ(std::filesystem::file_size(name), 0u);
}

TEST(ReplaceFileContents, NewFileTakesTheUmask) {
    ScratchDir dir;
    for (mode_t mask : {mode_t{022}, mode_t{027}, mode_t{077}, mode_t{0}}) {
        const auto name = dir.file("new" + std::to_string(mask));
        const Bytes header = {9};
        const mode_t previous = ::umask(mask);
        const bool written = replaceFileContents(name, header.data(), header.size(), nullptr, 0);
        ::umask(previous);
        ASSERT_TRUE(written);
        struct stat info {};
        ASSERT_EQ(::stat(name.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0666 & ~mask) << std::oct << mask;
    }
}

TEST(ReplaceFileContents, UmaskIsLeftAsItWas) {
    ScratchDir dir;
    const mode_t previous = ::umask(037);
    const Bytes header = {9};
    replaceFileContents(dir.file("x"), header.data(), header.size(), nullptr, 0);
    const mode_t after = ::umask(previous);
    EXPECT_EQ(after, mode_t{037});
}

TEST(ReplaceFileContents, HardLinkedFileIsReplacedUnderThisNameOnly) {
    ScratchDir dir;
    writeBytes(dir.file("a"), Bytes(3, 3));
    std::filesystem::create_hard_link(dir.file("a"), dir.file("b"));
    const Bytes header = {4};
    ASSERT_TRUE(replaceFileContents(dir.file("a"), header.data(), header.size(), nullptr, 0));
    EXPECT_EQ(readBytes(dir.file("a")), header);
    EXPECT_EQ(readBytes(dir.file("b")), Bytes(3, 3));
}

// A link to nothing is taken as a new name: the new file stands where the link was.
TEST(ReplaceFileContents, BrokenSymbolicLinkIsReplacedByTheFile) {
    ScratchDir dir;
    std::filesystem::create_symlink(dir.file("nowhere"), dir.file("link"));
    const Bytes header = {5, 6};
    ASSERT_TRUE(replaceFileContents(dir.file("link"), header.data(), header.size(), nullptr, 0));
    EXPECT_FALSE(std::filesystem::is_symlink(dir.file("link")));
    EXPECT_EQ(readBytes(dir.file("link")), header);
    EXPECT_FALSE(std::filesystem::exists(dir.file("nowhere")));
}

TEST(ReplaceFileContents, NameWithANulByteIsNotWritten) {
    ScratchDir dir;
    const Bytes header = {1};
    const std::string name = dir.file("a") + std::string(1, '\0') + "b";
    EXPECT_FALSE(replaceFileContents(name, header.data(), header.size(), nullptr, 0));
    EXPECT_TRUE(folderEntries(dir.path()).empty());
}

TEST(ReplaceFileContents, ComponentLongerThanTheSystemAllowsIsNotWritten) {
    ScratchDir dir;
    const Bytes header = {1};
    EXPECT_FALSE(replaceFileContents(dir.file(std::string(256, 'n')), header.data(), header.size(), nullptr, 0));
    EXPECT_TRUE(folderEntries(dir.path()).empty());
}

TEST(ReplaceFileContents, FileUsedAsAFolderIsNotWritten) {
    ScratchDir dir;
    writeBytes(dir.file("plain"), Bytes(2, 2));
    const Bytes header = {1};
    EXPECT_FALSE(replaceFileContents(dir.file("plain/out"), header.data(), header.size(), nullptr, 0));
    EXPECT_EQ(readBytes(dir.file("plain")), Bytes(2, 2));
}

// A FIFO is written in place. With no reader the open fails at once instead of waiting.
TEST(ReplaceFileContents, FifoWithoutAReaderFailsWithoutBlocking) {
    ScratchDir dir;
    const auto name = dir.file("pipe");
    ASSERT_EQ(::mkfifo(name.c_str(), 0600), 0);
    const Bytes header = {1, 2};
    ::alarm(20);
    const bool written = replaceFileContents(name, header.data(), header.size(), nullptr, 0);
    ::alarm(0);
    EXPECT_FALSE(written);
    struct stat info {};
    ASSERT_EQ(::lstat(name.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"pipe"});
}

// With a reader the whole run goes through the pipe, more than its buffer holds at once.
TEST(ReplaceFileContents, FifoWithAReaderReceivesEverything) {
    ScratchDir dir;
    const auto name = dir.file("pipe");
    ASSERT_EQ(::mkfifo(name.c_str(), 0600), 0);
    const int reader = ::open(name.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    ASSERT_EQ(::fcntl(reader, F_SETFL, 0), 0);
    // A writer of the test's own keeps the reader from seeing the end before the program opens it.
    const int holder = ::open(name.c_str(), O_WRONLY);
    ASSERT_GE(holder, 0);

    const Bytes header = {0xAA, 0xBB};
    const Bytes data = counting(1 << 20);
    Bytes received;
    std::thread drain([&] {
        std::uint8_t chunk[65536];
        for (ssize_t got; (got = ::read(reader, chunk, sizeof chunk)) > 0;)
            received.insert(received.end(), chunk, chunk + got);
    });
    ::alarm(60);
    const bool written = replaceFileContents(name, header.data(), header.size(), data.data(), data.size());
    ::close(holder);
    ::alarm(0);
    drain.join();
    ::close(reader);

    EXPECT_TRUE(written);
    Bytes expected = header;
    expected.insert(expected.end(), data.begin(), data.end());
    EXPECT_EQ(received, expected);
}

TEST(ReplaceFileContents, DevNullIsWrittenInPlace) {
    const Bytes header = {1, 2, 3, 4};
    const Bytes data = counting(100000);
    EXPECT_TRUE(replaceFileContents("/dev/null", header.data(), header.size(), data.data(), data.size()));
}

TEST(ReplaceFileContents, FullDeviceFails) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
    const Bytes header = {1, 2, 3, 4};
    EXPECT_FALSE(replaceFileContents("/dev/full", header.data(), header.size(), nullptr, 0));
}

}  // namespace
}  // namespace auralith
