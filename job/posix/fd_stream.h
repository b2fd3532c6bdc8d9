// A file descriptor as a byte stream: poll() and read() for standard input, write() for
// standard output and error, whatever stands behind it (terminal, pipe, file).
#pragma once

#include <functional>
#include <string_view>
#include <utility>

#include "job/console/byte_stream.h"

namespace auralith {

class FdStream final : public ByteSource, public ByteSink {
public:
    // `beforeWaiting` runs each time a read is about to wait: a terminal display catches up
    // there with a change of the window's size. A read also returns, with no bytes, when the
    // window-size signal wakes it (see resize_watch.h).
    explicit FdStream(int fd, std::function<void()> beforeWaiting = {})
        : fd_(fd), beforeWaiting_(std::move(beforeWaiting)) {}

    ByteRead read(std::span<std::uint8_t> buffer, int timeoutMs) override;
    int writeAll(std::string_view bytes) override;

private:
    int fd_;
    std::function<void()> beforeWaiting_;
};

}  // namespace auralith
