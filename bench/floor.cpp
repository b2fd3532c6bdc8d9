// The least any program that builds the whole output in memory and writes it with one write
// must do: allocate 44 + 4F bytes, fill every byte once, write them to a file.
//
//   floor FRAMES OUTPUT
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: floor FRAMES OUTPUT\n");
        return 2;
    }
    const std::uint64_t bytes = 44 + 4 * std::strtoull(argv[1], nullptr, 10);
    auto* data = static_cast<unsigned char*>(std::malloc(bytes));
    if (data == nullptr) return 1;
    for (std::uint64_t k = 0; k < bytes; ++k) data[k] = static_cast<unsigned char>(k * 131);
    const int fd = ::open(argv[2], O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return 1;
    for (std::uint64_t done = 0; done < bytes;) {
        const ssize_t wrote = ::write(fd, data + done, bytes - done);
        if (wrote <= 0) return 1;
        done += static_cast<std::uint64_t>(wrote);
    }
    std::free(data);
    return ::close(fd) == 0 ? 0 : 1;
}
