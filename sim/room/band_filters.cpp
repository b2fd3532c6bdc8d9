#include "sim/room/band_filters.h"

#include <cmath>

#include "sim/room/room.h"

namespace auralith {

namespace {

// How much of the signal at `frequency` lies above crossover k (1 .. bandCount - 1, between
// band k - 1 and band k): 0 half an octave below, 1 half an octave above, along a polynomial whose
// first three derivatives vanish at both ends, so that the bands' responses in time die away fast.
double above(int k, double frequency) {
    if (k <= 0) return 1;
    if (k >= bandCount) return 0;
    if (frequency <= 0) return 0;
    const double crossover = bandCentres[k - 1] * std::sqrt(2.0);
    const double u = std::log2(frequency / crossover) + 0.5;
    if (u <= 0) return 0;
    if (u >= 1) return 1;
    return u * u * u * u * (35 - 84 * u + 70 * u * u - 20 * u * u * u);
}

}  // namespace

double bandWeight(int band, double frequency) { return above(band, frequency) - above(band + 1, frequency); }

}  // namespace auralith
