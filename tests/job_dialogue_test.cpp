// The whole dialogue of a job on the in-memory console: the screen as the user sees it, cell by
// cell, and every way the user can get an answer wrong.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "job/driver/job.h"
#include "support/memory_backend.h"
#include "support/test_support.h"

namespace auralith {
namespace {

using testing::ScratchDir;

constexpr std::uint8_t black = attrBlackOnWhite;
constexpr std::uint8_t grey = attrGreyOnWhite;

// The screen the user should see: blank cells in black on white, then text placed at its cells.
struct ExpectedScreen {
    ScreenModel model;
    void place(int row, int column, std::string_view ascii, std::uint8_t attr) {
        for (char ch : ascii) {
            model.at(row, column) = Cell{static_cast<char32_t>(static_cast<unsigned char>(ch)), attr};
            ++column;
        }
    }
};

void expectSameCells(const ScreenModel& actual, const ScreenModel& expected) {
    for (int r = 1; r <= screenRows; ++r) {
        EXPECT_EQ(rowText(actual, r), rowText(expected, r)) << "row " << r;
        for (int c = 1; c <= screenColumns; ++c) {
            if (!(actual.at(r, c) == expected.at(r, c))) {
                ADD_FAILURE() << "row " << r << ", column " << c << ": attribute " << int(actual.at(r, c).attr)
                              << " expected " << int(expected.at(r, c).attr);
                return;
            }
        }
    }
}

// The final screen of a job that went through without a scroll.
ScreenModel ordinaryFinalScreen(const std::string& inputName, const std::string& answer, const std::string& outputName,
                                const std::string& length, const std::string& duration) {
    ExpectedScreen s;
    s.place(2, 1, "   Auralith v1", black);
    s.place(3, 1, "   by the Auralith developers", black);
    s.place(4, 1, "   Help and sources: see README.md", black);
    s.place(8, 1, "   Input file?", grey);
    s.place(8, 22, inputName, black);
    s.place(11, 1, "                     FILE DATA", grey);
    s.place(13, 1, "                     Channels     1 ", grey);
    s.place(14, 1, "                     Sample rate  44100 Hz", grey);
    s.place(15, 1, "                     Length       " + length + " samples", grey);
    s.place(16, 1, "                     Duration    " + duration + "seconds", grey);
    s.place(19, 1, "   Select mic array:", grey);
    const char* names[] = {"Blumlein crossed pair",
                           "Coincident cardioids (105 deg)",
                           "Faulkner near-coincident pair",
                           "ORTF near-coincident pair",
                           "Two spaced omnis",
                           "Decca three-omni tree"};
    for (int k = 1; k <= 6; ++k) {
        s.place(20 + k, 22, std::to_string(k), black);
        s.place(20 + k, 24, names[k - 1], grey);
    }
    s.place(28, 22, answer, black);
    s.place(31, 1, "   Output file?", grey);
    s.place(31, 22, outputName, black);
    s.place(35, 1, "   Reading input file...", grey);
    s.place(36, 1, "   Done", black);
    s.place(38, 1, "   Generating output data...", grey);
    s.place(39, 1, "   Done", black);
    s.place(41, 1, "   Writing output file...", grey);
    s.place(42, 1, "   Done", black);
    s.place(47, 1, "   Job finished", black);
    s.place(48, 1, "   press any key to quit", grey);
    return s.model;
}

struct Session {
    MemoryBackend backend;
    int status = -1;
};

Session runWithKeys(std::vector<Key> keys) {
    Session session;
    session.backend.script = std::move(keys);
    Console console(session.backend);
    RandomState random;
    session.status = runJob(console, random);
    return session;
}

Session runWithText(const std::string& typed) { return runWithKeys(keysFromText(typed)); }

class Dialogue : public ::testing::Test {
protected:
    void SetUp() override {
        std::vector<std::int16_t> samples(1000);
        for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<std::int16_t>(i * 37 % 4000 - 2000);
        testing::writeBytes(input, testing::monoWaveBytes(samples));
    }
    ScratchDir dir;
    std::string input = dir.file("take.wav");
    std::string output = dir.file("sweep.wav");
};

TEST_F(Dialogue, OrdinarySessionLeavesTheDocumentedScreen) {
    const Session s = runWithText(input + "\r1\r" + output + "\rq");
    EXPECT_EQ(s.status, 0);
    EXPECT_TRUE(s.backend.setUpRan);
    EXPECT_TRUE(s.backend.finished);
    EXPECT_EQ(s.backend.finishReason, "");
    EXPECT_EQ(s.backend.keysLeft(), 0u);
    EXPECT_EQ(s.backend.beeps, 1) << "the one beep after writing";
    EXPECT_TRUE(s.backend.errors.empty());
    const ScreenModel& screen = s.backend.presented;
    expectSameCells(screen, ordinaryFinalScreen(input, "1", output, "1000", " .02 "));
    EXPECT_FALSE(screen.cursorVisible);
    EXPECT_EQ(screen.row, 49);
    EXPECT_EQ(screen.column, 1);
    EXPECT_EQ(testing::readBytes(output).size(), 44u + 4u * (13u * (44100u + 1000u) + 44100u));
}

TEST_F(Dialogue, EveryChoiceRunsToTheEnd) {
    for (const char* answer : {"2", "3", "4", "5", "6"}) {
        const Session s = runWithText(input + "\r" + answer + "\r" + output + "\r\r");
        EXPECT_EQ(s.status, 0) << answer;
        expectSameCells(s.backend.presented, ordinaryFinalScreen(input, answer, output, "1000", " .02 "));
    }
}

TEST_F(Dialogue, RefusedInputNamesAskAgainOnTheSameScreen) {
    const Session plain = runWithText(input + "\r1\r" + output + "\r\r");
    testing::writeBytes(dir.file("stereo.wav"), testing::monoWaveBytes({1, 2}, 2));
    testing::writeBytes(dir.file("8bit.wav"), testing::monoWaveBytes({1, 2}, 1, 22050, 8));
    testing::writeBytes(dir.file("48k.wav"), testing::monoWaveBytes({1, 2}, 1, 48000));
    auto tooLong = testing::monoWaveBytes({});
    tooLong[40] = 0x80;  // a data size of 2^31 reads negative
    tooLong[43] = 0x80;
    testing::writeBytes(dir.file("long.wav"), tooLong);
    const std::string typed = "\r" + dir.file("missing.wav") + "\r" + dir.file("stereo.wav") + "\r" +
                              dir.file("8bit.wav") + "\r" + dir.file("48k.wav") + "\r" + dir.file("long.wav") + "\r" +
                              dir.path().string() + "\r" + input + "\r1\r" + output + "\r\r";
    const Session s = runWithText(typed);
    EXPECT_EQ(s.status, 0);
    const std::vector<std::string> expected = {
        "            File not found.\\n Please enter a valid filename  ",
        "            File not found.\\n Please enter a valid filename  ",
        "This is not a mono Wave file  ",
        "This is not a 16-bit Wave file  ",
        "The sampling rate of the input file must be 44.1kHz  ",
        "The input file is too long: at most 82548031 samples (31 minutes)  ",
        "            File not found.\\n Please enter a valid filename  ",
    };
    ASSERT_EQ(s.backend.errors.size(), expected.size());
    for (std::size_t k = 0; k < expected.size(); ++k) EXPECT_EQ(s.backend.errors[k].message, expected[k]);
    EXPECT_EQ(s.backend.beeps, 8);
    // The box stands over the banner and the name as typed; afterwards nothing of it is left.
    EXPECT_EQ(rowText(s.backend.errors[2].screen, 8), "   Input file?       " + dir.file("stereo.wav"));
    expectSameCells(s.backend.presented, plain.backend.presented);
}

TEST_F(Dialogue, WrongAnswersAreBlankedAndAskedAgainInPlace) {
    const Session plain = runWithText(input + "\r4\r" + output + "\r\r");
    const Session s = runWithText(input + "\r 1\r1 \r01\r\rx\r7\r123456789012345678901234\r4\r" + output + "\r\r");
    EXPECT_EQ(s.status, 0);
    ASSERT_EQ(s.backend.errors.size(), 7u);
    for (const auto& error : s.backend.errors)
        EXPECT_EQ(error.message, "You must respond with a number between 1 and 6  ");
    // The rejected answer stands on the screen while the box is up.
    EXPECT_EQ(rowText(s.backend.errors[0].screen, 28), "                      1");
    EXPECT_EQ(rowText(s.backend.errors[6].screen, 28), "                     123456789012345678901234");
    expectSameCells(s.backend.presented, plain.backend.presented);
}

TEST_F(Dialogue, EditingKeysWhileAnswering) {
    std::vector<Key> keys = keysFromText(input);
    // Esc, Tab and Ctrl+C change nothing; arrows are dropped; Backspace mends the answer.
    for (Key k :
         {characterKey(27), characterKey(9), characterKey(3), noCharacterKey(), characterKey('x'), backspaceKey()})
        keys.push_back(k);
    const std::vector<Key> middle = keysFromText("\r\b\b9\b2\r" + output + "\r");
    keys.insert(keys.end(), middle.begin(), middle.end());
    keys.push_back(modifierKey());
    keys.push_back(modifierKey());
    keys.push_back(noCharacterKey());  // F1 ends the wait
    keys.push_back(characterKey('z'));
    const Session s = runWithKeys(keys);
    EXPECT_EQ(s.status, 0);
    EXPECT_TRUE(s.backend.errors.empty());
    EXPECT_EQ(s.backend.keysLeft(), 1u) << "the key wait takes the F1 and nothing after it";
    expectSameCells(s.backend.presented, ordinaryFinalScreen(input, "2", output, "1000", " .02 "));
}

TEST_F(Dialogue, EmptyOutputNameIsAcceptedAndTheFailedWriteAskedAgain) {
    const Session s = runWithText(input + "\r5\r\r" + output + "\r\r");
    EXPECT_EQ(s.status, 0);
    ASSERT_EQ(s.backend.errors.size(), 1u);
    EXPECT_EQ(s.backend.errors[0].message, "The output file could not be written  ");
    EXPECT_EQ(rowText(s.backend.errors[0].screen, 41), "   Writing output file...");
    EXPECT_EQ(rowText(s.backend.errors[0].screen, 42), "");
    EXPECT_EQ(s.backend.beeps, 2);
    expectSameCells(s.backend.presented, ordinaryFinalScreen(input, "5", output, "1000", " .02 "));
    EXPECT_EQ(testing::readBytes(output).size(), 44u + 4u * (13u * 45100u + 44100u));
}

TEST_F(Dialogue, WriteIntoAMissingFolderThenAGoodName) {
    const std::string bad = dir.file("no such folder/out.wav");
    const Session s = runWithText(input + "\r6\r" + bad + "\r" + output + "\r\r");
    EXPECT_EQ(s.status, 0);
    ASSERT_EQ(s.backend.errors.size(), 1u);
    EXPECT_EQ(s.backend.errors[0].message, "The output file could not be written  ");
    expectSameCells(s.backend.presented, ordinaryFinalScreen(input, "6", output, "1000", " .02 "));
    EXPECT_FALSE(std::filesystem::exists(bad));
}

TEST_F(Dialogue, TheInputEndingMidQuestionEndsTheProgram) {
    for (const std::string& typed : {std::string(""), input, input + "\r", input + "\r3\r", input + "\r3\r" + output}) {
        const Session s = runWithText(typed);
        EXPECT_EQ(s.status, 1) << typed;
        EXPECT_TRUE(s.backend.finished);
        EXPECT_FALSE(s.backend.finishReason.empty());
        EXPECT_FALSE(std::filesystem::exists(output));
    }
    // The final key wait simply returns at the end of the input.
    const Session s = runWithText(input + "\r3\r" + output + "\r");
    EXPECT_EQ(s.status, 0);
    EXPECT_TRUE(std::filesystem::exists(output));
}

struct DurationCase {
    int samples;
    const char* length;
    const char* duration;
};

TEST_F(Dialogue, FileDataShowsLengthAndRoundedDuration) {
    const DurationCase cases[] = {{22050, "22050", " .5 "}, {44100, "44100", " 1 "},   {441, "441", " .01 "},
                                  {200, "200", " 0 "},      {66150, "66150", " 1.5 "}, {0, "0", " 0 "}};
    for (const auto& c : cases) {
        testing::writeBytes(input,
                            testing::monoWaveBytes(std::vector<std::int16_t>(static_cast<std::size_t>(c.samples))));
        const Session s = runWithText(input + "\r");  // ends at the answer
        EXPECT_EQ(rowText(s.backend.presented, 15),
                  std::string("                     Length       ") + c.length + " samples");
        EXPECT_EQ(rowText(s.backend.presented, 16),
                  std::string("                     Duration    ") + c.duration + "seconds");
        EXPECT_EQ(rowText(s.backend.presented, 13), "                     Channels     1");
        EXPECT_EQ(rowText(s.backend.presented, 14), "                     Sample rate  44100 Hz");
    }
}

TEST_F(Dialogue, AWrappedInputNamePushesLaterRowsDown) {
    // A name of 70 characters runs from column 22 past column 80 onto row 9.
    const std::string longName = dir.file(std::string(70 - dir.file("").size(), 'a'));
    testing::writeBytes(longName, testing::readBytes(input));
    const Session s = runWithText(longName + "\r1\r" + output + "\r\r");
    EXPECT_EQ(s.status, 0);
    // One row more than usual: the last line feed scrolls the whole screen up by one.
    EXPECT_EQ(rowText(s.backend.presented, 1), "   Auralith v1");
    EXPECT_EQ(rowText(s.backend.presented, 7), "   Input file?       " + longName.substr(0, 59));
    EXPECT_EQ(rowText(s.backend.presented, 8), longName.substr(59));
    EXPECT_EQ(rowText(s.backend.presented, 11), "                     FILE DATA");
    EXPECT_EQ(rowText(s.backend.presented, 28), "                     1");
    EXPECT_EQ(rowText(s.backend.presented, 47), "   Job finished");
    EXPECT_EQ(rowText(s.backend.presented, 48), "   press any key to quit");
}

}  // namespace
}  // namespace auralith
