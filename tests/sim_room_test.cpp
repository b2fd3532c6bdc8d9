// The shoebox room: placements, the classical reverberation times, the air, the images and what a
// microphone hears of them, the interpolator, the filter bank, the decay, the absorption that meets
// a reverberation time as measured, and the diffuse field's coherence.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <tuple>
#include <variant>

#include "sim/free/mic_layout.h"
#include "sim/room/air_absorption.h"
#include "sim/room/band_filters.h"
#include "sim/room/decay.h"
#include "sim/room/diffuse_coherence.h"
#include "sim/room/fractional_delay.h"
#include "sim/room/image_sources.h"
#include "sim/room/room.h"
#ifdef AURALITH_ROOM_RESPONSES
#include "sim/room/absorption_solver.h"
#include "sim/room/band_response.h"
#include "sim/room/measured_coherence.h"
#endif

namespace auralith {
namespace {

TEST(Room, PlacementsKeepHalfAMetreFromEverySurface) {
    const Room room = uniformRoom(10, 20, 5, 0.2);
    EXPECT_FALSE(placementRefusal(room, {5, 10, 2}));
    EXPECT_FALSE(placementRefusal(room, {0.5, 19.5, 4.5}));
    const struct {
        RoomPoint point;
        Surface surface;
        double clearance;
    } refused[] = {{{0.4, 10, 2}, Surface::left, 0.4},     {{9.7, 10, 2}, Surface::right, 0.3},
                   {{5, 19.9, 2}, Surface::stageEnd, 0.1}, {{5, -1, 2}, Surface::back, -1},
                   {{5, 10, 0}, Surface::floor, 0},        {{5, 10, 6}, Surface::ceiling, -1}};
    for (const auto& c : refused) {
        const auto refusal = placementRefusal(room, c.point);
        ASSERT_TRUE(refusal);
        EXPECT_EQ(refusal->surface, c.surface) << surfaceName(c.surface);
        EXPECT_NEAR(refusal->clearance, c.clearance, 1e-12);
    }
    EXPECT_EQ(surfaceName(Surface::stageEnd), "stage end wall");
}

// 10 x 20 x 5 m, alpha 0.2: V = 1000 m^3, S = 700 m^2; T = (24 ln 10 / 344) V / (A + 4 m V) with
// A = 140 (Sabine) or -700 ln 0.8 = 156.2 (Eyring) and m the air's dB/m over 4.343, worked by hand.
TEST(Room, SabineAndEyringWithTheAir) {
    const BandValues sabine{1.14416, 1.13766, 1.12724, 1.11330, 1.07739, 0.96009, 0.67790};
    const BandValues eyring{1.02580, 1.02058, 1.01217, 1.00093, 0.97180, 0.87534, 0.63452};
    const Room room = uniformRoom(10, 20, 5, 0.2);
    for (int b = 0; b < bandCount; ++b) {
        EXPECT_NEAR(sabineSeconds(room)[b], sabine[b], 2e-5) << bandCentres[b];
        EXPECT_NEAR(eyringSeconds(room)[b], eyring[b], 2e-5) << bandCentres[b];
    }
}

// ISO 9613-1's table at 20 degrees and 50 % (dB/km at the exact mid-band frequencies 1000 *
// 10^(k/10)): 0.445, 1.32, 2.73, 4.66, 9.86, 29.4, 104; the formula's terms here: h = 1.1530 %,
// frO = 35414 Hz, frN = 331.85 Hz.
TEST(Room, AirAbsorptionAsTabulated) {
    const double frequencies[] = {125.893, 251.189, 501.187, 1000, 1995.26, 3981.07, 7943.28};
    const double table[] = {0.445, 1.32, 2.73, 4.66, 9.86, 29.4, 104};
    for (int i = 0; i < 7; ++i)
        EXPECT_NEAR(airAbsorptionDbPerMetre(frequencies[i]) * 1000 / table[i], 1, 0.01) << frequencies[i];
    EXPECT_NEAR(airFactors(1000)[3], std::pow(10, -4.6647 / 20), 1e-5);
}

// A cardioid facing the stage in a room whose surfaces absorb all but one (it keeps 0.8 of the
// sound), on arcs of two radii, with and without the air: one image, the source mirrored in that
// surface; its delay counts from the sound's arrival from R, its level is the pattern's response
// times R / r, the surface's factor and, with the air, the air's over r.
class OneSurface : public ::testing::TestWithParam<std::tuple<int, double, bool>> {};

TEST_P(OneSurface, GivesOneTapFromTheGeometry) {
    const auto [s, radius, air] = GetParam();
    const double width = 16, depth = 28, height = 6;
    const RoomPoint centre{9, 2, 2}, source{9, 2 + radius, 2};
    const RoomPoint mirrored[] = {{-source.x, source.y, source.z},
                                  {2 * width - source.x, source.y, source.z},
                                  {source.x, 2 * depth - source.y, source.z},
                                  {source.x, -source.y, source.z},
                                  {source.x, source.y, -source.z},
                                  {source.x, source.y, 2 * height - source.z}};
    Room room = uniformRoom(width, depth, height, 1);
    room.absorption[static_cast<std::size_t>(s)].fill(0.36);
    RigMic cardioid;
    cardioid.pattern = 0.5;
    const ImageSet set = imageSources({room, source, centre, 0.5, 0, 7, 0, radius, air});
    const auto taps = micBandTaps(set, cardioid, 48000);
    ASSERT_EQ(taps.size(), 1u) << surfaceName(static_cast<Surface>(s));
    const RoomPoint& m = mirrored[s];
    const double r = std::hypot(m.x - centre.x, m.y - centre.y, m.z - centre.z);
    EXPECT_NEAR(taps[0].delay, (r - radius) / 344 * 48000, 1e-9);
    const double level = (0.5 + 0.5 * (m.y - centre.y) / r) * radius / r * 0.8;
    for (int b = 0; b < bandCount; ++b)
        EXPECT_NEAR(taps[0].gain[b],
                    level * (air ? std::pow(10, -airAbsorptionDbPerMetre(bandCentres[b]) * r / 20) : 1), 1e-12);
}

INSTANTIATE_TEST_SUITE_P(Room, OneSurface,
                         ::testing::Combine(::testing::Range(0, surfaceCount), ::testing::Values(10.0, 17.0),
                                            ::testing::Bool()));

TEST(Room, ImagesFillTheSphereAndMoveByTheSeed) {
    const Room room = uniformRoom(10, 12, 8, 0);
    const ImageRequest exact{room, {5, 9, 2}, {5, 3, 2}, 0.3, 0, 1, 0};
    const ImageSet set = imageSources(exact);
    // Reach: 6 m of direct sound and 0.3 s of sound, a sphere of 109.2 m over 960 m^3.
    const double sphere = 4 * std::numbers::pi / 3 * std::pow(6 + 0.3 * 344, 3) / 960;
    EXPECT_NEAR(static_cast<double>(set.images.size()) / sphere, 1, 0.03);
    ImageRequest moved = exact;
    moved.displacement = imageDisplacement;
    const ImageSet a = imageSources(moved), b = imageSources(moved);
    moved.seed = 2;
    const ImageSet c = imageSources(moved);
    // Each exact image's displaced one: the nearest of the set (the lattice's points lie metres apart).
    const auto offset = [](const ImageSet& s, const RoomPoint& e) {
        double nearest = 1e9;
        for (const ImageSource& image : s.images)
            nearest = std::min(nearest, std::hypot(image.place.x - e.x, image.place.y - e.y, image.place.z - e.z));
        return nearest;
    };
    double largest = 0, differing = 0;
    for (std::size_t i = 0; i < 1000; ++i) {
        const double moveA = offset(a, set.images[i].place);
        largest = std::max(largest, moveA);
        EXPECT_EQ(a.images[i].place.x, b.images[i].place.x);
        differing += moveA != offset(c, set.images[i].place);
        // In the order of their distance, a metre at a time (the displacement moves each by centimetres).
        EXPECT_LE(a.images[i == 0 ? 0 : i - 1].distance, a.images[i].distance + 1 + 2 * imageDisplacement);
    }
    EXPECT_LE(largest, imageDisplacement);
    EXPECT_GT(largest, 0.06);
    EXPECT_EQ(differing, 1000);
}

// The interpolator against an exact delay: within 0.1 dB and 0.66 degrees (|H e^(i w tau) - 1| <
// 0.0115) up to 16 kHz at 44.1 kHz at every fraction; its coefficients sum to 1, centred on the delay.
TEST(Room, InterpolatorIsAnExactDelayTo16kHz) {
    for (int i = 0; i <= 40; ++i) {
        const double delay = 100 + i / 40.0 + (i == 40 ? -1e-12 : 0);
        const DelayKernel kernel = delayKernel(delay);
        double sum = 0, moment = 0;
        for (int j = 0; j < kernelTaps; ++j) {
            sum += kernel.coefficients[j];
            moment += kernel.coefficients[j] * static_cast<double>(kernel.first + j);
        }
        EXPECT_NEAR(sum, 1, 1e-12);
        EXPECT_NEAR(moment, delay, 2e-3) << delay;
        for (double f = 0; f <= 16000; f += 250) {
            const double w = 2 * std::numbers::pi * f / 44100;
            std::complex<double> h = 0;
            for (int j = 0; j < kernelTaps; ++j)
                h += kernel.coefficients[j] * std::polar(1.0, -w * (static_cast<double>(kernel.first + j) - delay));
            EXPECT_LT(std::abs(h - 1.0), 0.0115) << delay << " at " << f;
        }
    }
}

TEST(Room, TheBankSumsToOne) {
    for (double f = 0; f <= 24000; f += 7.3) {
        double sum = 0;
        for (int b = 0; b < bandCount; ++b) {
            EXPECT_GE(bandWeight(b, f), 0);
            sum += bandWeight(b, f);
        }
        EXPECT_NEAR(sum, 1, 1e-15) << f;
    }
    for (int b = 0; b < bandCount; ++b) EXPECT_NEAR(bandWeight(b, bandCentres[b]), 1, 1e-14);
    EXPECT_EQ(bandWeight(0, 2 * 125 * std::sqrt(2.0)), 0);
}

// Energies falling 60 dB in exactly T: T30 is T.
TEST(Room, T30OfAnExponentialDecay) {
    for (double t : {0.3, 2.0, 7.5}) {
        std::vector<double> energies(static_cast<std::size_t>(2 * t * 1000));
        for (std::size_t i = 0; i < energies.size(); ++i)
            energies[i] = std::pow(10, -6 * static_cast<double>(i) / 1000 / t);
        EXPECT_NEAR(*t30FromEnergies(energies, 0.001) / t, 1, 1e-3);
    }
    EXPECT_FALSE(t30FromEnergies(std::vector<double>(100, 1.0), 0.001));
}

RigMic mic(double lateral, double forward, double axisDegrees, double pattern) {
    const double a = axisDegrees * std::numbers::pi / 180;
    return {lateral, forward, 0, std::sin(a), std::cos(a), 0, pattern, {}};
}

// XY cardioids at 90 degrees: 0.75 at every frequency; Blumlein's crossed figure-of-eights: 0;
// omnis 40 cm apart: sin x / x with x = 2 pi f 0.4 / 344. A mid-side pair decoded to left and
// right (M a forward cardioid, S a sideways figure-of-eight) is one first-order microphone either
// side: 0.5 + (0.5, 1) . u, pattern 0.5 / (0.5 + sqrt 1.25) along the axis atan2(1, 0.5).
TEST(Room, DiffuseCoherenceKnownValues) {
    for (double f : {0.0, 50.0, 1000.0, 8000.0}) {
        EXPECT_NEAR(diffuseCoherence(mic(0, 0, -45, 0.5), mic(0, 0, 45, 0.5), f), 0.75, 1e-12);
        EXPECT_NEAR(diffuseCoherence(mic(0, 0, -45, 0), mic(0, 0, 45, 0), f), 0, 1e-12);
        const double x = 2 * std::numbers::pi * f * 0.4 / 344;
        EXPECT_NEAR(diffuseCoherence(mic(-0.2, 0, 0, 1), mic(0.2, 0, 0, 1), f), f == 0 ? 1 : std::sin(x) / x, 1e-12);
    }
    const double side = std::atan2(1, 0.5) * 180 / std::numbers::pi, p = 0.5 / (0.5 + std::sqrt(1.25));
    Rig ms;
    ms.mics = {mic(0, 0, 0, 0.5), mic(0, 0, 90, 0)};
    ms.mics[0].shares = {1, 1};
    ms.mics[1].shares = {-1, 1};
    EXPECT_NEAR(channelCoherence(ms, 0, 1, 1000), diffuseCoherence(mic(0, 0, -side, p), mic(0, 0, side, p), 1000),
                1e-12);
    // The series below x = 0.1 against the recurrence j2 = 3 j1 / x - j0, and the closed forms
    // where they do not cancel.
    for (double x : {1e-3, 0.0999, 0.1, 0.5, 3.0}) {
        const SphericalBessel j = sphericalBessel(x);
        EXPECT_NEAR(j.j2, 3 * j.j1OverX - j.j0, 1e-13) << x;
        if (x < 0.09) continue;
        const double s = std::sin(x), c = std::cos(x);
        EXPECT_NEAR(j.j0, s / x, 1e-13);
        EXPECT_NEAR(j.j1OverX, (s / x - c) / (x * x), 1e-12);
        EXPECT_NEAR(j.j2, (3 / (x * x) - 1) * s / x - 3 * c / (x * x), 1e-10);
    }
}

#ifdef AURALITH_ROOM_RESPONSES
// The transforms' sizes against a search of every number from n up: the first of the form
// 2^a 3^b 5^c that is a multiple of `twos`. Four times a hall's responses is odd (3^6 5^4), and
// the first multiple of 256 past it is 2^11 3^2 5^2.
TEST(RoomTransforms, SizesAreTheFirstSmoothMultiples) {
    const auto smooth = [](long long m) {
        for (const long long p : {2, 3, 5})
            while (m % p == 0) m /= p;
        return m == 1;
    };
    for (const long long twos : {1LL, 256LL})
        for (const long long n : {1LL, 4096LL, 4097LL, 100000LL, 227206LL, 284000LL, 454412LL, 1000001LL}) {
            long long first = n;
            while (!smooth(first) || first % twos != 0) ++first;
            EXPECT_EQ(transformSizeAtLeast(n, twos), first) << n << " in multiples of " << twos;
        }
    EXPECT_EQ(transformSizeAtLeast(454412), 455625);
    EXPECT_EQ(transformSizeAtLeast(454412, 256), 460800);
}

// A room of one absorption in every band: through the bank, the response is the broadband one
// (the images' air attenuation taken out by equal gains), within -60 dB.
TEST(RoomResponse, EqualBandsGiveTheBroadbandResponse) {
    const ImageSet set = imageSources({uniformRoom(12, 18, 7, 0.3), {6, 14, 2}, {6, 4, 2}, 0.4, 0.5, 3});
    std::vector<BandTap> taps = micBandTaps(set, mic(0.3, 0.1, 30, 0.5), 44100);
    for (BandTap& tap : taps) tap.gain.fill(tap.gain[0]);
    const BandMixer mixer({44100, 1}, setSpanFrames(set, 0.5, 44100));
    const auto response = renderBandTaps(mixer, taps);
    ASSERT_TRUE(response);
    std::vector<double> broadband(response->samples.size());
    for (const BandTap& tap : taps) {
        const DelayKernel k = delayKernel(tap.delay - static_cast<double>(response->start));
        for (int j = 0; j < kernelTaps; ++j)
            broadband[static_cast<std::size_t>(k.first + j)] += k.coefficients[j] * tap.gain[0];
    }
    double energy = 0, error = 0;
    for (std::size_t i = 0; i < broadband.size(); ++i) {
        energy += broadband[i] * broadband[i];
        error += (response->samples[i] - broadband[i]) * (response->samples[i] - broadband[i]);
    }
    EXPECT_LT(10 * std::log10(error / energy), -60);
    EXPECT_GT(energy, 0);
}

// 25 x 40 x 16 m, the array at (12.5, 12, 3), the sweep's centre 10 m ahead: 2.0 s in the bands
// to 4 kHz (and 1.2 s at 8 kHz, where the air alone allows no more than 1.7 s) measured on the
// filtered response within 5 %, with an absorption well above what Eyring's formula gives for
// 2.0 s (S = 4080 m^2, V = 16000 m^3: alpha = 1 - exp(-(0.1607 V / 2 - 4 m V) / S) = 0.27 at 1 kHz).
TEST(RoomResponse, AbsorptionMeetsT30AsMeasured) {
    DecayTargets targets{25, 40, 16, {12.5, 12, 3}, {12.5, 22, 3}, {2, 2, 2, 2, 2, 2, 1.2}, {44100, 1}, 1};
    const auto solved = solveAbsorption(targets);
    ASSERT_TRUE(std::holds_alternative<AbsorptionFit>(solved));
    const AbsorptionFit& fit = std::get<AbsorptionFit>(solved);
    for (int b = 0; b < bandCount; ++b) EXPECT_NEAR(fit.measured[b] / targets.seconds[b], 1, 0.05) << bandCentres[b];
    const double air = airAbsorptionDbPerMetre(1000) / (10 / std::log(10.0));
    const double eyring = 1 - std::exp(-(24 * std::log(10.0) / 344 * 16000 / 2 - 4 * air * 16000) / 4080);
    EXPECT_NEAR(eyring, 0.258, 0.001);
    EXPECT_GT(fit.absorption[3], eyring + 0.05);
    targets.seconds = {0.15, 2, 2, 2, 2, 2, 2};
    const auto refused = solveAbsorption(targets);
    ASSERT_TRUE(std::holds_alternative<DecayRefusal>(refused));
    EXPECT_EQ(std::get<DecayRefusal>(refused).kind, DecayRefusalKind::tooShort);
    EXPECT_GT(std::get<DecayRefusal>(refused).limit, 0.15);
    targets.seconds[0] = 2;
    const auto tooLong = std::get<DecayRefusal>(solveAbsorption(targets));
    EXPECT_EQ(tooLong.kind, DecayRefusalKind::tooLong);
    EXPECT_EQ(tooLong.band, 6);
    EXPECT_LT(tooLong.limit, 1.7);
}

// 12 x 16 x 6 m, the sweep's centre 10 m ahead. At 0.4 s the energy echogram at the least absorption
// rings past its span and has no T30: longer than any target, not a room that rings at most 0 s.
// A target that cannot be met is refused with a limit past it on the side the refusal names, also
// where the measurement moved a later round's aim past the echogram's range (0.25 s at 250 Hz).
TEST(RoomResponse, ShortTargetsInASmallRoomAreMetOrRefusedPastTheirLimit) {
    for (const double seconds : {0.4, 0.25, 0.1}) {
        DecayTargets targets{12, 16, 6, {5.52, 4, 3}, {5.52, 14, 3}, {}, {44100, 1}, 1};
        targets.seconds.fill(seconds);
        const auto solved = solveAbsorption(targets);
        if (const auto* fit = std::get_if<AbsorptionFit>(&solved)) {
            EXPECT_EQ(seconds, 0.4);
            for (int b = 0; b < bandCount; ++b) EXPECT_NEAR(fit->measured[b] / seconds, 1, 0.05) << bandCentres[b];
            continue;
        }
        const DecayRefusal refusal = std::get<DecayRefusal>(solved);
        EXPECT_NE(seconds, 0.4);
        EXPECT_EQ(refusal.kind, DecayRefusalKind::tooShort) << seconds;
        EXPECT_GT(refusal.limit, seconds) << seconds << " s at " << bandCentres[static_cast<std::size_t>(refusal.band)];
    }
}

// One thread's scratch taken from a long room's mixer to a short room's and back: every response
// is the one a fresh scratch gives from the listed taps, exactly (nothing left over from the
// bands or the buffers of the response before).
TEST(RoomResponse, AKeptScratchGivesWhatAFreshOneGives) {
    const ImageSet hall = imageSources({uniformRoom(25, 40, 16, 0.3), {12.5, 22, 3}, {12.5, 12, 3}, 1.2, 0.2, 5});
    const ImageSet small = imageSources({uniformRoom(6, 8, 3, 0.2), {3, 6, 1.5}, {3, 3, 1.5}, 0.3, 0.2, 5});
    const BandMixer long_({44100, 1}, setSpanFrames(hall, 0.2, 44100));
    const BandMixer short_({44100, 1}, setSpanFrames(small, 0.2, 44100));
    ASSERT_NE(long_.transforms.size(), short_.transforms.size());
    const Rig omnis = pairLayout(1, 0, 40);
    BandScratch scratch;
    for (const auto& [set, mixer] : {std::pair{&hall, &long_}, {&small, &short_}, {&hall, &long_}})
        for (const RigMic& m : omnis.mics) {
            bool heard = false;
            const auto kept = renderMicBandTaps(*mixer, *set, m, scratch, heard);
            const auto fresh = renderBandTaps(*mixer, micBandTaps(*set, m, 44100));
            ASSERT_TRUE(kept && fresh && heard);
            EXPECT_EQ(kept->start, fresh->start);
            EXPECT_TRUE(kept->samples == fresh->samples) << mixer->transforms.size();
        }
}

// Two omnis 40 cm apart across the middle of 25 x 40 x 16 m ringing 2.0 s, the source 10 m ahead:
// the exact mirror images hear the left wall as the right, so the two responses are one; the
// displaced images break that symmetry (here, from 80 ms on: 0.38 at 2 kHz, 0.19 at 4 kHz).
TEST(RoomResponse, DisplacedImagesBreakTheMirrorSymmetry) {
    Room room{25, 40, 16, {}};
    room.absorption.fill(BandValues{0.41, 0.33, 0.37, 0.354, 0.313, 0.214, 0.166});
    const Rig omnis = pairLayout(1, 0, 40);
    for (int displaced = 0; displaced < 2; ++displaced) {
        const ImageSet set =
            imageSources({room, {12.5, 22, 3}, {12.5, 12, 3}, 2.6, 0.2, 5, displaced * imageDisplacement});
        const BandMixer mixer({44100, 1}, setSpanFrames(set, 0.2, 44100));
        const auto left = renderBandTaps(mixer, micBandTaps(set, omnis.mics[0], 44100));
        const auto right = renderBandTaps(mixer, micBandTaps(set, omnis.mics[1], 44100));
        ASSERT_TRUE(left && right);
        EXPECT_NEAR(lateCoherence(mixer, *left, *left, 4, 0.08).value_or(0), 1, 1e-12);
        const double twoK = lateCoherence(mixer, *left, *right, 4, 0.08).value_or(2);
        const double fourK = lateCoherence(mixer, *left, *right, 5, 0.08).value_or(2);
        EXPECT_NEAR(twoK, displaced == 0 ? 1 : 0.38, displaced == 0 ? 1e-6 : 0.1);
        EXPECT_NEAR(fourK, displaced == 0 ? 1 : 0.19, displaced == 0 ? 1e-6 : 0.1);
    }
}
#endif

}  // namespace
}  // namespace auralith
