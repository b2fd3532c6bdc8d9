// The real program under faults: failed writes, an input file that changes under it, names that
// are not plain files, awkward names, the longest recording and a terminal that hangs up. Each
// test checks the message and that nothing is lost: earlier files intact, no stray files left.
// Linux only: a write-size limit, inotify and pseudo-terminals do the work.
#if defined(__linux__)

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "sim/render.h"
#include "support/test_support.h"
#include "wave/input_wave.h"
#include "wave/output_wave.h"

namespace auralith {
namespace {

using testing::ScratchDir;
namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

const std::string writeFailed = "ERROR: The output file could not be written  \n";
const std::string notFound = "ERROR:             File not found.\n Please enter a valid filename  \n";
const std::string tooLong = "ERROR: The input file is too long: at most 82548031 samples (31 minutes)  \n";

struct ProgramRun {
    int status = -1;  // exit status, or -1 when the program did not exit normally
    std::string out;
    std::string err;
};

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string line(const std::string& text, int number) {
    std::istringstream in(text);
    std::string row;
    for (int k = 0; k < number && std::getline(in, row); ++k) {
    }
    return row;
}

// Every name in a folder, so that a stray temporary or truncated file shows up.
std::set<std::string> entries(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
}

std::string quoted(const std::string& path) { return "'" + path + "'"; }

// A scratch folder for the program to work in, and another for its keys, screen and errors,
// which thus never show up among the files the program leaves.
class Fault : public ::testing::Test {
protected:
    void SetUp() override {
        testing::writeBytes(work.file("take.wav"), testing::monoWaveBytes(testing::goldenRecording()));
    }

    // Runs the program in the work folder through a shell; `prefix` runs first (limits, traps).
    ProgramRun run(const std::string& keys, const std::string& prefix = "") const {
        {
            std::ofstream in(io.file("keys"), std::ios::binary);
            in << keys;
        }
        const std::string command = "cd " + quoted(work.path().string()) + " && " + prefix +
                                    " timeout -s KILL 300 '" AURALITH_BINARY "' < " + quoted(io.file("keys")) + " > " +
                                    quoted(io.file("screen")) + " 2> " + quoted(io.file("errors"));
        const int raw = std::system(command.c_str());
        ProgramRun result;
        result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        result.out = fileText(io.file("screen"));
        result.err = fileText(io.file("errors"));
        return result;
    }

    std::string digestOf(const std::string& name) const {
        return testing::sha256Hex(testing::readBytes(work.file(name)));
    }

