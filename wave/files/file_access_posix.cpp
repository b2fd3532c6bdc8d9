// File access on POSIX systems: open-for-reading and whole-file replacement.
#include "wave/files/file_access.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <limits>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include "wave/files/failing_pages.h"
#include "wave/files/file_rules.h"

namespace auralith {
namespace {

class PosixReadableFile final : public ReadableFile {
public:
    explicit PosixReadableFile(int fd) : fd_(fd) {}
    ~PosixReadableFile() override { ::close(fd_); }
    PosixReadableFile(const PosixReadableFile&) = delete;
    PosixReadableFile& operator=(const PosixReadableFile&) = delete;

    std::uint64_t length() override {
        struct stat info {};
        return ::fstat(fd_, &info) == 0 && info.st_size > 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
    }

    // Linux opens /proc/self/fd/N anew at offset 0; elsewhere /dev/fd/N shares this descriptor,
    // whose offset pread never moves.
    std::string openedFileName() const override {
#if defined(__linux__)
        return "/proc/self/fd/" + std::to_string(fd_);
#else
        return "/dev/fd/" + std::to_string(fd_);
#endif
    }

protected:
    std::size_t readPiece(std::uint64_t offset, unsigned char* into, std::size_t length) override {
        ssize_t got = 0;
        do got = ::pread(fd_, into, length, static_cast<off_t>(offset));
        while (got < 0 && errno == EINTR);
        return got > 0 ? static_cast<std::size_t>(got) : 0;
    }

private:
    int fd_;
};

// A failure with the reason the system gave for it (errno), or EIO where it gave none.
WriteOutcome failure(int error) { return {error != 0 ? error : EIO}; }

// Writes the whole run, continuing after short writes and interruptions; 0, or why it stopped.
int writeAll(int fd, const void* data, std::uint64_t length) {
    int error = 0;
    const bool all = writeInPieces(data, length, [fd, &error](const unsigned char* at, std::size_t ask) {
        ssize_t put = 0;
        do put = ::write(fd, at, ask);
        while (put < 0 && errno == EINTR);
        if (put < 0) error = errno;  // a full disk, a size limit, a closed pipe
        return put > 0 ? static_cast<std::size_t>(put) : std::size_t{0};
    });
    return all ? 0 : (error != 0 ? error : ENOSPC);  // a write that takes nothing: no room left
}

// Maps every page of the run before it is written. Linux copies a write into the page cache with
// page faults off; a page of the run that was never touched (silence the renderer left as the
// allocator's zeros) makes that copy fall short, and each short copy halves the piece the kernel
// takes at a time for the rest of the call, down to single small pages, which makes the write
// twice as slow. Reading a never-touched page maps the shared zero page: no memory.
void mapEveryPage(const void* data, std::uint64_t length) {
    if (length == 0) return;
    const auto pageSize = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    if (pageSize == 0 || (pageSize & (pageSize - 1)) != 0) return;
    const auto first = reinterpret_cast<std::uintptr_t>(data) & ~(pageSize - 1);
    const auto end = reinterpret_cast<std::uintptr_t>(data) + length;
#if defined(MADV_POPULATE_READ)
    // One call walks the whole run (Linux 5.14 on); older systems refuse it and take the loop.
    const std::uintptr_t last = (end + pageSize - 1) & ~(pageSize - 1);
    if (::madvise(reinterpret_cast<void*>(first), last - first, MADV_POPULATE_READ) == 0) return;
#endif
    const volatile unsigned char* bytes = static_cast<const unsigned char*>(data);
    const auto start = reinterpret_cast<std::uintptr_t>(data);
    for (std::uintptr_t page = first; page < end; page += pageSize)
        static_cast<void>(bytes[std::max(page, start) - start]);
}

// Bytes from a mapped file whose pages failed are zeros, not the samples: such a write fails,
// before the bytes go out or, when a page fails while they do, after.
int writeHeaderAndData(int fd, const void* header, std::size_t headerLength, const void* data,
                       std::uint64_t dataLength) {
    if (liesInFailedMapping(data)) return EIO;
    mapEveryPage(data, dataLength);
    int error = writeAll(fd, header, headerLength);
    if (error == 0) error = writeAll(fd, data, dataLength);
    return error == 0 && liesInFailedMapping(data) ? EIO : error;
}

// A device or FIFO is written in place: there is nothing to replace. The open does not wait for
// a FIFO reader (no reader is a failure), and blocking is restored for the writes themselves.
WriteOutcome writeInPlace(const std::string& path, const void* header, std::size_t headerLength, const void* data,
                          std::uint64_t dataLength) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return failure(errno);
    const int flags = ::fcntl(fd, F_GETFL);
    int error = flags >= 0 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0 ? 0 : errno;
    if (error == 0) error = writeHeaderAndData(fd, header, headerLength, data, dataLength);
    if (::close(fd) != 0 && error == 0) error = errno;
    return {error};
}

// The permission bits a newly created file gets: 0666 less the process's umask. The umask can
// only be read by setting it, so it is set back at once (the program is single-threaded).
mode_t newFileMode() {
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return 0666 & ~mask;
}

// Where the new content of a name goes.
struct Destination {
    enum class Kind { refused, device, regular } kind = Kind::refused;
    std::string path;  // a regular file: the one replaced
    mode_t mode = 0;   // a regular file: the permission bits it gets
    int error = 0;     // refused: why
};

Destination refusedFor(int error) { return {Destination::Kind::refused, {}, 0, error != 0 ? error : EIO}; }

// A read-only file is kept as it is: no write bit for anyone (0222), or no write access for us.
// The mode test holds even for root, whom access() lets write anything.
bool isReadOnly(const std::string& name, const struct stat& info) {
    return (info.st_mode & 0222) == 0 || ::access(name.c_str(), W_OK) != 0;
}

Destination destinationFollowingLinks(const std::string& name) {
    using Kind = Destination::Kind;
    struct stat info {};
    if (::stat(name.c_str(), &info) != 0) {
        // A new name (or a link to nothing, which the new file then replaces).
        if (errno != ENOENT) return refusedFor(errno);
        return {Kind::regular, name, newFileMode()};
    }
    // A device or FIFO is written in place: there is nothing to replace.
    if (!S_ISREG(info.st_mode)) return {Kind::device, name};
    if (isReadOnly(name, info)) return refusedFor(EACCES);

    // Work on the file itself, not on a symbolic link to it, so that the link survives.
    char* resolved = ::realpath(name.c_str(), nullptr);
    if (resolved == nullptr) return refusedFor(errno);
    const std::string target(resolved);
    std::free(resolved);
    // The replacement gets the old file's read, write and execute bits for all three classes.
    return {Kind::regular, target, info.st_mode & 0777};
}

// The entry itself: only a folder or a read-only file refuses; anything else but a regular file
// (a link, a FIFO, a device) is replaced by a new file like a new name.
Destination destinationOfTheName(const std::string& name) {
    using Kind = Destination::Kind;
    struct stat info {};
    if (::lstat(name.c_str(), &info) != 0) {
        if (errno != ENOENT) return refusedFor(errno);
        return {Kind::regular, name, newFileMode()};
    }
    if (S_ISDIR(info.st_mode)) return refusedFor(EISDIR);
    if (!S_ISREG(info.st_mode)) return {Kind::regular, name, newFileMode()};
    if (isReadOnly(name, info)) return refusedFor(EACCES);
    return {Kind::regular, name, info.st_mode & 0777};
}

Destination destinationOf(const std::string& name, ReplaceMode mode) {
    if (!isUsableName(name)) return refusedFor(name.empty() ? ENOENT : EINVAL);
    return mode == ReplaceMode::followLinks ? destinationFollowingLinks(name) : destinationOfTheName(name);
}

// The folder part of a path, with its slash ("" for a bare name).
std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// "folder/.name.XXXXXX" for mkostemp, NUL-terminated. The temporary name adds 8 characters;
// a long name is cut so that it stays within NAME_MAX (255).
std::vector<char> temporaryPattern(const std::string& path) {
    const std::string folder = folderOf(path);
    std::string base = path.substr(folder.size());
    if (base.size() > 200) base.resize(200);
    const std::string pattern = folder + "." + base + ".XXXXXX";
    std::vector<char> temporary(pattern.begin(), pattern.end());
    temporary.push_back('\0');
    return temporary;
}

// A hang-up or termination while a temporary file has a name waits until it is renamed or
// removed, so that no half-written file is ever left behind; the signal then takes effect.
class EndingSignalsHeld {
public:
    EndingSignalsHeld() {
        sigset_t ending;
        sigemptyset(&ending);
        for (const int signal : {SIGHUP, SIGINT, SIGQUIT, SIGTERM}) sigaddset(&ending, signal);
        pthread_sigmask(SIG_BLOCK, &ending, &previous_);
    }
    ~EndingSignalsHeld() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
    EndingSignalsHeld(const EndingSignalsHeld&) = delete;
    EndingSignalsHeld& operator=(const EndingSignalsHeld&) = delete;

private:
    sigset_t previous_{};
};

// Writes a temporary file next to `path` and renames it over `path`. No fsync: a rename over a
// name on the local file systems keeps the old file until the new one is complete, which is the
// guarantee wanted here, and forcing gigabytes to disk would slow the whole job for nothing.
WriteOutcome replaceRegularFile(const std::string& path, mode_t mode, const void* header, std::size_t headerLength,
                                const void* data, std::uint64_t dataLength) {
    std::vector<char> temporary = temporaryPattern(path);
    const EndingSignalsHeld held;
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return failure(errno);
    int error = ::fchmod(fd, mode) == 0 ? 0 : errno;
    if (error == 0) error = writeHeaderAndData(fd, header, headerLength, data, dataLength);
    if (::close(fd) != 0 && error == 0) error = errno;  // a delayed write error shows up here
    if (error == 0 && ::rename(temporary.data(), path.c_str()) != 0) error = errno;
    if (error != 0) ::unlink(temporary.data());
    return {error};
}

#if defined(__linux__) && defined(O_TMPFILE)
// The unnamed file of mapReplacement. Linux only: it rests on O_TMPFILE, on fallocate (which,
// unlike posix_fallocate, never falls back to writing zeros) and on /proc/self/fd for linkat.
// The mapping is guarded (failing_pages.h) for as long as it exists.
class PosixMappedReplacement final : public MappedReplacement {
public:
    PosixMappedReplacement(std::string name, ReplaceMode mode, Destination where, int fd, unsigned char* bytes,
                           std::size_t length, int guard)
        : name_(std::move(name)),
          mode_(mode),
          where_(std::move(where)),
          fd_(fd),
          bytes_(bytes),
          length_(length),
          guard_(guard) {}
    ~PosixMappedReplacement() override {
        unguardMapping(guard_);
        ::munmap(bytes_, length_);
        if (fd_ >= 0) ::close(fd_);
    }
    PosixMappedReplacement(const PosixMappedReplacement&) = delete;
    PosixMappedReplacement& operator=(const PosixMappedReplacement&) = delete;

