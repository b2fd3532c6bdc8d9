// The bytes a platform supplies to a console session: standard input read as it comes,
// standard output and error written whole. Files, pipes and terminals all look alike here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace auralith {

struct ByteRead {
    enum class Status {
        bytes,     // `count` bytes arrived; none when the wait was woken for something else
        timedOut,  // no byte came within the time given
        ended,     // the input has ended: end of file, a closed pipe, a hung-up terminal
    };
    Status status = Status::bytes;
    std::size_t count = 0;  // bytes placed in the buffer (with `ended`: the last ones, if any)
};

class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Reads what is there into `buffer`, waiting for the first byte at most `timeoutMs`
    // milliseconds, or for as long as it takes when `timeoutMs` is negative.
    virtual ByteRead read(std::span<std::uint8_t> buffer, int timeoutMs) = 0;
};

class ByteSink {
public:
    virtual ~ByteSink() = default;
    // Writes all of `bytes`; a closed pipe or a vanished terminal takes what it takes. 0 when
    // everything was written, else why not (an errno value: ENOSPC, EPIPE, ...).
    virtual int writeAll(std::string_view bytes) = 0;
};

}  // namespace auralith
