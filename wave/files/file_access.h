// The few file operations the WAVE reader and writer need, kept apart so that each platform
// supplies its own. Names are the UTF-8 text the user typed, used in full.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace auralith {

// A file opened for reading. Closed when destroyed.
class ReadableFile {
public:
    virtual ~ReadableFile() = default;
    // Reads up to `length` bytes at `offset`; returns how many were read (fewer at the end, or
    // after an error: the rest stays as it was).
    std::size_t readAt(std::uint64_t offset, void* into, std::size_t length);
    // The file's length now, in bytes.
    virtual std::uint64_t length() = 0;
    // A name by which this process, or a child it forks, opens this very file again, whatever
    // has become of the name it was opened by ("/proc/self/fd/5" on Linux); empty where the
    // system has none.
    virtual std::string openedFileName() const { return {}; }

protected:
    // One read of at most `length` bytes, at most 1 GiB; 0 at the end of the file or on an error.
    virtual std::size_t readPiece(std::uint64_t offset, unsigned char* into, std::size_t length) = 0;
};

// Opens an existing regular file for reading. Null when the name is empty, holds "*" or "?",
// names anything but a regular file (a folder, a FIFO, a device), or cannot be opened.
std::unique_ptr<ReadableFile> openForReading(const std::string& name);

// The same, with the system's words for why the file cannot be opened ("No such file or
// directory", "Permission denied", "Is a directory", "Not a regular file") when it cannot.
struct OpenedFile {
    std::unique_ptr<ReadableFile> file;
    std::string why;
};
OpenedFile openForReadingOrSayWhy(const std::string& name);

// What a write came to: true when the file is in place with every byte; else `error` holds the
// system's reason as an errno value (EACCES for a file kept because it is read-only, EIO for
// bytes that a failed mapping lost).
struct WriteOutcome {
    int error = 0;
    operator bool() const { return error == 0; }
};

// The system's words for a WriteOutcome's error ("No space left on device").
std::string errorText(int error);

// What a name that stands for more than a plain file gets.
enum class ReplaceMode {
    // A symbolic link's target is replaced and the link kept; a device or FIFO is written to. The
    // interactive program's output name, typed by its user, works so.
    followLinks,
    // The name itself gets the new file, whatever it stood for (a link, dangling or not, a FIFO, a
    // device), so that nothing but the named entry of its folder is ever written. For programs
    // that make their own names in a folder of outputs.
    nameItself,
};

// Whether two names stand for one file: the same device and file number (volume and file index
// on Windows). Empty when the name stands for nothing that can be asked; with `followLinks`
// false, a symbolic link is taken as itself.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t file = 0;
    bool operator==(const FileIdentity&) const = default;
};
std::optional<FileIdentity> fileIdentity(const std::string& name, bool followLinks);

// An advisory lock on a folder for as long as this lives (the system drops it when the process
// ends), so that two runs of a program never write into one folder at once.
class FolderLock {
public:
    virtual ~FolderLock() = default;
};

// The folder's lock; null with `busy` when another process holds it. A folder that cannot be
// locked at all (a file system without locks) gives null and not busy: a run goes on without.
struct FolderLocking {
    std::unique_ptr<FolderLock> lock;
    bool busy = false;
};
FolderLocking lockFolder(const std::string& folder);

// Whether the system would take the name for a new file, asked without making one: 0, or the
// error a write would meet at the name itself (ENAMETOOLONG, ENOTDIR, EACCES for a folder that
// cannot be searched). A name that exists, or could, gives 0; whether it can be written is told
// only by writing.
int nameRefusal(const std::string& name);

// Writes `header` then `data` as the whole new content of the named file. A regular file (or a
// new name) is written to a temporary file in the same folder that then replaces the name, with
// the old file's permission bits; with `followLinks`, a device or FIFO is written to directly.
// True only when every byte was written and the file is in place; a failure (among them `data`
// lying in a mapped replacement that failed) leaves a regular file as it was and no temporary
// file behind.
WriteOutcome replaceFileContents(const std::string& name, const void* header, std::size_t headerLength,
                                 const void* data, std::uint64_t dataLength,
                                 ReplaceMode mode = ReplaceMode::followLinks);

// The new content of a named regular file, built where it will lie: an unnamed file in the same
// folder, given its full length on disk at once (so that no later write can find the disk full)
// and mapped into memory, zero. `commit` gives it a temporary name and renames that over the
// name, with the old file's permission bits, as replaceFileContents does; a hang-up or
// termination meanwhile waits until the rename is done or undone. Until then the file has no
// name: if the program ends first, nothing is left behind and the name is as it was.
class MappedReplacement {
public:
    virtual ~MappedReplacement() = default;
    virtual unsigned char* bytes() = 0;  // the whole file, as long as asked for
    // Whether the file's bytes are lost: it was shrunk from outside, or a page of it could not be
    // supplied while it was filled. The filling then went on into zeroed memory in the mapping's
    // place instead of ending the program; the file itself is never committed.
    virtual bool failed() const = 0;
    // Puts the file under the name; true only when it is there, with all its bytes (false when
    // it failed). Tried once: afterwards the file is nameless for good, and its bytes stay
    // readable until this is destroyed.
    virtual WriteOutcome commit() = 0;
    // Writes `length` bytes at `offset` into the file through the system's writes, not through
    // the mapping, so that a file made in pieces never lies in the program's memory; the mapping
    // sees them. The error of a write that failed, or 0.
    virtual int writeAt(std::uint64_t offset, const void* data, std::size_t length) = 0;
};

// Null when the content cannot be built in place: the name is refused as replaceFileContents
// would refuse it, names a device or FIFO, or the system cannot reserve or map the space. The
// caller then builds the content in memory and uses replaceFileContents.
std::unique_ptr<MappedReplacement> mapReplacement(const std::string& name, std::uint64_t length,
                                                  ReplaceMode mode = ReplaceMode::followLinks);

}  // namespace auralith
