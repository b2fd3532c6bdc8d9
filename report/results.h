// What one run of auralith-compare found, array by array: what the reports are made from.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/descriptions.h"
#include "sim/analysis/array_analysis.h"
#include "sim/analysis/envelope.h"
#include "sim/headphones/ear_cues.h"

namespace auralith {

// --headphones: the headphone render's name, loudness and clipped samples, and the cues at the
// ears at each position.
struct HeadphonesResult {
    std::string file;  // empty without --headphones
    std::optional<double> loudness;
    std::int64_t clipped = 0;
    std::vector<EarCues> ears;  // one per position of the analysis; empty without --headphones
};

struct ArrayResult {
    ChosenArray array;  // what was asked for, its name and its files' names
    ArrayAnalysis analysis;
    std::optional<double> loudness;  // LUFS; empty without audio
    std::string audioFile;           // names in the output folder; empty without audio
    std::string labelFile;
    HeadphonesResult headphones;
    std::int64_t clipped = 0;  // samples the render clipped at full scale
    Envelope envelope = {};    // where the sound is in the render, for the page; empty without audio
};

// The buckets of a render's envelope: a few hundred, enough for the page's time line at any width
// a screen gives it, and a few kilobytes in the page.
constexpr int envelopePoints = 400;

struct CompareResults {
    std::string input;   // the input's name as given
    std::string source;  // what was read of it: "48 000 Hz, 24-bit, channel 2 of 2"
    std::int32_t rate = 44100;
    std::int32_t n = 0;  // the recording's samples
    std::vector<ArrayResult> arrays;
    LoudspeakerBase base = base30;
    std::string head;  // the head heard through (--headphones), "default.sofa, diffuse-field equalised"; else empty
};

// The gain that would bring array `index` to the loudest of them, in dB (0 for the loudest;
// +inf for a silent one beside a sounding one; 0 for all when all are silent); empty without audio.
std::optional<double> loudnessOffset(const std::vector<ArrayResult>& arrays, std::size_t index);

// The same over any loudnesses, such as the headphone renders'.
std::optional<double> offsetToLoudest(const std::vector<std::optional<double>>& loudness, std::size_t index);

}  // namespace auralith
