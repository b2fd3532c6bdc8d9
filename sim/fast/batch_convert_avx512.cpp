// The converters eight lanes wide, with AVX-512 (F, BW, VL, DQ): compiled for that instruction
// set function by function, so that nothing of it reaches code that runs where it is missing.
// They make the draws, the values, the rounding and the saturation in one pass over a batch and
// put the samples in place with masked stores.
//
// They work on every value times 2^31, so that the dither, (s1 >> 1) + (s2 >> 1) - 2^31, is
// added as the integer it is. Scaling by a power of two commutes with every rounding here (no
// value comes near the ends of the double range), so each scaled result is exactly 2^31 times
// the narrower converters' one, and the samples are theirs:
//   W = A + D                      2^31 w, with A = 2^31 a (the scales carry the 2^31);
//   T = W + 1.5 * 2^83             rounds W to a multiple of 2^31, ties to even, as adding
//                                  1.5 * 2^52 rounds w to an integer; T's bits less those of
//                                  1.5 * 2^83 are that integer;
//   |W - (T - 1.5 * 2^83)|         2^31 times w's distance from it, for the check near a tie;
// and the integer is saturated to 16 bits as it is narrowed.
#include <algorithm>

#include "sim/fast/batch_convert.h"
#include "sim/fast/vector_width.h"

#if AURALITH_WIDE_VECTORS
#include <immintrin.h>

#include <climits>

#include "sim/fast/dither_batch.h"
#include "sim/model/arrays.h"

// GCC 12's AVX-512 headers start some results from _mm512_undefined_pd(), which its own
// -Wmaybe-uninitialized then reports where they are inlined (fixed in GCC 13).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

namespace auralith {

namespace {

constexpr double twoTo31 = 0x1p31;
constexpr double magic = 0x1.8p83;
// 2^31 times the distance from an integer beyond which a value is done again exactly.
constexpr double scaledLimit = (0.5 - 0x1p-30) * twoTo31;

// The jumps of batchJumps regrouped for sixteen lanes: for the eight steps from 8g, the first
// draws of the left and of the right channel side by side, and the second draws likewise.
struct SixteenLaneJumps {
    std::uint32_t firstMul[batchSteps / 8][16];
    std::uint32_t firstAdd[batchSteps / 8][16];
    std::uint32_t secondMul[batchSteps / 8][16];
    std::uint32_t secondAdd[batchSteps / 8][16];
};

constexpr SixteenLaneJumps makeSixteenLaneJumps() {
    SixteenLaneJumps jumps{};
    for (int g = 0; g < batchSteps / 8; ++g)
        for (int lane = 0; lane < 16; ++lane) {
            const int channel = lane / 8;  // 0: draws 0 and 1, 1: draws 2 and 3
            const int k = 8 * g + lane % 8;
            jumps.firstMul[g][lane] = batchJumps.mul[2 * channel][k];
            jumps.firstAdd[g][lane] = batchJumps.add[2 * channel][k];
            jumps.secondMul[g][lane] = batchJumps.mul[2 * channel + 1][k];
            jumps.secondAdd[g][lane] = batchJumps.add[2 * channel + 1][k];
        }
    return jumps;
}

alignas(64) constexpr SixteenLaneJumps sixteenLaneJumps = makeSixteenLaneJumps();

// The dither of the eight steps from 8g of a batch that starts at s, as integers
// (s1 >> 1) + (s2 >> 1) - 2^31 (flipping the top bit subtracts 2^31): the left channel's in the
// low eight lanes, the right channel's in the high ones.
AURALITH_EIGHT_WIDE_TARGET inline __m512i ditherOf(std::uint32_t s, int g) {
    const __m512i start = _mm512_set1_epi32(static_cast<int>(s));
    const __m512i first = _mm512_add_epi32(_mm512_mullo_epi32(_mm512_load_si512(sixteenLaneJumps.firstMul[g]), start),
                                           _mm512_load_si512(sixteenLaneJumps.firstAdd[g]));
    const __m512i second = _mm512_add_epi32(_mm512_mullo_epi32(_mm512_load_si512(sixteenLaneJumps.secondMul[g]), start),
                                            _mm512_load_si512(sixteenLaneJumps.secondAdd[g]));
    const __m512i sum = _mm512_add_epi32(_mm512_srli_epi32(first, 1), _mm512_srli_epi32(second, 1));
    return _mm512_xor_si512(sum, _mm512_set1_epi32(INT_MIN));
}

AURALITH_EIGHT_WIDE_TARGET inline __m512d leftDither(__m512i dither) {
    return _mm512_cvtepi32_pd(_mm512_castsi512_si256(dither));
}

AURALITH_EIGHT_WIDE_TARGET inline __m512d rightDither(__m512i dither) {
    return _mm512_cvtepi32_pd(_mm512_extracti64x4_epi64(dither, 1));
}

// The samples of eight scaled values with their dither, saturated to 16 bits; `farthest` keeps
// the largest scaled distance of a value from its integer.
AURALITH_EIGHT_WIDE_TARGET inline __m128i samplesOf(__m512d scaled, __m512d dither, __m512d& farthest) {
    const __m512d shift = _mm512_set1_pd(magic);
    const __m512d w = _mm512_add_pd(scaled, dither);
    const __m512d t = _mm512_add_pd(w, shift);
    farthest = _mm512_max_pd(farthest, _mm512_abs_pd(_mm512_sub_pd(w, _mm512_sub_pd(t, shift))));
    const __m512i integer = _mm512_sub_epi64(_mm512_castpd_si512(t), _mm512_castpd_si512(shift));
    return _mm512_cvtsepi64_epi16(integer);
}

// Eight recording samples as doubles; lanes past the batch read as zero and nothing past it.
AURALITH_EIGHT_WIDE_TARGET inline __m512d recordingOf(const std::int16_t* x, __mmask8 valid) {
    return _mm512_cvtepi32_pd(_mm256_cvtepi16_epi32(_mm_maskz_loadu_epi16(valid, x)));
}

// Eight frames of two channels' samples, left first.
AURALITH_EIGHT_WIDE_TARGET inline __m256i framesOf(__m128i left, __m128i right) {
    return _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_unpacklo_epi16(left, right)),
                                   _mm_unpackhi_epi16(left, right), 1);
}

