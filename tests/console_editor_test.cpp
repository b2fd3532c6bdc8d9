// The line editor, the key wait and the calls passed on to the backend.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "job/console/console.h"
#include "support/memory_backend.h"

namespace auralith {
namespace {

constexpr std::uint8_t blackOnWhite = 0xF0;
constexpr std::uint8_t greyOnWhite = 0xF8;

std::string repeated(std::string_view piece, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += piece;
    return text;
}

Key escKey() { return characterKey(27); }
Key tabKey() { return characterKey(9); }
Key ctrlCKey() { return characterKey(3); }

// A console set up as the job has it: black on white, cursor hidden, at the input field.
struct Editor : ::testing::Test {
    MemoryBackend backend;
    Console console{backend};
    void SetUp() override {
        console.setUpConsole();
        console.hideCursor();
    }
    const ScreenModel& screen() const { return console.screen(); }
    std::optional<std::string> typeLine(std::string_view typed) {
        backend.addKeys(keysFromText(typed));
        return console.readLine();
    }
};

// --- Reading a line ---

TEST_F(Editor, ReturnsTheTextExactlyAsTypedAndShowsItAtTheCursor) {
    console.moveCursor(8, 22);
    const auto line = typeLine(" a, \"b\" c \r");
    ASSERT_TRUE(line.has_value());
    EXPECT_EQ(*line, " a, \"b\" c ");
    EXPECT_EQ(rowText(screen(), 8), std::string(21, ' ') + " a, \"b\" c");
}

TEST_F(Editor, EnterDoesALineFeed) {
    console.moveCursor(8, 22);
    typeLine("name\r");
    EXPECT_EQ(screen().row, 9);
    EXPECT_EQ(screen().column, 1);
}

TEST_F(Editor, EnterOnAnEmptyLineReturnsTheEmptyText) {
    console.moveCursor(8, 22);
    const auto line = typeLine("\r");
    ASSERT_TRUE(line.has_value());
    EXPECT_EQ(*line, "");
    EXPECT_EQ(rowText(screen(), 8), "");
    EXPECT_EQ(screen().row, 9);
}

TEST_F(Editor, TypedCharactersTakeTheCurrentAttribute) {
    console.setColors(8, 15);
    console.printText("   Input file?");
    console.setColors(0, 15);
    console.moveCursor(1, 22);
    typeLine("x\r");
    EXPECT_EQ(cellAttribute(screen(), 1, 4), greyOnWhite);
    EXPECT_EQ(cellAttribute(screen(), 1, 22), blackOnWhite);
}

TEST_F(Editor, AnEntryPastColumn80ContinuesOnTheNextRow) {
    console.moveCursor(8, 22);
    const auto line = typeLine(repeated("n", 60) + "\r");
    EXPECT_EQ(line, repeated("n", 60));
    EXPECT_EQ(rowText(screen(), 8), std::string(21, ' ') + repeated("n", 59));
    EXPECT_EQ(rowText(screen(), 9), "n");
    EXPECT_EQ(screen().row, 10);
}

TEST_F(Editor, AnEntryFillingItsRowToColumn80LeavesTheNextRowEmpty) {
    console.moveCursor(8, 22);
    typeLine(repeated("f", 59) + "\r");
    EXPECT_EQ(rowText(screen(), 9), "");
    EXPECT_EQ(screen().row, 10);
    EXPECT_EQ(screen().column, 1);
}

TEST_F(Editor, AnEntryFillingTheBottomRowThenEnterScrollsTwice) {
    console.moveCursor(49, 71);
    typeLine(repeated("b", 10) + "\r");
    EXPECT_EQ(rowText(screen(), 47), std::string(70, ' ') + repeated("b", 10));
    EXPECT_EQ(rowText(screen(), 48), "");
    EXPECT_EQ(rowText(screen(), 49), "");
    EXPECT_EQ(screen().row, 49);
}

TEST_F(Editor, Utf8CharactersCountAsOneCellAndOneCharacterEachAndAreStoredAsTheirBytes) {
    console.moveCursor(8, 22);
    const auto line = typeLine("\xC3\xA9\xCE\xA9\xD0\x96.wav\r");  // éΩЖ.wav
    EXPECT_EQ(line, "\xC3\xA9\xCE\xA9\xD0\x96.wav");
    EXPECT_EQ(screen().at(8, 22).ch, U'é');
    EXPECT_EQ(screen().at(8, 23).ch, U'Ω');
    EXPECT_EQ(screen().at(8, 24).ch, U'Ж');
    EXPECT_EQ(screen().at(8, 25).ch, U'.');
    EXPECT_EQ(rowText(screen(), 8), std::string(21, ' ') + "\xC3\xA9\xCE\xA9\xD0\x96.wav");
}

TEST_F(Editor, ACharacterKeyWithoutTextIsStoredAsTheUtf8OfItsCode) {
    backend.addKeys({Key{Key::Kind::character, U'Ж', {}}, enterKey()});
    EXPECT_EQ(console.readLine(), "\xD0\x96");
    EXPECT_EQ(screen().at(1, 1).ch, U'Ж');
}

// --- Backspace ---

TEST_F(Editor, BackspaceOnAnEmptyLineDoesNothing) {
    console.moveCursor(8, 22);
    const auto line = typeLine("\b\b\bok\r");
    EXPECT_EQ(line, "ok");
    EXPECT_EQ(rowText(screen(), 8), std::string(21, ' ') + "ok");
    EXPECT_EQ(rowText(screen(), 7), "");
}

TEST_F(Editor, BackspaceOnAnEmptyLineLeavesTheScreenAsItWas) {
    console.moveCursor(8, 1);
    console.printText("x");
    console.moveCursor(9, 1);
    const ScreenModel before = screen();
    backend.addKeys(keysFromText("\b"));
    EXPECT_EQ(console.readLine(), std::nullopt);  // the script ends after the Backspace
    EXPECT_EQ(screen().cells, before.cells);
    EXPECT_EQ(screen().row, 9);
    EXPECT_EQ(screen().column, 1);
}

TEST_F(Editor, BackspaceRemovesTheLastCharacterFromTextAndScreen) {
    console.moveCursor(8, 22);
    const auto line = typeLine("abc\b\bX\r");
    EXPECT_EQ(line, "aX");
    EXPECT_EQ(rowText(screen(), 8), std::string(21, ' ') + "aX");
}

TEST_F(Editor, BackspaceRemovesAWholeUtf8Character) {
    const auto line = typeLine("a\xC3\xA9\b\xD0\x96\b\bz\r");
    EXPECT_EQ(line, "z");
    EXPECT_EQ(rowText(screen(), 1), "z");
}

TEST_F(Editor, BackspaceAfterAWrappedEntryErasesTheLastCharacterOnTheRowAbove) {
    console.moveCursor(10, 22);
    backend.addKeys(keysFromText(repeated("w", 58) + "YZ"));  // Z lands in column 80
    backend.addKeys(keysFromText("\b"));
    backend.addKeys(keysFromText("\b"));
    backend.addKeys(keysFromText("Q\r"));
    const auto line = console.readLine();
    EXPECT_EQ(line, repeated("w", 58) + "Q");
    EXPECT_EQ(rowText(screen(), 10), std::string(21, ' ') + repeated("w", 58) + "Q");
    EXPECT_EQ(rowText(screen(), 11), "");
}

TEST_F(Editor, BackspaceAfterAnEntryEndingAtTheBottomRightCornerErasesThatCell) {
    console.moveCursor(48, 1);
    console.printText("prompt");
    console.moveCursor(49, 77);
    const auto line = typeLine("abcd\bE\r");
    EXPECT_EQ(line, "abcE");
    // Nothing scrolled while typing; Enter after the refilled corner scrolls twice.
    EXPECT_EQ(rowText(screen(), 46), "prompt");
    EXPECT_EQ(rowText(screen(), 47), std::string(76, ' ') + "abcE");
}

TEST_F(Editor, BackspaceLeavesTheCursorOnTheErasedCell) {
    console.moveCursor(8, 22);
    backend.addKeys(keysFromText("ab\b"));
    console.readLine();  // ends at the end of the script, before Enter
    EXPECT_EQ(screen().row, 8);
    EXPECT_EQ(screen().column, 23);
}

// --- Keys that are dropped ---

TEST_F(Editor, EscTabAndCtrlCChangeNothing) {
    console.moveCursor(8, 22);
    backend.addKeys(keysFromText("ab"));
    backend.addKeys({escKey(), tabKey(), ctrlCKey(), characterKey(1), characterKey(31), characterKey(10)});
    backend.addKeys(keysFromText("c\r"));
    const auto line = console.readLine();
    EXPECT_EQ(line, "abc");

    MemoryBackend plainBackend(keysFromText("abc\r"));
    Console plain(plainBackend);
    plain.setUpConsole();
    plain.hideCursor();
    plain.moveCursor(8, 22);
    plain.readLine();
    EXPECT_EQ(screen().cells, plain.screen().cells);
    EXPECT_EQ(screen().row, plain.screen().row);
}

TEST_F(Editor, KeysThatYieldNoCharacterAndModifierKeysAreDropped) {
    backend.addKeys({noCharacterKey(), characterKey(U'a'), modifierKey(), noCharacterKey(), enterKey()});
    EXPECT_EQ(console.readLine(), "a");
    EXPECT_EQ(rowText(screen(), 1), "a");
    EXPECT_EQ(backend.keysConsumed, 5u);
}

// --- The length limit ---

TEST_F(Editor, The10001stCharacterIsNeitherStoredNorShown) {
    console.moveCursor(1, 1);
    const auto line = typeLine(repeated("a", 10000) + "b\r");
    ASSERT_TRUE(line.has_value());
    EXPECT_EQ(*line, repeated("a", 10000));
    for (const Cell& cell : screen().cells) EXPECT_NE(cell.ch, U'b');
}

TEST_F(Editor, BackspaceAndEnterStillWorkOnAFullLine) {
    const auto line = typeLine(repeated("a", 10000) + "bc\bd\r");
    ASSERT_TRUE(line.has_value());
    EXPECT_EQ(*line, repeated("a", 9999) + "d");
    // 10000 characters from row 1, column 1 end in the bottom-right corner; the d took the
    // erased corner again, so Enter scrolled twice, leaving two blank rows below the entry.
    EXPECT_EQ(rowText(screen(), 47), repeated("a", 79) + "d");
    EXPECT_EQ(rowText(screen(), 48), "");
    EXPECT_EQ(rowText(screen(), 49), "");
}

TEST_F(Editor, TheLimitCountsCharactersNotBytes) {
    const auto full = typeLine(repeated("\xC3\xA9", 10000) + "x\r");
    ASSERT_TRUE(full.has_value());
    EXPECT_EQ(*full, repeated("\xC3\xA9", 10000));
    EXPECT_EQ(full->size(), 20000u);

    const auto half = typeLine(repeated("\xC3\xA9", 5000) + "x\r");  // 10000 bytes, 5000 characters
    EXPECT_EQ(half, repeated("\xC3\xA9", 5000) + "x");
}

// --- Typing ahead and the end of the input ---

TEST_F(Editor, KeysQueuedBeforeReadLineAreReadByIt) {
    backend.addKeys(keysFromText("first\rsecond\n"));
    console.printText("busy...");
    console.lineFeed();
    EXPECT_EQ(console.readLine(), "first");
    console.printText("more work");
    console.lineFeed();
    EXPECT_EQ(console.readLine(), "second");
    EXPECT_EQ(rowText(screen(), 2), "first");
    EXPECT_EQ(rowText(screen(), 4), "second");
}

TEST_F(Editor, TheEndOfTheInputReturnsNothingAtOnce) {
    console.moveCursor(8, 22);
    backend.addKeys(keysFromText("half"));
    backend.addKeys({endOfInputKey()});
    backend.addKeys(keysFromText("never\r"));
    EXPECT_EQ(console.readLine(), std::nullopt);
    EXPECT_EQ(backend.keysConsumed, 5u);
    EXPECT_EQ(screen().row, 8);  // no line feed
    EXPECT_FALSE(screen().cursorVisible);
}

TEST_F(Editor, AnEmptyScriptEndsTheInput) {
    EXPECT_EQ(console.readLine(), std::nullopt);
    EXPECT_EQ(console.readLine(), std::nullopt);
}

// --- The cursor while reading ---

// Forwards to a memory backend and keeps the screen that was shown when each key was taken.
class WatchingBackend final : public ConsoleBackend {
public:
    explicit WatchingBackend(std::vector<Key> keys) : inner(std::move(keys)) {}
    void setUp() override { inner.setUp(); }
    void present(const ScreenModel& screen) override { inner.present(screen); }
    Key nextKey() override {
        shownAtKey.push_back(inner.presented);
        return inner.nextKey();
    }
    void beep() override { inner.beep(); }
    void showError(const ScreenModel& screen, std::string_view message) override { inner.showError(screen, message); }
    bool finish(const ScreenModel& screen, std::string_view reason) override { return inner.finish(screen, reason); }

