// auralith-compare run as a user runs it: its files against the interactive program's, its exit
// statuses and messages, files whole or not at all, the same bytes on every run.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace auralith {
namespace {

using testing::ScratchDir;
namespace fs = std::filesystem;

struct ProgramRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::string fileText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

ProgramRun run(const ScratchDir& dir, const std::string& command) {
    const std::string line = "cd '" + dir.path().string() + "' && " + command + " > stdout.txt 2> stderr.txt";
    const int raw = std::system(line.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, fileText(dir.path() / "stdout.txt"),
            fileText(dir.path() / "stderr.txt")};
}

ProgramRun compare(const ScratchDir& dir, const std::string& args) {
    return run(dir, "'" AURALITH_COMPARE_BINARY "' " + args);
}

// A short recording (0.3 s unless longer asked): a tone, a click and a ramp of noise, full scale once.
void writeRecording(const ScratchDir& dir, const std::string& name, int n = 13230) {
    std::vector<std::int16_t> samples;
    std::uint32_t noise = 7;
    for (int i = 0; i < n; ++i) {
        noise = noise * 1664525u + 1013904223u;
        const double tone = 9000 * std::sin(2 * 3.141592653589793 * 440 * i / 44100.0);
        const double hiss = (static_cast<double>(noise >> 16) - 32768) * (i % 13230) / 13230.0 * 0.3;
        samples.push_back(static_cast<std::int16_t>(std::lrint(tone + hiss)));
    }
    samples[5000] = 32767;
    samples[5001] = -32768;
    testing::writeBytes(dir.file(name), testing::monoWaveBytes(samples));
}

std::set<std::string> filesIn(const fs::path& folder) {
    std::set<std::string> names;
    if (!fs::is_directory(folder)) return names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
}

const std::set<std::string> allFiles{"take-1-blumlein.wav",
                                     "take-1-blumlein.txt",
                                     "take-2-cardioids.wav",
                                     "take-2-cardioids.txt",
                                     "take-3-faulkner.wav",
                                     "take-3-faulkner.txt",
                                     "take-4-ortf.wav",
                                     "take-4-ortf.txt",
                                     "take-5-spaced-omnis.wav",
                                     "take-5-spaced-omnis.txt",
                                     "take-6-tree.wav",
                                     "take-6-tree.txt",
                                     "report.csv",
                                     "arrays.csv",
                                     "report.html"};

TEST(CompareProgram, WritesWhatTheInteractiveProgramWritesForEveryArray) {
    ScratchDir dir;
    writeRecording(dir, "take.wav");
    const ProgramRun result = compare(dir, "take.wav");
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");                                 // standard error is no terminal: no progress bar
    EXPECT_EQ(filesIn(dir.path() / "take-arrays"), allFiles);  // the default folder, nothing else in it
    EXPECT_NE(result.out.find("Files written in take-arrays:"), std::string::npos);
    const char* slugs[6] = {"blumlein", "cardioids", "faulkner", "ortf", "spaced-omnis", "tree"};
    for (int k = 1; k <= 6; ++k) {
        const std::string keys = "take.wav\\n" + std::to_string(k) + "\\nsolo.wav\\n\\n";
        ASSERT_EQ(run(dir, "printf '" + keys + "' | '" AURALITH_BINARY "'").status, 0);
        EXPECT_EQ(testing::readBytes(dir.file("solo.wav")),
                  testing::readBytes(dir.file("take-arrays/take-" + std::to_string(k) + "-" + slugs[k - 1] + ".wav")))
            << "array " << k;
    }
}

TEST(CompareProgram, TheSameBytesOnEveryRun) {
    ScratchDir dir;
    writeRecording(dir, "take.wav");
    ASSERT_EQ(compare(dir, "-q -o one take.wav").status, 0);
    ASSERT_EQ(compare(dir, "--quiet --output-dir=two take.wav").status, 0);
    EXPECT_EQ(filesIn(dir.path() / "one"), allFiles);
    for (const std::string& name : allFiles)
        EXPECT_EQ(testing::readBytes(dir.file("one/" + name)), testing::readBytes(dir.file("two/" + name))) << name;
}

TEST(CompareProgram, TheChosenArraysOnlyAndNoAudio) {
    ScratchDir dir;
    writeRecording(dir, "take.wav");
    const ProgramRun result = compare(dir, "-a 4,2 --no-audio -o out take.wav");
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(filesIn(dir.path() / "out"), (std::set<std::string>{"report.csv", "arrays.csv", "report.html"}));
    const std::string arrays = fileText(dir.path() / "out/arrays.csv");
    EXPECT_NE(arrays.find("\n2,\"Coincident cardioids (105 deg)\","), std::string::npos);
    EXPECT_NE(arrays.find(",30.0,,\n4,\"ORTF near-coincident pair\","), std::string::npos);  // no loudness
    const std::string csv = fileText(dir.path() / "out/report.csv");
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 1 + 2 * 13);
}

