#include "job/posix/fd_stream.h"

#include <cerrno>

#include <poll.h>
#include <unistd.h>

#include "job/posix/resize_watch.h"

namespace auralith {

ByteRead FdStream::read(std::span<std::uint8_t> buffer, int timeoutMs) {
    if (beforeWaiting_) beforeWaiting_();
    pollfd fds[2] = {{fd_, POLLIN, 0}, {resizeWakeFd(), POLLIN, 0}};
    const nfds_t count = fds[1].fd >= 0 ? 2 : 1;
    const int ready = poll(fds, count, timeoutMs);
    if (ready < 0) return ByteRead{errno == EINTR ? ByteRead::Status::bytes : ByteRead::Status::ended, 0};
    if (ready == 0) return ByteRead{ByteRead::Status::timedOut, 0};
    if (count == 2 && (fds[1].revents & POLLIN) != 0) drainResizeWakes();
    if (fds[0].revents == 0) return ByteRead{ByteRead::Status::bytes, 0};
    const ssize_t n = ::read(fd_, buffer.data(), buffer.size());
    if (n > 0) return ByteRead{ByteRead::Status::bytes, static_cast<std::size_t>(n)};
    // End of file, or a hung-up terminal (EIO); EINTR and EAGAIN just mean "again".
    const bool again = n < 0 && (errno == EINTR || errno == EAGAIN);
    return ByteRead{again ? ByteRead::Status::bytes : ByteRead::Status::ended, 0};
}

int FdStream::writeAll(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = write(fd_, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;  // a full disk, a closed pipe (SIGPIPE is ignored), a vanished terminal
        if (n == 0) return EIO;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return 0;
}

}  // namespace auralith
