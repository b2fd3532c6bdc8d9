// The POSIX backend: with pipes as standard input and output (scripted runs), and on a
// pseudo-terminal (raw mode, drawing, the error box, restoring the terminal).
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#if __has_include(<pty.h>)
#include <pty.h>
#else
#include <util.h>
#endif

#include "job/console/error_box.h"
#include "job/console/terminal_render.h"
#include "job/posix/posix_console.h"
#include "support/memory_backend.h"

namespace auralith {
namespace {

using namespace std::chrono_literals;

struct Pipe {
    int read = -1;
    int write = -1;
    Pipe() {
        int fds[2];
        if (pipe(fds) == 0) {
            read = fds[0];
            write = fds[1];
        }
    }
    ~Pipe() {
        closeRead();
        closeWrite();
    }
    void closeRead() {
        if (read >= 0) close(read);
        read = -1;
    }
    void closeWrite() {
        if (write >= 0) close(write);
        write = -1;
    }
};

void send(int fd, const std::string& bytes) {
    ASSERT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

// Everything readable from `fd` until it has been quiet for a moment.
std::string readAvailable(int fd) {
    std::string out;
    pollfd p{fd, POLLIN, 0};
    char buffer[4096];
    while (poll(&p, 1, 100) > 0 && (p.revents & POLLIN) != 0) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) break;
        out.append(buffer, static_cast<std::size_t>(n));
    }
    return out;
}

ScreenModel sampleScreen() {
    ScreenModel screen;
    const std::u32string text = U"   Input file?  take.wav";
    for (std::size_t i = 0; i < text.size(); ++i) screen.at(2, 1 + static_cast<int>(i)).ch = text[i];
    screen.at(5, 22).ch = U'λ';
    screen.cursorVisible = false;
    screen.row = 49;
    return screen;
}

// Standard input and output are pipes.

struct PosixPipeMode : ::testing::Test {
    Pipe in, out, err;
};

TEST_F(PosixPipeMode, SeesNoTerminal) {
    PosixConsole backend(in.read, out.write, err.write);
    EXPECT_FALSE(backend.inputIsTerminal());
    EXPECT_FALSE(backend.outputIsTerminal());
}

TEST_F(PosixPipeMode, FinishWritesTheFinalScreenAsPlainText) {
    PosixConsole backend(in.read, out.write, err.write);
    backend.setUp();
    backend.present(sampleScreen());
    backend.beep();
    backend.finish(sampleScreen(), "");
    out.closeWrite();
    err.closeWrite();
    const std::string text = readAvailable(out.read);
    std::string expected = "\n   Input file?  take.wav\n\n\n" + std::string(21, ' ') + "\xce\xbb\n";
    expected += std::string(44, '\n');
    EXPECT_EQ(text, expected);
    EXPECT_EQ(text.find('\x1b'), std::string::npos);
    EXPECT_EQ(text.find('\a'), std::string::npos);
    EXPECT_EQ(readAvailable(err.read), "");
}

TEST_F(PosixPipeMode, ReasonIsOneLineOnStandardError) {
    PosixConsole backend(in.read, out.write, err.write);
    backend.setUp();
    backend.finish(ScreenModel{}, "The keyboard input ended");
    err.closeWrite();
    EXPECT_EQ(readAvailable(err.read), "The keyboard input ended\n");
    EXPECT_EQ(readAvailable(out.read), std::string(49, '\n'));
}

TEST_F(PosixPipeMode, ErrorMessagesGoToStandardErrorWithoutAKeyWait) {
    PosixConsole backend(in.read, out.write, err.write);
    backend.setUp();
    send(in.write, "x");
    backend.showError(sampleScreen(), "The input file could not be found\\nTry again  ");
    backend.showError(sampleScreen(), "Second");
    err.closeWrite();
    EXPECT_EQ(readAvailable(err.read), "ERROR: The input file could not be found\nTry again  \nERROR: Second\n");
    EXPECT_EQ(keyName(backend.nextKey()), "c120");  // the key was not taken by the error box
}

TEST_F(PosixPipeMode, KeysThenEndOfInput) {
    PosixConsole backend(in.read, out.write, err.write);
    backend.setUp();
    send(in.write, "ab\r\n\x1b[A\x7f\xd0\x96\n\x1b");
    in.closeWrite();
    std::string seen;
    for (int i = 0; i < 10; ++i) seen += keyName(backend.nextKey()) + ' ';
    EXPECT_EQ(seen, "c97 c98 c13 n c8 c1046 c13 c27 e e ");
}

TEST_F(PosixPipeMode, LoneEscIsResolvedByTimeoutWhileInputStaysOpen) {
    PosixConsole backend(in.read, out.write, err.write);
    backend.setUp();
    send(in.write, "\x1b");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(keyName(backend.nextKey()), "c27");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    send(in.write, "\x1bx\x1b[15~q");
    EXPECT_EQ(keyName(backend.nextKey()), "n");
    EXPECT_EQ(keyName(backend.nextKey()), "n");
    EXPECT_EQ(keyName(backend.nextKey()), "c113");
}

// SIGPIPE is ignored: the write just fails, and the session says so after its reason.
TEST_F(PosixPipeMode, ClosedOutputPipeIsNotFatalButTold) {
    PosixConsole backend(in.read, out.write, err.write);
    backend.setUp();
    out.closeRead();
    EXPECT_FALSE(backend.finish(sampleScreen(), "done"));
    err.closeWrite();
    EXPECT_EQ(readAvailable(err.read), "done\nauralith: the final screen could not be written: Broken pipe\n");
}

// A pseudo-terminal: the backend gets the terminal side, the test plays the terminal emulator.

struct Pty {
    int master = -1;
    int slave = -1;
    std::mutex lock;
    std::string output;  // everything the program wrote to the terminal
    std::thread reader;