TEST(CompareProgram, DescribedArraysBesideTheMenusOnes) {
    ScratchDir dir;
    writeRecording(dir, "take.wav");
    const ProgramRun result = compare(dir, "-q -o out -a nos,4,pair:cardioid:100:25,tree:3:1:subcardioid take.wav");
    ASSERT_EQ(result.status, 0) << result.err;
    std::set<std::string> expected{"report.csv", "arrays.csv", "report.html"};
    for (const char* slug : {"4-ortf", "nos", "pair-cardioid-100-25", "tree-3-1-subcardioid"})
        for (const char* extension : {".wav", ".txt"}) expected.insert(std::string("take-") + slug + extension);
    EXPECT_EQ(filesIn(dir.path() / "out"), expected);
    const std::string arrays = fileText(dir.path() / "out/arrays.csv");
    EXPECT_NE(arrays.find("\n4,\"ORTF near-coincident pair\",113.1,"), std::string::npos) << arrays;
    EXPECT_NE(arrays.find("\npair:cardioid:100:25,\"Cardioids, 100°, 25 cm\",97.6,"), std::string::npos);
    EXPECT_NE(arrays.find("\ntree:3:1:subcardioid,\"Tree of subcardioids, 3 m wide, 1 m deep\","), std::string::npos);
    // The built-in array's file is the interactive program's, as in a run of the six alone.
    ASSERT_EQ(compare(dir, "-q -o six -a 4 take.wav").status, 0);
    EXPECT_EQ(testing::readBytes(dir.file("out/take-4-ortf.wav")), testing::readBytes(dir.file("six/take-4-ortf.wav")));
}

TEST(CompareProgram, EverySpacingTheDesignListsGivesTheWantedAngle) {
    ScratchDir dir;
    for (const auto& [wanted, pattern] : std::vector<std::pair<int, std::string>>{{100, "cardioid"}, {60, "0.3"}}) {
        const ProgramRun design =
            compare(dir, "-o design --design " + std::to_string(wanted) + " --pattern " + pattern);
        ASSERT_EQ(design.status, 0) << design.err;
        // The table's own list of every row's pair, run as -a asks for them.
        const std::size_t at = design.out.find("auralith-compare -a ");
        ASSERT_NE(at, std::string::npos) << design.out;
        const std::string list = design.out.substr(at + 20, design.out.find(' ', at + 20) - at - 20);
        std::istringstream rows(fileText(dir.path() / "design/design.csv"));
        std::string line;
        std::getline(rows, line);
        EXPECT_EQ(line, "angle_deg,spacing_cm,sra_deg,max_image_deg");
        int listed = 0;
        for (int angle = 0; std::getline(rows, line); angle += 10) {
            EXPECT_EQ(line.substr(0, line.find(',')), std::to_string(angle));
            listed += line.find(",,") == std::string::npos;
        }
        EXPECT_GT(listed, 10) << pattern;
        writeRecording(dir, "take.wav", 4410);
        ASSERT_EQ(compare(dir, "-q --no-audio -o heard -a " + list + " take.wav").status, 0);
        std::istringstream heard(fileText(dir.path() / "heard/arrays.csv"));
        std::getline(heard, line);
        int rendered = 0;
        for (; std::getline(heard, line); ++rendered) {
            const std::size_t sra = line.find("\",") + 2;
            EXPECT_NEAR(std::stod(line.substr(sra)), wanted, 0.2) << line;
        }
        EXPECT_EQ(rendered, listed);
    }
}

TEST(CompareProgram, UsageHelpAndVersion) {
    ScratchDir dir;
    const ProgramRun help = compare(dir, "--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: auralith-compare [OPTIONS] INPUT.wav\n", 0), 0u);
    EXPECT_EQ(help.err, "");
    const ProgramRun version = compare(dir, "--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "auralith-compare " AURALITH_VERSION_TEXT "\n");
    for (const auto& [args, message] : std::vector<std::pair<std::string, std::string>>{
             {"", "no input file given"},
             {"-a 9 take.wav", "'9' is not a list of menu numbers 1 to 6 (such as 1,3,5)"},
             {"--frobnicate take.wav", "unknown option '--frobnicate'"},
             {"take.wav other.wav", "more than one input file given ('other.wav')"}}) {
        const ProgramRun wrong = compare(dir, args);
        EXPECT_EQ(wrong.status, 2) << args;
        EXPECT_EQ(wrong.err, "auralith-compare: " + message + " (see auralith-compare --help)\n");
        EXPECT_EQ(wrong.out, "");
    }
    EXPECT_EQ(filesIn(dir.path()), (std::set<std::string>{"stdout.txt", "stderr.txt"}));
}

