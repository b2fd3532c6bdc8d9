#include "sim/analysis/localisation.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <variant>
#include <vector>

#include "sim/model/extended_math.h"
#include "sim/model/frame.h"
#include "sim/model/sweep.h"

namespace auralith {

namespace {

// What one channel takes from one microphone.
long double contribution(const Microphone& m, bool left) { return (left ? m.leftShare : m.rightShare) * m.factor; }

// A channel's energy for white noise of unit power: microphones heard with the same delay add
// coherently, the others in power.
long double channelEnergy(const Pickup& pickup, bool left) {
    std::vector<std::pair<long double, long double>> byDelay;  // delay, summed contribution
    for (int m = 0; m < pickup.count(); ++m) {
        const long double c = contribution(pickup.mics[m], left);
        if (c == 0) continue;
        const auto same = std::find_if(byDelay.begin(), byDelay.end(),
                                       [&](const auto& d) { return d.first == pickup.mics[m].delay; });
        if (same == byDelay.end())
            byDelay.emplace_back(pickup.mics[m].delay, c);
        else
            same->second += c;
    }
    long double energy = 0;
    for (const auto& d : byDelay) energy += d.second * d.second;
    return energy;
}

// True when the lag `a` wins over `b` at equal correlation: the one nearer zero, then the negative.
bool preferredLag(long double a, long double b) {
    if (std::fabs(a) != std::fabs(b)) return std::fabs(a) < std::fabs(b);
    return a < b;
}

// The lag of the largest white-noise cross-correlation: each pair of a left and a right
// contribution adds its product at the lag of their delay difference.
long double correlationLag(const Pickup& pickup) {
    std::vector<std::pair<long double, long double>> byLag;  // lag, correlation
    for (int l = 0; l < pickup.count(); ++l) {
        for (int r = 0; r < pickup.count(); ++r) {
            const long double product = contribution(pickup.mics[l], true) * contribution(pickup.mics[r], false);
            if (product == 0) continue;
            const long double lag = pickup.mics[r].delay - pickup.mics[l].delay;
            const auto same = std::find_if(byLag.begin(), byLag.end(), [&](const auto& d) { return d.first == lag; });
            if (same == byLag.end())
                byLag.emplace_back(lag, product);
            else
                same->second += product;
        }
    }
    if (byLag.empty()) return 0;
    auto best = byLag.front();
    for (const auto& d : byLag)
        if (d.second > best.second || (d.second == best.second && preferredLag(d.first, best.first))) best = d;
    return best.first;
}

double decibels(long double left, long double right) {
    if (left == 0 && right == 0) return 0;
    if (right == 0) return std::numeric_limits<double>::infinity();
    if (left == 0) return -std::numeric_limits<double>::infinity();
    return static_cast<double>(10 * extendedLog10(left / right));
}

// The left channel's lead as the trading rule weighs it: ms of time plus a dB of level / (17 b).
double leftLead(double icldDb, double ictdMs, const LoudspeakerBase& base) {
    return ictdMs + base.a * icldDb / (17 * base.b);
}

// The lead at which the image reaches the loudspeaker.
double fullLead(const LoudspeakerBase& base) { return base.a; }

// The size of the lead of a pickup, its level difference from the C library's log10 in double
// precision instead of the exact one: within 10^-12 of the exact lead on any platform (the
// energies' ratio rounded to double, a log10 good to a few units in its last place, levels below
// 600 dB), far inside `roughMargin`. The renderers' double path, near a tie done exactly, is the
// same idea.
constexpr double roughMargin = 1e-9;

double roughLead(const Pickup& pickup, std::int32_t rate, const LoudspeakerBase& base) {
    const long double left = channelEnergy(pickup, true);
    const long double right = channelEnergy(pickup, false);
    double db = 0;
    if (left != 0 && right != 0)
        db = 10 * std::log10(static_cast<double>(left / right));
    else if (left != right)
        db = left == 0 ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
    return std::fabs(leftLead(db, static_cast<double>(correlationLag(pickup) * 1000 / rate), base));
}

// The recording angle's scan: 0 to 90 degrees in steps of 1/20.
constexpr int scanSteps = 1800;

long double scanAngle(int k) { return 90.0L * k / scanSteps; }

const std::array<SourcePlace, scanSteps + 1>& scanPlaces() {
    static const std::array<SourcePlace, scanSteps + 1> places = [] {
        std::array<SourcePlace, scanSteps + 1> all{};
        for (int k = 0; k <= scanSteps; ++k)
            all[static_cast<std::size_t>(k)] = sourceAtAngle(scanAngle(k), degreesToRadiansFactor());
        return all;
    }();
    return places;
}

double imageSize(double lead, const LoudspeakerBase& base) {
    const double x = std::fabs(lead);
    const double half = base.a / 2;
    const double size =
        x <= half ? x * (4 * base.halfAngle / (3 * base.a)) : (x + half) * (2 * base.halfAngle / (3 * base.a));
    return std::min(size, base.halfAngle);
}

}  // namespace

double fullImageMs(const LoudspeakerBase& base) { return fullLead(base) / leftLead(0, 1, base); }

double fullImageDb(const LoudspeakerBase& base) { return fullLead(base) / leftLead(1, 0, base); }

ChannelDifference channelDifference(const Pickup& pickup, std::int32_t rate) {
    ChannelDifference d;
    d.icldDb = decibels(channelEnergy(pickup, true), channelEnergy(pickup, false));
    d.ictdFrames = correlationLag(pickup);
    d.ictdMs = static_cast<double>(d.ictdFrames * 1000 / rate);
    return d;
}

bool channelsInAntiphase(const Pickup& pickup) {
    long double left = 0, right = 0;
    for (int m = 0; m < pickup.count(); ++m) {
        left += contribution(pickup.mics[m], true);
        right += contribution(pickup.mics[m], false);
    }
    constexpr long double silent = 1e-9L;  // 180 dB
    const long double louder = std::max(std::fabs(left), std::fabs(right));
    return left * right < 0 && std::min(std::fabs(left), std::fabs(right)) >= silent * louder;
}

double predictedImage(double icldDb, double ictdMs, const LoudspeakerBase& base) {
    // Time and level are traded against each other with their signs, so that cues pointing to
    // opposite sides weaken each other; where they agree this is the rule on their magnitudes.
    const double lead = leftLead(icldDb, ictdMs, base);
    if (std::isnan(lead) || lead == 0) return 0;
    return lead > 0 ? -imageSize(lead, base) : imageSize(lead, base);
}

double predictedImage(const Pickup& pickup, std::int32_t rate, const LoudspeakerBase& base) {
    const ChannelDifference d = channelDifference(pickup, rate);
    return predictedImage(d.icldDb, d.ictdMs, base);
}

RecordingAngle recordingAngle(const AnyArray& array, std::int32_t rate, const LoudspeakerBase& base, double radius) {
    // A scan in steps of 1/20 degree finds the first step that reaches the cap; halving the step
    // before it then pins the angle down far below the printed precision. Each step is looked at
    // roughly first, and exactly only near the cap (or, when none reaches it, near the largest
    // lead): the same steps, the same angle and the same largest image as exact looks at all.
    const auto reaches = [&](const ChannelDifference& d) {
        return std::fabs(leftLead(d.icldDb, d.ictdMs, base)) >= fullLead(base);
    };
    // A described array's pickup at a step of the scan from the source places every array's scan
    // shares: the same values, without the sine and cosine of each.
    // One pickup is filled again at every step: the scan allocates once.
    const Rig* layout = std::get_if<Rig>(&array);
    Pickup step;
    const auto pickupAtStep = [&](int k) -> const Pickup& {
        if (layout != nullptr && radius == defaultArcRadius)
            layoutPickupInto(*layout, scanPlaces()[static_cast<std::size_t>(k)], rate, step);
        else
            step = pickupAtAngle(array, scanAngle(k), rate, radius);
        return step;
    };
    RecordingAngle result;
    std::vector<double> rough(scanSteps + 1);
    for (int k = 0; k <= scanSteps; ++k) {
        const Pickup& pickup = pickupAtStep(k);
        rough[static_cast<std::size_t>(k)] = roughLead(pickup, rate, base);
        const double lead = rough[static_cast<std::size_t>(k)];
        if (!(lead >= fullLead(base) - roughMargin)) continue;
        if (lead <= fullLead(base) + roughMargin && !reaches(channelDifference(pickup, rate))) continue;
        long double below = k == 0 ? 0 : scanAngle(k - 1);
        long double above = scanAngle(k);
        for (int halving = 0; k > 0 && halving < 40; ++halving) {
            const long double middle = (below + above) / 2;
            (reaches(channelDifference(pickupAtAngle(array, middle, rate, radius), rate)) ? above : below) = middle;
        }
        result.degrees = static_cast<double>(2 * above);
        result.maxImage = base.halfAngle;
        return result;
    }
    // The image grows with the lead: its largest is at a step whose lead may be the largest.
    const double top = *std::max_element(rough.begin(), rough.end());
    for (int k = 0; k <= scanSteps; ++k) {
        if (!(rough[static_cast<std::size_t>(k)] >= top - roughMargin)) continue;
        const ChannelDifference d = channelDifference(pickupAtStep(k), rate);
        result.maxImage = std::max(result.maxImage, std::fabs(predictedImage(d.icldDb, d.ictdMs, base)));
    }
    return result;
}

}  // namespace auralith
