#include "sim/room/absorption_solver.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <optional>
#include <utility>
#include <vector>

#include "sim/fast/parallel.h"
#include "sim/room/band_response.h"
#include "sim/room/decay.h"
#include "sim/room/image_sources.h"

namespace auralith {

namespace {

// band(b) for every band, the bands shared among the cores.
template <typename Band>
void eachBand(Band band) {
    const int parts = std::min(bandCount, partsFor(std::uint64_t{1} << 20, 0));
    runParts(parts, [&](int k) {
        for (int b = k; b < bandCount; b += parts) band(b);
    });
}

// Energies binned by the millisecond: fine enough for a slope over hundreds of them.
constexpr double binSeconds = 0.001;

// The images' energies at the omni with no surface absorbing: each image's bin, its order (the
// reflections on its path) and, per band, the air's and the distance's share of its energy; an
// absorption alpha alike on every surface multiplies that by (1 - alpha)^order.
struct EnergyImages {
    std::vector<std::int32_t> bins;
    std::vector<std::int32_t> orders;
    std::array<std::vector<double>, bandCount> base;
    std::int32_t binCount = 0;
    std::int32_t mostOrder = 0;
};

EnergyImages energyImages(const ImageSet& set) {
    EnergyImages e;
    for (const ImageSource& image : set.images) {
        const auto bin = static_cast<std::int32_t>((image.distance - set.direct) / soundSpeed / binSeconds);
        std::int32_t order = 0;
        for (std::uint16_t hits : image.reflections) order += hits;
        e.bins.push_back(std::max(bin, 0));
        e.orders.push_back(order);
        e.binCount = std::max(e.binCount, std::max(bin, 0) + 1);
        e.mostOrder = std::max(e.mostOrder, order);
        const double spread = set.radius / image.distance;
        for (int b = 0; b < bandCount; ++b) e.base[b].push_back(image.gain[b] * image.gain[b] * spread * spread);
    }
    return e;
}

// T30 of the energy echogram; where the decay does not fall to -35 dB within the images' span
// (the bins are too fine for a room to fall 30 dB in two of them), the room rings past it: longer
// than any target the span was chosen for, and as long as the span at least.
double energyT30(const EnergyImages& e, int band, double alpha) {
    std::vector<double> powers(static_cast<std::size_t>(e.mostOrder) + 1);
    double power = 1;
    for (double& p : powers) p = std::exchange(power, power * (1 - alpha));
    std::vector<double> energies(static_cast<std::size_t>(e.binCount));
    for (std::size_t i = 0; i < e.bins.size(); ++i)
        energies[static_cast<std::size_t>(e.bins[i])] +=
            powers[static_cast<std::size_t>(e.orders[i])] * e.base[band][i];
    return t30FromEnergies(energies, binSeconds).value_or(std::numeric_limits<double>::infinity());
}

// The absorption whose energy echogram gives `target` in the band, by bisection (T30 falls as
// alpha grows), or the refusal when the target lies beyond the absorption's range.
std::variant<double, DecayRefusal> bisectAbsorption(const EnergyImages& e, int band, double target) {
    const double longest = energyT30(e, band, minAbsorption);
    if (longest < target) return DecayRefusal{DecayRefusalKind::tooLong, band, longest};
    const double shortest = energyT30(e, band, maxAbsorption);
    if (shortest > target)
        return DecayRefusal{DecayRefusalKind::tooShort, band, std::min(shortest, e.binCount * binSeconds)};
    double low = minAbsorption, high = maxAbsorption;
    for (int step = 0; step < 40; ++step) {
        const double middle = (low + high) / 2;
        (energyT30(e, band, middle) > target ? low : high) = middle;
    }
    return (low + high) / 2;
}

ImageRequest omniRequest(const DecayTargets& t, const Room& room) {
    return {room, t.source, t.array, responseSecondsFor(t.seconds), 0, t.seed, imageDisplacement, arcRadius, t.air};
}

// The images of a room that absorbs nothing, in the room whose six surfaces absorb `alpha` in
// each band: each image's gain times the reflection factor sqrt(1 - alpha) once a meeting.
ImageSet absorbing(const ImageSet& clear, const BandValues& alpha) {
    ImageSet set = clear;
    for (ImageSource& image : set.images) {
        int order = 0;
        for (std::uint16_t hits : image.reflections) order += hits;
        for (int b = 0; b < bandCount; ++b) image.gain[b] *= std::pow(1 - alpha[b], 0.5 * order);
    }
    return set;
}

double longestWithinImages(const DecayTargets& t) {
    const double radius = std::cbrt(maxImages * t.width * t.depth * t.height * 3 / (4 * std::numbers::pi));
    return (radius / soundSpeed - 0.1) / 1.25;
}

}  // namespace

std::optional<BandValues> omniT30(const ImageSet& set, AudioFormat format) {
    const std::vector<BandTap> taps = micBandTaps(set, RigMic{}, format.rate);
    const BandMixer mixer(format, setSpanFrames(set, 0, format.rate));
    const auto response = renderBandTaps(mixer, taps);
    if (!response) return std::nullopt;
    BandValues measured{};
    std::array<bool, bandCount> had{};
    eachBand([&](int b) {
        const auto band = responseBand(mixer, *response, b);
        had[b] = band.has_value();
        if (band) measured[b] = t30Seconds(band->samples, format.rate).value_or(0);
    });
    if (std::find(had.begin(), had.end(), false) != had.end()) return std::nullopt;
    return measured;
}

double responseSecondsFor(const BandValues& targets) {
    return std::min(10.0, 1.25 * *std::max_element(targets.begin(), targets.end()) + 0.1);
}

namespace {

// A band held at an end of the absorption's range whose measured T30 still lies beyond its target
// there: the target cannot be met, the measurement the limit. (A band measured 0 never fell far
// enough: it rings longer than the response, so it is not too short a room at its least absorption.)
std::optional<DecayRefusal> missedAtItsEnd(const AbsorptionFit& fit, const BandValues& targets) {
    for (int b = 0; b < bandCount; ++b) {
        if (fit.absorption[b] == maxAbsorption && fit.measured[b] > targets[b])
            return DecayRefusal{DecayRefusalKind::tooShort, b, fit.measured[b]};
        if (fit.absorption[b] == minAbsorption && fit.measured[b] > 0 && fit.measured[b] < targets[b])
            return DecayRefusal{DecayRefusalKind::tooLong, b, fit.measured[b]};
    }
    return std::nullopt;
}

}  // namespace

std::variant<AbsorptionFit, DecayRefusal> solveAbsorption(const DecayTargets& t) {
    const Room clear{t.width, t.depth, t.height, {}};
    if (imageCountEstimate(clear, responseSecondsFor(t.seconds)) > maxImages)
        return DecayRefusal{DecayRefusalKind::tooManyImages, 0, longestWithinImages(t)};
    // The images stand where they stand whatever the surfaces absorb: found once, their gains
    // scaled for each round's absorption.
    const ImageSet clearSet = imageSources(omniRequest(t, clear));
    const EnergyImages energies = energyImages(clearSet);
    // The energy echogram ignores the bands' filters; what they change is taken back by aiming
    // each band's next bisection at its target scaled by how far the measurement missed.
    AbsorptionFit fit;
    BandValues aims = t.seconds;
    for (int round = 0; round < 4; ++round) {
        std::array<std::variant<double, DecayRefusal>, bandCount> alphas;
        eachBand([&](int b) { alphas[b] = bisectAbsorption(energies, b, aims[b]); });
        for (int b = 0; b < bandCount; ++b) {
            const auto* refusal = std::get_if<DecayRefusal>(&alphas[b]);
            if (refusal != nullptr && round == 0) return *refusal;
            // A later aim past the echogram's range is the measurement's doing: the band is held
            // at that end, and what it measures there decides.
            fit.absorption[b] = refusal == nullptr                            ? std::get<double>(alphas[b])
                                : refusal->kind == DecayRefusalKind::tooShort ? maxAbsorption
                                                                              : minAbsorption;
        }
        const auto measured = omniT30(absorbing(clearSet, fit.absorption), t.format);
        if (!measured) return DecayRefusal{DecayRefusalKind::noMemory, 0, 0};
        fit.measured = *measured;
        bool close = true;
        for (int b = 0; b < bandCount; ++b) {
            close = close && std::abs(fit.measured[b] / t.seconds[b] - 1) < 0.02;
            aims[b] *= t.seconds[b] / std::max(fit.measured[b], 1e-3);
        }
        if (close) break;
    }
    if (const auto refusal = missedAtItsEnd(fit, t.seconds)) return *refusal;
    return fit;
}

}  // namespace auralith
