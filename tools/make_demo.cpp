// Makes the demo recording of examples/: a mono 16-bit 44 100 Hz file of clicks, noise bursts
// and a tone, sounds whose direction is easy to hear. Usage: make_demo OUTPUT.wav [SECONDS]
// (with SECONDS, the 2.8-second pattern repeats to that length: recordings for measurements;
// "longest" gives the longest recording the program accepts, 82 548 031 samples)
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "generated_wave.h"
#include "wave/files/file_access.h"
#include "wave/wave_header.h"

namespace {

constexpr int rate = 44100;
constexpr double twoPi = 6.283185307179586;

using Noise = FixedNoise;

void addClick(std::vector<double>& out, double at) {
    const auto start = static_cast<std::size_t>(at * rate);
    for (std::size_t k = 0; k < 200 && start + k < out.size(); ++k)
        out[start + k] += 0.9 * std::exp(-static_cast<double>(k) / 25.0) * (k % 2 ? -1 : 1);
}

void addNoiseBurst(std::vector<double>& out, Noise& noise, double at, double length, double level) {
    const auto start = static_cast<std::size_t>(at * rate);
    const auto count = static_cast<std::size_t>(length * rate);
    for (std::size_t k = 0; k < count && start + k < out.size(); ++k) {
        const double envelope = std::sin(twoPi * 0.5 * static_cast<double>(k) / static_cast<double>(count));
        out[start + k] += level * envelope * noise.next();
    }
}

void addTone(std::vector<double>& out, double at, double length, double frequency, double level) {
    const auto start = static_cast<std::size_t>(at * rate);
    const auto count = static_cast<std::size_t>(length * rate);
    for (std::size_t k = 0; k < count && start + k < out.size(); ++k) {
        const double fade = std::fmin(1.0, std::fmin(static_cast<double>(k), static_cast<double>(count - k)) / 2000.0);
        out[start + k] += level * fade * std::sin(twoPi * frequency * static_cast<double>(k) / rate);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: make_demo OUTPUT.wav [SECONDS]\n");
        return 2;
    }
    std::vector<double> mix(static_cast<std::size_t>(2.8 * rate), 0.0);
    const bool longest = argc == 3 && std::string(argv[2]) == "longest";
    const double seconds = longest ? 0 : argc == 3 ? std::atof(argv[2]) : 2.8;
    if (!longest && !(seconds > 0 && seconds <= 1800)) {
        std::fprintf(stderr, "make_demo: SECONDS must lie between 0 and 1800, or be \"longest\"\n");
        return 2;
    }
    Noise noise;
    for (double at : {0.0, 0.15, 0.30, 0.45}) addClick(mix, at);
    addNoiseBurst(mix, noise, 0.8, 0.2, 0.6);
    addTone(mix, 1.2, 0.8, 880.0, 0.4);
    addNoiseBurst(mix, noise, 1.6, 0.05, 0.5);
    addNoiseBurst(mix, noise, 2.2, 0.08, 0.6);
    addNoiseBurst(mix, noise, 2.45, 0.08, 0.6);

    const auto total = longest ? std::size_t{82548031} : static_cast<std::size_t>(seconds * rate);
    std::vector<double> repeated(total);
    for (std::size_t k = 0; k < total; ++k) repeated[k] = mix[k % mix.size()];
    std::vector<std::uint8_t> data;
    data.reserve(2 * total);
    for (double v : repeated) {
        const auto sample = static_cast<std::int16_t>(std::lrint(std::fmax(-1.0, std::fmin(1.0, v)) * 22000.0));
        data.push_back(static_cast<std::uint8_t>(sample & 0xFF));
        data.push_back(static_cast<std::uint8_t>((sample >> 8) & 0xFF));
    }
    const auto headerBytes = auralith::encodeWaveHeader(monoWaveHeader(rate, data.size()));
    if (!auralith::replaceFileContents(argv[1], headerBytes.data(), headerBytes.size(), data.data(), data.size())) {
        std::fprintf(stderr, "make_demo: could not write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