    explicit Pty(int columns = 80, int rows = 49) {
        winsize size{};
        size.ws_col = static_cast<unsigned short>(columns);
        size.ws_row = static_cast<unsigned short>(rows);
        if (openpty(&master, &slave, nullptr, nullptr, &size) != 0) master = slave = -1;
    }
    ~Pty() {
        if (slave >= 0) close(slave);
        if (reader.joinable()) reader.join();  // the master reads EIO once the slave is closed
        if (master >= 0) close(master);
    }
    // Keeps the terminal's output flowing so that large draws never block.
    void startReading() {
        reader = std::thread([this] {
            char buffer[4096];
            for (;;) {
                const ssize_t n = read(master, buffer, sizeof buffer);
                if (n < 0 && errno == EINTR) continue;
                if (n <= 0) return;
                std::lock_guard guard(lock);
                output.append(buffer, static_cast<std::size_t>(n));
            }
        });
    }
    bool waitFor(const std::string& text) {
        for (int i = 0; i < 200; ++i) {
            {
                std::lock_guard guard(lock);
                if (output.find(text) != std::string::npos) return true;
            }
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }
    std::string seen() {
        std::lock_guard guard(lock);
        return output;
    }
    void resize(int columns, int rows) {
        winsize size{};
        size.ws_col = static_cast<unsigned short>(columns);
        size.ws_row = static_cast<unsigned short>(rows);
        ioctl(master, TIOCSWINSZ, &size);
    }
};

// The exit bytes as the terminal receives them: output processing turns LF into CR LF.
std::string exitBytesOnTheWire() {
    std::string out;
    for (char c : exitBytes()) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
}

bool isRaw(const termios& modes) {
    return (modes.c_lflag & (ICANON | ECHO | ISIG | IEXTEN)) == 0 && (modes.c_iflag & (ICRNL | IXON | ISTRIP)) == 0 &&
           modes.c_cc[VMIN] == 1 && modes.c_cc[VTIME] == 0;
}

bool sameModes(const termios& a, const termios& b) {
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag && a.c_lflag == b.c_lflag;
}

TEST(PosixTerminal, RawModeOnThenRestoredAfterFinish) {
    Pty pty;
    ASSERT_GE(pty.slave, 0);
    pty.startReading();
    termios before{};
    ASSERT_EQ(tcgetattr(pty.slave, &before), 0);
    ASSERT_FALSE(isRaw(before));
    {
        PosixConsole backend(pty.slave, pty.slave, pty.slave);
        EXPECT_TRUE(backend.inputIsTerminal());
        EXPECT_TRUE(backend.outputIsTerminal());
        backend.setUp();
        termios during{};
        ASSERT_EQ(tcgetattr(pty.slave, &during), 0);
        EXPECT_TRUE(isRaw(during));
        backend.finish(sampleScreen(), "");
        termios after{};
        ASSERT_EQ(tcgetattr(pty.slave, &after), 0);
        EXPECT_TRUE(sameModes(before, after));
    }
    EXPECT_TRUE(pty.waitFor(exitBytesOnTheWire()));
    const std::string seen = pty.seen();
    EXPECT_EQ(seen.find(setUpBytes()), 0u);                               // title, size request and clear first
    EXPECT_NE(seen.find("   Input file?  take.wav"), std::string::npos);  // the final screen drawn
    EXPECT_TRUE(seen.ends_with(exitBytesOnTheWire()));                    // the exit bytes last
}

TEST(PosixTerminal, RawKeysArriveUnchangedAndTypedAheadKeysAreKept) {
    Pty pty;
    ASSERT_GE(pty.slave, 0);
    pty.startReading();
    send(pty.master, "q");  // typed before raw mode is set: must not be flushed
    PosixConsole backend(pty.slave, pty.slave, pty.slave);
    backend.setUp();
    send(pty.master, "\r\x03\x1b[D\x13\xce\xa9");
    std::string seen;
    for (int i = 0; i < 6; ++i) seen += keyName(backend.nextKey()) + ' ';
    EXPECT_EQ(seen, "c113 c13 c3 n c19 c937 ");
    send(pty.master, "\x1b");
    EXPECT_EQ(keyName(backend.nextKey()), "c27");
    backend.finish(ScreenModel{}, "");
}

TEST(PosixTerminal, PresentDrawsOnlyWhatChanged) {
    Pty pty;
    ASSERT_GE(pty.slave, 0);
    pty.startReading();
    PosixConsole backend(pty.slave, pty.slave, pty.slave);
    backend.setUp();
    ScreenModel screen = sampleScreen();
    backend.present(screen);
    ASSERT_TRUE(pty.waitFor("\x1b[49;1H"));
    const std::size_t firstDraw = pty.seen().size();
    screen.at(3, 4).ch = U'Z';
    backend.present(screen);
    ASSERT_TRUE(pty.waitFor("\x1b[3;4H"));
    const std::string seen = pty.seen();
    const ScreenModel first = sampleScreen();
    EXPECT_EQ(seen.substr(firstDraw), renderScreen(&first, screen));
    backend.beep();
    EXPECT_TRUE(pty.waitFor("\a"));
    backend.finish(screen, "");
}

TEST(PosixTerminal, ErrorBoxWaitsForEnterSpaceOrEscAndSwallowsOtherKeys) {
    Pty pty;
    ASSERT_GE(pty.slave, 0);
    pty.startReading();
    PosixConsole backend(pty.slave, pty.slave, pty.slave);
    backend.setUp();
    const ScreenModel screen = sampleScreen();
    backend.present(screen);
    send(pty.master, "xy\x1b[A z");
    backend.showError(screen, "Bad name\\nTry again");
    EXPECT_EQ(keyName(backend.nextKey()), "c122");  // only the keys after the Space remain
    const ScreenModel box = withErrorBox(screen, "Bad name\\nTry again");
    const std::string drawBox = renderScreen(&screen, box);
    const std::string takeBoxAway = renderScreen(&box, screen);
    ASSERT_TRUE(pty.waitFor(drawBox + takeBoxAway));  // drawn, then the screen under it back
    EXPECT_TRUE(pty.seen().ends_with(drawBox + takeBoxAway));
    EXPECT_NE(drawBox.find(" ERROR "), std::string::npos);
    EXPECT_NE(drawBox.find("Bad name"), std::string::npos);
    EXPECT_NE(drawBox.find("Try again"), std::string::npos);
    EXPECT_NE(drawBox.find("OK"), std::string::npos);

    send(pty.master, "\r");
    backend.showError(screen, "Again");
    send(pty.master, "\x1b");
    backend.showError(screen, "And again");  // dismissed by a lone Esc after the timeout
    backend.finish(screen, "");
}

TEST(PosixTerminal, TooSmallShowsANoticeThenDrawsOnceLargeEnough) {
    Pty pty(60, 20);
    ASSERT_GE(pty.slave, 0);
    pty.startReading();
    PosixConsole backend(pty.slave, pty.slave, pty.slave);
    backend.setUp();
    backend.present(sampleScreen());
    EXPECT_TRUE(pty.waitFor("Please enlarge the terminal to at least 80 x 49 characters (now 60 x 20)."));
    EXPECT_EQ(pty.seen().find("take.wav"), std::string::npos);
    pty.resize(100, 50);
    raise(SIGWINCH);  // the test is not the terminal's foreground job, so it sends the signal itself
    send(pty.master, "k");
    EXPECT_EQ(keyName(backend.nextKey()), "c107");
    EXPECT_TRUE(pty.waitFor("take.wav"));
    backend.finish(sampleScreen(), "");
}

TEST(PosixTerminal, HangUpGivesEndOfInput) {
    Pty pty;
    ASSERT_GE(pty.slave, 0);
    PosixConsole backend(pty.slave, pty.slave, pty.slave);
    backend.setUp();
    send(pty.master, "a");
    EXPECT_EQ(keyName(backend.nextKey()), "c97");
    close(pty.master);
    pty.master = -1;
    EXPECT_EQ(keyName(backend.nextKey()), "e");
    EXPECT_EQ(keyName(backend.nextKey()), "e");
    backend.finish(ScreenModel{}, "");
}

// One side a terminal, the other a pipe.

TEST(PosixMixed, KeysFromAPipeScreensOnATerminal) {
    Pty pty;
    ASSERT_GE(pty.slave, 0);
    pty.startReading();
    Pipe in, err;
    termios before{};
    ASSERT_EQ(tcgetattr(pty.slave, &before), 0);
    const ScreenModel screen = sampleScreen();
    {
        PosixConsole backend(in.read, pty.slave, err.write);
        EXPECT_FALSE(backend.inputIsTerminal());
        EXPECT_TRUE(backend.outputIsTerminal());
        backend.setUp();
        termios during{};
        ASSERT_EQ(tcgetattr(pty.slave, &during), 0);
        EXPECT_TRUE(sameModes(before, during));  // no keys are read from the terminal: no raw mode
        backend.present(screen);
        send(in.write, "x\r");
        backend.showError(screen, "Bad name");  // drawn, and closed by the Enter from the pipe
        const ScreenModel box = withErrorBox(screen, "Bad name");
        EXPECT_TRUE(pty.waitFor(renderScreen(&screen, box) + renderScreen(&box, screen)));
        send(in.write, "\x1b");
        EXPECT_EQ(keyName(backend.nextKey()), "c27");
        in.closeWrite();
        EXPECT_EQ(keyName(backend.nextKey()), "e");
        backend.finish(screen, "done");
    }
    err.closeWrite();
    EXPECT_EQ(readAvailable(err.read), "done\n");
    EXPECT_TRUE(pty.waitFor(exitBytesOnTheWire()));
    EXPECT_EQ(pty.seen().find(setUpBytes()), 0u);
}

TEST(PosixMixed, KeysFromATerminalTheScreenToAPipe) {
    Pty pty;
    ASSERT_GE(pty.slave, 0);
    pty.startReading();
    Pipe out, err;
    termios before{};
    ASSERT_EQ(tcgetattr(pty.slave, &before), 0);
    {
        PosixConsole backend(pty.slave, out.write, err.write);
        EXPECT_TRUE(backend.inputIsTerminal());
        EXPECT_FALSE(backend.outputIsTerminal());
        backend.setUp();
        termios during{};
        ASSERT_EQ(tcgetattr(pty.slave, &during), 0);
        EXPECT_TRUE(isRaw(during));
        send(pty.master, "a");
        backend.showError(sampleScreen(), "Bad\\nname");  // a line on standard error: no key taken
        EXPECT_EQ(keyName(backend.nextKey()), "c97");
        send(pty.master, "\x03\r");
        EXPECT_EQ(keyName(backend.nextKey()), "c3");  // Ctrl+C is a key in raw mode
        EXPECT_EQ(keyName(backend.nextKey()), "c13");
        backend.beep();
        backend.finish(sampleScreen(), "done");
        termios after{};
        ASSERT_EQ(tcgetattr(pty.slave, &after), 0);
        EXPECT_TRUE(sameModes(before, after));
    }
    out.closeWrite();
    err.closeWrite();
    EXPECT_EQ(readAvailable(out.read), screenAsPlainText(sampleScreen()));
    EXPECT_EQ(readAvailable(err.read), "ERROR: Bad\nname\ndone\n");
    EXPECT_EQ(pty.seen(), "");  // nothing is drawn on the terminal, and nothing echoed
}

// Forks a child that sets raw mode on the terminal (no core files) and then runs `then`; a child
// still running after it exits with status 3.
template <typename Then>
pid_t rawChild(const Pty& pty, Then then) {
    const pid_t child = fork();
    if (child == 0) {
        rlimit noCore{0, 0};
        setrlimit(RLIMIT_CORE, &noCore);
        PosixConsole backend(pty.slave, pty.slave, pty.slave);
        backend.setUp();
        then();
        _exit(3);
    }
    return child;
}

// The child in raw mode has been ended by `signal`; the terminal must be as it was before, with
// colours reset and the cursor shown on the way out.
void expectEndedWithTheTerminalRestored(const Pty& pty, pid_t child, const termios& before, int signal) {
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), signal);
    termios after{};
    ASSERT_EQ(tcgetattr(pty.slave, &after), 0);
    EXPECT_TRUE(sameModes(before, after));
    EXPECT_TRUE(readAvailable(pty.master).ends_with(exitBytesOnTheWire()));
}