    ScratchDir work;
    ScratchDir io;
};

// --- Failed writes --------------------------------------------------------------------------

TEST_F(Fault, OutputIntoAMissingFolderIsRefusedAndAskedAgain) {
    const ProgramRun result = run("take.wav\n3\nnowhere/out.wav\nout.wav\n\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, writeFailed);
    EXPECT_EQ(entries(work.path()), (std::set<std::string>{"take.wav", "out.wav"}));
    EXPECT_EQ(digestOf("out.wav"), testing::goldenDigests[2]);
    EXPECT_EQ(line(result.out, 31), "   Output file?      out.wav");
    EXPECT_EQ(line(result.out, 47), "   Job finished");
}

TEST_F(Fault, OutputIntoAReadOnlyFolderLeavesItUntouched) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    fs::create_directory(work.file("locked"));
    const Bytes old{9, 8, 7, 6};
    testing::writeBytes(work.file("locked/old.wav"), old);
    fs::permissions(work.file("locked"), fs::perms::owner_read | fs::perms::owner_exec);
    const ProgramRun result = run("take.wav\n4\nlocked/old.wav\nlocked/new.wav\nout.wav\n\n");
    fs::permissions(work.file("locked"), fs::perms::owner_all);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, writeFailed + writeFailed);
    EXPECT_EQ(entries(work.file("locked")), (std::set<std::string>{"old.wav"}));
    EXPECT_EQ(testing::readBytes(work.file("locked/old.wav")), old);
    EXPECT_EQ(digestOf("out.wav"), testing::goldenDigests[3]);
}

TEST_F(Fault, OutputOverAReadOnlyFileKeepsItAndItsPermissions) {
    const Bytes old{1, 2, 3, 4, 5};
    testing::writeBytes(work.file("old.wav"), old);
    fs::permissions(work.file("old.wav"), fs::perms::owner_read | fs::perms::group_read);
    const ProgramRun result = run("take.wav\n1\nold.wav\nout.wav\n\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, writeFailed);
    EXPECT_EQ(testing::readBytes(work.file("old.wav")), old);
    EXPECT_EQ(fs::status(work.file("old.wav")).permissions(), fs::perms::owner_read | fs::perms::group_read);
    EXPECT_EQ(entries(work.path()), (std::set<std::string>{"take.wav", "old.wav", "out.wav"}));
    EXPECT_EQ(digestOf("out.wav"), testing::goldenDigests[0]);
}

// A full file system, as a 32 KiB write limit: the output (2.5 MB) cannot be written under any
// name. An earlier file of the name survives byte for byte, no partial file is left, and a
// device that takes any amount (not limited) then takes the buffer kept in memory.
TEST_F(Fault, FullFileSystemKeepsTheOldFileAndLeavesNoPartialOne) {
    Bytes old(5000);
    for (std::size_t i = 0; i < old.size(); ++i) old[i] = static_cast<std::uint8_t>(i * 7 + 3);
    testing::writeBytes(work.file("out.wav"), old);
    const ProgramRun result = run("take.wav\n5\nout.wav\nnew.wav\n/dev/null\n\n", "ulimit -f 64 && trap '' XFSZ &&");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, writeFailed + writeFailed);
    EXPECT_EQ(testing::readBytes(work.file("out.wav")), old);
    EXPECT_EQ(entries(work.path()), (std::set<std::string>{"take.wav", "out.wav"}));
    EXPECT_EQ(line(result.out, 31), "   Output file?      /dev/null");
    EXPECT_EQ(line(result.out, 47), "   Job finished");
}

TEST_F(Fault, FullFileSystemWithTheInputEndingLeavesNothingBehind) {
    const ProgramRun result = run("take.wav\n5\nout.wav\n", "ulimit -f 64 && trap '' XFSZ &&");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err.rfind(writeFailed, 0), 0u) << result.err;
    EXPECT_NE(result.err.find("input ended"), std::string::npos) << result.err;
    EXPECT_EQ(entries(work.path()), (std::set<std::string>{"take.wav"}));
}

// --- Names that are not plain files ----------------------------------------------------------

class OddNames : public Fault {
protected:
    void SetUp() override {
        Fault::SetUp();
        fs::create_directory(work.file("folder"));
        ASSERT_EQ(::mkfifo(work.file("fifo").c_str(), 0644), 0);
        fs::create_symlink("nothing-here.wav", work.file("broken"));
    }
};

