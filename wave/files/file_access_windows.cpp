// File access on Windows: open-for-reading and whole-file replacement through the wide-character
// file functions, so that names typed as characters reach the file system as UTF-16.
#include "wave/files/file_access.h"

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX  // libstdc++ may have defined it already
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include "wave/files/file_rules.h"

namespace auralith {
namespace {

// The UTF-8 text as UTF-16; empty when it is not well-formed UTF-8.
std::wstring wideName(const std::string& utf8) {
    const int length =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    if (length <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
    return wide;
}

// A name the system takes in full: beyond MAX_PATH the classic functions cut names short, so a
// long one is made absolute and given the \\?\ prefix, which lifts that limit.
std::wstring systemName(const std::wstring& name) {
    if (name.size() < MAX_PATH - 12 || name.rfind(L"\\\\?\\", 0) == 0) return name;
    const DWORD length = GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
    if (length == 0) return name;
    std::wstring full(length, L'\0');
    const DWORD used = GetFullPathNameW(name.c_str(), length, full.data(), nullptr);
    if (used == 0 || used >= length) return name;
    full.resize(used);
    if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);  // \\server\share\...
    return L"\\\\?\\" + full;
}

// The errno value nearest to a Windows error, so that both platforms give the same words.
int errnoOf(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_INVALID_DRIVE: return ENOENT;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_WRITE_PROTECT: return EACCES;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL: return ENOSPC;
        case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
        case ERROR_DIRECTORY: return ENOTDIR;
        default: return EIO;
    }
}

WriteOutcome lastFailure() { return {errnoOf(GetLastError())}; }

class WindowsReadableFile final : public ReadableFile {
public:
    explicit WindowsReadableFile(HANDLE handle) : handle_(handle) {}
    ~WindowsReadableFile() override { CloseHandle(handle_); }
    WindowsReadableFile(const WindowsReadableFile&) = delete;
    WindowsReadableFile& operator=(const WindowsReadableFile&) = delete;

    std::uint64_t length() override {
        LARGE_INTEGER size{};
        return GetFileSizeEx(handle_, &size) != 0 && size.QuadPart > 0 ? static_cast<std::uint64_t>(size.QuadPart) : 0;
    }

protected:
    std::size_t readPiece(std::uint64_t offset, unsigned char* into, std::size_t length) override {
        OVERLAPPED position{};
        position.Offset = static_cast<DWORD>(offset);
        position.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD got = 0;
        if (ReadFile(handle_, into, static_cast<DWORD>(length), &got, &position) == 0) return 0;
        return got;
    }

private:
    HANDLE handle_;
};

// 0 when every byte was written, else why not.
int writeAll(HANDLE handle, const void* data, std::uint64_t length) {
    int error = 0;
    const bool all = writeInPieces(data, length, [handle, &error](const unsigned char* at, std::size_t ask) {
        DWORD put = 0;  // none: a full disk
        if (WriteFile(handle, at, static_cast<DWORD>(ask), &put, nullptr) != 0) return std::size_t{put};
        error = errnoOf(GetLastError());
        return std::size_t{0};
    });
    return all ? 0 : (error != 0 ? error : ENOSPC);
}

int writeHeaderAndData(HANDLE handle, const void* header, std::size_t headerLength, const void* data,
                       std::uint64_t dataLength) {
    const int error = writeAll(handle, header, headerLength);
    return error != 0 ? error : writeAll(handle, data, dataLength);
}

// A device (NUL, a serial port, a console) is written in place: there is nothing to replace.
WriteOutcome writeInPlace(const std::wstring& name, const void* header, std::size_t headerLength, const void* data,
                          std::uint64_t dataLength) {
    const HANDLE handle = CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return lastFailure();
    int error = writeHeaderAndData(handle, header, headerLength, data, dataLength);
    if (CloseHandle(handle) == 0 && error == 0) error = errnoOf(GetLastError());
    return {error};
}

// Writes a temporary file next to `name` and moves it over `name`, replacing any file there.
// Until the move, an existing file stays as it was; a failed write removes the temporary file.
WriteOutcome replaceRegularFile(const std::wstring& name, const void* header, std::size_t headerLength,
                                const void* data, std::uint64_t dataLength) {
    const std::size_t separator = name.find_last_of(L"\\/:");
    const std::wstring folder = separator == std::wstring::npos ? std::wstring() : name.substr(0, separator + 1);
    std::wstring base = separator == std::wstring::npos ? name : name.substr(separator + 1);
    if (base.size() > 200) base.resize(200);  // the added ".", "." and 8 digits stay within 255

    static std::uint32_t counter = 0;
    const std::uint32_t seed = GetCurrentProcessId() * 2654435761u ^ static_cast<std::uint32_t>(GetTickCount64());
    std::wstring temporary;
    HANDLE handle = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && handle == INVALID_HANDLE_VALUE; ++attempt) {
        wchar_t suffix[16];
        const std::uint32_t value = seed + 0x9E3779B9u * ++counter;
        for (int k = 0; k < 8; ++k) suffix[k] = L"0123456789abcdef"[(value >> (28 - 4 * k)) & 0xF];
        suffix[8] = L'\0';
        temporary = folder + L"." + base + L"." + suffix;
        handle = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) return lastFailure();
    }
    if (handle == INVALID_HANDLE_VALUE) return {EEXIST};
    int error = writeHeaderAndData(handle, header, headerLength, data, dataLength);
    if (CloseHandle(handle) == 0 && error == 0) error = errnoOf(GetLastError());  // a delayed write error
    if (error == 0 && MoveFileExW(temporary.c_str(), name.c_str(), MOVEFILE_REPLACE_EXISTING) == 0)
        error = errnoOf(GetLastError());
    if (error != 0) DeleteFileW(temporary.c_str());
    return {error};
}