// Ending signals: the child sets raw mode and is then ended; the terminal must be usable again.
class PosixTerminalSignal : public ::testing::TestWithParam<int> {};

TEST_P(PosixTerminalSignal, TerminalRestoredAndSignalStillEndsTheProgram) {
    Pty pty;
    ASSERT_GE(pty.slave, 0);
    termios before{};
    ASSERT_EQ(tcgetattr(pty.slave, &before), 0);
    Pipe ready;
    const pid_t child = rawChild(pty, [&] {
        if (write(ready.write, "r", 1) != 1) _exit(2);
        for (;;) pause();
    });
    ASSERT_GE(child, 0);
    char byte = 0;
    ASSERT_EQ(read(ready.read, &byte, 1), 1);
    termios during{};
    ASSERT_EQ(tcgetattr(pty.slave, &during), 0);
    EXPECT_TRUE(isRaw(during));
    kill(child, GetParam());
    expectEndedWithTheTerminalRestored(pty, child, before, GetParam());
}

// A page of a mapped file that the file system cannot provide (here: past the end of a file cut
// short) stops the program with SIGBUS where it touches it; the terminal is restored all the same.
TEST(PosixTerminalFault, TerminalRestoredWhenAMappedFileFails) {
    Pty pty;
    ASSERT_GE(pty.slave, 0);
    termios before{};
    ASSERT_EQ(tcgetattr(pty.slave, &before), 0);
    FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    const int fd = fileno(file);
    ASSERT_EQ(ftruncate(fd, 4096), 0);
    const pid_t child = rawChild(pty, [&] {
        void* page = mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (page == MAP_FAILED || ftruncate(fd, 0) != 0) _exit(2);
        static_cast<volatile char*>(page)[0] = 1;
    });
    ASSERT_GE(child, 0);
    expectEndedWithTheTerminalRestored(pty, child, before, SIGBUS);
    std::fclose(file);
}