TEST(CompareProgram, RefusedInputsAsTheInteractiveProgramRefusesThem) {
    ScratchDir dir;
    testing::writeBytes(dir.file("stereo.wav"), testing::monoWaveBytes({1, 2, 3, 4}, 2));
    testing::writeBytes(dir.file("rate.wav"), testing::monoWaveBytes({1, 2}, 1, 48000));
    const std::vector<std::pair<std::string, std::string>> cases{
        {"missing.wav", "            File not found.\\n Please enter a valid filename"},
        {"stereo.wav", "This is not a mono Wave file"},
        {"rate.wav", "The sampling rate of the input file must be 44.1kHz"},
    };
    for (const auto& [input, text] : cases) {
        const ProgramRun refused = compare(dir, input);
        EXPECT_EQ(refused.status, 1) << input;
        EXPECT_EQ(refused.err, "auralith-compare: " + input + ": " + text + "\n");
        EXPECT_EQ(refused.out, "");
    }
    // Nothing was made for them: no output folders.
    EXPECT_EQ(filesIn(dir.path()), (std::set<std::string>{"stereo.wav", "rate.wav", "stdout.txt", "stderr.txt"}));
}

TEST(CompareProgram, FilesAppearWholeOrNotAtAll) {
    ScratchDir dir;
    writeRecording(dir, "take.wav");
    ASSERT_EQ(compare(dir, "-q -o good take.wav").status, 0);
    // The page's name is taken by a folder: everything before it is written, whole; the page is
    // not, and no temporary file is left beside it.
    fs::create_directories(dir.path() / "bad/report.html");
    const ProgramRun failed = compare(dir, "-q -o bad take.wav");
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.err, "auralith-compare: bad/report.html: the file could not be written\n");
    std::set<std::string> expected = allFiles;
    EXPECT_EQ(filesIn(dir.path() / "bad"), expected);  // report.html is the folder
    EXPECT_TRUE(fs::is_directory(dir.path() / "bad/report.html"));
    for (const std::string& name : allFiles) {
        if (name == "report.html") continue;
        EXPECT_EQ(testing::readBytes(dir.file("bad/" + name)), testing::readBytes(dir.file("good/" + name))) << name;
    }
    // An audio file's name taken by a folder stops the run there, before anything later.
    fs::create_directories(dir.path() / "early/take-2-cardioids.wav");
    const ProgramRun early = compare(dir, "-o early take.wav");
    EXPECT_EQ(early.status, 1);
    EXPECT_EQ(early.err, "auralith-compare: early/take-2-cardioids.wav: the file could not be written\n");
    EXPECT_EQ(filesIn(dir.path() / "early"),
              (std::set<std::string>{"take-1-blumlein.wav", "take-1-blumlein.txt", "take-2-cardioids.wav"}));
    // A folder that cannot be made.
    testing::writeBytes(dir.file("plain"), {1});
    const ProgramRun noFolder = compare(dir, "-o plain/sub take.wav");
    EXPECT_EQ(noFolder.status, 1);
    EXPECT_EQ(noFolder.err, "auralith-compare: plain/sub: the folder could not be created\n");
}

TEST(CompareProgram, AnInterruptedRunLeavesWholeFilesOnly) {
    ScratchDir dir;
    writeRecording(dir, "take.wav", 6 * 44100);
    ASSERT_EQ(compare(dir, "-q -o good take.wav").status, 0);
    // Stopped by SIGTERM a little way into the run, at different points.
    for (const char* after : {"0.2", "0.6", "1.2"}) {
        fs::remove_all(dir.path() / "cut");
        run(dir, std::string("timeout -s TERM ") + after + " '" AURALITH_COMPARE_BINARY "' -q -o cut take.wav");
        for (const std::string& name : filesIn(dir.path() / "cut")) {
            // Nothing half-written, under its name or a temporary one.
            ASSERT_TRUE(allFiles.count(name)) << name << " after " << after << " s";
            EXPECT_EQ(testing::readBytes(dir.file("cut/" + name)), testing::readBytes(dir.file("good/" + name)))
                << name;
        }
    }
}

}  // namespace
}  // namespace auralith
