// A Windows file handle as a byte stream, for standard input, output and error that are pipes
// or files: ReadFile, with PeekNamedPipe for a wait of limited time, and WriteFile.
#pragma once

#include <string_view>

#include "job/console/byte_stream.h"

namespace auralith {

class HandleStream final : public ByteSource, public ByteSink {
public:
    explicit HandleStream(void* handle) : handle_(handle) {}

    // A limit on the wait holds for pipes only: a file has its next byte (or its end) at once.
    ByteRead read(std::span<std::uint8_t> buffer, int timeoutMs) override;
    int writeAll(std::string_view bytes) override;

private:
    void* handle_;  // a HANDLE, kept opaque so that this header needs no <windows.h>
};

}  // namespace auralith
