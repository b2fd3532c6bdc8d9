// The room's speed, measured (bench/compare-room runs it): a 25 x 40 x 16 m room whose absorption
// is solved for 2.0 s in every band (the air keeps 8 kHz below that: that band gets 0.95 of the
// longest it can have, as a single --rt60 gives), the array 1.5 m left of the room's centre line,
// 14 m from the back wall, 3 m up, the sweep on the 10 m arc at its height.
//
// (a) the responses of the six built-in arrays at the thirteen positions, array by array
//     (roomResponses, as a run makes them) and with the images shared (roomResponsesOf), beside
//     the straightforward generator (below) on a few microphones' responses: its mean time a
//     response times the responses the six arrays have (13 microphones x 13 positions);
// (b) the six arrays' whole renders of the recording (roomResponsesOf, roomSweep, renderRoomInto);
//     then each position's stereo response as mixed is written as 32-bit float WAVE, for
//     ffmpeg's afir to apply (the script times that).
//
//   room_speed RECORDING.wav OUTDIR [REFERENCE_RESPONSES [ARRAYS [WIDTH]]]
//
// REFERENCE_RESPONSES 0 leaves the straightforward generator out; ARRAYS renders the first so
// many arrays (default 6); WIDTH is the render's conversions side by side (RoomRenderOptions:
// 1 dithers every value on its own in extended precision; default 0, the widest).
#include <time.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <numbers>
#include <span>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#include "sim/free/mic_layout.h"
#include "sim/model/frame.h"
#include "sim/room/absorption_solver.h"
#include "sim/room/air_absorption.h"
#include "sim/room_render/room_render.h"
#include "wave/input_wave.h"

namespace {

using namespace auralith;

struct Clock {
    std::chrono::steady_clock::time_point wall = std::chrono::steady_clock::now();
    double cpu = processSeconds();