    unsigned char* bytes() override { return bytes_; }

    // A file shrunk from outside has lost the pages past its new end even where nothing has
    // touched them yet. Once the file is closed only a failed page tells.
    bool failed() const override { return guardedMappingFailed(guard_) || (fd_ >= 0 && !wholeLength()); }

    int writeAt(std::uint64_t offset, const void* data, std::size_t length) override {
        if (fd_ < 0 || offset > length_ || length > length_ - offset) return EINVAL;
        const auto* at = static_cast<const unsigned char*>(data);
        while (length > 0) {
            const ssize_t put = ::pwrite(fd_, at, length, static_cast<off_t>(offset));
            if (put < 0 && errno == EINTR) continue;
            if (put <= 0) return put < 0 ? errno : EIO;
            at += put;
            offset += static_cast<std::uint64_t>(put);
            length -= static_cast<std::size_t>(put);
        }
        return 0;
    }

    WriteOutcome commit() override {
        if (fd_ < 0 || failed()) return {EIO};
        const EndingSignalsHeld held;
        std::vector<char> temporary = temporaryPattern(where_.path);
        if (!linkUnderTemporaryName(temporary)) {
            ::close(std::exchange(fd_, -1));
            // No /proc to link through, say: the bytes are written the ordinary way instead.
            return replaceFileContents(name_, bytes_, 0, bytes_, length_, mode_);
        }
        // Shrunk under its temporary name, the file must not take the real one.
        int error = failed() ? EIO : 0;
        if (::close(std::exchange(fd_, -1)) != 0 && error == 0) error = errno;  // a delayed write error
        if (error == 0 && ::rename(temporary.data(), where_.path.c_str()) != 0) error = errno;
        if (error != 0) ::unlink(temporary.data());
        return {error};
    }

private:
    // Gives the unnamed file a fresh temporary name. The name comes from mkostemp, whose
    // placeholder is removed so that the link can take its place; a name taken again in between
    // is tried afresh.
    bool linkUnderTemporaryName(std::vector<char>& temporary) const {
        const std::string self = "/proc/self/fd/" + std::to_string(fd_);
        const std::vector<char> pattern = temporary;
        for (int attempt = 0; attempt < 100; ++attempt) {
            temporary = pattern;
            const int placeholder = ::mkostemp(temporary.data(), O_CLOEXEC);
            if (placeholder < 0) return false;
            ::close(placeholder);
            ::unlink(temporary.data());
            if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temporary.data(), AT_SYMLINK_FOLLOW) == 0) return true;
            if (errno != EEXIST) return false;
        }
        return false;
    }

    bool wholeLength() const {
        struct stat info {};
        return ::fstat(fd_, &info) == 0 && static_cast<std::uint64_t>(info.st_size) == length_;
    }

    std::string name_;
    ReplaceMode mode_;
    Destination where_;
    int fd_;
    unsigned char* bytes_;
    std::size_t length_;
    int guard_;
};
#endif

}  // namespace

