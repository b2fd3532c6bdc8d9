// auralith-compare run as a user runs it: its files against the interactive program's, its exit
// statuses and messages, files whole or not at all, the same bytes on every run.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/test_support.h"

#ifdef AURALITH_HAS_SNDFILE
#include "support/sndfile_writer.h"
#endif
#if defined(AURALITH_HAS_HEADPHONES) && defined(AURALITH_HAS_SOFA_WRITER)
#include "support/sofa_writer.h"
#endif

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

// A short recording (0.3 s unless longer asked, at least 5002 samples): a tone, a click and a ramp
// of noise, full scale once.
std::vector<std::int16_t> recordingSamples(int n = 13230) {
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
    return samples;
}

void writeRecording(const ScratchDir& dir, const std::string& name, int n = 13230) {
    testing::writeBytes(dir.file(name), testing::monoWaveBytes(recordingSamples(n)));
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
    EXPECT_NE(arrays.find(",30.0,,,\n4,\"ORTF near-coincident pair\","), std::string::npos);  // no loudness, no count
    const std::string csv = fileText(dir.path() / "out/report.csv");
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 1 + 2 * 13);
    EXPECT_EQ(fileText(dir.path() / "out/report.html").find("\"envelope\""), std::string::npos);  // nothing to draw
}

