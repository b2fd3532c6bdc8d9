// The screen model and the output primitives: cells, colours, cursor, wrap, scrolling.
#include <gtest/gtest.h>

#include <string>

#include "job/console/console.h"
#include "job/console/screen.h"
#include "job/console/utf8.h"
#include "support/memory_backend.h"

namespace auralith {
namespace {

constexpr std::uint8_t blackOnWhite = 0xF0;
constexpr std::uint8_t greyOnWhite = 0xF8;

// A model as setUpConsole leaves it: black on bright white, blank, cursor at 1,1.
ScreenModel freshScreen() {
    ScreenModel screen;
    setScreenColors(screen, 0, 15);
    clearCells(screen);
    return screen;
}

std::string repeated(char ch, int count) { return std::string(static_cast<std::size_t>(count), ch); }

void putText(ScreenModel& screen, std::string_view utf8) {
    for (char32_t ch : charactersFromUtf8(utf8)) putCharacter(screen, ch);
}

bool rowIsBlankIn(const ScreenModel& screen, int row, std::uint8_t attr) {
    for (int column = 1; column <= screenColumns; ++column) {
        if (!(screen.at(row, column) == Cell{U' ', attr})) return false;
    }
    return true;
}

// --- Cells, colours and clearing ---

TEST(ScreenCells, ClearingBlanksEveryCellInTheCurrentAttributeAndHomesTheCursor) {
    ScreenModel screen = freshScreen();
    putText(screen, "hello");
    moveScreenCursor(screen, 30, 40);
    setScreenColors(screen, 8, 15);
    clearCells(screen);
    for (const Cell& cell : screen.cells) EXPECT_EQ(cell, (Cell{U' ', greyOnWhite}));
    EXPECT_EQ(screen.row, 1);
    EXPECT_EQ(screen.column, 1);
}

TEST(ScreenCells, ClearingDropsThePendingWrap) {
    ScreenModel screen = freshScreen();
    moveScreenCursor(screen, 49, 80);
    putCharacter(screen, U'x');
    ASSERT_TRUE(screen.pendingWrap);
    clearCells(screen);
    EXPECT_FALSE(screen.pendingWrap);
    putCharacter(screen, U'y');
    EXPECT_EQ(screen.at(1, 1).ch, U'y');
    EXPECT_EQ(rowText(screen, 49), "");
}

TEST(ScreenColours, ValuesFrom0To15BecomeTheCurrentColours) {
    ScreenModel screen = freshScreen();
    setScreenColors(screen, 8, 15);
    EXPECT_EQ(screen.attribute(), greyOnWhite);
    setScreenColors(screen, 15, 0);
    EXPECT_EQ(screen.foreground, 15);
    EXPECT_EQ(screen.background, 0);
    EXPECT_EQ(screen.attribute(), 0x0F);
}

TEST(ScreenColours, A16OrMoreLeavesThatColourAsItWas) {
    ScreenModel screen = freshScreen();
    setScreenColors(screen, 8, 16);
    EXPECT_EQ(screen.foreground, 8);
    EXPECT_EQ(screen.background, 15);
    setScreenColors(screen, 16, 3);
    EXPECT_EQ(screen.foreground, 8);
    EXPECT_EQ(screen.background, 3);
    setScreenColors(screen, 255, 1000);
    EXPECT_EQ(screen.foreground, 8);
    EXPECT_EQ(screen.background, 3);
    setScreenColors(screen, -1, -7);  // below the range is out of range as well
    EXPECT_EQ(screen.foreground, 8);
    EXPECT_EQ(screen.background, 3);
}

TEST(ScreenColours, WrittenCellsKeepTheirAttributeWhenTheColoursChange) {
    ScreenModel screen = freshScreen();
    putCharacter(screen, U'a');
    setScreenColors(screen, 8, 15);
    putCharacter(screen, U'b');
    EXPECT_EQ(screen.at(1, 1), (Cell{U'a', blackOnWhite}));
    EXPECT_EQ(screen.at(1, 2), (Cell{U'b', greyOnWhite}));
    EXPECT_EQ(screen.at(1, 3), (Cell{U' ', blackOnWhite}));
}

// --- Cursor placement ---

TEST(ScreenCursor, MovesToAnyCellOfTheScreen) {
    ScreenModel screen = freshScreen();
    moveScreenCursor(screen, 49, 80);
    EXPECT_EQ(screen.row, 49);
    EXPECT_EQ(screen.column, 80);
    moveScreenCursor(screen, 1, 1);
    EXPECT_EQ(screen.row, 1);
    EXPECT_EQ(screen.column, 1);
}

TEST(ScreenCursor, AnOutOfRangeCoordinateIsLeftAsItWas) {
    ScreenModel screen = freshScreen();
    moveScreenCursor(screen, 10, 20);
    moveScreenCursor(screen, 50, 30);
    EXPECT_EQ(screen.row, 10);
    EXPECT_EQ(screen.column, 30);
    moveScreenCursor(screen, 12, 81);
    EXPECT_EQ(screen.row, 12);
    EXPECT_EQ(screen.column, 30);
    moveScreenCursor(screen, 0, 0);
    EXPECT_EQ(screen.row, 12);
    EXPECT_EQ(screen.column, 30);
    moveScreenCursor(screen, -5, 1);
    EXPECT_EQ(screen.row, 12);
    EXPECT_EQ(screen.column, 1);
}

TEST(ScreenCursor, MovingClearsThePendingWrapSoTheNextWriteDoesNotScroll) {
    ScreenModel screen = freshScreen();
    moveScreenCursor(screen, 49, 80);
    putCharacter(screen, U'x');
    ASSERT_TRUE(screen.pendingWrap);
    moveScreenCursor(screen, 49, 5);
    EXPECT_FALSE(screen.pendingWrap);
    putCharacter(screen, U'y');
    EXPECT_EQ(screen.at(49, 80).ch, U'x');
    EXPECT_EQ(screen.at(49, 5).ch, U'y');
    EXPECT_EQ(rowText(screen, 48), "");
}

TEST(ScreenCursor, EvenAFullyOutOfRangeMoveClearsThePendingWrap) {
    ScreenModel screen = freshScreen();
    moveScreenCursor(screen, 49, 80);
    putCharacter(screen, U'x');
    moveScreenCursor(screen, 0, 0);
    EXPECT_FALSE(screen.pendingWrap);
    EXPECT_EQ(screen.row, 49);
    EXPECT_EQ(screen.column, 1);
}

// --- Writing and wrapping ---

TEST(ScreenWriting, ACharacterGoesAtTheCursorInTheCurrentAttribute) {
    ScreenModel screen = freshScreen();
    setScreenColors(screen, 8, 15);
    moveScreenCursor(screen, 8, 22);
    putCharacter(screen, U'Q');
    EXPECT_EQ(screen.at(8, 22), (Cell{U'Q', greyOnWhite}));
    EXPECT_EQ(screen.row, 8);
    EXPECT_EQ(screen.column, 23);
}

TEST(ScreenWriting, AfterColumn80TheNextCharacterGoesToColumn1OfTheNextRow) {
    ScreenModel screen = freshScreen();
    moveScreenCursor(screen, 5, 79);
    putCharacter(screen, U'a');
    putCharacter(screen, U'b');
    EXPECT_EQ(screen.row, 6);
    EXPECT_EQ(screen.column, 1);
    EXPECT_FALSE(screen.pendingWrap);
    putCharacter(screen, U'c');
    EXPECT_EQ(screen.at(5, 79).ch, U'a');
    EXPECT_EQ(screen.at(5, 80).ch, U'b');
    EXPECT_EQ(screen.at(6, 1).ch, U'c');
}

TEST(ScreenWriting, AFilledRowAlreadyMovedTheCursorSoALineFeedLeavesTheNextRowEmpty) {
    ScreenModel screen = freshScreen();
    moveScreenCursor(screen, 10, 1);
    putText(screen, repeated('x', 80));
    EXPECT_EQ(screen.row, 11);
    EXPECT_EQ(screen.column, 1);
    screenLineFeed(screen);
    EXPECT_EQ(screen.row, 12);
    EXPECT_EQ(screen.column, 1);
    putCharacter(screen, U'y');
    EXPECT_EQ(rowText(screen, 10), repeated('x', 80));
    EXPECT_EQ(rowText(screen, 11), "");
    EXPECT_EQ(rowText(screen, 12), "y");
}

TEST(ScreenWriting, TheLastCellOfTheBottomRowSetsThePendingWrapWithoutScrolling) {
    ScreenModel screen = freshScreen();
    moveScreenCursor(screen, 48, 1);
    putCharacter(screen, U'k');
    moveScreenCursor(screen, 49, 78);
    putText(screen, "abc");
    EXPECT_TRUE(screen.pendingWrap);
    EXPECT_EQ(screen.row, 49);
    EXPECT_EQ(screen.column, 1);
    EXPECT_EQ(rowText(screen, 48), "k");
    EXPECT_EQ(screen.at(49, 80).ch, U'c');
}

TEST(ScreenWriting, TheWriteAfterAPendingWrapScrollsOnceAndGoesOnAtColumn1OfTheBottomRow) {
    ScreenModel screen = freshScreen();
    moveScreenCursor(screen, 48, 1);
    putCharacter(screen, U'k');
    moveScreenCursor(screen, 49, 78);
    putText(screen, "abcd");
    EXPECT_FALSE(screen.pendingWrap);
    EXPECT_EQ(rowText(screen, 47), "k");
    EXPECT_EQ(rowText(screen, 48), repeated(' ', 77) + "abc");
    EXPECT_EQ(rowText(screen, 49), "d");
    EXPECT_EQ(screen.row, 49);
    EXPECT_EQ(screen.column, 2);
}

TEST(ScreenWriting, WritingIntoColumn80OfANonBottomRowSetsNoPendingWrap) {
    ScreenModel screen = freshScreen();
    moveScreenCursor(screen, 48, 80);
    putCharacter(screen, U'z');
    EXPECT_FALSE(screen.pendingWrap);
    EXPECT_EQ(screen.row, 49);
    EXPECT_EQ(screen.column, 1);
}

TEST(ScreenWriting, ALongTextKeepsScrollingOneRowPerEightyCharacters) {
    ScreenModel screen = freshScreen();
    moveScreenCursor(screen, 49, 1);
    putText(screen, repeated('a', 80) + repeated('b', 80) + "c");
    EXPECT_EQ(rowText(screen, 47), repeated('a', 80));
    EXPECT_EQ(rowText(screen, 48), repeated('b', 80));
    EXPECT_EQ(rowText(screen, 49), "c");
}

// --- Line feeds and scrolling ---

TEST(ScreenLineFeed, GoesToColumn1OfTheNextRow) {
    ScreenModel screen = freshScreen();
    moveScreenCursor(screen, 3, 40);
    screenLineFeed(screen);
    EXPECT_EQ(screen.row, 4);
    EXPECT_EQ(screen.column, 1);
}

TEST(ScreenLineFeed, OnTheBottomRowScrollsOnceAndStaysThere) {
    ScreenModel screen = freshScreen();
    putCharacter(screen, U't');  // row 1 leaves the screen
    moveScreenCursor(screen, 2, 1);
    putCharacter(screen, U'u');
    moveScreenCursor(screen, 49, 1);
    putText(screen, "last");
    screenLineFeed(screen);
    EXPECT_EQ(screen.row, 49);
    EXPECT_EQ(screen.column, 1);
    EXPECT_EQ(rowText(screen, 1), "u");
    EXPECT_EQ(rowText(screen, 48), "last");
    EXPECT_EQ(rowText(screen, 49), "");
}

TEST(ScreenLineFeed, AfterThePendingWrapScrollsTwice) {
    ScreenModel screen = freshScreen();
    moveScreenCursor(screen, 49, 1);
    putText(screen, repeated('w', 80));
    ASSERT_TRUE(screen.pendingWrap);
    screenLineFeed(screen);
    EXPECT_FALSE(screen.pendingWrap);
    EXPECT_EQ(screen.row, 49);
    EXPECT_EQ(screen.column, 1);
    EXPECT_EQ(rowText(screen, 47), repeated('w', 80));
    EXPECT_EQ(rowText(screen, 48), "");
    EXPECT_EQ(rowText(screen, 49), "");
    screenLineFeed(screen);  // the mark is gone: once more is a single scroll
    EXPECT_EQ(rowText(screen, 46), repeated('w', 80));
}

TEST(ScreenScrolling, TheNewBottomRowIsBlankInTheCurrentAttribute) {
    ScreenModel screen = freshScreen();
    moveScreenCursor(screen, 49, 1);
    putText(screen, "old");
    setScreenColors(screen, 8, 15);
    screenLineFeed(screen);
    EXPECT_TRUE(rowIsBlankIn(screen, 49, greyOnWhite));
    EXPECT_EQ(screen.at(48, 1), (Cell{U'o', blackOnWhite}));
    EXPECT_EQ(screen.at(48, 4), (Cell{U' ', blackOnWhite}));
}

TEST(ScreenScrolling, BothRowsOfADoubleScrollAreBlankInTheCurrentAttribute) {
    ScreenModel screen = freshScreen();
    moveScreenCursor(screen, 49, 1);
    putText(screen, repeated('w', 80));
    setScreenColors(screen, 0, 8);
    screenLineFeed(screen);
    EXPECT_TRUE(rowIsBlankIn(screen, 48, 0x80));
    EXPECT_TRUE(rowIsBlankIn(screen, 49, 0x80));
}

TEST(ScreenScrolling, ScrollingMovesEveryRowUpAndLeavesTheCursor) {
    ScreenModel screen = freshScreen();
    for (int row = 1; row <= screenRows; ++row) {
        moveScreenCursor(screen, row, 1);
        putText(screen, std::to_string(row));
    }
    moveScreenCursor(screen, 20, 7);
    scrollUp(screen);
    for (int row = 1; row < screenRows; ++row) EXPECT_EQ(rowText(screen, row), std::to_string(row + 1));
    EXPECT_EQ(rowText(screen, 49), "");
    EXPECT_EQ(screen.row, 20);
    EXPECT_EQ(screen.column, 7);
}

// --- Backspace on the screen ---

TEST(ScreenEraseBack, StepsBackOneCellAndBlanksItInTheCurrentAttribute) {
    ScreenModel screen = freshScreen();
    moveScreenCursor(screen, 8, 22);
    putText(screen, "ab");
    setScreenColors(screen, 8, 15);
    eraseBack(screen);
    EXPECT_EQ(screen.row, 8);
    EXPECT_EQ(screen.column, 23);
    EXPECT_EQ(screen.at(8, 23), (Cell{U' ', greyOnWhite}));
    EXPECT_EQ(screen.at(8, 22), (Cell{U'a', blackOnWhite}));
}

TEST(ScreenEraseBack, FromColumn1GoesToColumn80OfTheRowAbove) {
    ScreenModel screen = freshScreen();
    moveScreenCursor(screen, 10, 79);
    putText(screen, "xyz");
    eraseBack(screen);
    EXPECT_EQ(screen.row, 11);
    EXPECT_EQ(screen.column, 1);
    eraseBack(screen);
    EXPECT_EQ(screen.row, 10);
    EXPECT_EQ(screen.column, 80);
    EXPECT_EQ(rowText(screen, 10), repeated(' ', 78) + "x");
    EXPECT_EQ(rowText(screen, 11), "");
}

TEST(ScreenEraseBack, AfterThePendingWrapErasesTheBottomRightCellWithoutScrolling) {
    ScreenModel screen = freshScreen();
    moveScreenCursor(screen, 48, 1);
    putCharacter(screen, U'k');
    moveScreenCursor(screen, 49, 79);
    putText(screen, "pq");
    ASSERT_TRUE(screen.pendingWrap);
    eraseBack(screen);
    EXPECT_FALSE(screen.pendingWrap);
    EXPECT_EQ(screen.row, 49);
    EXPECT_EQ(screen.column, 80);
    EXPECT_EQ(screen.at(49, 80).ch, U' ');
    EXPECT_EQ(screen.at(49, 79).ch, U'p');
    EXPECT_EQ(rowText(screen, 48), "k");
    putCharacter(screen, U'r');  // typed again into the same cell
    EXPECT_EQ(screen.at(49, 80).ch, U'r');
    EXPECT_TRUE(screen.pendingWrap);
    EXPECT_EQ(rowText(screen, 48), "k");
}

TEST(ScreenEraseBack, AtTheTopLeftCornerChangesNothing) {
    ScreenModel screen = freshScreen();
    putCharacter(screen, U'a');
    moveScreenCursor(screen, 1, 1);
    const ScreenModel before = screen;
    eraseBack(screen);
    EXPECT_EQ(screen.cells, before.cells);
    EXPECT_EQ(screen.row, 1);
    EXPECT_EQ(screen.column, 1);
}

// --- The output primitives of the console ---

struct ConsoleOutput : ::testing::Test {
    MemoryBackend backend;
    Console console{backend};
    void SetUp() override { console.setUpConsole(); }
    const ScreenModel& screen() const { return console.screen(); }
};

TEST_F(ConsoleOutput, SetUpLeavesABlankBlackOnWhiteScreenWithTheCursorHome) {
    EXPECT_TRUE(backend.setUpRan);
    for (const Cell& cell : screen().cells) EXPECT_EQ(cell, (Cell{U' ', blackOnWhite}));
    EXPECT_EQ(screen().foreground, 0);
    EXPECT_EQ(screen().background, 15);
    EXPECT_EQ(screen().row, 1);
    EXPECT_EQ(screen().column, 1);
    EXPECT_GE(backend.presentCount, 1);
    EXPECT_EQ(backend.presented.cells, screen().cells);
}

TEST_F(ConsoleOutput, EveryPrimitivePresentsTheModel) {
    int presents = backend.presentCount;
    const auto presentedNow = [&] {
        const bool fresh = backend.presentCount > presents && backend.presented.cells == screen().cells &&
                           backend.presented.row == screen().row && backend.presented.column == screen().column &&
                           backend.presented.cursorVisible == screen().cursorVisible;
        presents = backend.presentCount;
        return fresh;
    };
    console.printText("abc");
    EXPECT_TRUE(presentedNow());
    console.lineFeed();
    EXPECT_TRUE(presentedNow());
    console.moveCursor(5, 5);
    EXPECT_TRUE(presentedNow());
    console.setColors(8, 15);
    EXPECT_TRUE(presentedNow());
    console.hideCursor();
    EXPECT_TRUE(presentedNow());
    console.printNumber(std::int64_t{7});
    EXPECT_TRUE(presentedNow());
    console.clearScreen();
    EXPECT_TRUE(presentedNow());
}

TEST_F(ConsoleOutput, PrintTextWritesUtf8CharactersOneCellEach) {
    console.moveCursor(3, 10);
    console.printText("\xC3\xA9\xCE\xA9\xD0\x96!");  // é Ω Ж !
    EXPECT_EQ(screen().at(3, 10).ch, U'é');
    EXPECT_EQ(screen().at(3, 11).ch, U'Ω');
    EXPECT_EQ(screen().at(3, 12).ch, U'Ж');
    EXPECT_EQ(screen().at(3, 13).ch, U'!');
    EXPECT_EQ(screen().column, 14);
    EXPECT_EQ(rowText(screen(), 3), repeated(' ', 9) + "\xC3\xA9\xCE\xA9\xD0\x96!");
}

TEST_F(ConsoleOutput, PrintTextInterpretsNoCharacter) {
    console.printText("a\tb\nc\r");
    EXPECT_EQ(screen().at(1, 2).ch, U'\t');
    EXPECT_EQ(screen().at(1, 4).ch, U'\n');
    EXPECT_EQ(screen().at(1, 6).ch, U'\r');
    EXPECT_EQ(screen().row, 1);
    EXPECT_EQ(screen().column, 7);
}

TEST_F(ConsoleOutput, PrintTextShowsInvalidBytesAsReplacementCharacters) {
    console.printText(
        "a\xFF"
        "b");
    EXPECT_EQ(screen().at(1, 2).ch, U'\uFFFD');
    EXPECT_EQ(screen().at(1, 3).ch, U'b');
}

TEST_F(ConsoleOutput, PrintTextWrapsAtColumn80) {
    console.moveCursor(5, 1);
    console.printText(repeated('a', 80) + "b");
    EXPECT_EQ(rowText(screen(), 5), repeated('a', 80));
    EXPECT_EQ(rowText(screen(), 6), "b");
    EXPECT_EQ(console.cursorRow(), 6);
}

TEST_F(ConsoleOutput, ABottomRowFilledToColumn80ThenALineFeedScrollsTwice) {
    console.moveCursor(48, 1);
    console.printText("above");
    console.moveCursor(49, 1);
    console.printText(repeated('z', 80));
    EXPECT_EQ(console.cursorRow(), 49);
    EXPECT_EQ(rowText(screen(), 49), repeated('z', 80));  // nothing has scrolled yet
    console.lineFeed();
    EXPECT_EQ(rowText(screen(), 46), "above");
    EXPECT_EQ(rowText(screen(), 47), repeated('z', 80));
    EXPECT_EQ(rowText(screen(), 48), "");
    EXPECT_EQ(rowText(screen(), 49), "");
    EXPECT_EQ(console.cursorRow(), 49);
}

TEST_F(ConsoleOutput, CursorRowFollowsTheCursor) {
    EXPECT_EQ(console.cursorRow(), 1);
    console.lineFeed();
    console.lineFeed();
    EXPECT_EQ(console.cursorRow(), 3);
    console.moveCursor(28, 22);
    EXPECT_EQ(console.cursorRow(), 28);
    console.moveCursor(60, 22);
    EXPECT_EQ(console.cursorRow(), 28);
}

TEST_F(ConsoleOutput, ClearScreenKeepsTheCursorVisibility) {
    EXPECT_TRUE(screen().cursorVisible);
    console.clearScreen();
    EXPECT_TRUE(screen().cursorVisible);
    EXPECT_TRUE(backend.presented.cursorVisible);
    console.hideCursor();
    EXPECT_FALSE(screen().cursorVisible);
    console.clearScreen();
    EXPECT_FALSE(screen().cursorVisible);
    EXPECT_FALSE(backend.presented.cursorVisible);
}

TEST_F(ConsoleOutput, ClearScreenUsesTheCurrentColours) {
    console.printText("gone");
    console.setColors(8, 15);
    console.clearScreen();
    for (const Cell& cell : screen().cells) EXPECT_EQ(cell, (Cell{U' ', greyOnWhite}));
    EXPECT_EQ(screen().row, 1);
    EXPECT_EQ(screen().column, 1);
}

TEST_F(ConsoleOutput, SetColorsIgnoresValuesOf16OrMore) {
    console.setColors(8, 15);
    console.setColors(16, 99);
    console.printText("g");
    EXPECT_EQ(cellAttribute(screen(), 1, 1), greyOnWhite);
    console.setColors(0, 16);
    console.printText("b");
    EXPECT_EQ(cellAttribute(screen(), 1, 2), blackOnWhite);
}

TEST_F(ConsoleOutput, MoveCursorOutOfRangeKeepsThatCoordinate) {
    console.moveCursor(28, 22);
    console.moveCursor(50, 23);
    console.printText("x");
    EXPECT_EQ(screen().at(28, 23).ch, U'x');
    console.moveCursor(30, 81);
    console.printText("y");
    EXPECT_EQ(screen().at(30, 24).ch, U'y');
}

}  // namespace
}  // namespace auralith
