// Makes the ensemble of examples/ensemble: four mono 16-bit 44 100 Hz recordings of one short
// phrase that four voices play together, as if each were close-miked, for a stage of several
// players. Usage: make_ensemble FOLDER [SECONDS]
// The phrase is two bars at 120 beats a minute over C, A minor, F and G, one chord a second; each
// voice has its own register, timbre and onsets (the cello on the beat, the violin on each half
// beat, the flute half a beat late, the marimba off the beat), so that each is easy to place.
// With SECONDS (4 by default) the phrase repeats to that length.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "generated_wave.h"
#include "wave/files/file_access.h"
#include "wave/wave_header.h"

namespace {

constexpr int rate = 44100;
constexpr double twoPi = 6.283185307179586;
constexpr double phraseSeconds = 4.0;

using Noise = FixedNoise;

// A note: its start and length in seconds and its key (60 is middle C, 69 is A4 at 440 Hz).
struct Note {
    double at;
    double length;
    int key;
};

double frequencyOf(int key) { return 440.0 * std::exp2((key - 69) / 12.0); }

// Rises over `attack` seconds and falls over the last `release` seconds of `length`, both as
// raised cosines, so that no note starts or stops with a click.
double envelope(double t, double length, double attack, double release) {
    const double rise = t < attack ? 0.5 - 0.5 * std::cos(twoPi * 0.5 * t / attack) : 1.0;
    const double left = length - t;
    const double fall = left < release ? 0.5 - 0.5 * std::cos(twoPi * 0.5 * std::fmax(0.0, left) / release) : 1.0;
    return rise * fall;
}

// A bowed string: the partials of a sawtooth up to `highest` Hz, the n-th at 1/n^tilt (a steeper
// tilt sounds darker), with a vibrato that sets in after the bow's attack.
struct Bow {
    double tilt;
    double highest;
    double attack;
    double vibratoDepth;  // a fraction of the frequency
};

void addBowed(std::vector<double>& out, const Note& note, const Bow& bow) {
    const auto start = static_cast<std::size_t>(note.at * rate);
    const auto count = static_cast<std::size_t>(note.length * rate);
    const double frequency = frequencyOf(note.key);
    const int partials = static_cast<int>(bow.highest / frequency);
    double phase = 0.0;
    for (std::size_t k = 0; k < count && start + k < out.size(); ++k) {
        const double t = static_cast<double>(k) / rate;
        const double vibrato = bow.vibratoDepth * std::fmin(1.0, t / 0.4) * std::sin(twoPi * 5.5 * t);
        phase += twoPi * frequency * (1.0 + vibrato) / rate;
        double sum = 0.0;
        for (int n = 1; n <= partials; ++n) sum += std::sin(n * phase) / std::pow(n, bow.tilt);
        out[start + k] += envelope(t, note.length, bow.attack, 0.08) * sum;
    }
}

// A flute: a near sine with weak second and third harmonics, a slow vibrato, and breath: noise
// above about 1 kHz, strongest in the chiff of the attack.
void addFlute(std::vector<double>& out, Noise& noise, const Note& note) {
    const auto start = static_cast<std::size_t>(note.at * rate);
    const auto count = static_cast<std::size_t>(note.length * rate);
    const double frequency = frequencyOf(note.key);
    double phase = 0.0;
    double previous = 0.0;
    double breath = 0.0;
    for (std::size_t k = 0; k < count && start + k < out.size(); ++k) {
        const double t = static_cast<double>(k) / rate;
        const double vibrato = 0.003 * std::fmin(1.0, t / 0.3) * std::sin(twoPi * 4.5 * t);
        phase += twoPi * frequency * (1.0 + vibrato) / rate;
        const double white = noise.next();
        breath = white - previous + 0.87 * breath;  // a one-pole high-pass
        previous = white;
        const double tone = std::sin(phase) + 0.12 * std::sin(2 * phase) + 0.04 * std::sin(3 * phase);
        const double air = (0.06 + 0.25 * std::exp(-t / 0.03)) * breath;
        out[start + k] += envelope(t, note.length, 0.07, 0.1) * (tone + air);
    }
}

// A marimba: a struck bar whose partials lie at 1, 4 and 10 times the fundamental, the higher
// ones dying faster, and the mallet's knock in the first milliseconds.
void addStruck(std::vector<double>& out, Noise& noise, const Note& note) {
    const auto start = static_cast<std::size_t>(note.at * rate);
    const auto count = static_cast<std::size_t>(note.length * rate);
    const double w = twoPi * frequencyOf(note.key);
    for (std::size_t k = 0; k < count && start + k < out.size(); ++k) {
        const double t = static_cast<double>(k) / rate;
        const double bar = std::exp(-t / 0.3) * std::sin(w * t) + 0.35 * std::exp(-t / 0.06) * std::sin(4 * w * t) +
                           0.12 * std::exp(-t / 0.015) * std::sin(10 * w * t);
        const double knock = 0.4 * std::exp(-t / 0.002) * noise.next();
        out[start + k] += envelope(t, note.length, 0.0005, 0.03) * (bar + knock);
    }
}

// Every note ends before the phrase does, so that the repeats join without a click.
std::vector<double> violin() {
    std::vector<double> out(static_cast<std::size_t>(phraseSeconds * rate), 0.0);
    const int keys[] = {76, 72, 72, 76, 69, 72, 71, 74};  // E5 C5 | C5 E5 | A4 C5 | B4 D5
    for (int i = 0; i < 8; ++i) addBowed(out, {0.5 * i, 0.46, keys[i]}, {1.0, 10000.0, 0.04, 0.005});
    return out;
}

std::vector<double> flute() {
    std::vector<double> out(static_cast<std::size_t>(phraseSeconds * rate), 0.0);
    Noise noise;
    for (const Note& note : {Note{0.5, 0.95, 79}, Note{1.5, 0.95, 81}, Note{2.5, 0.48, 84}, Note{3.0, 0.95, 83}})
        addFlute(out, noise, note);  // G5, A5, C6, B5
    return out;
}

std::vector<double> cello() {
    std::vector<double> out(static_cast<std::size_t>(phraseSeconds * rate), 0.0);
    const int keys[] = {48, 52, 53, 55};  // C3, E3, F3, G3
    for (int i = 0; i < 4; ++i) addBowed(out, {1.0 * i, 0.96, keys[i]}, {1.6, 4000.0, 0.1, 0.004});
    return out;
}

std::vector<double> marimba() {
    std::vector<double> out(static_cast<std::size_t>(phraseSeconds * rate), 0.0);
    Noise noise;
    const int keys[] = {64, 67, 60, 64, 65, 69, 62, 67};  // E4 G4 | C4 E4 | F4 A4 | D4 G4
    for (int i = 0; i < 8; ++i) addStruck(out, noise, {0.25 + 0.5 * i, i == 7 ? 0.24 : 0.7, keys[i]});
    return out;
}

// The phrase repeated to `total` samples, scaled so that its loudest sample lies at -6 dBFS,
// faded in over 10 ms and out over 50 ms, as 16-bit little-endian samples.
std::vector<std::uint8_t> samplesOf(const std::vector<double>& phrase, std::size_t total) {
    double loudest = 0.0;
    for (double v : phrase) loudest = std::fmax(loudest, std::fabs(v));
    const double scale = 16384.0 / loudest;
    const double fadeIn = 0.01 * rate;
    const double fadeOut = 0.05 * rate;
    std::vector<std::uint8_t> data;
    data.reserve(2 * total);
    for (std::size_t k = 0; k < total; ++k) {
        const double fade =
            std::fmin(1.0, std::fmin(static_cast<double>(k) / fadeIn, static_cast<double>(total - 1 - k) / fadeOut));
        const auto sample = static_cast<std::int16_t>(std::lrint(phrase[k % phrase.size()] * scale * fade));
        data.push_back(static_cast<std::uint8_t>(sample & 0xFF));
        data.push_back(static_cast<std::uint8_t>((sample >> 8) & 0xFF));
    }
    return data;
}

bool writeWave(const std::string& name, const std::vector<std::uint8_t>& data) {
    const auto headerBytes = auralith::encodeWaveHeader(monoWaveHeader(rate, data.size()));
    const auto written = auralith::replaceFileContents(name, headerBytes.data(), headerBytes.size(), data.data(),
                                                       data.size(), auralith::ReplaceMode::nameItself);
    if (!written)
        std::fprintf(stderr, "make_ensemble: could not write %s: %s\n", name.c_str(),
                     auralith::errorText(written.error).c_str());
    return written;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: make_ensemble FOLDER [SECONDS]\n");
        return 2;
    }
    char* end = nullptr;
    const double seconds = argc == 3 ? std::strtod(argv[2], &end) : phraseSeconds;
    if ((argc == 3 && *end != '\0') || !(seconds >= 0.1 && seconds <= 1800)) {
        std::fprintf(stderr, "make_ensemble: SECONDS must lie between 0.1 and 1800\n");
        return 2;
    }
    const std::string folder = argv[1];
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(std::u8string(folder.begin(), folder.end())), error);
    if (error) {
        std::fprintf(stderr, "make_ensemble: could not make %s: %s\n", folder.c_str(), error.message().c_str());
        return 1;
    }
    const auto total = static_cast<std::size_t>(seconds * rate);
    const struct {
        const char* name;
        std::vector<double> (*play)();
    } voices[] = {{"violin.wav", violin}, {"flute.wav", flute}, {"cello.wav", cello}, {"marimba.wav", marimba}};
    for (const auto& voice : voices)
        if (!writeWave(folder + "/" + voice.name, samplesOf(voice.play(), total))) return 1;
    return 0;
}
