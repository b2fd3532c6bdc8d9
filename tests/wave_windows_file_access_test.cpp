// File access on Windows: UTF-16 names, replacement by a temporary file moved over the name, and
// the failures that must leave an existing file as it was.
#include <gtest/gtest.h>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "wave/files/file_access.h"

namespace auralith {
namespace {

using testing::readBytes;
using testing::ScratchDir;
using testing::writeBytes;
using Bytes = std::vector<std::uint8_t>;

const Bytes header = {'R', 'I', 'F', 'F'};
const Bytes data = {1, 2, 3, 4, 5, 6};
const Bytes whole = {'R', 'I', 'F', 'F', 1, 2, 3, 4, 5, 6};

bool replace(const std::string& name) {
    return replaceFileContents(name, header.data(), header.size(), data.data(), data.size());
}

std::vector<std::wstring> entries(const std::filesystem::path& folder) {
    std::vector<std::wstring> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().wstring());
    return names;
}

TEST(WindowsFiles, NameTypedAsCharactersReachesTheFileSystemAsUtf16) {
    ScratchDir dir;
    // Joined as bytes: a narrow std::filesystem::path would take them for the ANSI code page.
    const std::string utf8 = dir.path().string() + "\\" +
                             "\xC3\x9C"
                             "berspielung \xCF\x89\xCE\xB4\xCE\xAE " +
                             "\xD0\xB7\xD0\xB0\xD0\xBF\xD0\xB8\xD1\x81\xD1\x8C.wav";
    ASSERT_TRUE(replace(utf8));
    const std::filesystem::path wide =
        dir.path() / L"\u00DCberspielung \u03C9\u03B4\u03AE \u0437\u0430\u043F\u0438\u0441\u044C.wav";
    ASSERT_TRUE(std::filesystem::exists(wide));
    EXPECT_EQ(std::filesystem::file_size(wide), whole.size());
    EXPECT_EQ(entries(dir.path()).size(), 1u);

    const auto file = openForReading(utf8);
    ASSERT_NE(file, nullptr);
    Bytes back(16, 0xEE);
    EXPECT_EQ(file->readAt(0, back.data(), back.size()), whole.size());
    back.resize(whole.size());
    EXPECT_EQ(back, whole);
}

TEST(WindowsFiles, ReadAtReadsFromTheOffsetAndStopsAtTheEnd) {
    ScratchDir dir;
    writeBytes(dir.file("f"), {10, 11, 12, 13, 14});
    const auto file = openForReading(dir.file("f"));
    ASSERT_NE(file, nullptr);
    std::uint8_t bytes[4] = {0, 0, 0, 0};
    EXPECT_EQ(file->readAt(3, bytes, 4), 2u);
    EXPECT_EQ(bytes[0], 13);
    EXPECT_EQ(bytes[1], 14);
    EXPECT_EQ(bytes[2], 0);
    EXPECT_EQ(file->readAt(9, bytes, 4), 0u);
}

TEST(WindowsFiles, ExistingFileIsReplacedWithoutLeftovers) {
    ScratchDir dir;
    writeBytes(dir.file("out.wav"), Bytes(100, 7));
    ASSERT_TRUE(replace(dir.file("out.wav")));
    EXPECT_EQ(readBytes(dir.file("out.wav")), whole);
    EXPECT_EQ(entries(dir.path()), std::vector<std::wstring>{L"out.wav"});
}

TEST(WindowsFiles, ReadOnlyFileIsKeptAsItWas) {
    ScratchDir dir;
    const std::string name = dir.file("kept.wav");
    writeBytes(name, {9, 9, 9});
    const std::wstring wide = std::filesystem::path(name).wstring();
    ASSERT_NE(SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_READONLY), 0);
    EXPECT_FALSE(replace(name));
    SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(readBytes(name), (Bytes{9, 9, 9}));
    EXPECT_EQ(entries(dir.path()), std::vector<std::wstring>{L"kept.wav"});
}

TEST(WindowsFiles, FileHeldOpenElsewhereIsKeptAndNoTemporaryFileStays) {
    ScratchDir dir;
    const std::string name = dir.file("busy.wav");
    writeBytes(name, {4, 4});
    // Another program holding the file without sharing it: the move over it must fail.
    const HANDLE held = CreateFileW(std::filesystem::path(name).wstring().c_str(), GENERIC_READ, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const bool written = replace(name);
    CloseHandle(held);
    EXPECT_FALSE(written);
    EXPECT_EQ(readBytes(name), (Bytes{4, 4}));
    EXPECT_EQ(entries(dir.path()), std::vector<std::wstring>{L"busy.wav"});
}

TEST(WindowsFiles, MissingFolderFolderNamesAndWildcardsAreNotWritten) {
    ScratchDir dir;
    EXPECT_FALSE(replace(dir.file("nowhere/x.wav")));
    std::filesystem::create_directory(dir.file("sub"));
    EXPECT_FALSE(replace(dir.file("sub")));
    EXPECT_FALSE(replace(dir.file("*.wav")));
    EXPECT_FALSE(replace(dir.file("a?.wav")));
    EXPECT_FALSE(replace(""));
    EXPECT_EQ(entries(dir.path()), std::vector<std::wstring>{L"sub"});
    EXPECT_EQ(openForReading(dir.file("sub")), nullptr);
    EXPECT_EQ(openForReading(dir.file("*")), nullptr);
    EXPECT_EQ(openForReading(dir.file("missing.wav")), nullptr);
}

TEST(WindowsFiles, DeviceIsWrittenInPlaceButNotRead) {
    EXPECT_TRUE(replace("NUL"));
    EXPECT_EQ(openForReading("NUL"), nullptr);
}

TEST(WindowsFiles, NameLongerThanMaxPathIsUsedInFull) {
    ScratchDir dir;
    std::string folder = dir.path().string();
    while (folder.size() < 300) {
        folder += "\\" + std::string(40, 'd');
        std::filesystem::create_directory(std::filesystem::path(L"\\\\?\\" + std::filesystem::path(folder).wstring()));
    }
    const std::string name = folder + "\\" + std::string(60, 'f') + ".wav";
    ASSERT_GT(name.size(), std::size_t{MAX_PATH});
    ASSERT_TRUE(replace(name));
    const auto file = openForReading(name);
    ASSERT_NE(file, nullptr);
    Bytes back(whole.size());
    EXPECT_EQ(file->readAt(0, back.data(), back.size()), whole.size());
    EXPECT_EQ(back, whole);
}

}  // namespace
}  // namespace auralith
