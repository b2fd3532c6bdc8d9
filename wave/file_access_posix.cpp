// File access on POSIX systems: open-for-reading and whole-file replacement.
#include "wave/file_access.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <climits>
#include <cstdlib>
#include <vector>

#include <fcntl.h>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace auralith {
namespace {

// No single read or write asks for more than this; the loops carry on for the rest.
constexpr std::size_t largestTransfer = std::size_t{1} << 30;  // 1 GiB

// Names that cannot stand for a file: empty, with a wildcard, or with a NUL byte that would
// silently cut the name short at the system call.
bool isUsableName(const std::string& name) {
    return !name.empty() && name.find_first_of(std::string("*?\0", 3)) == std::string::npos;
}

class PosixReadableFile final : public ReadableFile {
public:
    explicit PosixReadableFile(int fd) : fd_(fd) {}
    ~PosixReadableFile() override { ::close(fd_); }
    PosixReadableFile(const PosixReadableFile&) = delete;
    PosixReadableFile& operator=(const PosixReadableFile&) = delete;

    std::size_t readAt(std::uint64_t offset, void* into, std::size_t length) override {
        auto* bytes = static_cast<unsigned char*>(into);
        std::size_t done = 0;
        while (done < length) {
            const std::size_t ask = std::min(length - done, largestTransfer);
            const ssize_t got = ::pread(fd_, bytes + done, ask, static_cast<off_t>(offset + done));
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) break;  // end of file, or an error: the rest stays as it was
            done += static_cast<std::size_t>(got);
        }
        return done;
    }

private:
    int fd_;
};

// Writes the whole run, continuing after short writes and interruptions.
bool writeAll(int fd, const void* data, std::uint64_t length) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::uint64_t done = 0;
    while (done < length) {
        const auto ask = static_cast<std::size_t>(std::min<std::uint64_t>(length - done, largestTransfer));
        const ssize_t put = ::write(fd, bytes + done, ask);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;  // a full disk, a size limit, a closed pipe
        done += static_cast<std::uint64_t>(put);
    }
    return true;
}

// Maps every page of the run before it is written. Linux copies a write into the page cache with
// page faults off; a page of the run that was never touched (silence the renderer left as the
// allocator's zeros) makes that copy fall short, and each short copy halves the piece the kernel
// takes at a time for the rest of the call, down to single small pages. Written that way the
// output took twice as long. Reading a never-touched page maps the shared zero page: no memory.
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

bool writeHeaderAndData(int fd, const void* header, std::size_t headerLength, const void* data,
                        std::uint64_t dataLength) {
    mapEveryPage(data, dataLength);
    return writeAll(fd, header, headerLength) && writeAll(fd, data, dataLength);
}

// A device or FIFO is written in place: there is nothing to replace. The open does not wait for
// a FIFO reader (no reader is a failure), and blocking is restored for the writes themselves.
bool writeInPlace(const std::string& path, const void* header, std::size_t headerLength,
                  const void* data, std::uint64_t dataLength) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    const int flags = ::fcntl(fd, F_GETFL);
    bool written = flags >= 0 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0 &&
                   writeHeaderAndData(fd, header, headerLength, data, dataLength);
    if (::close(fd) != 0) written = false;
    return written;
}

// The permission bits a newly created file gets: 0666 less the process's umask. The umask can
// only be read by setting it, so it is set back at once (the program is single-threaded).
mode_t newFileMode() {
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return 0666 & ~mask;
}

// Writes a temporary file next to `path` and renames it over `path`. No fsync: a rename over a
// name on the local file systems keeps the old file until the new one is complete, which is the
// guarantee wanted here, and forcing gigabytes to disk would slow the whole job for nothing.
bool replaceRegularFile(const std::string& path, mode_t mode, const void* header,
                        std::size_t headerLength, const void* data, std::uint64_t dataLength) {
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    // The temporary name adds 8 characters (".", ".XXXXXX"); keep it within NAME_MAX (255).
    if (base.size() > 200) base.resize(200);
    std::string pattern = folder + "." + base + ".XXXXXX";
    std::vector<char> temporary(pattern.begin(), pattern.end());
    temporary.push_back('\0');

    // A hang-up or termination while the temporary file exists waits until it is renamed or
    // removed, so that no half-written file is ever left behind; the signal then takes effect.
    sigset_t ending;
    sigset_t previous;
    sigemptyset(&ending);
    for (const int signal : {SIGHUP, SIGINT, SIGQUIT, SIGTERM}) sigaddset(&ending, signal);
    pthread_sigmask(SIG_BLOCK, &ending, &previous);

    bool replaced = false;
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd >= 0) {
        bool written = ::fchmod(fd, mode) == 0 && writeHeaderAndData(fd, header, headerLength, data, dataLength);
        if (::close(fd) != 0) written = false;  // a delayed write error shows up here
        replaced = written && ::rename(temporary.data(), path.c_str()) == 0;
        if (!replaced) ::unlink(temporary.data());
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return replaced;
}

}  // namespace

std::unique_ptr<ReadableFile> openForReading(const std::string& name) {
    if (!isUsableName(name)) return nullptr;
    // Non-blocking so that opening a FIFO returns at once instead of waiting for a writer.
    const int fd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat info {};
    const int flags = ::fcntl(fd, F_GETFL);
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || flags < 0 ||
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<PosixReadableFile>(fd);
}

bool replaceFileContents(const std::string& name, const void* header, std::size_t headerLength,
                         const void* data, std::uint64_t dataLength) {
    if (!isUsableName(name)) return false;

    struct stat info {};
    if (::stat(name.c_str(), &info) != 0) {
        // A new name (or a link to nothing, which the new file then replaces).
        if (errno != ENOENT) return false;
        return replaceRegularFile(name, newFileMode(), header, headerLength, data, dataLength);
    }
    if (!S_ISREG(info.st_mode)) return writeInPlace(name, header, headerLength, data, dataLength);

    // A read-only file is kept as it is: no write bit for anyone (0222), or no write access for
    // us. The mode test holds even for root, whom access() lets write anything.
    if ((info.st_mode & 0222) == 0 || ::access(name.c_str(), W_OK) != 0) return false;

    // Work on the file itself, not on a symbolic link to it, so that the link survives.
    char* resolved = ::realpath(name.c_str(), nullptr);
    if (resolved == nullptr) return false;
    const std::string target(resolved);
    std::free(resolved);
    // The replacement gets the old file's read, write and execute bits for all three classes.
    return replaceRegularFile(target, info.st_mode & 0777, header, headerLength, data, dataLength);
}

}  // namespace auralith