OpenedFile openForReadingOrSayWhy(const std::string& name) {
    if (!isUsableName(name)) return {nullptr, errorText(name.empty() ? ENOENT : EINVAL)};
    // Non-blocking so that opening a FIFO returns at once instead of waiting for a writer.
    const int fd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return {nullptr, errorText(errno)};
    struct stat info {};
    const int flags = ::fcntl(fd, F_GETFL);
    std::string why;
    if (::fstat(fd, &info) != 0 || flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0)
        why = errorText(errno);
    else if (S_ISDIR(info.st_mode))
        why = errorText(EISDIR);
    else if (!S_ISREG(info.st_mode))
        why = "Not a regular file";
    if (!why.empty()) {
        ::close(fd);
        return {nullptr, why};
    }
    return {std::make_unique<PosixReadableFile>(fd), {}};
}

std::optional<FileIdentity> fileIdentity(const std::string& name, bool followLinks) {
    struct stat info {};
    if (!isUsableName(name) || (followLinks ? ::stat(name.c_str(), &info) : ::lstat(name.c_str(), &info)) != 0)
        return std::nullopt;
    return FileIdentity{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

namespace {

class PosixFolderLock : public FolderLock {
public:
    explicit PosixFolderLock(int fd) : fd_(fd) {}
    ~PosixFolderLock() override { ::close(fd_); }  // closing the last descriptor drops the lock
    PosixFolderLock(const PosixFolderLock&) = delete;
    PosixFolderLock& operator=(const PosixFolderLock&) = delete;

private:
    int fd_;
};

}  // namespace

FolderLocking lockFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return {};
    // flock, not fcntl's locks: those belong to the process and vanish when any descriptor of the
    // folder is closed, and are not told between two descriptors of one process.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool busy = errno == EWOULDBLOCK;
        ::close(fd);
        return {nullptr, busy};
    }
    return {std::make_unique<PosixFolderLock>(fd), false};
}

