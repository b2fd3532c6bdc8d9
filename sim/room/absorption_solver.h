// The absorption that gives a room a reverberation time as measured: a specular shoebox rings
// longer than Sabine's and Eyring's formulas predict, so each band's absorption (alike on the six
// surfaces) is solved so that T30 measured on the room's own response, an omni at the array's
// point with the source at the sweep's centre, meets the band's target within 5 %.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <variant>

#include "sim/room/image_sources.h"
#include "sim/room/room.h"
#include "sim/scene/audio_format.h"

namespace auralith {

// The absorption's range: the least a surface has, and the most the solver gives it.
inline constexpr double minAbsorption = 0.001;
inline constexpr double maxAbsorption = 0.95;
// The most images a response may have (each some 100 bytes, held while its taps are worked out).
inline constexpr double maxImages = 2e6;

struct DecayTargets {
    double width = 0;
    double depth = 0;
    double height = 0;
    RoomPoint array;   // where the omni stands
    RoomPoint source;  // the sweep's centre
    BandValues seconds{};
    AudioFormat format;
    std::uint64_t seed = 1;
    bool air = true;  // whether the air absorbs on the paths (--no-air leaves it out)
};

// T30 of each band measured on an omni's response from a set's images (each band's filter of the
// bank, Schroeder's integral from -5 to -35 dB); 0 where a band never falls that far, nothing when
// the memory cannot be had.
std::optional<BandValues> omniT30(const ImageSet& set, AudioFormat format);

// How long a room's responses last for these targets: the longest target and a quarter more,
// so that the decay curve's -35 dB lies far above the cut; at most 10 s.
double responseSecondsFor(const BandValues& targets);

struct AbsorptionFit {
    BandValues absorption{};
    BandValues measured{};  // T30 of each band on the filtered response with that absorption
};

enum class DecayRefusalKind {
    // limit: the shortest T30 the band can have (at maxAbsorption), by the energy echogram, or as
    // measured where the rounds held the band there
    tooShort,
    tooLong,        // limit: the longest (at minAbsorption; the air's absorption at the high bands), alike
    tooManyImages,  // limit: the longest target whose response stays within maxImages
    noMemory,       // the transforms or buffers could not be had
};

struct DecayRefusal {
    DecayRefusalKind kind;
    int band = 0;
    double limit = 0;
};

std::variant<AbsorptionFit, DecayRefusal> solveAbsorption(const DecayTargets& targets);

}  // namespace auralith