    static double processSeconds() {
        timespec t{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
    }
    double wallSeconds() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count();
    }
    double cpuSeconds() const { return processSeconds() - cpu; }
};

// The straightforward image-source generator the room's responses are measured against: every
// image of the shoebox at its exact mirror place, one after another, each adding an 8 ms
// Hann-windowed sinc at its exact delay (a sine and a cosine per sample), on one core. One band's
// absorption stands for all: the generator knows no filter bank.
struct ReferenceRequest {
    Room room;
    RoomPoint source;
    RoomPoint centre;  // the rig's centre: the microphone stands at its offsets from it
    RigMic mic;
    double seconds = 0;  // after the direct sound at the centre
    double radius = arcRadius;
    int band = 3;  // whose absorption and air the images take
    std::int32_t rate = 44100;
};

// Along one axis, image n of the source (2 n L + (1 - 2 q) s) meets the low surface |n - q| times
// and the high one |n| times.
struct Hits {
    int low;
    int high;
};

Hits hitsOf(int n, int q) { return {std::abs(n - q), std::abs(n)}; }

// The response from the arrival at the centre from the arc on; the direct sound left out.
std::vector<double> referenceResponse(const ReferenceRequest& r) {
    const int band = r.band;
    const double half = 0.004 * r.rate;  // the window's half-width in frames
    const double direct = std::hypot(r.source.x - r.centre.x, r.source.y - r.centre.y, r.source.z - r.centre.z);
    const double farthest = direct + soundSpeed * r.seconds;
    const double air = airAbsorptionDbPerMetre(bandCentres[static_cast<std::size_t>(band)]) * std::log(10.0) / 20;
    const RoomPoint at{r.centre.x + r.mic.lateral, r.centre.y + r.mic.forward, r.centre.z + r.mic.up};
    const double factor[surfaceCount] = {
        std::sqrt(1 - r.room.absorption[0][band]), std::sqrt(1 - r.room.absorption[1][band]),
        std::sqrt(1 - r.room.absorption[2][band]), std::sqrt(1 - r.room.absorption[3][band]),
        std::sqrt(1 - r.room.absorption[4][band]), std::sqrt(1 - r.room.absorption[5][band])};
    std::vector<double> out(static_cast<std::size_t>(std::ceil(r.seconds * r.rate + 2 * half)) + 1);
    const int nx = static_cast<int>(std::ceil(farthest / (2 * r.room.width))) + 1;
    const int ny = static_cast<int>(std::ceil(farthest / (2 * r.room.depth))) + 1;
    const int nz = static_cast<int>(std::ceil(farthest / (2 * r.room.height))) + 1;
    for (int i = -nx; i <= nx; ++i)
        for (int qi = 0; qi <= 1; ++qi)
            for (int j = -ny; j <= ny; ++j)
                for (int qj = 0; qj <= 1; ++qj)
                    for (int k = -nz; k <= nz; ++k)
                        for (int qk = 0; qk <= 1; ++qk) {
                            if (i == 0 && j == 0 && k == 0 && qi == 0 && qj == 0 && qk == 0) continue;
                            const double x = 2 * i * r.room.width + (1 - 2 * qi) * r.source.x;
                            const double y = 2 * j * r.room.depth + (1 - 2 * qj) * r.source.y;
                            const double z = 2 * k * r.room.height + (1 - 2 * qk) * r.source.z;
                            const double dx = x - at.x, dy = y - at.y, dz = z - at.z;
                            const double distance = std::sqrt(dx * dx + dy * dy + dz * dz);
                            if (distance > farthest) continue;
                            const Hits hx = hitsOf(i, qi), hy = hitsOf(j, qj), hz = hitsOf(k, qk);
                            double gain = std::pow(factor[0], hx.low) * std::pow(factor[1], hx.high) *
                                          std::pow(factor[2], hy.high) * std::pow(factor[3], hy.low) *
                                          std::pow(factor[4], hz.low) * std::pow(factor[5], hz.high);
                            const double cosine =
                                (static_cast<double>(r.mic.axisLateral) * dx +
                                 static_cast<double>(r.mic.axisForward) * dy + static_cast<double>(r.mic.axisUp) * dz) /
                                distance;
                            gain *= (r.mic.pattern + (1 - r.mic.pattern) * cosine) * r.radius / distance *
                                    std::exp(-air * distance);
                            const double delay = (distance - r.radius) / soundSpeed * r.rate + half;
                            if (delay < half) continue;
                            const auto first = static_cast<long>(std::ceil(delay - half));
                            const auto last = static_cast<long>(std::floor(delay + half));
                            for (long n = first; n <= last && n < std::ssize(out); ++n) {
                                const double t = static_cast<double>(n) - delay;
                                const double sinc =
                                    t == 0 ? 1 : std::sin(std::numbers::pi * t) / (std::numbers::pi * t);
                                const double hann = 0.5 + 0.5 * std::cos(std::numbers::pi * t / half);
                                out[static_cast<std::size_t>(n)] += gain * sinc * hann;
                            }
                        }
    return out;
}

constexpr RoomPoint arrayAt{11, 14, 3};

RoomField benchField() {
    Room room{25, 40, 16, {}};
    DecayTargets t{25, 40, 16, arrayAt, {arrayAt.x, arrayAt.y + arcRadius, arrayAt.z}, {}, {44100, 1}, 1, true};
    t.seconds.fill(2.0);
    for (int attempt = 0; attempt <= bandCount; ++attempt) {
        const auto fit = solveAbsorption(t);
        if (const auto* found = std::get_if<AbsorptionFit>(&fit)) {
            room.absorption.fill(found->absorption);
            std::printf("absorption solved for 2.0 s:");
            for (int b = 0; b < bandCount; ++b)
                std::printf(" %g Hz %.4f (T30 %.2f s)", bandCentres[b], found->absorption[b], found->measured[b]);
            std::printf("\n");
            break;
        }
        const DecayRefusal refusal = std::get<DecayRefusal>(fit);
        t.seconds[static_cast<std::size_t>(refusal.band)] = 0.95 * refusal.limit;
    }
    return {room, arrayAt, arrayAt.z, true, 1};
}

// 32-bit float WAVE, format 3, interleaved.
bool writeFloatWave(const std::string& name, const MixedResponse& r) {
    std::ofstream out(name, std::ios::binary);
    const auto put32 = [&](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    const auto put16 = [&](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    const auto channels = static_cast<std::uint16_t>(r.format.channels);
    const auto bytes = static_cast<std::uint32_t>(r.samples.size() * 4);
    out.write("RIFF", 4);
    put32(36 + bytes);
    out.write("WAVEfmt ", 8);
    put32(16);
    put16(3);
    put16(channels);
    put32(static_cast<std::uint32_t>(r.format.rate));
    put32(static_cast<std::uint32_t>(r.format.rate) * channels * 4);
    put16(static_cast<std::uint16_t>(channels * 4));
    put16(32);
    out.write("data", 4);
    put32(bytes);
    for (const double v : r.samples) {
        const auto f = static_cast<float>(v);
        out.write(reinterpret_cast<const char*>(&f), 4);
    }
    return static_cast<bool>(out);
}

const std::vector<AnyArray>& builtInArrays() {
    static const std::vector<AnyArray> arrays{MicArray::blumleinPair,   MicArray::cardioidPair,
                                              MicArray::faulknerPair,   MicArray::ortfPair,
                                              MicArray::spacedOmniPair, MicArray::threeOmniTree};
    return arrays;
}

void measureResponses(const RoomField& field, int referenceCount) {
    const SweepPositions positions;
    int mics = 0;
    Clock each;
    for (const AnyArray& array : builtInArrays()) {
        mics += static_cast<int>(rigOf(array).count());
        const auto responses = roomResponses(array, field, positions, arcRadius, 44100);
        if (!std::holds_alternative<RoomResponses>(responses)) std::printf("refused\n");
    }
    const double eachWall = each.wallSeconds(), eachCpu = each.cpuSeconds();
    const int count = mics * positions.count();
    std::printf("(a) ours, array by array (roomResponses): %d responses: %.3f s wall, %.3f s processor\n", count,
                eachWall, eachCpu);
    Clock ours;
    (void)roomResponsesOf(builtInArrays(), field, positions, arcRadius, 44100);
    const double oursWall = ours.wallSeconds(), oursCpu = ours.cpuSeconds();
    std::printf("(a) ours, the images shared (roomResponsesOf): %.3f s wall, %.3f s processor\n", oursWall, oursCpu);
    // The reference on microphones of three arrays, at positions across the arc.
    const Rig rigs[] = {rigOf(MicArray::blumleinPair), rigOf(MicArray::spacedOmniPair), rigOf(MicArray::threeOmniTree)};
    double referenceWall = 0, referenceCpu = 0;
    if (referenceCount <= 0) return;
    for (int k = 0; k < referenceCount; ++k) {
        const Rig& rig = rigs[k % 3];
        const int p = (k * 5) % positions.count();
        const ReferenceRequest request{field.room, roomSourceAt(field, positions.degrees(p), arcRadius), field.arrayAt,
                                       rig.mics[static_cast<std::size_t>(k) % rig.count()],
                                       roomResponseSeconds(field.room)};
        Clock one;
        const std::vector<double> response = referenceResponse(request);
        referenceWall += one.wallSeconds();
        referenceCpu += one.cpuSeconds();
        std::printf("    reference response %d (%zu frames, position %d): %.3f s wall\n", k, response.size(), p,
                    one.wallSeconds());
    }
    const double perWall = referenceWall / referenceCount, perCpu = referenceCpu / referenceCount;
    std::printf("(a) reference: %.3f s wall, %.3f s processor a response (mean of %d); x %d: %.1f s wall, %.1f s\n",
                perWall, perCpu, referenceCount, count, perWall * count, perCpu * count);
    std::printf("(a) x faster, the images shared: %.1f (wall, ours on %u cores), %.1f (processor time)\n",
                perWall * count / oursWall, std::thread::hardware_concurrency(), perCpu * count / oursCpu);
    std::printf("(a) x faster, array by array: %.1f (wall), %.1f (processor time)\n", perWall * count / eachWall,
                perCpu * count / eachCpu);
}

// The six arrays' responses (the images shared), then each array's sweep and render; each
// position's response as mixed is written after the clocks stop.
void measureRenders(const RoomField& field, const std::vector<std::int16_t>& x, const std::string& outDir, int arrays,
                    int width) {
    const SweepPositions positions;
    const double gain = measureGuardGain(x);
    const std::span<const AnyArray> chosen(builtInArrays().data(), static_cast<std::size_t>(arrays));
    Clock whole;
    auto responses = roomResponsesOf(chosen, field, positions, arcRadius, 44100);
    std::printf("(b) the responses: %.3f s wall\n", whole.wallSeconds());
    std::vector<RoomSweep> sweeps;
    for (std::size_t a = 0; a < chosen.size(); ++a) {
        const double before = whole.wallSeconds();
        sweeps.push_back(roomSweep(chosen[a], field, std::get<RoomResponses>(std::move(responses[a])),
                                   static_cast<std::int32_t>(x.size()), positions, arcRadius));
        const double swept = whole.wallSeconds();
        std::vector<std::int16_t> out(static_cast<std::size_t>(sweeps.back().plan.frames) * 2);
        RandomState random;
        const RenderOutcome done = renderRoomInto(sweeps.back(), x, gain, random, out, {0, width});
        const double rendered = whole.wallSeconds();
        // FNV-1a over the samples: the same bytes at every width.
        std::uint64_t digest = 14695981039346656037u;
        for (const std::int16_t v : out) digest = (digest ^ static_cast<std::uint16_t>(v)) * 1099511628211u;
        std::printf("(b) array %zu: sweep %.3f s, render %.3f s wall, %lld frames, %s, %lld clipped, digest %016llx\n",
                    a + 1, swept - before, rendered - swept, static_cast<long long>(sweeps.back().plan.frames),
                    done ? "done" : "refused", static_cast<long long>(done.clipped),
                    static_cast<unsigned long long>(digest));
    }
    std::printf("(b) ours: the six renders of the %.1f s recording: %.3f s wall, %.3f s processor\n",
                static_cast<double>(x.size()) / 44100, whole.wallSeconds(), whole.cpuSeconds());
    for (std::size_t a = 0; a < sweeps.size(); ++a)
        for (std::size_t p = 0; p < sweeps[a].plan.segments.size(); ++p) {
            char name[64];
            std::snprintf(name, sizeof name, "/a%zu-p%02zu.wav", a + 1, p);
            writeFloatWave(outDir + name, mixedResponse(sweeps[a], static_cast<int>(p)));
        }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: room_speed RECORDING.wav OUTDIR [REFERENCE_RESPONSES [ARRAYS [WIDTH]]]\n");
        return 2;
    }
    auto header = readInputHeader(argv[1]);
    auto* wave = std::get_if<InputWave>(&header);
    if (wave == nullptr || !loadInputSamples(*wave)) {
        std::fprintf(stderr, "room_speed: %s: not a recording\n", argv[1]);
        return 1;
    }
    const int referenceCount = argc > 3 ? std::atoi(argv[3]) : 3;
    const RoomField field = benchField();
    std::printf("response length: %.2f s after the direct sound\n", roomResponseSeconds(field.room));
    measureResponses(field, referenceCount);
    measureRenders(field, wave->samples, argv[2], argc > 4 ? std::atoi(argv[4]) : micArrayCount,
                   argc > 5 ? std::atoi(argv[5]) : 0);
    return 0;
}
