#include "wave/files/file_rules.h"
#include "wave/files/file_access.h"

#include <cstring>

namespace auralith {

std::size_t ReadableFile::readAt(std::uint64_t offset, void* into, std::size_t length) {
    auto* bytes = static_cast<unsigned char*>(into);
    return static_cast<std::size_t>(moveInPieces(length, [&](std::uint64_t done, std::uint64_t ask) {
        return readPiece(offset + done, bytes + done, static_cast<std::size_t>(ask));
    }));
}

std::unique_ptr<ReadableFile> openForReading(const std::string& name) { return openForReadingOrSayWhy(name).file; }

std::string errorText(int error) { return std::strerror(error); }

}  // namespace auralith
