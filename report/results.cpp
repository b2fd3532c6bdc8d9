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

}  // namespace auralith
