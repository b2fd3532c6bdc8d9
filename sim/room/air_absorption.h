// The air's absorption of sound, as ISO 9613-1 gives it, at 20 degrees Celsius, 50 % relative
// humidity and the standard atmosphere's pressure: what a reflection loses over its path on top
// of the surfaces' absorption, most at the high bands.
#pragma once

#include "sim/room/room.h"

namespace auralith {

// The attenuation in decibels per metre at `frequency` hertz.
double airAbsorptionDbPerMetre(double frequency);

// The amplitude factor over `metres` of air in each band, at the band's centre.
BandValues airFactors(double metres);

// The air's attenuation per band in decibels per metre, at the bands' centres.
BandValues airAbsorptionPerBand();

}  // namespace auralith