// Puts eight samples into every other 16-bit place from `at`.
AURALITH_EIGHT_WIDE_TARGET inline void storeEveryOther(std::int16_t* at, __m128i samples, int lanes) {
    const auto words = static_cast<__mmask16>(((1u << (2 * lanes)) - 1u) & 0x5555u);
    _mm256_mask_storeu_epi16(at, words, _mm256_cvtepu16_epi32(samples));
}

AURALITH_EIGHT_WIDE_TARGET inline bool anyNearTie(__m512d farthest) {
    return _mm512_cmp_pd_mask(farthest, _mm512_set1_pd(scaledLimit), _CMP_GT_OQ) != 0;
}

}  // namespace

AURALITH_EIGHT_WIDE_TARGET bool convertPairEightWide(const PairBatch& b) {
    const __m512d leftScale = _mm512_set1_pd(b.leftScale * twoTo31);
    const __m512d rightScale = _mm512_set1_pd(b.rightScale * twoTo31);
    // Both microphones at the same delay (the coincident pairs): whole frames at a time.
    const bool sameFrames = b.right == b.left + 1;
    __m512d farthest = _mm512_setzero_pd();
    for (int k = 0; k < b.count; k += 8) {
        const int lanes = std::min(8, b.count - k);
        const auto valid = static_cast<__mmask8>((1u << lanes) - 1u);
        const __m512d x = recordingOf(b.x + k, valid);
        const __m512i dither = ditherOf(b.s, k / 8);
        const __m128i left = samplesOf(_mm512_mul_pd(x, leftScale), leftDither(dither), farthest);
        const __m128i right = samplesOf(_mm512_mul_pd(x, rightScale), rightDither(dither), farthest);
        if (sameFrames) {
            _mm256_mask_storeu_epi32(b.left + 2 * k, valid, framesOf(left, right));
        } else {
            storeEveryOther(b.left + 2 * k, left, lanes);
            storeEveryOther(b.right + 2 * k, right, lanes);
        }
    }
    return anyNearTie(farthest);
}

AURALITH_EIGHT_WIDE_TARGET bool convertMixEightWide(const MixBatch& b) {
    const __m512d mix = _mm512_set1_pd(static_cast<double>(treeMixScale));
    const __m512d half = _mm512_set1_pd(0.5);
    __m512d scale[3];
    for (int m = 0; m < 3; ++m) scale[m] = _mm512_set1_pd(b.scale[m] * twoTo31);
    __m512d farthest = _mm512_setzero_pd();
    for (int k = 0; k < b.count; k += 8) {
        const auto valid = static_cast<__mmask8>((1u << std::min(8, b.count - k)) - 1u);
        const __m512d halfCentre = _mm512_mul_pd(_mm512_mul_pd(recordingOf(b.x[2] + k, valid), scale[2]), half);
        const __m512d outerLeft = _mm512_mul_pd(recordingOf(b.x[0] + k, valid), scale[0]);
        const __m512d outerRight = _mm512_mul_pd(recordingOf(b.x[1] + k, valid), scale[1]);
        const __m512i dither = ditherOf(b.s, k / 8);
        const __m128i left =
            samplesOf(_mm512_mul_pd(_mm512_add_pd(halfCentre, outerLeft), mix), leftDither(dither), farthest);
        const __m128i right =
            samplesOf(_mm512_mul_pd(_mm512_add_pd(halfCentre, outerRight), mix), rightDither(dither), farthest);
        _mm256_mask_storeu_epi32(b.at + 2 * k, valid, framesOf(left, right));
    }
    return anyNearTie(farthest);
}

}  // namespace auralith

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

#endif