// The handle of what a name stands for, without access to its contents (folders too); invalid
// when there is nothing of that name.
HANDLE handleOfName(const std::wstring& name) {
    return CreateFileW(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// Why a name that cannot be opened for reading cannot, in the words POSIX systems use.
std::string whyNotOpened(const std::wstring& name, DWORD error) {
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return errorText(EISDIR);
    return errorText(errnoOf(error));
}

}  // namespace

OpenedFile openForReadingOrSayWhy(const std::string& name) {
    if (!isUsableName(name)) return {nullptr, errorText(name.empty() ? ENOENT : EINVAL)};
    const std::wstring wide = wideName(name);
    if (wide.empty()) return {nullptr, errorText(ENOENT)};
    // Others may read, write or delete the file meanwhile; the reader copes with all three.
    const std::wstring full = systemName(wide);
    const HANDLE handle =
        CreateFileW(full.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    // Also a folder: opening one needs a flag not given here.
    if (handle == INVALID_HANDLE_VALUE) return {nullptr, whyNotOpened(full, GetLastError())};
    if (GetFileType(handle) != FILE_TYPE_DISK) {  // NUL, CON, a pipe, a serial port
        CloseHandle(handle);
        return {nullptr, "Not a regular file"};
    }
    return {std::make_unique<WindowsReadableFile>(handle), {}};
}

std::optional<FileIdentity> fileIdentity(const std::string& name, bool) {
    const std::wstring wide = wideName(name);
    if (!isUsableName(name) || wide.empty()) return std::nullopt;
    const HANDLE handle = handleOfName(systemName(wide));
    if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = GetFileInformationByHandle(handle, &info) != 0;
    CloseHandle(handle);
    if (!known) return std::nullopt;
    return FileIdentity{info.dwVolumeSerialNumber,
                        (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

namespace {

class WindowsFolderLock : public FolderLock {
public:
    explicit WindowsFolderLock(HANDLE mutex) : mutex_(mutex) {}
    ~WindowsFolderLock() override {
        ReleaseMutex(mutex_);
        CloseHandle(mutex_);
    }
    WindowsFolderLock(const WindowsFolderLock&) = delete;
    WindowsFolderLock& operator=(const WindowsFolderLock&) = delete;

private:
    HANDLE mutex_;
};

}  // namespace

// A directory handle takes no byte-range lock, so the lock is a named mutex of the folder's
// identity (volume and file index): every name of the folder finds the same one, and the system
// gives it up when its owner ends.
FolderLocking lockFolder(const std::string& folder) {
    const std::optional<FileIdentity> identity = fileIdentity(folder, true);
    if (!identity) return {};
    const std::wstring name =
        L"Local\\auralith-folder-" + std::to_wstring(identity->device) + L"-" + std::to_wstring(identity->file);
    const HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
    if (mutex == nullptr) return {};
    const DWORD waited = WaitForSingleObject(mutex, 0);
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) return {std::make_unique<WindowsFolderLock>(mutex), false};
    CloseHandle(mutex);
    return {nullptr, waited == WAIT_TIMEOUT};
}

int nameRefusal(const std::string& name) {
    const std::wstring wide = wideName(name);
    if (!isUsableName(name) || wide.empty()) return name.empty() ? ENOENT : EINVAL;
    if (GetFileAttributesW(systemName(wide).c_str()) != INVALID_FILE_ATTRIBUTES) return 0;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND ? 0 : errnoOf(error);
}

WriteOutcome replaceFileContents(const std::string& name, const void* header, std::size_t headerLength,
                                 const void* data, std::uint64_t dataLength, ReplaceMode mode) {
    if (!isUsableName(name)) return {name.empty() ? ENOENT : EINVAL};
    const std::wstring wide = wideName(name);
    if (wide.empty()) return {ENOENT};
    const std::wstring target = systemName(wide);

    // What the name stands for now: nothing, a file, a folder or a device.
    const HANDLE existing = handleOfName(target);
    if (existing == INVALID_HANDLE_VALUE) {
        // A new name in an existing folder; a missing folder or a bad name is a failure.
        if (GetLastError() != ERROR_FILE_NOT_FOUND) return lastFailure();
        return replaceRegularFile(target, header, headerLength, data, dataLength);
    }
    const DWORD type = GetFileType(existing);
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = type != FILE_TYPE_DISK || GetFileInformationByHandle(existing, &info) != 0;
    const WriteOutcome unknown = known ? WriteOutcome{} : lastFailure();
    CloseHandle(existing);
    if (!known) return unknown;
    // A device is written in place, or, where only the name may be written, refused: a device
    // name stands for the same device in every folder.
    if (type != FILE_TYPE_DISK)
        return mode == ReplaceMode::followLinks ? writeInPlace(target, header, headerLength, data, dataLength)
                                                : WriteOutcome{EACCES};
    // A folder is not written; a read-only file is kept as it is.
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return {EISDIR};
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) return {EACCES};
    return replaceRegularFile(target, header, headerLength, data, dataLength);
}

// Windows builds the output in memory and writes it with replaceFileContents.
std::unique_ptr<MappedReplacement> mapReplacement(const std::string&, std::uint64_t, ReplaceMode) { return nullptr; }

}  // namespace auralith
