#include "job/driver/job.h"

#include <cmath>
#include <optional>
#include <span>
#include <string>
#include <variant>

#include "catalogue/built_in_arrays.h"
#include "job/driver/menu_answer.h"
#include "job/output/rendered_output.h"
#include "wave/files/file_access.h"
#include "wave/input_wave.h"

namespace auralith {

namespace {

constexpr int black = 0;
constexpr int grey = 8;
constexpr int brightWhite = 15;
constexpr int answerColumn = 22;

constexpr const char* wrongAnswerMessage = "You must respond with a number between 1 and 6  ";
constexpr const char* writeFailedMessage = "The output file could not be written  ";
constexpr const char* overInputMessage = "The output file would replace the input file  ";
constexpr const char* outOfMemoryMessage = "There is not enough memory for this recording  ";
constexpr const char* inputEndedReason = "auralith: the input ended before the question was answered";

void setBlack(Console& c) { c.setColors(black, brightWhite); }
void setGrey(Console& c) { c.setColors(grey, brightWhite); }

void lineFeeds(Console& c, int count) {
    for (int k = 0; k < count; ++k) c.lineFeed();
}

// Beep, then the error box; the caller asks its question again.
void reportFailure(Console& c, std::string_view message) {
    c.beep();
    c.showError(message);
}

// The banner and the input question; the name as typed, or nothing when the input ended.
std::optional<std::string> askInputName(Console& c) {
    c.clearScreen();
    setBlack(c);
    c.hideCursor();
    c.lineFeed();
    c.printText("   Auralith v1");
    c.lineFeed();
    c.printText("   by the Auralith developers");
    c.lineFeed();
    c.printText("   Help and sources: see README.md");
    lineFeeds(c, 4);
    setGrey(c);
    const int inputRow = c.cursorRow();
    c.printText("   Input file?");
    c.lineFeed();
    setBlack(c);
    c.moveCursor(inputRow, answerColumn);
    return c.readLine();
}

void showFileData(Console& c, const InputWave& wave) {
    lineFeeds(c, 2);
    setGrey(c);
    c.printText("                     FILE DATA");
    lineFeeds(c, 2);
    c.printText("                     Channels    ");
    c.printNumber(std::int64_t{wave.channels});
    c.lineFeed();
    c.printText("                     Sample rate ");
    c.printNumber(std::int64_t{wave.sampleRate});
    c.printText("Hz");
    c.lineFeed();
    c.printText("                     Length      ");
    c.printNumber(std::int64_t{wave.sampleCount});
    c.printText("samples");
    c.lineFeed();
    c.printText("                     Duration    ");
    c.printNumber(std::rint(wave.duration * 100) / 100);  // to the nearest hundredth
    c.printText("seconds");
    lineFeeds(c, 3);
}

void showMenu(Console& c) {
    const int menuRow = c.cursorRow();
    c.printText("   Select mic array:");
    c.lineFeed();
    for (int k = 1; k <= 6; ++k) {
        setBlack(c);
        c.moveCursor(menuRow + 1 + k, answerColumn);
        c.printText(std::to_string(k));
        c.lineFeed();
        setGrey(c);
        c.moveCursor(menuRow + 1 + k, answerColumn + 2);
        c.printText(micArrayName(static_cast<MicArray>(k)));
        c.lineFeed();
    }
    c.lineFeed();
}

// Asks until the answer is one of the bare digits; nothing when the input ended.
std::optional<MicArray> askChoice(Console& c) {
    const int answerRow = c.cursorRow();
    for (;;) {
        c.moveCursor(answerRow, answerColumn);
        setBlack(c);
        const std::optional<std::string> answer = c.readLine();
        if (!answer) return std::nullopt;
        if (const auto choice = micArrayFromAnswer(*answer)) return choice;
        reportFailure(c, wrongAnswerMessage);
        c.moveCursor(answerRow, answerColumn);
        c.printText(std::string(24, ' '));
        c.lineFeed();
    }
}

std::optional<std::string> askOutputName(Console& c, int outputRow) {
    setGrey(c);
    c.moveCursor(outputRow, 1);
    c.printText("   Output file?");
    c.lineFeed();
    setBlack(c);
    c.moveCursor(outputRow, answerColumn);
    return c.readLine();
}

void startStage(Console& c, const char* line) {
    setGrey(c);
    c.printText(line);
    c.lineFeed();
}

void finishStage(Console& c, int lineFeedsAfter) {
    setBlack(c);
    c.printText("   Done");
    lineFeeds(c, lineFeedsAfter);
}

// Blanks every row from `row` to the bottom, so that a question can be asked there again.
void blankRowsFrom(Console& c, int row) {
    setBlack(c);
    for (int r = row; r <= screenRows; ++r) {
        c.moveCursor(r, 1);
        c.printText(std::string(screenColumns, ' '));
    }
}

// A final screen that could not be written out fails a job that went well otherwise.
int endWith(Console& c, int status, std::string_view reason = {}) { return c.finish(reason) ? status : 1; }

// After a failed write: the rows from the output question down are blanked and the question is
// asked again in its place. The two stages done before are then shown again as they stood, each
// with its "Done", so that the screen keeps its layout and the writing stage its own row.
std::optional<std::string> askOutputNameAgain(Console& c, int outputRow) {
    blankRowsFrom(c, outputRow);
    std::optional<std::string> name = askOutputName(c, outputRow);
    if (!name) return name;
    lineFeeds(c, 3);
    startStage(c, "   Reading input file...");
    finishStage(c, 2);
    startStage(c, "   Generating output data...");
    finishStage(c, 2);
    return name;
}

// Whether the output name stands for the recording itself (the same device and file number,
// through links as the write follows them, hard links too): writing would lose the take.
bool replacesTheInput(const std::string& outputName, const InputWave& wave) {
    const std::optional<FileIdentity> output = fileIdentity(outputName, true);
    return output && output == fileIdentity(wave.fileName, true);
}

// Writes until a write succeeds, asking for another name after each failure and instead of
// replacing the input; false when the keyboard input ended first.
bool writeUntilWritten(Console& c, RenderedOutput& out, std::string name, int outputRow, const InputWave& wave) {
    for (bool first = true;; first = false) {
        startStage(c, "   Writing output file...");
        const bool overInput = replacesTheInput(name, wave);
        if (!overInput && writeRenderedOutput(out, name, wave, first)) return true;
        reportFailure(c, overInput ? overInputMessage : writeFailedMessage);
        std::optional<std::string> again = askOutputNameAgain(c, outputRow);
        if (!again) return false;
        name = std::move(*again);
    }
}

// The input step, until a recording is accepted; nothing when the keyboard input ended.
std::optional<InputWave> askForInput(Console& c) {
    for (;;) {
        const std::optional<std::string> name = askInputName(c);
        if (!name) return std::nullopt;
        auto header = readInputHeader(*name);
        if (auto* accepted = std::get_if<InputWave>(&header)) return std::move(*accepted);
        reportFailure(c, refusalText(std::get<InputRefusal>(header)));
    }
}

// Reading, generating and writing, each closed by "Done"; the exit status.
int process(Console& c, InputWave& wave, MicArray choice, const std::string& outputName, int outputRow,
            RandomState& random) {
    startStage(c, "   Reading input file...");
    if (!loadInputSamples(wave)) {
        reportFailure(c, outOfMemoryMessage);
        return endWith(c, 1);
    }
    const double gain = measureGuardGain(wave.samples);
    finishStage(c, 2);

    startStage(c, "   Generating output data...");
    std::optional<RenderedOutput> output = renderOutput(choice, wave, gain, random, outputName);
    wave.samples = {};  // the samples are not needed past the render
    if (!output) {
        reportFailure(c, outOfMemoryMessage);
        return endWith(c, 1);
    }
    finishStage(c, 2);

    if (!writeUntilWritten(c, *output, outputName, outputRow, wave)) return endWith(c, 1, inputEndedReason);
    output.reset();
    finishStage(c, 1);
    return 0;
}

void finishJob(Console& c) {
    c.beep();
    lineFeeds(c, 4);
    c.printText("   Job finished");
    c.lineFeed();
    setGrey(c);
    c.printText("   press any key to quit");
    c.lineFeed();
    c.waitForKey();
}

}  // namespace

int runJob(Console& c, RandomState& random) {
    c.setUpConsole();
    std::optional<InputWave> wave = askForInput(c);
    if (!wave) return endWith(c, 1, inputEndedReason);

    showFileData(c, *wave);
    showMenu(c);
    const std::optional<MicArray> choice = askChoice(c);
    if (!choice) return endWith(c, 1, inputEndedReason);

    lineFeeds(c, 2);
    const int outputRow = c.cursorRow();
    const std::optional<std::string> outputName = askOutputName(c, outputRow);
    if (!outputName) return endWith(c, 1, inputEndedReason);

    lineFeeds(c, 3);
    const int status = process(c, *wave, *choice, *outputName, outputRow, random);
    if (status != 0) return status;
    finishJob(c);
    return endWith(c, 0);
}

}  // namespace auralith
