// What the POSIX and the Windows file access share: which names stand for no file, and moving a
// long run of bytes in pieces that no system call refuses.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

namespace auralith {

// Names that cannot stand for a file: empty, with a wildcard, or with a NUL byte that would
// silently cut the name short at the system call.
inline bool isUsableName(const std::string& name) {
    return !name.empty() && name.find_first_of(std::string("*?\0", 3)) == std::string::npos;
}

// No single read or write asks for more than this; the rest follows in further pieces.
inline constexpr std::uint64_t largestTransfer = std::uint64_t{1} << 30;  // 1 GiB

// Moves `length` bytes piece by piece: move(done, ask) moves up to `ask` bytes starting `done`
// bytes in and returns how many it moved, 0 when it cannot go on. Returns the bytes moved.
template <typename Move>
std::uint64_t moveInPieces(std::uint64_t length, Move move) {
    std::uint64_t done = 0;
    while (done < length) {
        const std::uint64_t moved = move(done, std::min(length - done, largestTransfer));
        if (moved == 0) break;
        done += moved;
    }
    return done;
}

// Writes the `length` bytes at `data` piece by piece: write(at, ask) writes up to `ask` bytes
// from `at` and returns how many it wrote, 0 when it cannot go on. True when all were written.
template <typename Write>
bool writeInPieces(const void* data, std::uint64_t length, Write write) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    return moveInPieces(length, [&](std::uint64_t done, std::uint64_t ask) -> std::uint64_t {
               return write(bytes + done, static_cast<std::size_t>(ask));
           }) == length;
}

}  // namespace auralith
