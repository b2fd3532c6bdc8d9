// auralith-compare's headphone render of one stereo render, alone: the stereo render read whole,
// the head prepared as the program prepares it (KEMAR, +-30 degrees, equalised), the headphone
// render written into its file as the program writes it, with or without its loudness. What
// bench/headphones-vs-sofalizer sets beside ffmpeg's sofalizer, which measures no loudness.
//
//   headphone_convert STEREO.wav OUT.wav [--loudness]
#include <cstdio>
#include <fstream>
#include <string>
#include <variant>
#include <vector>

#include "job/compare/headphones.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: headphone_convert STEREO.wav OUT.wav [--loudness]\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    in.seekg(0, std::ios::end);
    const auto bytes = static_cast<std::size_t>(in.tellg());
    std::vector<std::int16_t> stereo((bytes - 44) / 2);
    in.seekg(44);
    in.read(reinterpret_cast<char*>(stereo.data()), static_cast<std::streamsize>(2 * stereo.size()));
    const std::int32_t rate = 44100;  // the renders the benchmark makes
    const auto frames = static_cast<std::int64_t>(stereo.size() / 2);
    const auto n = static_cast<std::int32_t>((frames - rate) / 13 - rate);
    auto prepared = auralith::prepareListening({}, rate, auralith::base30);
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
