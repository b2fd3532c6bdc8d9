#include "sim/room/image_sources.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

#include "sim/room/air_absorption.h"

namespace auralith {

namespace {

// The images of the source along one axis: x = 2 n L + (1 - 2 q) s meets the surface at 0
// |n - q| times and the one at L |n| times.
struct AxisImage {
    double coordinate;
    std::uint16_t lowHits;
    std::uint16_t highHits;
    std::int32_t index;   // 2 n + q: names the image for its displacement
    BandValues factor{};  // what its meetings with the axis's two surfaces leave in each band
};

std::vector<AxisImage> axisImages(double length, double source, double centre, double reach) {
    std::vector<AxisImage> images;
    const auto most = static_cast<std::int32_t>(std::ceil(reach / (2 * length))) + 1;
    for (std::int32_t n = -most; n <= most; ++n)
        for (std::int32_t q = 0; q <= 1; ++q) {
            const double coordinate = 2 * n * length + (1 - 2 * q) * source;
            if (std::abs(coordinate - centre) > reach) continue;
            images.push_back({coordinate, static_cast<std::uint16_t>(std::abs(n - q)),
                              static_cast<std::uint16_t>(std::abs(n)), 2 * n + q});
        }
    return images;
}

// The reflection factor sqrt(1 - alpha) of each surface in each band raised to 0 .. most.
struct FactorPowers {
    int most = 0;
    std::vector<double> values;  // [(surface * bandCount + band) * (most + 1) + k]
    double at(int surface, int band, int k) const {
        return values[static_cast<std::size_t>((surface * bandCount + band) * (most + 1) + k)];
    }
};

FactorPowers factorPowers(const Room& room, int most) {
    FactorPowers powers{most, std::vector<double>(static_cast<std::size_t>(surfaceCount * bandCount * (most + 1)))};
    for (int s = 0; s < surfaceCount; ++s)
        for (int b = 0; b < bandCount; ++b) {
            const double factor = std::sqrt(1 - room.absorption[s][b]);
            double power = 1;
            for (int k = 0; k <= most; ++k, power *= factor)
                powers.values[static_cast<std::size_t>((s * bandCount + b) * (most + 1) + k)] = power;
        }
    return powers;
}

std::uint64_t splitMix(std::uint64_t& state) {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// A point of the ball of `radius`, drawn from the seed and the image's indices
// alone, so that an image moves the same whatever else is enumerated.
RoomPoint imageOffset(std::uint64_t seed, double radius, std::int32_t i, std::int32_t j, std::int32_t k) {
    std::uint64_t state = seed ^ (static_cast<std::uint64_t>(static_cast<std::uint32_t>(i)) * 0x100000001B3ull) ^
                          (static_cast<std::uint64_t>(static_cast<std::uint32_t>(j)) << 21) ^
                          (static_cast<std::uint64_t>(static_cast<std::uint32_t>(k)) << 42);
    for (;;) {
        const auto draw = [&] { return static_cast<double>(splitMix(state) >> 11) * 0x1p-52 - 1; };
        const double x = draw(), y = draw(), z = draw();
        if (x * x + y * y + z * z <= 1) return {x * radius, y * radius, z * radius};
    }
}

// Each image's factors along the axis whose low surface is `low` and high one `high`.
void axisFactors(std::vector<AxisImage>& images, const FactorPowers& powers, Surface lowSurface, Surface highSurface) {
    const int low = static_cast<int>(lowSurface), high = static_cast<int>(highSurface);
    for (AxisImage& image : images)
        for (int b = 0; b < bandCount; ++b)
            image.factor[b] = powers.at(low, b, image.lowHits) * powers.at(high, b, image.highHits);
}

struct Enumeration {
    std::array<double, bandCount> airNepers;  // the air's amplitude attenuation per metre
    ImageSet& set;
    std::uint64_t seed;
    double displacement;
};

ImageSource madeImage(const Enumeration& e, const AxisImage& x, const AxisImage& y, const AxisImage& z) {
    ImageSource image;
    image.reflections = {x.lowHits, x.highHits, y.highHits, y.lowHits, z.lowHits, z.highHits};
    const RoomPoint moved = imageOffset(e.seed, e.displacement, x.index, y.index, z.index);
    image.place = {x.coordinate + moved.x, y.coordinate + moved.y, z.coordinate + moved.z};
    const double dx = image.place.x - e.set.centre.x, dy = image.place.y - e.set.centre.y,
                 dz = image.place.z - e.set.centre.z;
    image.distance = std::sqrt(dx * dx + dy * dy + dz * dz);
    for (int b = 0; b < bandCount; ++b) {
        const double air = e.airNepers[b] == 0 ? 1 : std::exp(-e.airNepers[b] * image.distance);
        image.gain[b] = air * x.factor[b] * y.factor[b] * z.factor[b];
    }
    return image;
}

// Every image of the lattice within `reach` of the centre but the source itself:
// visit(x, y, z, its distance from the centre before any displacement).
template <typename Visit>
void forEachImage(const std::vector<AxisImage>& xs, const std::vector<AxisImage>& ys, const std::vector<AxisImage>& zs,
                  const RoomPoint& c, double reach, Visit visit) {
    for (const AxisImage& x : xs) {
        const double dx = x.coordinate - c.x;
        for (const AxisImage& y : ys) {
            const double dy = y.coordinate - c.y;
            if (dx * dx + dy * dy > reach * reach) continue;
            for (const AxisImage& z : zs) {
                const double dz = z.coordinate - c.z;
                const double squared = dx * dx + dy * dy + dz * dz;
                const bool direct = x.index == 0 && y.index == 0 && z.index == 0;
                if (!direct && squared <= reach * reach) visit(x, y, z, std::sqrt(squared));
            }
        }
    }
}

// The images are ordered by the metre of their distance: each microphone's taps then come in
// nearly the order of their delays, and the response they are added into is written front to
// back instead of at random. Counted first, each metre's images then go into their own run of
// the set (a sort of the images themselves would take as long as finding them).
constexpr double orderMetres = 1;

}  // namespace

double imageCountEstimate(const Room& room, double seconds) {
    const double radius = soundSpeed * seconds;
    return 4 * std::numbers::pi / 3 * radius * radius * radius / (room.width * room.depth * room.height);
}

ImageSet imageSources(const ImageRequest& request) {
    const Room& room = request.room;
    const RoomPoint& s = request.source;
    const RoomPoint& c = request.centre;
    ImageSet set{c, std::hypot(s.x - c.x, s.y - c.y, s.z - c.z), request.seconds, {}, request.radius};
    // An image counts when some microphone can hear it within the length: within this of the
    // centre (the displacement may bring it nearer by up to its radius).
    const double reach = set.direct + soundSpeed * request.seconds + request.reach + imageDisplacement;
    auto xs = axisImages(room.width, s.x, c.x, reach);
    auto ys = axisImages(room.depth, s.y, c.y, reach);
    auto zs = axisImages(room.height, s.z, c.z, reach);
    const int most = static_cast<int>(std::ceil(reach / (2 * std::min({room.width, room.depth, room.height})))) + 2;
    const FactorPowers powers = factorPowers(room, most);
    axisFactors(xs, powers, Surface::left, Surface::right);
    axisFactors(ys, powers, Surface::back, Surface::stageEnd);
    axisFactors(zs, powers, Surface::floor, Surface::ceiling);
    Enumeration e{{}, set, request.seed, request.displacement};
    for (int b = 0; b < bandCount; ++b)
        e.airNepers[b] = request.air ? airAbsorptionDbPerMetre(bandCentres[b]) * std::log(10.0) / 20 : 0;
    const auto metre = [](double distance) { return static_cast<std::size_t>(distance / orderMetres); };
    std::vector<std::size_t> next(metre(reach) + 1, 0);
    forEachImage(xs, ys, zs, c, reach, [&](const AxisImage&, const AxisImage&, const AxisImage&, double distance) {
        ++next[metre(distance)];
    });
    std::size_t total = 0;
    for (std::size_t& n : next) total += std::exchange(n, total);
    set.images.resize(total);
    forEachImage(xs, ys, zs, c, reach,
                 [&](const AxisImage& x, const AxisImage& y, const AxisImage& z, double distance) {
                     set.images[next[metre(distance)]++] = madeImage(e, x, y, z);
                 });
    std::erase_if(set.images, [](const ImageSource& image) {
        return std::all_of(image.gain.begin(), image.gain.end(), [](double g) { return g == 0; });
    });
    return set;
}

RoomPoint micPlace(const RoomPoint& centre, const RigMic& mic) {
    return {centre.x + mic.lateral, centre.y + mic.forward, centre.z + mic.up};
}

std::vector<BandTap> micBandTaps(const ImageSet& set, const RigMic& mic, std::int32_t rate) {
    std::vector<BandTap> taps;
    taps.reserve(set.images.size());
    eachMicBandTap(set, mic, rate, [&](const BandTap& tap) { taps.push_back(tap); });
    return taps;
}

}  // namespace auralith
