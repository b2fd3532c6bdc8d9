// SOFA files made for the tests with netCDF-4, as SOFA's own tools make them: a head of a few
// directions whose responses the test chooses, and the faults a reader must refuse.
#pragma once

#include <string>
#include <vector>

namespace auralith::testing {

struct SofaDirection {
    double azimuth;             // degrees, positive to the left
    double elevation;           // degrees
    std::vector<double> left;   // the left ear's taps
    std::vector<double> right;  // the right ear's; a third and further ears repeat the right one
};

struct SofaHead {
    double rate = 44100;
    int receivers = 2;
    int taps = 64;  // each response is cut or padded to this
    // Data.Delay in samples: empty for none (zeros), one per ear, or one per direction and ear.
    std::vector<double> delays;
    std::vector<SofaDirection> directions;
};

// False when netCDF cannot write the file.
bool writeSofa(const std::string& path, const SofaHead& head);

// A head of four directions (30 left, 30 right, ahead, 90 left), the left loudspeaker's
// direction reaching the left ear at once at full level and the right one `lag` samples later
// at `far` of it, mirrored for the right loudspeaker.
SofaHead plainHead(int lag = 11, double far = 0.5, int taps = 64);

}  // namespace auralith::testing
