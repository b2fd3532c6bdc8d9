// auralith-compare's headphone render of one stereo render, alone: the stereo render's file
// mapped (the program reads it from the mapping it rendered into), the head prepared as the program prepares it (KEMAR,
// +-30 degrees, equalised), the headphone render written into its file as the program writes it, with or without its
// loudness. What bench/headphones-vs-sofalizer sets beside ffmpeg's sofalizer, which measures no loudness.
//
//   headphone_convert STEREO.wav OUT.wav [--loudness]
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <span>
#include <string>
#include <variant>

#include "binaural/listening.h"
#include "sim/scene/loudspeakers.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: headphone_convert STEREO.wav OUT.wav [--loudness]\n");
        return 2;
    }
    const int fd = ::open(argv[1], O_RDONLY);
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0 || info.st_size < 44) return 1;
    const auto bytes = static_cast<std::size_t>(info.st_size);
    void* mapped = ::mmap(nullptr, bytes, PROT_READ, MAP_SHARED | MAP_POPULATE, fd, 0);
    if (mapped == MAP_FAILED) return 1;
    const std::span<const std::int16_t> stereo(reinterpret_cast<const std::int16_t*>(static_cast<char*>(mapped) + 44),
                                               (bytes - 44) / 4 * 2);
    const std::int32_t rate = 44100;  // the renders the benchmark makes
    const auto frames = static_cast<std::int64_t>(stereo.size() / 2);
    const auto n = static_cast<std::int32_t>((frames - rate) / 13 - rate);
    auto prepared = auralith::prepareListening({AURALITH_DEFAULT_SOFA, true, auralith::stereoLayout(30)}, rate);
    if (const auto* refused = std::get_if<auralith::ListeningRefusal>(&prepared)) {
        std::fprintf(stderr, "%s: %s\n", refused->name.c_str(), refused->why.c_str());
        return 1;
    }
    const auto& listening = *std::get<auralith::ListeningHandle>(prepared);
    const bool loudness = argc > 3 && std::string(argv[3]) == "--loudness";
    const auralith::HeadphoneRender made =
        auralith::writeHeadphoneRender(listening, stereo, rate, n, argv[2], loudness);
    if (!made.memory || !made.written) return 1;
    if (loudness && made.loudness) std::printf("%.2f LUFS\n", *made.loudness);
    return 0;
}
