#include "catalogue/techniques.h"

#include <algorithm>

#include "catalogue/descriptions.h"

namespace auralith {

namespace {

constexpr Technique techniques[] = {
    {"xy", "XY", "cardioid", 90, 0, "crossed cardioids, e.g. J. Eargle, The Microphone Book"},
    {"blumlein", "Blumlein", "figure8", 90, 0, "A. D. Blumlein, British patent 394 325, 1931"},
    {"nos", "NOS", "cardioid", 90, 30, "Nederlandse Omroep Stichting, the Dutch broadcaster"},
    {"din", "DIN", "cardioid", 90, 20, "Deutsches Institut für Normung"},
    {"rai", "RAI", "cardioid", 100, 21, "Radiotelevisione Italiana"},
    {"ortf", "ORTF", "cardioid", 110, 17, "Office de Radiodiffusion Télévision Française"},
    {"ab40", "AB", "omni", 0, 40, "small AB, e.g. M. Williams, AES 82nd Convention, 1987"},
    {"ab60", "AB", "omni", 0, 60, "small AB, e.g. M. Williams, AES 82nd Convention, 1987"},
};

}  // namespace

std::span<const Technique> namedTechniques() { return techniques; }

const Technique* techniqueNamed(std::string_view key) {
    const std::string lower = lowerCase(key);
    const auto found =
        std::find_if(std::begin(techniques), std::end(techniques), [&](const Technique& t) { return t.key == lower; });
    return found == std::end(techniques) ? nullptr : found;
}

}  // namespace auralith