    MemoryBackend inner;
    std::vector<ScreenModel> shownAtKey;
};

TEST(EditorCursor, IsShownWhileReadingAndHiddenAfterWhenItWasHiddenBefore) {
    WatchingBackend backend(keysFromText("ab\b\r"));
    Console console(backend);
    console.setUpConsole();
    console.hideCursor();
    console.moveCursor(8, 22);
    console.readLine();
    ASSERT_EQ(backend.shownAtKey.size(), 4u);
    for (const ScreenModel& shown : backend.shownAtKey) EXPECT_TRUE(shown.cursorVisible);
    EXPECT_FALSE(console.screen().cursorVisible);
    EXPECT_FALSE(backend.inner.presented.cursorVisible);
}

TEST(EditorCursor, StaysVisibleAfterWhenItWasVisibleBefore) {
    WatchingBackend backend(keysFromText("a\r"));
    Console console(backend);
    console.setUpConsole();
    console.readLine();
    EXPECT_TRUE(console.screen().cursorVisible);
    EXPECT_TRUE(backend.inner.presented.cursorVisible);
}

TEST(EditorCursor, EachKeyIsOnTheScreenBeforeTheNextIsTaken) {
    WatchingBackend backend(keysFromText("ab\b\r"));
    Console console(backend);
    console.setUpConsole();
    console.moveCursor(8, 22);
    console.readLine();
    ASSERT_EQ(backend.shownAtKey.size(), 4u);
    EXPECT_EQ(rowText(backend.shownAtKey[1], 8), std::string(21, ' ') + "a");
    EXPECT_EQ(rowText(backend.shownAtKey[2], 8), std::string(21, ' ') + "ab");
    EXPECT_EQ(rowText(backend.shownAtKey[3], 8), std::string(21, ' ') + "a");
    EXPECT_EQ(backend.shownAtKey[3].column, 23);
}

// --- The key wait ---

TEST_F(Editor, ModifierKeysDoNotEndTheKeyWaitButEscDoes) {
    backend.addKeys({modifierKey(), modifierKey(), modifierKey(), escKey(), characterKey(U'x')});
    console.waitForKey();
    EXPECT_EQ(backend.keysConsumed, 4u);
}

TEST_F(Editor, AKeyWithoutCharacterEndsTheKeyWait) {
    backend.addKeys({modifierKey(), noCharacterKey(), characterKey(U'x')});  // F1
    console.waitForKey();
    EXPECT_EQ(backend.keysConsumed, 2u);
}

TEST_F(Editor, AnyCharacterKeyEndsTheKeyWait) {
    for (const Key& key : {enterKey(), characterKey(U'q'), ctrlCKey(), backspaceKey()}) {
        const std::size_t before = backend.keysConsumed;
        backend.addKeys({key});
        console.waitForKey();
        EXPECT_EQ(backend.keysConsumed, before + 1);
    }
}

TEST_F(Editor, AKeyTypedAheadEndsTheKeyWaitAtOnce) {
    backend.addKeys(keysFromText("k"));
    console.printText("   Job finished");
    console.lineFeed();
    console.waitForKey();
    EXPECT_EQ(backend.keysConsumed, 1u);
}

TEST_F(Editor, TheKeyWaitReturnsAtTheEndOfTheInputAndLeavesTheScreen) {
    backend.addKeys({modifierKey()});
    console.printText("done");
    const ScreenModel before = screen();
    console.waitForKey();
    EXPECT_EQ(backend.keysConsumed, 1u);
    EXPECT_EQ(screen().cells, before.cells);
    EXPECT_FALSE(screen().cursorVisible);
}

// --- Beep, error box, end of the session ---

TEST_F(Editor, BeepReachesTheBackend) {
    console.beep();
    console.beep();
    EXPECT_EQ(backend.beeps, 2);
}

TEST_F(Editor, ShowErrorPassesTheMessageUnchangedWithTheScreenUnderIt) {
    console.printText("under the box");
    console.showError("You must respond with a number between 1 and 6  ");
    console.showError("first\\nsecond");
    ASSERT_EQ(backend.errors.size(), 2u);
    EXPECT_EQ(backend.errors[0].message, "You must respond with a number between 1 and 6  ");
    EXPECT_EQ(backend.errors[1].message, "first\\nsecond");
    EXPECT_EQ(rowText(backend.errors[0].screen, 1), "under the box");
    EXPECT_EQ(rowText(screen(), 1), "under the box");
    EXPECT_EQ(backend.presented.cells, screen().cells);
}

TEST_F(Editor, FinishHandsTheReasonToTheBackend) {
    EXPECT_FALSE(backend.finished);
    console.finish();
    EXPECT_TRUE(backend.finished);
    EXPECT_EQ(backend.finishReason, "");

    MemoryBackend other;
    Console ended(other);
    ended.setUpConsole();
    ended.finish("the keyboard input ended");
    EXPECT_EQ(other.finishReason, "the keyboard input ended");
}

// --- The memory backend's own helpers ---

TEST(MemoryBackendScript, TextBecomesCharacterKeysWithEnterAndBackspace) {
    const std::vector<Key> keys = keysFromText("a\r\n\b\xC3\xA9");
    ASSERT_EQ(keys.size(), 5u);
    EXPECT_EQ(keys[0].code, U'a');
    EXPECT_EQ(keys[0].text, "a");
    EXPECT_EQ(keys[1].code, 13u);
    EXPECT_EQ(keys[2].code, 13u);
    EXPECT_EQ(keys[3].code, 8u);
    EXPECT_EQ(keys[4].code, U'é');
    EXPECT_EQ(keys[4].text, "\xC3\xA9");
    for (const Key& key : keys) EXPECT_EQ(key.kind, Key::Kind::character);
}

TEST(MemoryBackendScript, GivesTheScriptInOrderThenTheEndOfTheInput) {
    MemoryBackend backend(keysFromText("xy"));
    EXPECT_EQ(backend.keysLeft(), 2u);
    EXPECT_EQ(backend.nextKey().code, U'x');
    backend.addKeys({noCharacterKey()});
    EXPECT_EQ(backend.nextKey().code, U'y');
    EXPECT_EQ(backend.nextKey().kind, Key::Kind::noCharacter);
    EXPECT_EQ(backend.nextKey().kind, Key::Kind::endOfInput);
    EXPECT_EQ(backend.nextKey().kind, Key::Kind::endOfInput);
    EXPECT_EQ(backend.keysConsumed, 3u);
    EXPECT_EQ(backend.keysLeft(), 0u);
}

TEST(MemoryBackendScreen, RowTextKeepsLeadingBlanksAndTrimsTrailingOnes) {
    ScreenModel screen;
    moveScreenCursor(screen, 4, 3);
    for (char32_t ch : std::u32string(U"a b  ")) putCharacter(screen, ch);
    EXPECT_EQ(rowText(screen, 4), "  a b");
    EXPECT_EQ(rowText(screen, 5), "");
    EXPECT_EQ(cellAttribute(screen, 4, 3), blackOnWhite);
}

}  // namespace
}  // namespace auralith
