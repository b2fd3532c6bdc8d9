// Soak: the whole program through pipes two hundred times in a row on varied recordings, answers
// and refusals, and the render and the writing through the library two hundred times in one
// process. After every run nothing may be left behind: no temporary or half-written file in the
// output folder (hidden ones included), no open file descriptor, no growing memory.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <variant>
#include <vector>

#include "job/driver/job.h"
#include "sim/render.h"
#include "support/memory_backend.h"
#include "support/test_support.h"
#include "wave/input_wave.h"
#include "wave/output_in_place.h"
#include "wave/output_wave.h"

namespace auralith {
namespace {

namespace fs = std::filesystem;
using testing::ScratchDir;

constexpr int soakRuns = 200;

// Every name in a folder, hidden ones included.
std::set<std::string> entries(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
}

std::uint64_t outputBytesFor(std::int32_t samples) {
    return 44 + 4 * static_cast<std::uint64_t>(outputFrameCount(44100, samples));
}

// A recording the program accepts, with what its output must be.
struct Recording {
    std::string name;  // relative to the working folder
    std::int32_t samples = 0;
    std::vector<std::int16_t> values;  // the generated ones only
    bool golden = false;               // the output's digest is known for every choice
};

std::vector<std::int16_t> fullScaleSquare(std::size_t n) {
    std::vector<std::int16_t> samples(n);
    for (std::size_t i = 0; i < n; ++i) samples[i] = (i / 50) % 2 != 0 ? std::int16_t{-32768} : std::int16_t{32767};
    return samples;
}

std::vector<std::int16_t> ramp(std::size_t n) {
    std::vector<std::int16_t> samples(n);
    for (std::size_t i = 0; i < n; ++i)
        samples[i] = static_cast<std::int16_t>(static_cast<int>(i * 97 % 20000) - 10000);
    return samples;
}

// Short recordings made here: the golden one, none, one sample, a ramp, a full-scale square
// (the guard gain below 1 and the tree's saturation).
std::vector<Recording> generatedRecordings(const fs::path& folder) {
    std::vector<Recording> made{
        {"in/golden.wav", 0, testing::goldenRecording(), true},
        {"in/empty.wav", 0, {}, false},
        {"in/one.wav", 0, {12345}, false},
        {"in/ramp.wav", 0, ramp(777), false},
        {"in/square.wav", 0, fullScaleSquare(2000), false},
    };
    for (Recording& r : made) {
        r.samples = static_cast<std::int32_t>(r.values.size());
        testing::writeBytes((folder / r.name).string(), testing::monoWaveBytes(r.values));
    }
    return made;
}

// The odd files of the fuzzing seeds, copied in: the short ones the reader accepts join the
// recordings, the refused ones are typed before a good one. Accepted files announcing millions
// of samples are left out, as their renders take seconds.
void addSeedFiles(const fs::path& folder, std::vector<Recording>& accepted, std::vector<std::string>& refused) {
    const fs::path seeds = fs::path(AURALITH_SOURCE_DIR) / "tests/fuzz/corpus/wave_reader";
    std::set<fs::path> files;
    for (const auto& entry : fs::directory_iterator(seeds)) files.insert(entry.path());
    for (const fs::path& file : files) {
        const std::string name = "in/seed_" + file.filename().string();
        fs::copy_file(file, folder / name);
        const auto header = readInputHeader((folder / name).string());
        if (std::holds_alternative<InputRefusal>(header)) {
            refused.push_back(name);
        } else if (std::get<InputWave>(header).sampleCount <= 50000) {
            accepted.push_back({name, std::get<InputWave>(header).sampleCount, {}, false});
        }
    }
}

struct ProgramRun {
    int status = -1;
    std::string errors;
};

class Soak : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directory(work.path() / "in");
        fs::create_directory(work.path() / "out");
        recordings = generatedRecordings(work.path());
        addSeedFiles(work.path(), recordings, refused);
    }

    // The program in the working folder, its keys, screen and errors in another folder.
    ProgramRun run(const std::string& keys) const {
        {
            std::ofstream in(io.file("keys"), std::ios::binary);
            in << keys;
        }
        const std::string command = "cd '" + work.path().string() +
                                    "' && timeout -s KILL 300 '" AURALITH_BINARY "' < '" + io.file("keys") + "' > '" +
                                    io.file("screen") + "' 2> '" + io.file("errors") + "'";
        const int raw = std::system(command.c_str());
        ProgramRun result;
        result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        std::ifstream err(io.file("errors"), std::ios::binary);
        result.errors.assign(std::istreambuf_iterator<char>(err), std::istreambuf_iterator<char>());
        return result;
    }

    // The keys of run k: now and then a missing or refused input first, wrong menu answers, a
    // name in a folder that does not exist (the write fails and the name is asked again); the
    // output names come round again, so that earlier files are replaced.
    std::string keysFor(int k, const Recording& recording, int choice, const std::string& output) const {
        std::string keys;
        if (k % 7 == 3) keys += "missing.wav\n\n";  // the error box is dismissed by a key
        if (k % 4 == 1) keys += refused[static_cast<std::size_t>(k) % refused.size()] + "\n\n";
        keys += recording.name + "\n";
        if (k % 5 == 2) keys += "0\n7\n 1\n\n";
        keys += std::to_string(choice) + "\n";
        if (k % 9 == 4) keys += "no-such-folder/sweep.wav\n\n";
        return keys + output + "\n\n";
    }

