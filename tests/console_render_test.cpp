// The terminal renderer and the error box: pure functions from screen models to bytes and
// to screen models.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "job/console/error_box.h"
#include "job/console/terminal_render.h"

namespace auralith {
namespace {

void write(ScreenModel& screen, int row, int column, std::u32string_view text, std::uint8_t attr = attrBlackOnWhite) {
    for (std::size_t i = 0; i < text.size(); ++i) screen.at(row, column + static_cast<int>(i)) = Cell{text[i], attr};
}

std::u32string rowText(const ScreenModel& screen, int row, int column, int length) {
    std::u32string out;
    for (int c = column; c < column + length; ++c) out += screen.at(row, c).ch;
    return out;
}

std::size_t count(const std::string& haystack, const std::string& needle) {
    std::size_t n = 0;
    for (auto at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + 1)) ++n;
    return n;
}

TEST(TerminalRenderSequences, SetUpTitlesSizesAndClears) {
    const std::string bytes = setUpBytes();
    EXPECT_NE(bytes.find("\x1b]0;Auralith\x07"), std::string::npos);
    EXPECT_NE(bytes.find("\x1b[8;49;80t"), std::string::npos);
    EXPECT_NE(bytes.find("\x1b[2J"), std::string::npos);
    EXPECT_EQ(bytes.find("\x1b[?1049h"), std::string::npos);  // no alternate screen
}

TEST(TerminalRenderSequences, ExitResetsShowsCursorAndLeavesTheScreenBelow) {
    const std::string bytes = exitBytes();
    EXPECT_EQ(bytes, "\x1b[0m\x1b[?25h\x1b[49;1H\n");
    EXPECT_EQ(bytes.find("\x1b[2J"), std::string::npos);
    EXPECT_EQ(bytes.find("\x1b[?1049l"), std::string::npos);
}

TEST(TerminalRenderSequences, TooSmallNoticeNamesBothSizes) {
    const std::string bytes = tooSmallBytes(72, 24);
    EXPECT_NE(bytes.find("Please enlarge the terminal to at least 80 x 49 characters (now 72 x 24)."),
              std::string::npos);
    EXPECT_NE(bytes.find("\x1b[2J"), std::string::npos);
}

TEST(TerminalRenderScreen, FullDrawOfASmallKnownScreen) {
    ScreenModel screen;
    write(screen, 1, 1, U"Hi", attrBlackOnWhite);
    write(screen, 2, 4, U"é", attrGreyOnWhite);
    screen.row = 3;
    screen.column = 5;
    screen.cursorVisible = true;
    const std::string bytes = renderScreen(nullptr, screen);

    EXPECT_EQ(bytes.rfind("\x1b[?25l\x1b[0m\x1b[2J", 0), 0u);  // hidden and cleared before drawing
    // Row 1 starts at its first cell in black on bright white.
    EXPECT_EQ(bytes.find("\x1b[1;1H\x1b[30;107mHi   "), 14u);
    // Each row is one run: one cursor move per row, colours only where they change.
    for (int r = 1; r <= screenRows; ++r) EXPECT_EQ(count(bytes, "\x1b[" + std::to_string(r) + ";1H"), 1u) << r;
    EXPECT_NE(bytes.find("\x1b[2;1H   \x1b[90;107m\xc3\xa9\x1b[30;107m "), std::string::npos);
    EXPECT_EQ(count(bytes, "\x1b[90;107m"), 1u);
    EXPECT_EQ(count(bytes, "\x1b[30;107m"), 2u);
    // All 3920 cells drawn: the blanks plus H, i and the two bytes of é.
    EXPECT_EQ(count(bytes, " "), static_cast<std::size_t>(screenRows * screenColumns - 3));
    // Ends with the cursor placed and shown.
    EXPECT_TRUE(bytes.ends_with("\x1b[3;5H\x1b[?25h"));
}

TEST(TerminalRenderScreen, ColoursMapFromWindowsNumbering) {
    ScreenModel screen;
    // Foreground 1 blue, 2 green, 3 cyan, 4 red, 5 magenta, 6 yellow, 7 grey, 8 dark grey, 9 bright blue, 14 bright
    // yellow on background 0 black.
    const int foregrounds[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 14};
    const char* expected[] = {"34;40", "32;40", "36;40", "31;40", "35;40", "33;40", "37;40", "90;40", "94;40", "93;40"};
    for (int i = 0; i < 10; ++i) screen.at(1, i + 1) = Cell{U'x', static_cast<std::uint8_t>(foregrounds[i])};
    screen.at(1, 11) = Cell{U'x', 0x4C};  // bright red on red
    screen.at(1, 12) = Cell{U'x', 0x0F};  // bright white on black
    screen.at(1, 13) = Cell{U'x', 0x80};  // black on dark grey
    const std::string bytes = renderScreen(nullptr, screen);
    for (const char* sgr : expected) EXPECT_NE(bytes.find("\x1b[" + std::string(sgr) + "mx"), std::string::npos) << sgr;
    EXPECT_NE(bytes.find("\x1b[91;41mx"), std::string::npos);
    EXPECT_NE(bytes.find("\x1b[97;40mx"), std::string::npos);
    EXPECT_NE(bytes.find("\x1b[30;100mx"), std::string::npos);
}

TEST(TerminalRenderScreen, NothingChangedGivesNoBytes) {
    ScreenModel screen;
    write(screen, 5, 5, U"same");
    EXPECT_EQ(renderScreen(&screen, screen), "");
}

TEST(TerminalRenderScreen, OnlyChangedCellsAreDrawn) {
    ScreenModel before;
    before.cursorVisible = false;
    write(before, 10, 20, U"abc");
    ScreenModel after = before;
    after.at(10, 21).ch = U'X';
    after.at(49, 80) = Cell{U'Ж', attrGreyOnWhite};
    const std::string bytes = renderScreen(&before, after);
    EXPECT_EQ(bytes,
              "\x1b[?25l"
              "\x1b[10;21H\x1b[30;107mX"
              "\x1b[49;80H\x1b[90;107m\xd0\x96"
              "\x1b[1;1H");  // the cursor put back, still hidden
}

TEST(TerminalRenderScreen, AdjacentChangesShareOneMove) {
    ScreenModel before;
    ScreenModel after = before;
    write(after, 7, 79, U"ab");
    write(after, 8, 1, U"c");
    const std::string bytes = renderScreen(&before, after);
    EXPECT_EQ(bytes, "\x1b[?25l\x1b[7;79H\x1b[30;107mab\x1b[8;1Hc\x1b[1;1H\x1b[?25h");
}

TEST(TerminalRenderScreen, CursorOnlyChanges) {
    ScreenModel before;
    ScreenModel after = before;
    after.row = 12;
    after.column = 22;
    EXPECT_EQ(renderScreen(&before, after), "\x1b[?25l\x1b[12;22H\x1b[?25h");
    ScreenModel hidden = after;
    hidden.cursorVisible = false;
    EXPECT_EQ(renderScreen(&after, hidden), "\x1b[?25l\x1b[12;22H");
}

TEST(TerminalRenderScreen, CellsThatWouldBreakTheGridShowAsQuestionMarks) {
    ScreenModel before;
    ScreenModel after = before;
    after.at(1, 1).ch = U'\x1b';
    after.at(1, 2).ch = U'中';
    const std::string bytes = renderScreen(&before, after);
    EXPECT_NE(bytes.find("\x1b[1;1H\x1b[30;107m??"), std::string::npos);
    EXPECT_EQ(bytes.find("\xe4\xb8\xad"), std::string::npos);
}

TEST(TerminalRenderPlainText, OneLinePerRowTrailingBlanksRemoved) {
    ScreenModel screen;
    write(screen, 1, 4, U"Auralith  ");
    write(screen, 3, 1, U"λ x");
    write(screen, 49, 80, U"z");
    const std::string text = screenAsPlainText(screen);
    std::string expected = "   Auralith\n\n\xce\xbb x\n";
    for (int r = 4; r <= 48; ++r) expected += '\n';
    expected += std::string(79, ' ') + "z\n";
    EXPECT_EQ(text, expected);
    EXPECT_EQ(count(text, "\n"), 49u);
}

// The error box.

TEST(ErrorBox, TitleMessageLinesAndButton) {
    ScreenModel under;
    const ScreenModel box = withErrorBox(under, "The input file could not be found\\nPlease try again");
    // 2 message lines: the box is 8 rows high, centred vertically: rows 21 to 28.
    // The longest line (33 characters) gives a box 40 wide (even, to centre exactly): columns 21 to 60.
    EXPECT_EQ(box.at(21, 21).ch, U'┌');
    EXPECT_EQ(box.at(21, 60).ch, U'┐');
    EXPECT_EQ(box.at(28, 21).ch, U'└');
    EXPECT_EQ(box.at(28, 60).ch, U'┘');
    EXPECT_EQ(rowText(box, 21, 23, 7), U" ERROR ");
    EXPECT_EQ(rowText(box, 23, 24, 33), U"The input file could not be found");
    EXPECT_EQ(rowText(box, 24, 24, 16), U"Please try again");
    EXPECT_EQ(rowText(box, 26, 37, 8), U"   OK   ");
    EXPECT_EQ(box.at(26, 39).attr, attrErrorButton);
    EXPECT_EQ(box.at(23, 24).attr, attrErrorBox);
    EXPECT_FALSE(box.cursorVisible);
    // Left and right margins are equal: the box is centred.
    EXPECT_EQ(21 - 1, 80 - 60);
}

TEST(ErrorBox, TheScreenOutsideTheBoxIsUnchanged) {
    ScreenModel under;
    for (int r = 1; r <= screenRows; ++r)
        for (int c = 1; c <= screenColumns; ++c)
            under.at(r, c) =
                Cell{static_cast<char32_t>(U'a' + (r + c) % 26), static_cast<std::uint8_t>((r * c) & 0xFF)};
    under.row = 30;
    under.column = 7;
    const ScreenModel box = withErrorBox(under, "Short");
    int top = 0, left = 0, bottom = 0, right = 0;
    for (int r = 1; r <= screenRows; ++r)
        for (int c = 1; c <= screenColumns; ++c) {
            if (box.at(r, c).ch == U'┌') {
                top = r;
                left = c;
            }
            if (box.at(r, c).ch == U'┘') {
                bottom = r;
                right = c;
            }
        }
    ASSERT_GT(top, 0);
    ASSERT_GT(bottom, top);
    EXPECT_EQ(left - 1, screenColumns - right);                 // centred across
    EXPECT_LE(std::abs((top - 1) - (screenRows - bottom)), 1);  // and down
    for (int r = 1; r <= screenRows; ++r)
        for (int c = 1; c <= screenColumns; ++c)
            if (r < top || r > bottom || c < left || c > right) {
                ASSERT_EQ(box.at(r, c), under.at(r, c)) << r << ',' << c;
            }
    EXPECT_EQ(box.row, 30);
    EXPECT_EQ(box.column, 7);
    EXPECT_TRUE(under.cursorVisible);  // the original is left as it was
}

TEST(ErrorBox, LongLinesWrapAtBlanksAndKeepTheBoxOnScreen) {
    std::string message;
    for (int i = 0; i < 30; ++i) message += "word ";
    const ScreenModel box = withErrorBox(ScreenModel{}, message);
    // Width at most 70: columns 6 to 75; every text row starts with "word".
    EXPECT_EQ(box.at(6, 6).ch, U' ');
    int textRows = 0;
    for (int r = 1; r <= screenRows; ++r) {
        if (box.at(r, 6).ch == U'┌') {
            EXPECT_EQ(box.at(r, 75).ch, U'┐');
        }
        if (rowText(box, r, 9, 4) == U"word") ++textRows;
    }
    EXPECT_EQ(textRows, 3);  // 150 characters in lines of at most 64
}

TEST(ErrorBox, OneUnbrokenWordIsCutHard) {
    const ScreenModel box = withErrorBox(ScreenModel{}, std::string(100, 'x'));
    int xs = 0;
    for (const Cell& cell : box.cells) xs += cell.ch == U'x' ? 1 : 0;
    EXPECT_EQ(xs, 100);
}

TEST(ErrorBox, TrailingBackslashNAndUtf8) {
    const ScreenModel box = withErrorBox(ScreenModel{}, "Fehler: Datei fehlt\\n");
    // Two lines, the second empty: 8 rows high as in the first case; 26 wide (text 20 at least).
    EXPECT_EQ(box.at(21, 28).ch, U'┌');
    EXPECT_EQ(box.at(28, 53).ch, U'┘');
    const ScreenModel greek = withErrorBox(ScreenModel{}, "\xce\xa9 ok");
    bool found = false;
    for (int r = 1; r <= screenRows; ++r) found = found || rowText(greek, r, 31, 4) == U"Ω ok";
    EXPECT_TRUE(found);
}

TEST(ErrorBox, BytesThatAreNotUtf8AndWideCharactersShowAsQuestionMarks) {
    // A character cut short: one mark a byte; a whole sequence without a character (surrogate,
    // overlong form): one mark; a wide character: one mark.
    const ScreenModel box = withErrorBox(ScreenModel{},
                                         "a\xE2\x82z\xED\xA0\x80"
                                         "b\xE0\x81\x81"
                                         "c\xE4\xB8\xAD\xFF");
    bool found = false;
    for (int r = 1; r <= screenRows; ++r) found = found || rowText(box, r, 31, 10) == U"a??z?b?c??";
    EXPECT_TRUE(found);
}

}  // namespace
}  // namespace auralith
