// The least any program must do that builds the whole output where it will lie: an unnamed file
// in the output's folder, its whole length reserved, mapped, every 16-bit sample written once by
// two threads (as many as the machine here has cores), the header written, then given its name.
//
//   mapped_floor FRAMES OUTPUT      (OUTPUT must not exist yet)
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

// The samples [first, last) of the data after the 44-byte header, each written once.
void fill(unsigned char* data, std::uint64_t first, std::uint64_t last) {
    auto* samples = reinterpret_cast<std::int16_t*>(data + 44);
    for (std::uint64_t k = first; k < last; ++k) samples[k] = static_cast<std::int16_t>(k * 131);
}

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: mapped_floor FRAMES OUTPUT\n");
        return 2;
    }
    const std::uint64_t samples = 2 * std::strtoull(argv[1], nullptr, 10);
    const std::uint64_t bytes = 44 + 2 * samples;
    const int fd = ::open(folderOf(argv[2]).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0644);
    if (fd < 0 || ::fallocate(fd, 0, 0, static_cast<off_t>(bytes)) != 0) return 1;
    void* mapped = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (mapped == MAP_FAILED) return 1;
    auto* data = static_cast<unsigned char*>(mapped);
    // The header: any 44 bytes will do for the measure.
    std::memcpy(data, "RIFF....WAVEfmt ", 16);
    std::thread second(fill, data, samples / 2, samples);
    fill(data, 0, samples / 2);
    second.join();
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, argv[2], AT_SYMLINK_FOLLOW) != 0) return 1;
    return ::munmap(mapped, bytes) == 0 && ::close(fd) == 0 ? 0 : 1;
}
