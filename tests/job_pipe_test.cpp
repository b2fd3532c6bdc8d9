// The real program run through pipes, as a script would run it.
#include <gtest/gtest.h>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <sys/wait.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/test_support.h"

namespace auralith {
namespace {

using testing::ScratchDir;

struct ProgramRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs the program in `dir` with `keys` as its standard input.
ProgramRun runProgram(const ScratchDir& dir, const std::string& keys) {
    {
        std::ofstream in(dir.file("keys.txt"), std::ios::binary);
        in << keys;
    }
    ProgramRun run;
#ifdef _WIN32
    // The program in the scratch folder with its three standard handles on the files.
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    auto open = [&](const char* name, DWORD access, DWORD disposition) {
        return CreateFileW(std::filesystem::path(dir.file(name)).wstring().c_str(), access, FILE_SHARE_READ, &inherit,
                           disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = open("keys.txt", GENERIC_READ, OPEN_EXISTING);
    startup.hStdOutput = open("screen.txt", GENERIC_WRITE, CREATE_ALWAYS);
    startup.hStdError = open("errors.txt", GENERIC_WRITE, CREATE_ALWAYS);
    std::wstring commandLine = L"\"" + std::filesystem::path(AURALITH_BINARY).wstring() + L"\"";
    PROCESS_INFORMATION process{};
    if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, dir.path().wstring().c_str(),
                       &startup, &process) != 0) {
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 0;
        if (GetExitCodeProcess(process.hProcess, &code) != 0) run.status = static_cast<int>(code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    for (HANDLE handle : {startup.hStdInput, startup.hStdOutput, startup.hStdError}) CloseHandle(handle);
#else
    const std::string command =
        "cd '" + dir.path().string() + "' && '" AURALITH_BINARY "' < keys.txt > screen.txt 2> errors.txt";
    const int raw = std::system(command.c_str());
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
    run.out = fileText(dir.file("screen.txt"));
    run.err = fileText(dir.file("errors.txt"));
    return run;
}

std::string line(const std::string& text, int number) {
    std::istringstream in(text);
    std::string row;
    for (int k = 0; k < number && std::getline(in, row); ++k) {
    }
    return row;
}

class Pipe : public ::testing::Test {
protected:
    void SetUp() override {
        testing::writeBytes(dir.file("take.wav"), testing::monoWaveBytes(testing::goldenRecording()));
    }
    ScratchDir dir;
};

TEST_F(Pipe, WholeJobWritesTheKnownFileAndThePlainScreen) {
    const ProgramRun run = runProgram(dir, "take.wav\n5\nsweep.wav\n\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(testing::sha256Hex(testing::readBytes(dir.file("sweep.wav"))), testing::goldenDigests[4]);
    EXPECT_EQ(line(run.out, 2), "   Auralith v1");
    EXPECT_EQ(line(run.out, 8), "   Input file?       take.wav");
    EXPECT_EQ(line(run.out, 15), "                     Length       3000 samples");
    EXPECT_EQ(line(run.out, 16), "                     Duration     .07 seconds");
    EXPECT_EQ(line(run.out, 28), "                     5");
    EXPECT_EQ(line(run.out, 31), "   Output file?      sweep.wav");
    EXPECT_EQ(line(run.out, 47), "   Job finished");
    EXPECT_EQ(line(run.out, 48), "   press any key to quit");
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 49);
    EXPECT_EQ(run.out.find('\x1b'), std::string::npos) << "no escape sequences into a pipe";
}

// ffmpeg writes a LIST chunk between the format and the data: the samples are those of the data
// chunk, and so the output is the canonical file's.
TEST_F(Pipe, ChunkBeforeTheDataGivesTheCanonicalFilesOutput) {
    const std::string list = std::string("INFOISFT\x0e\0\0\0Lavf60.3.100\0\0", 26);
    testing::writeBytes(dir.file("take.wav"),
                        testing::riffWaveBytes({{"fmt ", testing::pcmFormatBody(1, 44100, 16)},
                                                {"LIST", std::vector<std::uint8_t>(list.begin(), list.end())},
                                                {"data", testing::sampleBytes(testing::goldenRecording())}}));
    const ProgramRun run = runProgram(dir, "take.wav\n3\nsweep.wav\n\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(line(run.out, 15), "                     Length       3000 samples");
    EXPECT_EQ(testing::sha256Hex(testing::readBytes(dir.file("sweep.wav"))), testing::goldenDigests[2]);
}

#ifndef _WIN32
// The final screen that standard output cannot take is a failure told on standard error; the
// job itself runs as always.
TEST_F(Pipe, AFinalScreenThatCannotBeWrittenIsAFailure) {
    const std::string command = "cd '" + dir.path().string() +
                                "' && printf 'take.wav\\n4\\nsweep.wav\\n\\n' | '" AURALITH_BINARY
                                "' > /dev/full 2> errors.txt";
    const int raw = std::system(command.c_str());
    EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 1);
    EXPECT_EQ(fileText(dir.file("errors.txt")),
              "auralith: the final screen could not be written: No space left on device\n");
    EXPECT_EQ(testing::sha256Hex(testing::readBytes(dir.file("sweep.wav"))), testing::goldenDigests[3]);
}
#endif

TEST_F(Pipe, CarriageReturnsAndCrLfAreEnterToo) {
    const ProgramRun run = runProgram(dir, "take.wav\r\n2\rsweep.wav\r\n\r\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(testing::sha256Hex(testing::readBytes(dir.file("sweep.wav"))), testing::goldenDigests[1]);
}

TEST_F(Pipe, RefusalsAndWrongAnswersGoToStandardError) {
    const ProgramRun run = runProgram(dir, "missing.wav\n\ntake.wav\n0\n 1\n1\nsweep.wav\n\n");
    EXPECT_EQ(run.status, 0);
    const std::string notFound = "ERROR:             File not found.\n Please enter a valid filename  \n";
    const std::string wrong = "ERROR: You must respond with a number between 1 and 6  \n";
    EXPECT_EQ(run.err, notFound + notFound + wrong + wrong);
    EXPECT_EQ(testing::sha256Hex(testing::readBytes(dir.file("sweep.wav"))), testing::goldenDigests[0]);
}

TEST_F(Pipe, InputEndingMidQuestionStopsWithStatusOne) {
    for (const std::string keys : {"", "take.wav\n", "take.wav\n3\n", "take.wav\n3\nsweep.w", "nothing\nnothing\n"}) {
        const ProgramRun run = runProgram(dir, keys);
        EXPECT_EQ(run.status, 1) << keys;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n') >= 1, true) << keys;
        EXPECT_NE(run.err.find("input ended"), std::string::npos) << run.err;
        EXPECT_FALSE(std::filesystem::exists(dir.file("sweep.wav")));
        EXPECT_FALSE(std::filesystem::exists(dir.file("sweep.w")));
    }
}

TEST_F(Pipe, FailedWriteKeepsTheOldFileAndAsksAgain) {
    std::filesystem::create_directory(dir.file("kept"));
    testing::writeBytes(dir.file("kept/old.wav"), {1, 2, 3});
    std::filesystem::permissions(dir.file("kept/old.wav"), std::filesystem::perms::owner_read);
    const ProgramRun run = runProgram(dir, "take.wav\n6\nkept/old.wav\nnowhere/x.wav\n\nsweep.wav\n\n");
    EXPECT_EQ(run.status, 0);
    const std::string failed = "ERROR: The output file could not be written  \n";
    EXPECT_EQ(run.err, failed + failed + failed);
    EXPECT_EQ(testing::readBytes(dir.file("kept/old.wav")), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(testing::sha256Hex(testing::readBytes(dir.file("sweep.wav"))), testing::goldenDigests[5]);
    EXPECT_EQ(line(run.out, 31), "   Output file?      sweep.wav");
    EXPECT_EQ(line(run.out, 42), "   Done");
    EXPECT_EQ(line(run.out, 47), "   Job finished");
    // Nothing but the kept file, the recording, the result and the run's own files is left.
    int entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        (void)entry;
        ++entries;
    }
    EXPECT_EQ(entries, 6);
}

}  // namespace
}  // namespace auralith
