#include "sim/room/diffuse_coherence.h"

#include <array>
#include <cmath>
#include <numbers>

#include "sim/room/room.h"

namespace auralith {

SphericalBessel sphericalBessel(double x) {
    const double x2 = x * x;
    if (x < 0.1) {
        // The series to x^6: the next terms are below 1e-13 here.
        return {1 - x2 / 6 * (1 - x2 / 20 * (1 - x2 / 42)), 1.0 / 3 - x2 / 30 * (1 - x2 / 28 * (1 - x2 / 54)),
                x2 / 15 * (1 - x2 / 14 * (1 - x2 / 36))};
    }
    const double s = std::sin(x), c = std::cos(x);
    const double j1 = s / x2 - c / x;
    return {s / x, j1 / x, (3 / x2 - 1) * s / x - 3 * c / x2};
}

double diffuseCrossPower(const RigMic& a, const RigMic& b, double frequency) {
    const double dx = b.lateral - a.lateral, dy = b.forward - a.forward, dz = b.up - a.up;
    const double d = std::sqrt(dx * dx + dy * dy + dz * dz);
    const auto oa = std::array<double, 3>{static_cast<double>(a.axisLateral), static_cast<double>(a.axisForward),
                                          static_cast<double>(a.axisUp)};
    const auto ob = std::array<double, 3>{static_cast<double>(b.axisLateral), static_cast<double>(b.axisForward),
                                          static_cast<double>(b.axisUp)};
    const double axes = oa[0] * ob[0] + oa[1] * ob[1] + oa[2] * ob[2];
    const double along =
        d > 0 ? (oa[0] * dx + oa[1] * dy + oa[2] * dz) * (ob[0] * dx + ob[1] * dy + ob[2] * dz) / (d * d) : 0;
    const SphericalBessel j = sphericalBessel(2 * std::numbers::pi * frequency * d / soundSpeed);
    return a.pattern * b.pattern * j.j0 + (1 - a.pattern) * (1 - b.pattern) * (j.j1OverX * axes - j.j2 * along);
}

double diffuseCoherence(const RigMic& a, const RigMic& b, double frequency) {
    return diffuseCrossPower(a, b, frequency) /
           std::sqrt(diffuseCrossPower(a, a, frequency) * diffuseCrossPower(b, b, frequency));
}

double channelCoherence(const Rig& rig, int first, int second, double frequency) {
    double cross = 0, firstPower = 0, secondPower = 0;
    const auto share = [](const RigMic& mic, int channel) {
        return static_cast<std::size_t>(channel) < mic.shares.size() ? static_cast<double>(mic.shares[channel]) : 0.0;
    };
    for (const RigMic& m : rig.mics)
        for (const RigMic& n : rig.mics) {
            const double gamma = diffuseCrossPower(m, n, frequency);
            cross += share(m, first) * share(n, second) * gamma;
            firstPower += share(m, first) * share(n, first) * gamma;
            secondPower += share(m, second) * share(n, second) * gamma;
        }
    return cross / std::sqrt(firstPower * secondPower);
}

}  // namespace auralith
