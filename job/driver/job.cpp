#include "job/driver/job.h"

#include <cmath>
#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "sim/frame.h"
#include "wave/file_access.h"
#include "wave/input_wave.h"
#include "wave/output_wave.h"

namespace auralith {

namespace {

constexpr int black = 0;
constexpr int grey = 8;
constexpr int brightWhite = 15;
constexpr int answerColumn = 22;

constexpr const char* menuNames[6] = {
    "Blumlein crossed pair",         "Coincident cardioids (105 deg)", "Faulkner near-coincident pair",
    "ORTF near-coincident pair",     "Two spaced omnis",               "Decca three-omni tree",
};

constexpr const char* wrongAnswerMessage = "You must respond with a number between 1 and 6  ";
constexpr const char* writeFailedMessage = "The output file could not be written  ";
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
        c.printText(menuNames[k - 1]);
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

// The rendered output, built in the output file itself where the file allows it (`inPlace` then
// holds the file, to be put under its name), else in memory. Empty when the memory cannot be had.
std::optional<StereoBuffer> renderOutput(MicArray choice, const InputWave& wave, double gain, RandomState& random,
                                         const std::string& outputName,
                                         std::shared_ptr<MappedReplacement>& inPlace) {
    const auto frames = static_cast<std::int32_t>(outputFrameCount(wave.sampleRate, wave.sampleCount));
    std::optional<OutputInPlace> out = prepareOutputWave(outputName, frames, wave.sampleRate, wave.bitsPerSample);
    if (!out) return renderStereo(choice, wave, wave.sampleRate, gain, random);
    if (!renderStereoInto(choice, wave, wave.sampleRate, gain, random, out->buffer)) return std::nullopt;
    inPlace = std::move(out->file);
    return std::move(out->buffer);
}

int endWith(Console& c, int status, std::string_view reason = {}) {
    c.finish(reason);
    return status;
}

}  // namespace

int runJob(Console& c, RandomState& random) {
    c.setUpConsole();

    InputWave wave;
    for (;;) {
        const std::optional<std::string> name = askInputName(c);
        if (!name) return endWith(c, 1, inputEndedReason);
        auto header = readInputHeader(*name);
        if (auto* accepted = std::get_if<InputWave>(&header)) {
            wave = std::move(*accepted);
            break;
        }
        reportFailure(c, refusalText(std::get<InputRefusal>(header)));
    }

    showFileData(c, wave);
    showMenu(c);
    const std::optional<MicArray> choice = askChoice(c);
    if (!choice) return endWith(c, 1, inputEndedReason);

    lineFeeds(c, 2);
    const int outputRow = c.cursorRow();
    std::optional<std::string> outputName = askOutputName(c, outputRow);
    if (!outputName) return endWith(c, 1, inputEndedReason);

    lineFeeds(c, 3);
    startStage(c, "   Reading input file...");
    if (!loadInputSamples(wave)) {
        reportFailure(c, outOfMemoryMessage);
        return endWith(c, 1);
    }
    const double gain = measureGuardGain(wave);
    finishStage(c, 2);

    startStage(c, "   Generating output data...");
    std::shared_ptr<MappedReplacement> inPlace;
    std::optional<StereoBuffer> buffer = renderOutput(*choice, wave, gain, random, *outputName, inPlace);
    wave.samples = {};  // the samples are not needed past the render
    if (!buffer) {
        reportFailure(c, outOfMemoryMessage);
        return endWith(c, 1);
    }
    finishStage(c, 2);

    // A failed write asks for the output name again and writes the same rendered buffer.
    for (;;) {
        startStage(c, "   Writing output file...");
        // A file built in place is put under its name; a later attempt writes the same samples.
        const bool written = inPlace ? inPlace->commit()
                                     : writeOutputWave(*outputName, *buffer, wave.sampleRate, wave.bitsPerSample);
        inPlace.reset();
        if (written) break;
        reportFailure(c, writeFailedMessage);
        blankRowsFrom(c, outputRow);
        outputName = askOutputName(c, outputRow);
        if (!outputName) return endWith(c, 1, inputEndedReason);
        lineFeeds(c, 3);
        startStage(c, "   Reading input file...");
        finishStage(c, 2);
        startStage(c, "   Generating output data...");
        finishStage(c, 2);
    }
    buffer.reset();
    finishStage(c, 1);
    c.beep();
    lineFeeds(c, 4);
    c.printText("   Job finished");
    c.lineFeed();
    setGrey(c);
    c.printText("   press any key to quit");
    c.lineFeed();
    c.waitForKey();
    return endWith(c, 0);
}

}  // namespace auralith