TEST_F(OddNames, FolderFifoAndBrokenLinkAreNotFoundAsInput) {
    const ProgramRun result = run("folder\nfifo\nbroken\ntake.wav\n2\nout.wav\n\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, notFound + notFound + notFound);
    EXPECT_EQ(digestOf("out.wav"), testing::goldenDigests[1]);
}

TEST_F(OddNames, FolderAndFifoWithoutReaderCannotBeWrittenAndStayAsTheyWere) {
    const ProgramRun result = run("take.wav\n2\nfolder\nfifo\nout.wav\n\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, writeFailed + writeFailed);
    EXPECT_TRUE(fs::is_directory(work.file("folder")));
    EXPECT_TRUE(fs::is_empty(work.file("folder")));
    EXPECT_TRUE(fs::is_fifo(work.file("fifo")));
    EXPECT_EQ(entries(work.path()), (std::set<std::string>{"take.wav", "folder", "fifo", "broken", "out.wav"}));
    EXPECT_EQ(digestOf("out.wav"), testing::goldenDigests[1]);
}

TEST_F(OddNames, ABrokenLinkAsOutputBecomesTheWrittenFile) {
    const ProgramRun result = run("take.wav\n6\nbroken\n\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(work.file("broken"))));
    EXPECT_EQ(digestOf("broken"), testing::goldenDigests[5]);
    EXPECT_EQ(entries(work.path()), (std::set<std::string>{"take.wav", "folder", "fifo", "broken"}));
}

// --- An output name that stands for the input -------------------------------------------------

// The recording under its own name, another spelling of it, a symbolic link and a hard link to it:
// each is refused like a failed write and asked again, and the take stays byte for byte.
class OverTheInput : public Fault, public ::testing::WithParamInterface<const char*> {};

TEST_P(OverTheInput, IsRefusedAndTheNameAskedAgain) {
    fs::create_symlink("take.wav", work.file("link.wav"));
    fs::create_hard_link(work.file("take.wav"), work.file("hard.wav"));
    const Bytes take = testing::readBytes(work.file("take.wav"));
    const ProgramRun result = run("take.wav\n4\n" + std::string(GetParam()) + "\nout.wav\n\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "ERROR: The output file would replace the input file  \n");
    EXPECT_EQ(testing::readBytes(work.file("take.wav")), take);
    EXPECT_TRUE(fs::is_symlink(work.file("link.wav")));
    EXPECT_EQ(digestOf("out.wav"), testing::goldenDigests[3]);
    EXPECT_EQ(line(result.out, 31), "   Output file?      out.wav");
    EXPECT_EQ(line(result.out, 47), "   Job finished");
}

INSTANTIATE_TEST_SUITE_P(Names, OverTheInput, ::testing::Values("take.wav", "./take.wav", "link.wav", "hard.wav"));

// --- Awkward names, used exactly as typed -----------------------------------------------------

class AwkwardName : public Fault, public ::testing::WithParamInterface<const char*> {};

TEST_P(AwkwardName, WorksAsInputAndOutputName) {
    const std::string name = GetParam();
    const std::string output = name + " out.wav";
    fs::copy_file(work.file("take.wav"), work.file(name));
    const ProgramRun result = run(name + "\n2\n" + output + "\n\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(digestOf(output), testing::goldenDigests[1]);
    EXPECT_EQ(entries(work.path()), (std::set<std::string>{"take.wav", name, output}));
    EXPECT_EQ(line(result.out, 8), "   Input file?       " + name);
    EXPECT_EQ(line(result.out, 31), "   Output file?      " + output);
}

INSTANTIATE_TEST_SUITE_P(Names, AwkwardName,
                         ::testing::Values("my take 1.wav", "it's \"quoted\" `here`.wav", "-take.wav", "--help",
                                           "$(touch pwned) ;|&.wav", "Grüße Ωμέγα Привет ñ.wav"));

TEST_F(Fault, ANameWithATrailingBlankIsAnotherName) {
    const ProgramRun result = run("take.wav \ntake.wav\n2\nout.wav \n\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, notFound);
    EXPECT_EQ(entries(work.path()), (std::set<std::string>{"take.wav", "out.wav "}));
}

// A name is never cut short: 300 characters make one file-name component longer than any file
// system allows, so the write fails, where a cut at 255 would have created a file.
TEST_F(Fault, ALongNameIsUsedInFullNotCut) {
    const std::string longName(300, 'n');
    const ProgramRun result = run("take.wav\n3\n" + longName + "\nout.wav\n\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, writeFailed);
    EXPECT_EQ(entries(work.path()), (std::set<std::string>{"take.wav", "out.wav"}));
}

// The editor takes 10 000 characters: the 10 000th is kept and the 10 001st dropped. Such a name
// is too long for the system to open, so it is not found. The second attempt is cut off by the
// end of the input, and the final screen shows the tail of what was typed.
TEST_F(Fault, TheTenThousandAndFirstCharacterIsDropped) {
    const std::string typed = std::string(9999, 'a') + "bZ";
    const ProgramRun result = run(typed + "\n" + typed);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err.rfind(notFound, 0), 0u) << result.err;
    EXPECT_NE(result.err.find("input ended"), std::string::npos);
    EXPECT_NE(result.out.find("aab"), std::string::npos) << result.out;
    EXPECT_EQ(result.out.find('Z'), std::string::npos) << result.out;
    EXPECT_EQ(entries(work.path()), (std::set<std::string>{"take.wav"}));
}

// --- The longest recording ---------------------------------------------------------------------

// A 44-byte header that announces `dataSize` bytes of samples, and no samples.
Bytes headerOnly(std::uint32_t dataSize) {
    Bytes bytes = testing::monoWaveBytes({});
    for (int k = 0; k < 4; ++k)
        bytes[40 + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(dataSize >> (8 * k));
    return bytes;
}

// The header step alone decides; it needs no memory for the samples, as a 100 MB address-space
// limit shows (left out under AddressSanitizer, which reserves far more address space itself).
std::string smallAddressSpace() { return testing::underAddressSanitizer ? "" : "ulimit -v 102400 &&"; }

TEST_F(Fault, TheLongestRecordingIsAccepted) {
    testing::writeBytes(work.file("long.wav"), headerOnly(2u * 82548031u));
    const ProgramRun result = run("long.wav\n", smallAddressSpace());
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err.find("ERROR"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("input ended"), std::string::npos) << result.err;
    EXPECT_EQ(line(result.out, 15), "                     Length       82548031 samples");
    EXPECT_EQ(line(result.out, 16), "                     Duration     1871.84 seconds");
}

TEST_F(Fault, OneSampleMoreIsTooLong) {
    for (const std::uint32_t dataSize : {2u * 82548032u, 2u * 82548031u + 1u, 0xFFFFFFFEu}) {
        testing::writeBytes(work.file("long.wav"), headerOnly(dataSize));
        const ProgramRun result = run("long.wav\n", smallAddressSpace());
        EXPECT_EQ(result.status, 1) << dataSize;
        EXPECT_EQ(result.err.rfind(tooLong, 0), 0u) << dataSize << ": " << result.err;
        EXPECT_EQ(line(result.out, 15), "") << dataSize;
    }
}

// --- The input file changing between the header step and the load -----------------------------

// The program on a pipe that the test writes to, so that the test can act between answers.
struct PipedProgram {
    pid_t pid = -1;
    int keys = -1;

    PipedProgram(const std::string& folder, const std::string& out, const std::string& err) {
        int fds[2];
        if (::pipe(fds) != 0) return;
        pid = ::fork();
        if (pid == 0) {
            ::dup2(fds[0], 0);
            const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(o, 1);
            ::dup2(e, 2);
            ::close(fds[1]);
            if (::chdir(folder.c_str()) != 0) ::_exit(126);
            ::execl(AURALITH_BINARY, AURALITH_BINARY, static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[0]);
        keys = fds[1];
    }
    bool send(const std::string& text) const {
        return ::write(keys, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    }
    // Ends the input and waits for the exit; -1 when it did not exit normally in time.
    int finish() {
        if (keys >= 0) ::close(keys);
        keys = -1;
        return waitFor(pid);
    }
    static int waitFor(pid_t child) {
        for (int i = 0; i < 6000; ++i) {
            int status = 0;
            const pid_t done = ::waitpid(child, &status, WNOHANG);
            if (done == child) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        return -2;
    }
};

// The output file a recording of the header's length gives when the load finds `loaded`.
std::string expectedDigest(const std::vector<std::int16_t>& loaded, MicArray choice) {
    RandomState random;
    const auto buffer = renderStereo(choice, loaded, 44100, measureGuardGain(loaded), random);
    if (!buffer) return "no memory";
    ScratchDir dir;
    if (!writeOutputWave(dir.file("expected.wav"), buffer->frames, buffer->view(), 44100, 16)) return "not written";
    return testing::sha256Hex(testing::readBytes(dir.file("expected.wav")));
}

enum class Change { deleted, truncatedOdd, cutInsideHeader, replacedByShorter };

class InputChanges : public Fault, public ::testing::WithParamInterface<Change> {};

// The header is read when the input name is answered; the samples only after the output name.
// inotify reports when the program has closed the file after the header step, the test then
// changes the file, and answers the remaining questions.
TEST_P(InputChanges, BetweenHeaderAndLoadGivesZerosPastTheEnd) {
    const std::vector<std::int16_t> original = testing::goldenRecording();
    const std::string take = work.file("take.wav");
    const int watch = ::inotify_init1(IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, take.c_str(), IN_CLOSE_NOWRITE), 0);

    PipedProgram program(work.path().string(), io.file("screen"), io.file("errors"));
    ASSERT_GT(program.pid, 0);
    ASSERT_TRUE(program.send("take.wav\n"));
    pollfd ready{watch, POLLIN, 0};
    const bool headerRead = ::poll(&ready, 1, 60000) == 1;
    ::close(watch);
    if (!headerRead) program.finish();
    ASSERT_TRUE(headerRead) << "the program never closed the input after the header step";

    std::vector<std::int16_t> expected(original.size(), 0);
    const Bytes bytes = testing::readBytes(take);
    switch (GetParam()) {
        case Change::deleted: fs::remove(take); break;
        case Change::truncatedOdd:
            // 1000 samples and the low byte of the next: it lands as the low byte of sample 1000.
            fs::resize_file(take, 44 + 2 * 1000 + 1);
            for (std::size_t i = 0; i < 1000; ++i) expected[i] = original[i];
            expected[1000] = static_cast<std::int16_t>(bytes[44 + 2000]);
            break;
        case Change::cutInsideHeader: fs::resize_file(take, 30); break;
        case Change::replacedByShorter: {
            // Another recording under the name, of another header and 500 samples: its header
            // is not read again, its samples are.
            std::vector<std::int16_t> other(500);
            for (std::size_t i = 0; i < other.size(); ++i) other[i] = static_cast<std::int16_t>(i * 97 - 20000);
            testing::writeBytes(work.file("other.tmp"), testing::monoWaveBytes(other, 2, 8000, 8));
            fs::rename(work.file("other.tmp"), take);
            for (std::size_t i = 0; i < other.size(); ++i) expected[i] = other[i];
            break;
        }
    }
    ASSERT_TRUE(program.send("4\nout.wav\n\n"));
    EXPECT_EQ(program.finish(), 0);
    EXPECT_EQ(fileText(io.file("errors")), "");
    const std::string screen = fileText(io.file("screen"));
    EXPECT_EQ(line(screen, 15), "                     Length       3000 samples");
    EXPECT_EQ(line(screen, 47), "   Job finished");
    EXPECT_EQ(digestOf("out.wav"), expectedDigest(expected, MicArray::ortfPair));
}

INSTANTIATE_TEST_SUITE_P(Changes, InputChanges,
                         ::testing::Values(Change::deleted, Change::truncatedOdd, Change::cutInsideHeader,
                                           Change::replacedByShorter),
                         [](const ::testing::TestParamInfo<Change>& info) {
                             switch (info.param) {
                                 case Change::deleted: return std::string("Deleted");
                                 case Change::truncatedOdd: return std::string("TruncatedOdd");
                                 case Change::cutInsideHeader: return std::string("CutInsideHeader");
                                 case Change::replacedByShorter: return std::string("ReplacedByShorter");
                             }
                             return std::string();
                         });

// --- Ended while writing -------------------------------------------------------------------------

// A termination signal while the output is being written waits for the file to be complete and
// in place (or gone): never a temporary or half-written file under any name.
TEST_F(Fault, TerminationWhileWritingLeavesTheWholeFileOrNothing) {
    std::vector<std::int16_t> long_(44100 * 60);
    for (std::size_t i = 0; i < long_.size(); ++i) long_[i] = static_cast<std::int16_t>(i * 7 % 20000 - 10000);
    testing::writeBytes(work.file("long.wav"), testing::monoWaveBytes(long_));
    const int watch = ::inotify_init1(IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, work.path().c_str(), IN_CREATE), 0);

    PipedProgram program(work.path().string(), io.file("screen"), io.file("errors"));
    ASSERT_GT(program.pid, 0);
    ASSERT_TRUE(program.send("long.wav\n1\nsweep.wav\n"));
    // The first name created in the folder is the temporary one the output goes under before it
    // is renamed (a file built in place has no name before that; one written from memory gets it
    // when it is created). The wait only guards against a hang: under an emulator (the 32-bit
    // build through qemu-i386) the render alone takes about a minute.
    bool created = false;
    for (int i = 0; i < 6000 && !created; ++i) {
        pollfd ready{watch, POLLIN, 0};
        if (::poll(&ready, 1, 100) != 1) continue;
        alignas(inotify_event) char buffer[4096];
        const ssize_t n = ::read(watch, buffer, sizeof buffer);
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if (event->len > 0 && std::string(event->name) != "long.wav") created = true;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    ::close(watch);
    ASSERT_TRUE(created);
    ::kill(program.pid, SIGTERM);
    int status = 0;
    ASSERT_EQ(::waitpid(program.pid, &status, 0), program.pid);
    ::close(program.keys);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << "the signal still ends the program";
    const auto left = entries(work.path());
    EXPECT_TRUE(left == (std::set<std::string>{"long.wav", "take.wav"}) ||
                left == (std::set<std::string>{"long.wav", "sweep.wav", "take.wav"}))
        << [&] {
               std::string names;
               for (const auto& name : left) names += name + " ";
               return names;
           }();
    if (left.count("sweep.wav") == 1) {
        EXPECT_EQ(fs::file_size(work.file("sweep.wav")), 44u + 4u * (13u * (44100u + 44100u * 60u) + 44100u));
    }
}

// --- The output file shrunk from outside while it is rendered ------------------------------------

// Opens the output file that process `pid` builds in place in `folder` (/proc shows its
// descriptor as "<folder>/#<inode> (deleted)") once it has its whole length; -1 while not.
int openUnnamedOutput(pid_t pid, const std::string& folder, std::uintmax_t length) {
    const std::string prefix = fs::canonical(folder).string() + "/#";
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
        const std::string target = fs::read_symlink(entry.path(), error).string();
        if (error || target.rfind(prefix, 0) != 0) continue;
        const int fd = ::open(entry.path().c_str(), O_RDWR | O_CLOEXEC);
        struct stat info {};
        if (fd >= 0 && ::fstat(fd, &info) == 0 && static_cast<std::uintmax_t>(info.st_size) == length) return fd;
        if (fd >= 0) ::close(fd);
    }
    return -1;
}

// The test, as another process of the user, shrinks the program's unnamed output file to nothing
// as soon as it has its space, while the render runs. The program neither ends nor reports
// anything: it renders again in memory and writes the file an undisturbed run gives.
TEST_F(Fault, OutputShrunkFromOutsideWhileRenderingGivesTheSameFile) {
    std::vector<std::int16_t> long_(44100 * 20);
    for (std::size_t i = 0; i < long_.size(); ++i) long_[i] = static_cast<std::int16_t>(i * 11 % 30000 - 15000);
    testing::writeBytes(work.file("long.wav"), testing::monoWaveBytes(long_));
    const std::uintmax_t length = 44u + 4u * (13u * (44100u + long_.size()) + 44100u);

    PipedProgram program(work.path().string(), io.file("screen"), io.file("errors"));
    ASSERT_GT(program.pid, 0);
    ASSERT_TRUE(program.send("long.wav\n5\nsweep.wav\n\n"));
    bool shrunk = false;
    for (int i = 0; i < 60000 && !shrunk; ++i) {
        const int fd = openUnnamedOutput(program.pid, work.path().string(), length);
        if (fd >= 0) {
            shrunk = ::ftruncate(fd, 0) == 0;
            ::close(fd);
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    EXPECT_TRUE(shrunk) << "the unnamed output file never showed up";
    EXPECT_EQ(program.finish(), 0);
    EXPECT_EQ(fileText(io.file("errors")), "");
    EXPECT_EQ(line(fileText(io.file("screen")), 47), "   Job finished");
    EXPECT_EQ(entries(work.path()), (std::set<std::string>{"take.wav", "long.wav", "sweep.wav"}));
    EXPECT_EQ(digestOf("sweep.wav"), expectedDigest(long_, MicArray::spacedOmniPair));
}

// --- A terminal that hangs up --------------------------------------------------------------------

// The program on a pseudo-terminal of 80 x 49 as its controlling terminal; the test is the
// terminal emulator and reads everything the program draws.
struct TerminalProgram {
    pid_t pid = -1;
    int master = -1;
    std::string seen;

    explicit TerminalProgram(const std::string& folder) {
        winsize size{};
        size.ws_col = 80;
        size.ws_row = 49;
        int slave = -1;
        if (::openpty(&master, &slave, nullptr, nullptr, &size) != 0) return;
        pid = ::fork();
        if (pid == 0) {
            ::setsid();
            ::ioctl(slave, TIOCSCTTY, 0);
            ::dup2(slave, 0);
            ::dup2(slave, 1);
            ::dup2(slave, 2);
            ::close(master);
            if (slave > 2) ::close(slave);
            if (::chdir(folder.c_str()) != 0) ::_exit(126);
            ::execl(AURALITH_BINARY, AURALITH_BINARY, static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(slave);
    }
    // Reads what the program draws until `text` has shown up after offset `from` (false after 60 s).
    bool readUntil(const std::string& text, std::size_t from = 0) {
        for (int i = 0; i < 600; ++i) {
            if (seen.find(text, from) != std::string::npos) return true;
            pollfd ready{master, POLLIN, 0};
            if (::poll(&ready, 1, 100) == 1) {
                char buffer[4096];
                const ssize_t n = ::read(master, buffer, sizeof buffer);
                if (n <= 0) return false;
                seen.append(buffer, static_cast<std::size_t>(n));
            }
        }
        return seen.find(text, from) != std::string::npos;
    }
    bool type(const std::string& keys) const {
        return ::write(master, keys.data(), keys.size()) == static_cast<ssize_t>(keys.size());
    }
};

TEST_F(Fault, HangUpInTheMiddleOfAQuestionEndsTheProgramAndLeavesNoFile) {
    TerminalProgram program(work.path().string());
    ASSERT_GT(program.pid, 0);
    ASSERT_TRUE(program.readUntil("Input file?"));
    ASSERT_TRUE(program.type("take.wav\r"));
    ASSERT_TRUE(program.readUntil("Select mic array:"));
    ASSERT_TRUE(program.type("3\r"));
    ASSERT_TRUE(program.readUntil("Output file?"));
    const std::size_t before = program.seen.size();
    ASSERT_TRUE(program.type("half-typed"));
    ASSERT_TRUE(program.readUntil("d", before));  // the echo of the last key: all are in
    ::close(program.master);                      // the terminal goes away
    const int status = PipedProgram::waitFor(program.pid);
    EXPECT_NE(status, -2) << "the program did not end after the hang-up";
    EXPECT_NE(status, 0);
    EXPECT_EQ(entries(work.path()), (std::set<std::string>{"take.wav"}));
}

}  // namespace
}  // namespace auralith

#endif  // __linux__