// The page's envelope spans the whole render in 400 buckets (45 ms), aligned with the label
// track: 50 ms inside each sound loud, 50 ms outside it exact zeros (the pairs' silence).
TEST(CompareProgram, ThePageDrawsWhereTheSoundIs) {
    ScratchDir dir;
    writeRecording(dir, "take.wav");
    ASSERT_EQ(compare(dir, "-q -a 1,4 -o out take.wav").status, 0);
    const std::string html = fileText(dir.path() / "out/report.html");
    const double frames = 13 * (44100 + 13230) + 44100;  // 789390
    const std::size_t at = html.find("\"envelope\":{\"frames\":789390,\"rate\":44100,\"peaks\":[");
    ASSERT_NE(at, std::string::npos);
    std::istringstream list(html.substr(html.find('[', at) + 1)),
        labels(fileText(dir.path() / "out/take-1-blumlein.txt"));
    std::vector<long> peaks;
    for (long peak; list >> peak; list.ignore(1)) peaks.push_back(peak);
    ASSERT_EQ(peaks.size(), 400u);
    const auto peakAt = [&](double t) { return peaks[static_cast<std::size_t>(t * 44100 * 400 / frames)]; };
    int positions = 0;
    for (double start, end; labels >> start >> end; labels.ignore(1000, '\n'), ++positions)
        EXPECT_TRUE(peakAt(start - 0.05) == 0 && peakAt(start + 0.05) > 1000 && peakAt(end - 0.05) > 1000 &&
                    peakAt(end + 0.05) == 0)
            << "the sound from " << start << " s";
    EXPECT_EQ(positions, 13);
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

// A sweep of other positions and an excerpt: the renders, labels and rows follow the positions;
// the excerpt renders as a recording of that stretch alone; the default positions asked for
// give the bytes a run without them gives.
TEST(CompareProgram, ASweepYouSetAndAnExcerpt) {
    ScratchDir dir;
    writeRecording(dir, "take.wav");
    const std::vector<std::int16_t> samples = recordingSamples();
    testing::writeBytes(dir.file("cut.wav"), testing::monoWaveBytes(std::vector<std::int16_t>(samples.begin() + 4410,
                                                                                              samples.begin() + 8820)));
    const ProgramRun set = compare(dir, "-o out -a 4,ms:cardioid:1 --positions -90:90:30 --excerpt 0.1:0.1 take.wav");
    ASSERT_EQ(set.status, 0) << set.err;
    EXPECT_NE(set.out.find("the excerpt from 0.1 s to 0.2 s"), std::string::npos) << set.out;
    ASSERT_EQ(compare(dir, "-q -o cut -a 4,ms:cardioid:1 --positions -90:90:30 cut.wav").status, 0);
    for (const char* slug : {"4-ortf", "ms-cardioid-1"})
        EXPECT_EQ(testing::readBytes(dir.file(std::string("out/take-") + slug + ".wav")),
                  testing::readBytes(dir.file(std::string("cut/cut-") + slug + ".wav")))
            << slug;
    EXPECT_EQ(testing::readBytes(dir.file("out/take-4-ortf.wav")).size(), 44 + 4 * (7 * (44100 + 4410) + 44100));
    const std::string labels = fileText(dir.path() / "out/take-4-ortf.txt");
    EXPECT_EQ(std::count(labels.begin(), labels.end(), '\n'), 7);
    EXPECT_EQ(labels.substr(0, labels.find('\t', 9)), "1.000000\t1.100000");
    const std::string rows = fileText(dir.path() / "out/report.csv");
    EXPECT_EQ(std::count(rows.begin(), rows.end(), '\n'), 1 + 2 * 7);
    EXPECT_NE(rows.find("\nms:cardioid:1,\"Mid-side, cardioid mid, width 1\",6,90.0,"), std::string::npos) << rows;

    ASSERT_EQ(compare(dir, "-q -o plain take.wav").status, 0);
    ASSERT_EQ(compare(dir, "-q -o asked --positions -45:45:7.5 take.wav").status, 0);
    for (const std::string& name : filesIn(dir.path() / "plain"))
        EXPECT_EQ(testing::readBytes(dir.file("asked/" + name)), testing::readBytes(dir.file("plain/" + name))) << name;

    const ProgramRun late = compare(dir, "-o late --excerpt 1 take.wav");
    EXPECT_EQ(late.status, 1);
    EXPECT_EQ(late.err, "auralith-compare: take.wav: the excerpt starts at 1 s, not before its end (0.3 s)\n");
    EXPECT_FALSE(fs::exists(dir.path() / "late"));
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
    EXPECT_EQ(help.out.rfind("Usage: auralith-compare [OPTIONS] INPUT\n", 0), 0u);
    EXPECT_EQ(help.err, "");
    // Headed groups, every line at most 80 columns (a UTF-8 continuation byte takes none).
    std::istringstream lines(help.out);
    std::vector<std::string> heads;
    for (std::string line; std::getline(lines, line);) {
        EXPECT_LE(std::count_if(line.begin(), line.end(), [](char c) { return (c & 0xC0) != 0x80; }), 80) << line;
        if (!line.empty() && line[0] != ' ' && line.back() == ':') heads.push_back(line);
    }
    EXPECT_EQ(heads, (std::vector<std::string>{"Input:", "Arrays:", "Room:", "Outputs:", "Headphones:", "Others:",
                                               "Exit status:", "Examples:"}));
    const ProgramRun version = compare(dir, "--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "auralith-compare " AURALITH_VERSION_TEXT "\n");
    for (const auto& [args, message] : std::vector<std::pair<std::string, std::string>>{
             {"", "no input file given"},
             {"-a 9 take.wav", "'9' is not a list of menu numbers 1 to 6 (such as 1,3,5)"},
             {"--frobnicate take.wav", "unknown option '--frobnicate'"},
             {"--channel 0 take.wav", "'0' is not a channel number (1 for the first)"},
             {"take.wav other.wav", "more than one input file given ('other.wav')"},
             {"--room hall --rt60 2 --absorption 0.3 take.wav", "--rt60 and --absorption cannot go together"}}) {
        const ProgramRun wrong = compare(dir, args);
        EXPECT_EQ(wrong.status, 2) << args;
        EXPECT_EQ(wrong.err, "auralith-compare: " + message + " (see auralith-compare --help)\n");
        EXPECT_EQ(wrong.out, "");
    }
    EXPECT_EQ(filesIn(dir.path()), (std::set<std::string>{"stdout.txt", "stderr.txt"}));
}

// Each refusal in one line that says why, in the system's, libsndfile's or the program's words.
TEST(CompareProgram, RefusedInputsSayWhy) {
    ScratchDir dir;
    testing::writeBytes(dir.file("stereo.wav"), testing::monoWaveBytes({1, 2, 3, 4}, 2));
    testing::writeBytes(dir.file("rate.wav"), testing::monoWaveBytes({1, 2}, 1, 4000));
    testing::writeBytes(dir.file("notes.txt"), {'h', 'e', 'l', 'l', 'o', '\n'});
    writeRecording(dir, "take.wav", 6000);
    fs::create_directory(dir.path() / "folder.wav");
    const std::vector<std::pair<std::string, std::string>> cases{
        {"missing.wav", "No such file or directory"},
        {"folder.wav", "Is a directory"},
        {"--channel 2 take.wav", "it has no channel 2, only one"},
#ifdef AURALITH_HAS_SNDFILE
        {"stereo.wav", "it has 2 channels: choose one with --channel 1 to 2"},
        {"--channel 3 stereo.wav", "it has no channel 3, only 2"},
        {"rate.wav", "its sampling rate, 4 000 Hz, is not within 8 000 to 192 000 Hz"},
        {"notes.txt", "Format not recognised."},
#else  // the interactive program's reader and its words
        {"stereo.wav", "This is not a mono Wave file"},
        {"rate.wav", "The sampling rate of the input file must be 44.1kHz"},
#endif
    };
    for (const auto& [args, text] : cases) {
        const ProgramRun refused = compare(dir, args);
        const std::string input = args.substr(args.rfind(' ') + 1);
        EXPECT_EQ(refused.status, 1) << args;
        EXPECT_EQ(refused.err, "auralith-compare: " + input + ": " + text + "\n");
        EXPECT_EQ(refused.out, "");
    }
    // Nothing was made for them: no output folders.
    EXPECT_EQ(filesIn(dir.path()), (std::set<std::string>{"stereo.wav", "rate.wav", "notes.txt", "folder.wav",
                                                          "take.wav", "stdout.txt", "stderr.txt"}));
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
    EXPECT_EQ(failed.err, "auralith-compare: bad/report.html: Is a directory\n");
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
    EXPECT_EQ(early.err, "auralith-compare: early/take-2-cardioids.wav: Is a directory\n");
    EXPECT_EQ(filesIn(dir.path() / "early"),
              (std::set<std::string>{"take-1-blumlein.wav", "take-1-blumlein.txt", "take-2-cardioids.wav"}));
    // A folder that cannot be made: a file in its place, or on its path.
    testing::writeBytes(dir.file("plain"), {1});
    for (const std::string folder : {"plain", "plain/sub"}) {
        const ProgramRun noFolder = compare(dir, "-o " + folder + " take.wav");
        EXPECT_EQ(noFolder.status, 1);
        EXPECT_EQ(noFolder.err, "auralith-compare: " + folder + ": Not a directory\n");
    }
}

// A folder another run holds (flock(1) stands in for it) is refused before anything is written.
TEST(CompareProgram, AFolderAnotherRunWritesIntoIsRefused) {
    ScratchDir dir;
    writeRecording(dir, "take.wav");
    fs::create_directory(dir.path() / "out");
    const ProgramRun busy = run(dir, "flock out '" AURALITH_COMPARE_BINARY "' -q -o out take.wav");
    EXPECT_EQ(busy.status, 1);
    EXPECT_EQ(busy.err, "auralith-compare: out: another run of auralith-compare is writing into this folder\n");
    EXPECT_TRUE(fs::is_empty(dir.path() / "out"));
    EXPECT_EQ(compare(dir, "-q -o out take.wav").status, 0);  // and taken once it is free
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

// --- Recordings of other formats and rates ----------------------------------------------------

#ifdef AURALITH_HAS_SNDFILE
// The same recording as FLAC and as AIFF gives every byte the WAVE file gives (the page names the
// input, so its name is set aside there).
TEST(CompareProgram, FlacAndAiffOfARecordingGiveTheWaveFilesOutputs) {
    ScratchDir dir;
    writeRecording(dir, "take.wav");
    ASSERT_TRUE(testing::writeWithLibsndfile(dir.file("take.flac"), SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100,
                                             recordingSamples()));
    ASSERT_TRUE(testing::writeWithLibsndfile(dir.file("take.aiff"), SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 44100,
                                             recordingSamples()));
    for (const std::string input : {"take.wav", "take.flac", "take.aiff"}) {
        const ProgramRun result = compare(dir, "-o " + input + ".out " + input);
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.out.substr(0, result.out.find('\n')), input + ": 44 100 Hz, 16-bit, mono");
    }
    for (const std::string& name : allFiles) {
        std::string wave = fileText(dir.path() / "take.wav.out" / name);
        for (const std::string other : {"take.flac", "take.aiff"}) {
            std::string text = fileText(dir.path() / (other + ".out") / name);
            for (std::size_t at; (at = text.find(other)) != std::string::npos;)
                text.replace(at, other.size(), "take.wav");
            EXPECT_EQ(text, wave) << other << ": " << name;
        }
    }
}

// A 24-bit 48 kHz recording renders at 48 kHz: the header's rate, the frame count of that rate
// and labels timed at it.
TEST(CompareProgram, RendersAtTheRecordingsOwnRate) {
    ScratchDir dir;
    const std::vector<std::int16_t> samples = recordingSamples(4800);
    ASSERT_TRUE(testing::writeWithLibsndfile(dir.file("take48.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_24, 48000, samples));
    const ProgramRun result = compare(dir, "-a 4 -o out take48.wav");
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out.substr(0, result.out.find('\n')), "take48.wav: 48 000 Hz, 24-bit, mono");
    const std::vector<std::uint8_t> render = testing::readBytes(dir.file("out/take48-4-ortf.wav"));
    const std::uint64_t frames = 13 * (48000 + 4800) + 48000;
    ASSERT_EQ(render.size(), 44 + 4 * frames);
    EXPECT_EQ(std::vector<std::uint8_t>(render.begin() + 24, render.begin() + 28),
              (std::vector<std::uint8_t>{0x80, 0xBB, 0x00, 0x00}));  // 48 000
    const std::string labels = fileText(dir.path() / "out/take48-4-ortf.txt");
    EXPECT_EQ(labels.substr(0, labels.find('\t', 9)), "1.000000\t1.100000");  // one second, then 4 800 samples
    EXPECT_NE(fileText(dir.path() / "out/report.html").find("Read: 48 000 Hz, 24-bit, mono."), std::string::npos);
}

// What the renders cannot keep is told, once on standard error and in the reports, and the run
// goes on: samples clipped at full scale, images that whole-sample delays move at a low rate,
// samples that are not numbers. At 44 100 Hz nothing of a clean recording is told.
TEST(CompareProgram, WhatTheRendersCannotKeepIsTold) {
    ScratchDir dir;
    ASSERT_TRUE(testing::writeWithLibsndfile(dir.file("full.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100,
                                             std::vector<std::int16_t>(4410, 32767)));
    const ProgramRun clipped = compare(dir, "-a 1,pair:omni:0:200 -o full full.wav");
    ASSERT_EQ(clipped.status, 0) << clipped.err;
    const std::string arrays = fileText(dir.path() / "full/arrays.csv");
    const std::string count = arrays.substr(arrays.rfind(',') + 1, arrays.size() - arrays.rfind(',') - 2);
    EXPECT_GT(std::stol(count), 0);
    EXPECT_EQ(clipped.err,
              "auralith-compare: full/full-pair-omni-0-200.wav: " + count + " samples clipped at full scale\n");
    EXPECT_NE(arrays.find(",0\npair:omni:0:200,"), std::string::npos);  // Blumlein's render clips none
    EXPECT_NE(clipped.out.find(" dB    " + count + "    "), std::string::npos) << clipped.out;
    EXPECT_NE(fileText(dir.path() / "full/report.html").find("The render clipped " + count + " samples"),
              std::string::npos);

    ASSERT_TRUE(testing::writeWithLibsndfile(dir.file("low.wav"), SF_FORMAT_WAV | SF_FORMAT_FLOAT, 8000,
                                             recordingSamples(8000)));
    const ProgramRun low = compare(dir, "-a 1,4 --no-audio -o low low.wav");
    ASSERT_EQ(low.status, 0) << low.err;
    const std::string note =
        "the delays, whole samples, move the images of the renders, tables and labels from "
        "those of the curves and recording angles (delays unrounded) by more than 1°: "
        "4 by up to 4.9° (at -15.0°)";
    EXPECT_EQ(low.err, "auralith-compare: low.wav: at 8 000 Hz " + note + "\n");
    EXPECT_NE(low.out.find("\nNote: at 8 000 Hz " + note + ".\n"), std::string::npos);
    EXPECT_NE(fileText(dir.path() / "low/report.html").find("<p class=\"note\">At 8 000 Hz " + note + ".</p>"),
              std::string::npos);

    SF_INFO info{0, 44100, 1, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 0, 0};
    SNDFILE* file = sf_open(dir.file("nan.wav").c_str(), SFM_WRITE, &info);
    const std::vector<float> values = {0.5f, NAN, 0.25f, NAN, NAN};
    sf_writef_float(file, values.data(), 5);
    sf_close(file);
    const ProgramRun nan = compare(dir, "-q -a 1 -o nan nan.wav");
    EXPECT_EQ(nan.err,
              "auralith-compare: nan.wav: 3 of its samples are not numbers (NaN): they are rendered as silence\n");

    std::vector<std::int16_t> quiet = recordingSamples();
    for (std::int16_t& x : quiet) x = static_cast<std::int16_t>(x / 2);
    testing::writeBytes(dir.file("quiet.wav"), testing::monoWaveBytes(quiet));
    const ProgramRun clean = compare(dir, "-a 1,2,3,4,5,6,xy,blumlein,nos,din,rai,ortf,ab40,ab60 -o clean quiet.wav");
    EXPECT_EQ(clean.err, "");
    EXPECT_EQ(clean.out.find("Note:"), std::string::npos);
}
#endif

// --- Safe files out --------------------------------------------------------------------------

// Nothing is written when an output's name stands for the input: the input named like the page in
// the output folder, or a hard link to it under a render's name.
TEST(CompareProgram, AnOutputNeverReplacesTheInput) {
    ScratchDir dir;
    fs::create_directory(dir.path() / "folder");
    writeRecording(dir, "folder/report.html");
    const std::vector<std::uint8_t> input = testing::readBytes(dir.file("folder/report.html"));
    const ProgramRun page = run(dir, "(cd folder && '" AURALITH_COMPARE_BINARY "' -a 1 -o . report.html)");
    EXPECT_EQ(page.status, 1);
    EXPECT_EQ(page.err,
              "auralith-compare: ./report.html: this output would replace the input file; choose another folder "
              "with -o\n");
    EXPECT_EQ(testing::readBytes(dir.file("folder/report.html")), input);
    EXPECT_EQ(filesIn(dir.path() / "folder"), (std::set<std::string>{"report.html"}));

    writeRecording(dir, "take.wav");
    fs::create_directory(dir.path() / "out");
    fs::create_hard_link(dir.path() / "take.wav", dir.path() / "out/take-1-blumlein.wav");
    const ProgramRun linked = compare(dir, "-a 1 -o out take.wav");
    EXPECT_EQ(linked.status, 1);
    EXPECT_EQ(linked.err.rfind("auralith-compare: out/take-1-blumlein.wav: this output would replace", 0), 0u);
    EXPECT_EQ(testing::readBytes(dir.file("take.wav")), testing::readBytes(dir.file("out/take-1-blumlein.wav")));
}

// A symbolic link under an output's name is replaced by the new file; what it points to, outside
// the folder, is never written. A dangling link is replaced the same way.
TEST(CompareProgram, LinksInTheOutputFolderAreReplacedNotFollowed) {
    ScratchDir dir;
    writeRecording(dir, "take.wav");
    fs::create_directories(dir.path() / "outside");
    fs::create_directories(dir.path() / "out");
    testing::writeBytes(dir.file("outside/victim.txt"), {'k', 'e', 'e', 'p'});
    for (const char* name : {"report.csv", "take-1-blumlein.wav", "take-1-blumlein.txt"})
        fs::create_symlink("../outside/victim.txt", dir.path() / "out" / name);
    fs::create_symlink("../outside/nothing.txt", dir.path() / "out/arrays.csv");
    const ProgramRun result = compare(dir, "-q -a 1 -o out take.wav");
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(testing::readBytes(dir.file("outside/victim.txt")), (std::vector<std::uint8_t>{'k', 'e', 'e', 'p'}));
    EXPECT_EQ(filesIn(dir.path() / "outside"), (std::set<std::string>{"victim.txt"}));
    for (const char* name : {"report.csv", "arrays.csv", "take-1-blumlein.wav", "take-1-blumlein.txt"})
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(dir.path() / "out" / name))) << name;
    EXPECT_EQ(fileText(dir.path() / "out/report.csv").rfind("array,array_name,position,", 0), 0u);
}

// A file-size limit fails like a full disk: one line with the system's reason, status 1, no
// temporary file, and the folders the run made, left empty, taken back. The sweep's render is
// built in its file; a stage's is written block by block as it is made.
TEST(CompareProgram, AFileSizeLimitFailsCleanly) {
    ScratchDir dir;
    writeRecording(dir, "take.wav");
    writeRecording(dir, "other.wav", 9000);
    std::vector<std::pair<std::string, std::string>> runs{{"take.wav", "take-1-blumlein.wav"}};
#ifdef AURALITH_ROOM_RENDER
    runs.emplace_back("take.wav@-30 other.wav@20", "stage-1-blumlein.wav");
#endif
    for (const auto& [players, file] : runs) {
        const ProgramRun limited =
            run(dir, "ulimit -f 20 && '" AURALITH_COMPARE_BINARY "' -a 1 -o made/sub " + players);
        EXPECT_EQ(limited.status, 1) << players;
        EXPECT_EQ(limited.err, "auralith-compare: made/sub/" + file + ": File too large\n");
        EXPECT_EQ(filesIn(dir.path()), (std::set<std::string>{"take.wav", "other.wav", "stdout.txt", "stderr.txt"}));
    }
}

// Names are shown so that a terminal acts on none of their bytes, and the page as valid UTF-8; a
// name the system cannot take is told in its words.
TEST(CompareProgram, NamesAreShownSafely) {
    ScratchDir dir;
    const std::string odd = "take\x1b[31m\xff.wav";
    writeRecording(dir, odd);
    const ProgramRun shown = compare(dir, "--no-audio -o out '" + odd + "'");
    ASSERT_EQ(shown.status, 0) << shown.err;
    EXPECT_EQ(shown.out.substr(0, shown.out.find('\n')), "take\\x1b[31m\\xff.wav: 44 100 Hz, 16-bit, mono");
    EXPECT_NE(fileText(dir.path() / "out/report.html").find("<title>take\\x1b[31m\xEF\xBF\xBD.wav:"),
              std::string::npos);
    const ProgramRun missing = compare(dir,
                                       "'a\x07"
                                       "b.wav'");
    EXPECT_EQ(missing.err, "auralith-compare: a\\x07b.wav: No such file or directory\n");

    // Every name is tried before anything is rendered: the fifth array's is 257 bytes long, and
    // the four before it, which would fit, are not written either.
    const std::string longStem(238, 'a');
    writeRecording(dir, longStem + ".wav");
    const ProgramRun tooLong = compare(dir, "-o long " + longStem + ".wav");
    EXPECT_EQ(tooLong.status, 1);
    EXPECT_EQ(tooLong.err, "auralith-compare: long/" + longStem + "-5-spaced-omnis.wav: File name too long\n");
    EXPECT_FALSE(fs::exists(dir.path() / "long"));
}

// Standard output that cannot take the help or the closing table: status 1 and one line.
TEST(CompareProgram, StandardOutputThatCannotBeWrittenFailsTheRun) {
    ScratchDir dir;
    writeRecording(dir, "take.wav");
    const ProgramRun full = run(dir, "{ '" AURALITH_COMPARE_BINARY "' --help > /dev/full; echo $? >&2; }");
    EXPECT_EQ(full.err, "auralith-compare: standard output: No space left on device\n1\n");
    // A pipe whose reader has gone: the closing table meets it at the end of the run.
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    ::close(ends[0]);
    const std::string command = "cd '" + dir.path().string() +
                                "' && '" AURALITH_COMPARE_BINARY "' --no-audio take.wav >&" + std::to_string(ends[1]) +
                                " 2> stderr.txt";
    const int raw = std::system(command.c_str());
    ::close(ends[1]);
    EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 1);
    EXPECT_EQ(fileText(dir.path() / "stderr.txt"), "auralith-compare: standard output: Broken pipe\n");
}

TEST(CompareProgram, TheImagesFollowTheLoudspeakerBase) {
    ScratchDir dir;
    writeRecording(dir, "take.wav");
    const ProgramRun wide = compare(dir, "--speakers 45 -a 1 -o out take.wav");
    ASSERT_EQ(wide.status, 0) << wide.err;
    EXPECT_NE(wide.out.find("\nLoudspeakers at ±45°\n"), std::string::npos);
    EXPECT_NE(fileText(dir.path() / "out/report.html").find("predicted image (loudspeakers at ±45°)"),
              std::string::npos);
    const std::string labels = fileText(dir.path() / "out/take-1-blumlein.txt");
    EXPECT_NE(labels.find(" image -45.0° of ±45°\n"), std::string::npos) << labels;
    // Blumlein's recording angle at +-45: where the level difference reaches 22.1 dB.
    const double sra = 2 * (std::atan(std::pow(10.0, 22.1 / 20)) * 180 / 3.141592653589793 - 45);
    char expected[64];
    std::snprintf(expected, sizeof expected, "1,\"Blumlein crossed pair\",%.1f,45.0,", sra);
    EXPECT_NE(fileText(dir.path() / "out/arrays.csv").find(expected), std::string::npos);
}

#if defined(AURALITH_HAS_HEADPHONES) && defined(AURALITH_HAS_SOFA_WRITER)

TEST(CompareProgram, HeadphoneRendersBesideTheRendersTheSameOnEveryRun) {
    ScratchDir dir;
    writeRecording(dir, "take.wav");
    const ProgramRun first = compare(dir, "-H -a 1,5 -o one take.wav");
    ASSERT_EQ(first.status, 0) << first.err;
    ASSERT_EQ(compare(dir, "-q --headphones -a 1,5 -o two take.wav").status, 0);
    ASSERT_EQ(compare(dir, "-q -a 1,5 -o plain take.wav").status, 0);
    EXPECT_NE(first.out.find("\nHeadphone renders through default.sofa, diffuse-field equalised\n"), std::string::npos);
    for (const char* slug : {"1-blumlein", "5-spaced-omnis"}) {
        const std::string render = std::string("take-") + slug + ".wav",
                          heard = std::string("take-") + slug + "-headphones.wav";
        const auto stereo = testing::readBytes(dir.file("one/" + render));
        const auto headphones = testing::readBytes(dir.file("one/" + heard));
        // The stereo render's header, length and layout; the same bytes on every run; the renders
        // themselves as without --headphones.
        ASSERT_EQ(headphones.size(), stereo.size()) << slug;
        EXPECT_TRUE(std::equal(stereo.begin(), stereo.begin() + 44, headphones.begin())) << slug;
        EXPECT_NE(stereo, headphones);
        EXPECT_EQ(headphones, testing::readBytes(dir.file("two/" + heard))) << slug;
        EXPECT_EQ(stereo, testing::readBytes(dir.file("plain/" + render))) << slug;
    }
    const std::string report = fileText(dir.path() / "one/report.csv");
    EXPECT_EQ(report.substr(0, report.find('\n')),
              "array,array_name,position,source_deg,icld_db,ictd_ms,ictd_samples,image_deg,ear_itd_ms,ear_itd_low_ms,"
              "ear_ild_db");
    const std::string arrays = fileText(dir.path() / "one/arrays.csv");
    EXPECT_NE(arrays.find(",headphones_loudness_lufs,headphones_clipped,clipped\n"), std::string::npos);
    EXPECT_NE(fileText(dir.path() / "one/report.html").find("<th>ear ILD dB</th>"), std::string::npos);
}

// One row of report.csv: its last cells, after the name (which may hold commas).
std::vector<double> lastCells(const std::string& line, int count) {
    std::vector<double> cells;
    std::size_t end = line.size();
    for (int k = 0; k < count; ++k) {
        const std::size_t comma = line.rfind(',', end - 1);
        cells.insert(cells.begin(), std::stod(line.substr(comma + 1, end - comma - 1)));
        end = comma;
    }
    return cells;
}

// The cues the report gives against those measured from the headphone render of white noise
// through the head as measured; the headphones' equalisation changes no cue.
TEST(CompareProgram, TheCuesAtTheEarsAreThoseOfAWhiteNoiseRender) {
    ScratchDir dir;
    const int n = 22050;
    testing::writeBytes(dir.file("noise.wav"), testing::monoWaveBytes(testing::whiteNoise(n, 6000)));
    ASSERT_EQ(compare(dir, "-q -H --no-eq -a 1,3,4,5,6 -o out noise.wav").status, 0);
    ASSERT_EQ(compare(dir, "-q -H -a 1,3,4,5,6 -o eq noise.wav").status, 0);
    EXPECT_EQ(fileText(dir.path() / "eq/report.csv"), fileText(dir.path() / "out/report.csv"));
    std::istringstream report(fileText(dir.path() / "out/report.csv"));
    std::string line;
    std::getline(report, line);
    const char* files[] = {"1-blumlein", "3-faulkner", "4-ortf", "5-spaced-omnis", "6-tree"};
    for (const char* file : files) {
        const auto bytes = testing::readBytes(dir.file(std::string("out/noise-") + file + "-headphones.wav"));
        std::vector<std::int16_t> ears((bytes.size() - 44) / 2);
        std::memcpy(ears.data(), bytes.data() + 44, 2 * ears.size());
        for (int p = 0; p < 13; ++p) {
            ASSERT_TRUE(std::getline(report, line));
            if (p % 3 != 0) continue;
            const std::vector<double> cues = lastCells(line, 3);  // itd, itd below 1.5 kHz, ild
            const std::size_t sound = static_cast<std::size_t>(p) * (44100 + n) + 44100;
            const testing::MeasuredEars m = testing::measureEars(ears, sound + 1500, sound + n, 250);
            EXPECT_NEAR(m.lag, cues[0] * 44.1, 1.01) << file << " position " << p;
            EXPECT_NEAR(m.ildDb, cues[2], 0.3) << file << " position " << p;
        }
    }
}

TEST(CompareProgram, RefusedHeadsAndListeningOptionsLeaveNothing) {
    ScratchDir dir;
    writeRecording(dir, "take.wav", 6000);
    testing::writeBytes(dir.file("text.sofa"), std::vector<std::uint8_t>(200, 'x'));
    testing::writeBytes(dir.file("empty.sofa"), {});
    testing::SofaHead three = testing::plainHead();
    three.receivers = 3;
    ASSERT_TRUE(testing::writeSofa(dir.file("three.sofa"), three));
    ASSERT_TRUE(testing::writeSofa(dir.file("long.sofa"), testing::plainHead(11, 0.5, 16385)));
    testing::SofaHead high = testing::plainHead();
    for (auto& d : high.directions) d.elevation = 40;
    ASSERT_TRUE(testing::writeSofa(dir.file("high.sofa"), high));
    std::vector<std::uint8_t> kemar = testing::readBytes(AURALITH_DEFAULT_SOFA);
    kemar.resize(512);
    testing::writeBytes(dir.file("cut.sofa"), kemar);
    testing::SofaHead odd = testing::plainHead();
    odd.directions[0].left[0] = std::numeric_limits<double>::quiet_NaN();
    ASSERT_TRUE(testing::writeSofa(dir.file("nan.sofa"), odd));
    odd = testing::plainHead();
    odd.receivers = 1;
    ASSERT_TRUE(testing::writeSofa(dir.file("one.sofa"), odd));
    ASSERT_TRUE(testing::writeSofa(dir.file("plain.sofa"), testing::plainHead()));
    fs::create_directory(dir.path() / "out");
    testing::writeBytes(dir.file("out/take-1-blumlein-headphones.wav"), {'o', 'l', 'd'});
    const std::string usage = " (see auralith-compare --help)\n";
    const struct {
        std::string args;
        int status;
        std::string err;
    } cases[] = {
        {"--hrtf none.sofa", 1, "none.sofa: No such file or directory\n"},
        {"--hrtf out", 1, "out: Is a directory\n"},
        {"--hrtf text.sofa", 1, "text.sofa: it is not a SOFA file that libmysofa reads\n"},
        {"--hrtf empty.sofa", 1, "empty.sofa: it is empty\n"},
        {"--hrtf three.sofa", 1, "three.sofa: it has 3 receivers; a head has two\n"},
        {"--hrtf long.sofa", 1,
         "long.sofa: its responses are 16385 taps long at 44100 Hz, more than 16384 (371.5 ms)\n"},
        {"--hrtf cut.sofa", 1, "cut.sofa: it is not a SOFA file that libmysofa reads\n"},
        {"--hrtf nan.sofa", 1,
         "nan.sofa: measurement 1 of 4 (azimuth 30°, elevation 0°) holds a tap that is not a finite number (the left "
         "ear's tap 1 is nan)\n"},
        {"--hrtf one.sofa", 1, "one.sofa: it has 1 receiver; a head has two\n"},
        {"--hrtf high.sofa", 1,
         "high.sofa: it has no direction within 5 degrees of 30 degrees left in the horizontal plane\n"},
        {"--hrtf plain.sofa --speakers 45", 1,
         "plain.sofa: it has no direction within 5 degrees of 45 degrees left in the horizontal plane\n"},
        {"--speakers 60", 2, "--speakers '60' is neither 30 nor 45 (degrees each side)" + usage},
        {"--no-audio", 2, "--headphones renders audio: it cannot go with --no-audio" + usage},
    };
    for (const auto& c : cases) {
        const ProgramRun refused = compare(dir, "-H -o out " + c.args + " take.wav");
        EXPECT_EQ(refused.status, c.status) << c.args;
        EXPECT_EQ(refused.err, "auralith-compare: " + c.err) << c.args;
        EXPECT_EQ(filesIn(dir.path() / "out"), std::set<std::string>{"take-1-blumlein-headphones.wav"}) << c.args;
    }
    EXPECT_EQ(testing::readBytes(dir.file("out/take-1-blumlein-headphones.wav")),
              (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(compare(dir, "--hrtf plain.sofa take.wav").err,
              "auralith-compare: --hrtf goes with --headphones" + usage);
}

#endif

}  // namespace
}  // namespace auralith