    ScratchDir work;
    ScratchDir io;
    std::vector<Recording> recordings;
    std::vector<std::string> refused;
};

TEST_F(Soak, TwoHundredProgramRunsThroughPipesLeaveOnlyTheirOutputs) {
    ASSERT_GE(recordings.size(), 8u);
    ASSERT_GE(refused.size(), 4u);
    std::set<std::string> written;
    for (int k = 0; k < soakRuns; ++k) {
        const Recording& recording = recordings[static_cast<std::size_t>(k) % recordings.size()];
        const int choice = 1 + (k + k / static_cast<int>(recordings.size())) % 6;
        const std::string output = "sweep_" + std::to_string(k % 5) + ".wav";
        const ProgramRun result = run(keysFor(k, recording, choice, "out/" + output));
        ASSERT_EQ(result.status, 0) << "run " << k << ": " << result.errors;
        written.insert(output);
        ASSERT_EQ(entries(work.path() / "out"), written) << "run " << k << " left something else behind";
        const fs::path file = work.path() / "out" / output;
        ASSERT_EQ(fs::file_size(file), outputBytesFor(recording.samples)) << "run " << k << ", " << recording.name;
        if (recording.golden) {
            ASSERT_EQ(testing::sha256Hex(testing::readBytes(file.string())), testing::goldenDigests[choice - 1])
                << "run " << k << ", choice " << choice;
        }
    }
}

// --- In one process -------------------------------------------------------------------------

int openDescriptors() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd")) ++count;
    return count;  // the listing's own descriptor included, the same every time
}

long residentKilobytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

// The render and the writing as the driver does them, three ways in turn: the whole job on the
// in-memory console, the file built in place and committed, and the render into memory written
// by the writer.
bool renderAndWrite(int k, const Recording& recording, const std::string& output) {
    const auto choice = static_cast<MicArray>(1 + k % 6);
    RandomState random;
    const double gain = measureGuardGain(recording.values);
    const auto frames = static_cast<std::int32_t>(outputFrameCount(44100, recording.samples));
    switch (k % 3) {
        case 0: {
            MemoryBackend backend(
                keysFromText(recording.name + "\r" + std::to_string(1 + k % 6) + "\r" + output + "\r\r"));
            Console console(backend);
            return runJob(console, random) == 0 && backend.errors.empty();
        }
        case 1: {
            std::optional<OutputInPlace> file = OutputInPlace::create(output, frames, 44100, 16);
            return file && renderStereoInto(choice, recording.values, 44100, gain, random, file->samples()) &&
                   file->commit();
        }
        default: {
            const std::optional<StereoBuffer> buffer = renderStereo(choice, recording.values, 44100, gain, random);
            return buffer && writeOutputWave(output, buffer->frames, buffer->view(), 44100, 16);
        }
    }
}

TEST_F(Soak, TwoHundredRendersAndWritesInOneProcessLeaveNoDescriptorNorMemory) {
    const fs::path previous = fs::current_path();
    fs::current_path(work.path());  // the names are relative, as the user types them
    std::vector<Recording> generated(recordings.begin(), recordings.begin() + 5);
    const int descriptors = openDescriptors();
    constexpr int warmUp = 20;
    long settled = 0;
    long highest = 0;
    std::set<std::string> written;
    for (int k = 0; k < soakRuns; ++k) {
        const Recording& recording = generated[static_cast<std::size_t>(k) % generated.size()];
        const std::string output = "sweep_" + std::to_string(k % 4) + ".wav";
        ASSERT_TRUE(renderAndWrite(k, recording, "out/" + output)) << "run " << k;
        written.insert(output);
        ASSERT_EQ(entries("out"), written) << "run " << k << " left something else behind";
        ASSERT_EQ(fs::file_size(fs::path("out") / output), outputBytesFor(recording.samples)) << "run " << k;
        ASSERT_EQ(openDescriptors(), descriptors) << "run " << k << " left a file descriptor open";
        if (k == warmUp) settled = residentKilobytes();
        if (k > warmUp) highest = std::max(highest, residentKilobytes());
    }
    fs::current_path(previous);
    // Each render holds 2.5 MB of samples: a leak of one per run would add hundreds of MB. What
    // the allocator keeps for reuse after the warm-up stays put.
    std::cout << "resident after the warm-up " << settled << " kB, highest after it " << highest << " kB\n";
    if (!testing::underAddressSanitizer) {
        EXPECT_LE(highest - settled, 8 * 1024) << "memory grows from run to run";
    }
    // AddressSanitizer holds freed memory back in quarantine, so the resident size grows there
    // without a leak; its leak checker covers that build instead.
}

}  // namespace
}  // namespace auralith
