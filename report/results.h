// What one run of auralith-compare found, array by array: what the reports are made from.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/descriptions.h"
#include "sim/analysis/array_analysis.h"
#include "sim/analysis/envelope.h"
#include "sim/headphones/ear_cues.h"
#include "sim/room/room.h"
#include "sim/room/room_numbers.h"

namespace auralith {

// --headphones: the headphone render's name, loudness and clipped samples, and the cues at the
// ears at each position.
struct HeadphonesResult {
    std::string file;  // empty without --headphones
    std::optional<double> loudness;
    std::int64_t clipped = 0;
    std::vector<EarCues> ears;  // one per position of the analysis; empty without --headphones
};

// What the room did to one array. The channels are left and right: a channel mixed from several
// microphones counts as one.
struct ArrayRoomResult {
    std::vector<std::array<std::optional<double>, 2>> drrDb;  // per position of the analysis: left, right
    std::optional<BandValues> coherence;                      // the late sound's, measured; none without any
    BandValues diffuse{};                      // the diffuse field's at each band's centre (channelCoherence)
    std::vector<CoherencePoint> diffuseCurve;  // the same over frequency, for the page (diffuseCoherenceCurve)
    double criticalDistance = 0;               // metres, for the left channel's directivity and T_mid
    std::optional<double> iaccEarly;           // the ears' at the centre position, with --headphones
    std::optional<double> iaccLate;
};

// How an array hears one player of a stage: its cues and predicted image (the analysis's
// sourceDegrees is the player's angle), and in a room its direct-to-reverberant ratios.
struct PlayerHeard {
    PositionAnalysis analysis;
    std::array<std::optional<double>, 2> drrDb{};  // left, right; none in the free field
};

struct ArrayResult {
    ChosenArray array;  // what was asked for, its name and its files' names
    ArrayAnalysis analysis;
    std::optional<double> loudness;  // LUFS; empty without audio
    std::string audioFile;           // names in the output folder; empty without audio
    std::string labelFile;
    HeadphonesResult headphones;
    std::int64_t clipped = 0;                  // samples the render clipped at full scale
    Envelope envelope = {};                    // where the sound is in the render, for the page; empty without audio
    std::optional<ArrayRoomResult> room{};     // with a room
    std::vector<std::string> responseFiles{};  // with --responses: each position's (or player's) response file
    std::vector<PlayerHeard> players{};        // a stage's, in the players' order; empty for the sweep
};

// The room the run's stage stood in: its size and surfaces, where the array and the sources stood,
// the reverberation it was asked for, the classical formulas' and what its responses measured.
struct RoomResults {
    std::string name;  // a preset's ("hall"); empty for a size given as WxDxH
    Room room;
    RoomPoint arrayAt;
    double distance = 10;  // the arc's radius, in metres
    double sourceHeight = 0;
    bool air = true;
    std::optional<BandValues> target;  // with --rt60 or a preset; none with --absorption
    BandValues sabine{};               // sabineSeconds and eyringSeconds, the air as the run had it
    BandValues eyring{};
    std::array<std::optional<double>, bandCount> measured{};  // T30 of an omni at the array's point, the
                                                              // source at the sweep's centre
    double gain = 1;                                          // the room's gain on every render
};

// The buckets of a render's envelope: a few hundred, enough for the page's time line at any width
// a screen gives it, and a few kilobytes in the page.
constexpr int envelopePoints = 400;

// One player of a stage: its name (its file's stem, made unique with "-2", "-3" where stems
// repeat), its file as given, where it stands and its level.
struct StagePlayer {
    std::string name;
    std::string file;
    std::string source;   // what was read of it: "48 000 Hz, 24-bit, channel 2 of 2"
    double degrees = 0;   // negative to the left
    double distance = 0;  // metres from the array's centre
    double height = 0;    // in a room, metres above the floor; 0 in the free field
    double gainDb = 0;
};

// A run of a stage: its players, and what was done to bring their recordings to one rate
// ("vc.wav from 48 000 Hz"; empty when all had it).
struct StageResults {
    std::vector<StagePlayer> players;
    std::vector<std::string> conversions;
    std::int64_t soundStart = 0;  // the frame of the renders where the players' sound begins
};

// The player nearest straight ahead (the first of two as near): whose stereo response a stage
// plays to the head for the ears' IACC, as the sweep plays its centre position's.
std::size_t centrePlayer(const std::vector<StagePlayer>& players);

struct CompareResults {
    std::string input;   // the input's name as given
    std::string source;  // what was read of it: "48 000 Hz, 24-bit, channel 2 of 2"
    std::int32_t rate = 44100;
    std::int32_t n = 0;  // the recording's samples
    std::vector<ArrayResult> arrays;
    LoudspeakerBase base = base30;
    std::string head;  // the head heard through (--headphones), "default.sofa, diffuse-field equalised"; else empty
    std::optional<RoomResults> room{};  // none in the free field
    double distance = 10;               // the arc's radius, in metres
    // Where each position's sound begins in the renders, in frames: in a room, as far apart as
    // the reverberation needs; empty for the sweep's own layout, a second between the sounds.
    std::vector<std::int64_t> starts{};
    std::optional<StageResults> stage{};  // a stage's players; none for the sweep
};

// The absorption each band has on average over the room's surfaces, weighted by their areas
// (as Sabine's formula takes it): the value of all six where they are alike.
BandValues meanAbsorption(const Room& room);

// The gain that would bring array `index` to the loudest of them, in dB (0 for the loudest;
// +inf for a silent one beside a sounding one; 0 for all when all are silent); empty without audio.
std::optional<double> loudnessOffset(const std::vector<ArrayResult>& arrays, std::size_t index);

// The same over any loudnesses, such as the headphone renders'.
std::optional<double> offsetToLoudest(const std::vector<std::optional<double>>& loudness, std::size_t index);

}  // namespace auralith
