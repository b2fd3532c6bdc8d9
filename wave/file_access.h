// The few file operations the WAVE reader and writer need, kept apart so that each platform
// supplies its own. Names are the UTF-8 text the user typed, used in full.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace auralith {

// A file opened for reading. Closed when destroyed.
class ReadableFile {
public:
    virtual ~ReadableFile() = default;
    // Reads up to `length` bytes at `offset`; returns how many were read (fewer at the end).
    virtual std::size_t readAt(std::uint64_t offset, void* into, std::size_t length) = 0;
};

// Opens an existing regular file for reading. Null when the name is empty, holds "*" or "?",
// names anything but a regular file (a folder, a FIFO, a device), or cannot be opened.
std::unique_ptr<ReadableFile> openForReading(const std::string& name);

// Writes `header` then `data` as the whole new content of the named file. A regular file (or a
// new name) is written to a temporary file in the same folder that then replaces the name, with
// the old file's permission bits; anything else (a device, a FIFO) is written to directly.
// Returns true only when every byte was written and the file is in place.
bool replaceFileContents(const std::string& name, const void* header, std::size_t headerLength,
                         const void* data, std::uint64_t dataLength);

}  // namespace auralith
