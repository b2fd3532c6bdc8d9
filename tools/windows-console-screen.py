#!/usr/bin/env python3
"""Compares a tmux capture (capture-pane -p -e -N) of an 80 x 49 pane with the final screen of a
session, cell by cell: the character and its colours (SGR 30 black or 90 dark grey on 107 bright
white). Usage: windows-console-screen.py CAPTURE INPUT ANSWER OUTPUT LENGTH DURATION"""
import re
import sys

ROWS, COLUMNS = 49, 80
BLACK, GREY, WHITE = 30, 90, 107


def expected_screen(input_name, answer, output_name, length, duration):
    cells = [[(" ", BLACK) for _ in range(COLUMNS)] for _ in range(ROWS)]

    def place(row, column, text, colour):
        for k, ch in enumerate(text):
            cells[row - 1][column - 1 + k] = (ch, colour)

    place(2, 1, "   Auralith v1", BLACK)
    place(3, 1, "   by the Auralith developers", BLACK)
    place(4, 1, "   Help and sources: see README.md", BLACK)
    place(8, 1, "   Input file?", GREY)
    place(8, 22, input_name, BLACK)
    place(11, 1, "                     FILE DATA", GREY)
    place(13, 1, "                     Channels     1 ", GREY)
    place(14, 1, "                     Sample rate  44100 Hz", GREY)
    place(15, 1, "                     Length       " + length + " samples", GREY)
    place(16, 1, "                     Duration     " + duration + " seconds", GREY)
    place(19, 1, "   Select mic array:", GREY)
    names = ["Blumlein crossed pair", "Coincident cardioids (105 deg)", "Faulkner near-coincident pair",
             "ORTF near-coincident pair", "Two spaced omnis", "Decca three-omni tree"]
    for k, name in enumerate(names, start=1):
        place(20 + k, 22, str(k), BLACK)
        place(20 + k, 24, name, GREY)
    place(28, 22, answer, BLACK)
    place(31, 1, "   Output file?", GREY)
    place(31, 22, output_name, BLACK)
    place(35, 1, "   Reading input file...", GREY)
    place(36, 1, "   Done", BLACK)
    place(38, 1, "   Generating output data...", GREY)
    place(39, 1, "   Done", BLACK)
    place(41, 1, "   Writing output file...", GREY)
    place(42, 1, "   Done", BLACK)
    place(47, 1, "   Job finished", BLACK)
    place(48, 1, "   press any key to quit", GREY)
    return cells


def captured_screen(text):
    """The cells of the capture: characters with the foreground and background in force."""
    lines = text.split("\n")[:ROWS]
    screen = []
    fg, bg = 39, 49
    for line in lines:
        row = []
        for token in re.findall(r"\x1b\[[0-9;]*m|.", line):
            if token.startswith("\x1b["):
                codes = [int(c) if c else 0 for c in token[2:-1].split(";")]
                for code in codes:
                    if code == 0:
                        fg, bg = 39, 49
                    elif 30 <= code <= 39 or 90 <= code <= 97:
                        fg = code
                    elif 40 <= code <= 49 or 100 <= code <= 107:
                        bg = code
            else:
                row.append((token, fg, bg))
        screen.append(row)
    return screen


def main():
    capture_path, input_name, answer, output_name, length, duration = sys.argv[1:7]
    with open(capture_path, encoding="utf-8") as f:
        actual = captured_screen(f.read())
    expected = expected_screen(input_name, answer, output_name, length, duration)
    faults = []
    for r in range(ROWS):
        row = actual[r] if r < len(actual) else []
        for c in range(COLUMNS):
            want_ch, want_fg = expected[r][c]
            got = row[c] if c < len(row) else (" ", None, None)
            # A blank's foreground colour cannot be seen; its background and every other cell's
            # character and colours must be exactly the table's.
            if got[0] != want_ch or got[2] != WHITE or (want_ch != " " and got[1] != want_fg):
                faults.append(f"row {r + 1}, column {c + 1}: {got!r}, expected {(want_ch, want_fg, WHITE)!r}")
    if faults:
        print(f"{len(faults)} cells differ from the screen table:")
        print("\n".join(faults[:20]))
        return 1
    print("final screen: every cell as in the table")
    return 0


if __name__ == "__main__":
    sys.exit(main())