int nameRefusal(const std::string& name) {
    if (!isUsableName(name)) return name.empty() ? ENOENT : EINVAL;
    struct stat info {};
    if (::lstat(name.c_str(), &info) == 0 || errno == ENOENT) return 0;
    return errno;
}

WriteOutcome replaceFileContents(const std::string& name, const void* header, std::size_t headerLength,
                                 const void* data, std::uint64_t dataLength, ReplaceMode mode) {
    const Destination where = destinationOf(name, mode);
    switch (where.kind) {
        case Destination::Kind::refused: return {where.error};
        case Destination::Kind::device: return writeInPlace(name, header, headerLength, data, dataLength);
        case Destination::Kind::regular:
            return replaceRegularFile(where.path, where.mode, header, headerLength, data, dataLength);
    }
    return {EIO};
}

std::unique_ptr<MappedReplacement> mapReplacement(const std::string& name, std::uint64_t length, ReplaceMode mode) {
#if defined(__linux__) && defined(O_TMPFILE)
    if (length == 0 || length > std::numeric_limits<std::size_t>::max() ||
        length > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()))
        return nullptr;
    Destination where = destinationOf(name, mode);
    if (where.kind != Destination::Kind::regular) return nullptr;

    const std::string folder = folderOf(where.path);
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0) return nullptr;  // a file system without unnamed files, a missing folder, ...
    int reserved = -1;
    if (::fchmod(fd, where.mode) == 0) {
        do reserved = ::fallocate(fd, 0, 0, static_cast<off_t>(length));
        while (reserved != 0 && errno == EINTR);
    }
    void* bytes = reserved == 0
                      ? ::mmap(nullptr, static_cast<std::size_t>(length), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0)
                      : MAP_FAILED;
    if (bytes == MAP_FAILED) {
        ::close(fd);  // the unnamed file goes with it
        return nullptr;
    }
    const int guard = guardMapping(bytes, static_cast<std::size_t>(length));
    if (guard >= 0) {
        try {
            return std::make_unique<PosixMappedReplacement>(name, mode, std::move(where), fd,
                                                            static_cast<unsigned char*>(bytes),
                                                            static_cast<std::size_t>(length), guard);
        } catch (const std::bad_alloc&) {
            unguardMapping(guard);
        }
    }
    ::munmap(bytes, static_cast<std::size_t>(length));
    ::close(fd);
    return nullptr;
#else
    static_cast<void>(name);
    static_cast<void>(length);
    static_cast<void>(mode);
    return nullptr;
#endif
}

}  // namespace auralith
