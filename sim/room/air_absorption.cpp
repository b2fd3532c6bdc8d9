#include "sim/room/air_absorption.h"

#include <cmath>

namespace auralith {

double airAbsorptionDbPerMetre(double frequency) {
    // ISO 9613-1's terms at T = T0 = 293.15 K and pa = pr = 101.325 kPa, so that the temperature
    // and pressure ratios are 1. The molar concentration of water vapour h in per cent, from the
    // saturation pressure's exponent C, and the relaxation frequencies of oxygen and nitrogen.
    constexpr double kelvin = 293.15;
    constexpr double tripleKelvin = 273.16;
    constexpr double relativeHumidity = 50;
    const double c = -6.8346 * std::pow(tripleKelvin / kelvin, 1.261) + 4.6151;
    const double h = relativeHumidity * std::pow(10.0, c);
    const double oxygen = 24 + 4.04e4 * h * (0.02 + h) / (0.391 + h);
    const double nitrogen = 9 + 280 * h;  // the exponential's argument is 0 at T = T0
    const double f2 = frequency * frequency;
    const double relaxation = 0.01275 * std::exp(-2239.1 / kelvin) / (oxygen + f2 / oxygen) +
                              0.1068 * std::exp(-3352.0 / kelvin) / (nitrogen + f2 / nitrogen);
    return 8.686 * f2 * (1.84e-11 + relaxation);
}

BandValues airAbsorptionPerBand() {
    BandValues perMetre{};
    for (int b = 0; b < bandCount; ++b) perMetre[b] = airAbsorptionDbPerMetre(bandCentres[b]);
    return perMetre;
}

BandValues airFactors(double metres) {
    static const BandValues perMetre = airAbsorptionPerBand();
    BandValues factors{};
    for (int b = 0; b < bandCount; ++b) factors[b] = std::pow(10.0, -perMetre[b] * metres / 20);
    return factors;
}

}  // namespace auralith
