#include "report/results.h"

#include <algorithm>
#include <cmath>

namespace auralith {

std::optional<double> offsetToLoudest(const std::vector<std::optional<double>>& loudness, std::size_t index) {
    if (!loudness[index]) return std::nullopt;
    double loudest = -INFINITY;
    for (const std::optional<double>& l : loudness)
        if (l) loudest = std::max(loudest, *l);
    if (std::isinf(loudest)) return 0.0;  // all silent: nothing to match
    return loudest - *loudness[index];
}

std::optional<double> loudnessOffset(const std::vector<ArrayResult>& arrays, std::size_t index) {
    std::vector<std::optional<double>> loudness;
    for (const ArrayResult& a : arrays) loudness.push_back(a.loudness);
    return offsetToLoudest(loudness, index);
}

std::size_t centrePlayer(const std::vector<StagePlayer>& players) {
    std::size_t best = 0;
    for (std::size_t p = 1; p < players.size(); ++p)
        if (std::fabs(players[p].degrees) < std::fabs(players[best].degrees)) best = p;
    return best;
}

BandValues meanAbsorption(const Room& room) {
    const double wd = room.width * room.depth, dh = room.depth * room.height, wh = room.width * room.height;
    const std::array<double, surfaceCount> areas{dh, dh, wh, wh, wd, wd};
    BandValues mean{};
    for (int b = 0; b < bandCount; ++b) {
        double weighted = 0, total = 0;
        for (int s = 0; s < surfaceCount; ++s) {
            weighted += areas[s] * room.absorption[s][b];
            total += areas[s];
        }
        mean[b] = total > 0 ? weighted / total : 0;
    }
    return mean;
}

}  // namespace auralith