// The program aborts (a failed check in the standard library, say) while the terminal is raw.
TEST(PosixTerminalFault, TerminalRestoredWhenTheProgramAborts) {
    Pty pty;
    ASSERT_GE(pty.slave, 0);
    termios before{};
    ASSERT_EQ(tcgetattr(pty.slave, &before), 0);
    const pid_t child = rawChild(pty, [] { std::abort(); });
    ASSERT_GE(child, 0);
    expectEndedWithTheTerminalRestored(pty, child, before, SIGABRT);
}

std::string signalName(const ::testing::TestParamInfo<int>& info) {
    switch (info.param) {
        case SIGTERM: return "Term";
        case SIGHUP: return "Hup";
        case SIGINT: return "Int";
        case SIGQUIT: return "Quit";
        case SIGSEGV: return "Segv";
        case SIGFPE: return "Fpe";
        case SIGILL: return "Ill";
        case SIGABRT: return "Abrt";
        case SIGBUS: return "Bus";
    }
    return "Signal" + std::to_string(info.param);
}

INSTANTIATE_TEST_SUITE_P(EndingSignals, PosixTerminalSignal, ::testing::Values(SIGTERM, SIGHUP, SIGINT, SIGQUIT),
                         signalName);
// The faults, sent from outside here: the same handler restores the terminal for them.
INSTANTIATE_TEST_SUITE_P(Faults, PosixTerminalSignal, ::testing::Values(SIGSEGV, SIGFPE, SIGILL, SIGABRT, SIGBUS),
                         signalName);

}  // namespace
}  // namespace auralith
