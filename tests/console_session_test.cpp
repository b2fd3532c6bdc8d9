// The console session every platform shares, on bytes in memory: keys decoded from a byte
// stream, the plain display of scripted runs, the error box or its line on standard error, and
// the end of the session.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <string>
#include <vector>

#include "job/console/console_session.h"
#include "job/console/error_box.h"
#include "job/console/plain_display.h"
#include "job/console/stream_keyboard.h"
#include "job/console/terminal_render.h"
#include "support/memory_backend.h"

namespace auralith {
namespace {

// What happened, in order, across the parts of one session.
using Log = std::vector<std::string>;

// Standard input as a script of reads; each read's time limit is noted.
struct ScriptedInput final : ByteSource {
    struct Read {
        ByteRead::Status status;
        std::string bytes;
    };
    std::deque<Read> reads;
    std::vector<int> limits;

    ByteRead read(std::span<std::uint8_t> buffer, int timeoutMs) override {
        limits.push_back(timeoutMs);
        if (reads.empty()) return ByteRead{ByteRead::Status::ended, 0};
        const Read next = reads.front();
        reads.pop_front();
        std::copy(next.bytes.begin(), next.bytes.end(), buffer.begin());
        return ByteRead{next.status, next.bytes.size()};
    }
};

struct RecordingSink final : ByteSink {
    RecordingSink(Log& log, std::string name) : log(log), name(std::move(name)) {}
    int writeAll(std::string_view bytes) override {
        text += bytes;
        log.push_back(name + ": " + std::string(bytes));
        return 0;
    }
    Log& log;
    std::string name;
    std::string text;
};

struct RecordingModes final : ConsoleModes {
    explicit RecordingModes(Log& log) : log(log) {}
    void enter() override { log.push_back("enter"); }
    void leave() override { log.push_back("leave"); }
    Log& log;
};

// A display that draws: the screens it was given.
struct RecordingDisplay final : Display {
    explicit RecordingDisplay(Log& log) : log(log) {}
    void setUp() override { log.push_back("set up"); }
    void present(const ScreenModel& screen) override { shown.push_back(screen); }
    void beep() override { log.push_back("beep"); }
    bool drawsScreens() const override { return true; }
    int showFinal(const ScreenModel& screen) override {
        shown.push_back(screen);
        log.push_back("final");
        return 0;
    }
    Log& log;
    std::vector<ScreenModel> shown;
};

std::string keyNames(Keyboard& keyboard, int count) {
    std::string out;
    for (int i = 0; i < count; ++i) out += keyName(keyboard.nextKey()) + ' ';
    return out;
}

ScreenModel sampleScreen() {
    ScreenModel screen;
    const std::u32string text = U"   Input file?  take.wav";
    for (std::size_t i = 0; i < text.size(); ++i) screen.at(2, 1 + static_cast<int>(i)).ch = text[i];
    return screen;
}

// --- Keys from a byte stream ---

TEST(StreamKeyboard, KeysAcrossReadsThenEndOfInputEveryTime) {
    ScriptedInput input;
    input.reads = {{ByteRead::Status::bytes, "ab\r"},
                   {ByteRead::Status::bytes, "\n\x1b[A\xd0"},
                   {ByteRead::Status::bytes, "\x96"}};
    StreamKeyboard keyboard(input);
    EXPECT_EQ(keyNames(keyboard, 8), "c97 c98 c13 n c1046 e e e ");
    // Only the read after the first byte of Ж has a limit: a character cut short is pending.
    EXPECT_EQ(input.limits, (std::vector<int>{-1, -1, escapeWaitMs, -1}));
}

TEST(StreamKeyboard, APendingKeyLimitsTheWaitAndATimeOutDecidesIt) {
    ScriptedInput input;
    input.reads = {{ByteRead::Status::bytes, "\x1b"},
                   {ByteRead::Status::timedOut, ""},
                   {ByteRead::Status::bytes, "\x1b"},
                   {ByteRead::Status::bytes, "[15~q"}};
    StreamKeyboard keyboard(input);
    EXPECT_EQ(keyNames(keyboard, 3), "c27 n c113 ");
    EXPECT_EQ(input.limits, (std::vector<int>{-1, escapeWaitMs, -1, escapeWaitMs}));
}

TEST(StreamKeyboard, AReadWithoutBytesIsReadAgain) {
    ScriptedInput input;
    input.reads = {{ByteRead::Status::bytes, ""}, {ByteRead::Status::bytes, "x"}};
    StreamKeyboard keyboard(input);
    EXPECT_EQ(keyNames(keyboard, 1), "c120 ");
    EXPECT_EQ(input.limits.size(), 2u);
}

TEST(StreamKeyboard, TheEndDecidesAPendingKeyAndKeepsTheLastBytes) {
    ScriptedInput input;
    input.reads = {{ByteRead::Status::ended, "z\x1b"}};
    StreamKeyboard keyboard(input);
    EXPECT_EQ(keyNames(keyboard, 4), "c122 c27 e e ");
    EXPECT_EQ(input.limits.size(), 1u);  // an ended input is not read again
}

// --- Pipe mode: the plain display ---

struct PlainSession : ::testing::Test {
    Log log;
    ScriptedInput input;
    RecordingSink output{log, "out"};
    RecordingSink errors{log, "err"};
    RecordingModes modes{log};
    StreamKeyboard keyboard{input};
    PlainDisplay display{output};
    ConsoleSession session{modes, keyboard, display, errors};
};

TEST_F(PlainSession, NothingIsWrittenUntilTheFinalScreenAsPlainText) {
    session.setUp();
    session.present(sampleScreen());
    session.beep();
    EXPECT_EQ(log, (Log{"enter"}));
    session.finish(sampleScreen(), "");
    EXPECT_EQ(log, (Log{"enter", "out: " + screenAsPlainText(sampleScreen()), "leave"}));
    EXPECT_EQ(output.text, "\n   Input file?  take.wav\n" + std::string(47, '\n'));
}

TEST_F(PlainSession, TheReasonIsOneLineOnStandardErrorAfterTheTerminalIsRestored) {
    session.setUp();
    session.finish(ScreenModel{}, "The keyboard input ended");
    EXPECT_EQ(log, (Log{"enter", "out: " + std::string(49, '\n'), "leave", "err: The keyboard input ended\n"}));
}

TEST_F(PlainSession, FinishIsDoneOnce) {
    session.setUp();
    session.finish(ScreenModel{}, "first");
    session.finish(sampleScreen(), "second");
    EXPECT_EQ(errors.text, "first\n");
    EXPECT_EQ(output.text, std::string(49, '\n'));
}

TEST_F(PlainSession, ErrorsAreLinesOnStandardErrorAndTakeNoKey) {
    input.reads = {{ByteRead::Status::bytes, "x"}};
    session.setUp();
    session.showError(sampleScreen(), "The input file could not be found\\nTry again  ");
    session.showError(sampleScreen(), "Second");
    EXPECT_EQ(errors.text, "ERROR: The input file could not be found\nTry again  \nERROR: Second\n");
    EXPECT_TRUE(input.limits.empty());
    EXPECT_EQ(keyName(session.nextKey()), "c120");
}

// --- A display that draws: the error box ---

struct DrawnSession : ::testing::Test {
    Log log;
    ScriptedInput input;
    RecordingSink errors{log, "err"};
    RecordingModes modes{log};
    StreamKeyboard keyboard{input};
    RecordingDisplay display{log};
    ConsoleSession session{modes, keyboard, display, errors};
};

TEST_F(DrawnSession, SetUpEntersTheModesThenSetsUpTheDisplay) {
    session.setUp();
    EXPECT_EQ(log, (Log{"enter", "set up"}));
}

TEST_F(DrawnSession, TheBoxTakesKeysUntilSpaceThenTheScreenUnderItShowsAgain) {
    input.reads = {{ByteRead::Status::bytes, "xy\x1b[A z"}};
    const ScreenModel screen = sampleScreen();
    session.showError(screen, "Bad name\\nTry again");
    ASSERT_EQ(display.shown.size(), 2u);
    EXPECT_EQ(display.shown[0].cells, withErrorBox(screen, "Bad name\\nTry again").cells);
    EXPECT_EQ(display.shown[1].cells, screen.cells);
    EXPECT_EQ(keyName(session.nextKey()), "c122");  // only the keys after the Space remain
    EXPECT_TRUE(errors.text.empty());
}

TEST_F(DrawnSession, EnterEscAndTheEndOfInputCloseTheBoxToo) {
    input.reads = {
        {ByteRead::Status::bytes, "a\r"}, {ByteRead::Status::bytes, "\x1b"}, {ByteRead::Status::timedOut, ""}};
    session.showError(sampleScreen(), "One");
    session.showError(sampleScreen(), "Two");    // a lone Esc
    session.showError(sampleScreen(), "Three");  // the input has ended
    EXPECT_EQ(display.shown.size(), 6u);
    EXPECT_EQ(keyName(session.nextKey()), "e");
}

TEST_F(DrawnSession, TheFinalScreenThenTheModesLeftThenTheReason) {
    session.setUp();
    session.beep();
    session.finish(sampleScreen(), "done");
    EXPECT_EQ(log, (Log{"enter", "set up", "beep", "final", "leave", "err: done\n"}));
}

// --- The pieces of the error box's plain form ---

TEST(ErrorText, BackslashNBreaksTheLine) {
    EXPECT_EQ(plainMessage("a\\nb\\n"), "a\nb\n");
    EXPECT_EQ(plainMessage("\\"), "\\");
    EXPECT_EQ(plainMessage("a\\tb\\\\nc"), "a\\tb\\\nc");
}

TEST(ErrorText, EnterSpaceEscAndTheEndDismissTheBox) {
    EXPECT_TRUE(dismissesErrorBox(Key{Key::Kind::character, 13, {}}));
    EXPECT_TRUE(dismissesErrorBox(Key{Key::Kind::character, 32, " "}));
    EXPECT_TRUE(dismissesErrorBox(Key{Key::Kind::character, 27, {}}));
    EXPECT_TRUE(dismissesErrorBox(Key{Key::Kind::endOfInput, 0, {}}));
    EXPECT_FALSE(dismissesErrorBox(Key{Key::Kind::character, 'x', "x"}));
    EXPECT_FALSE(dismissesErrorBox(Key{Key::Kind::noCharacter, 0, {}}));
    EXPECT_FALSE(dismissesErrorBox(Key{Key::Kind::modifierOnly, 0, {}}));
    EXPECT_FALSE(dismissesErrorBox(Key{Key::Kind::character, 3, {}}));
}

}  // namespace
}  // namespace auralith
