#include "job/windows/handle_stream.h"

#include "job/windows/windows_api.h"

#include <algorithm>
#include <cerrno>

namespace auralith {

namespace {

constexpr DWORD peekIntervalMs = 5;

// Whether the pipe `handle` has no byte within `timeoutMs`; false for a broken pipe, whose end
// the read that follows reports.
bool pipeStaysEmpty(HANDLE handle, DWORD timeoutMs) {
    DWORD available = 0;
    for (DWORD waited = 0; waited < timeoutMs; waited += peekIntervalMs) {
        if (PeekNamedPipe(handle, nullptr, 0, nullptr, &available, nullptr) == 0 || available > 0) break;
        Sleep(peekIntervalMs);
    }
    return available == 0 && PeekNamedPipe(handle, nullptr, 0, nullptr, &available, nullptr) != 0;
}

}  // namespace

ByteRead HandleStream::read(std::span<std::uint8_t> buffer, int timeoutMs) {
    if (timeoutMs >= 0 && GetFileType(handle_) == FILE_TYPE_PIPE &&
        pipeStaysEmpty(handle_, static_cast<DWORD>(timeoutMs)))
        return ByteRead{ByteRead::Status::timedOut, 0};
    DWORD got = 0;
    const auto ask = static_cast<DWORD>(buffer.size());
    // End of file, a closed pipe (ERROR_BROKEN_PIPE) or no standard input at all end the input.
    const bool ended = ReadFile(handle_, buffer.data(), ask, &got, nullptr) == 0 || got == 0;
    return ByteRead{ended ? ByteRead::Status::ended : ByteRead::Status::bytes, got};
}

int HandleStream::writeAll(std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD written = 0;
        const auto ask = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
        if (WriteFile(handle_, bytes.data(), ask, &written, nullptr) == 0 || written == 0) {
            const DWORD error = GetLastError();
            if (error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL) return ENOSPC;
            return error == ERROR_BROKEN_PIPE || error == ERROR_NO_DATA ? EPIPE : EIO;
        }
        bytes.remove_prefix(written);
    }
    return 0;
}

}  // namespace auralith
