// The converters eight lanes wide, with AVX-512 (F, BW, VL, DQ): compiled for that instruction
// set function by function, so that nothing of it reaches code that runs where it is missing.
// Each step is the IEEE double operation the narrower converters take, in the same order, so
// the samples are theirs. Unlike them, these make the draws, the values, the rounding and the
// saturation in one pass over a batch, and put the samples in place with masked stores.
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

// The four draws' states of the eight steps from step `first` of a batch that starts at s.
struct EightDraws {
    __m256i state[4];
};

AURALITH_EIGHT_WIDE_TARGET inline EightDraws eightDraws(std::uint32_t s, int first) {
    const __m256i start = _mm256_set1_epi32(static_cast<int>(s));
    EightDraws draws;
    for (int d = 0; d < 4; ++d) {
        const __m256i mul = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(batchJumps.mul[d] + first));
        const __m256i add = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(batchJumps.add[d] + first));
        draws.state[d] = _mm256_add_epi32(_mm256_mullo_epi32(mul, start), add);
    }
    return draws;
}

// r1 + r2 - 1 of two draws, exact: (s1 >> 1) + (s2 >> 1) - 2^31 lies in the signed 32-bit range
// (flipping the top bit subtracts 2^31), and times 2^-31 it is the dither.
AURALITH_EIGHT_WIDE_TARGET inline __m512d ditherOf(__m256i first, __m256i second) {
    const __m256i sum = _mm256_add_epi32(_mm256_srli_epi32(first, 1), _mm256_srli_epi32(second, 1));
    const __m256i centred = _mm256_xor_si256(sum, _mm256_set1_epi32(INT_MIN));
    return _mm512_mul_pd(_mm512_cvtepi32_pd(centred), _mm512_set1_pd(0x1p-31));
}

// The samples of eight dithered values, rounded to the nearest integer (ties to even: adding and
// removing 1.5 * 2^52) and saturated, one in each 32-bit lane; `farthest` keeps the largest
// distance of a value from its integer.
AURALITH_EIGHT_WIDE_TARGET inline __m256i samplesOf(__m512d approximate, __m512d dither, __m512d& farthest) {
    const __m512d shifter = _mm512_set1_pd(0x1.8p52);
    const __m512d w = _mm512_add_pd(approximate, dither);
    const __m512d r = _mm512_sub_pd(_mm512_add_pd(w, shifter), shifter);
    farthest = _mm512_max_pd(farthest, _mm512_abs_pd(_mm512_sub_pd(w, r)));
    const __m512d saturated = _mm512_min_pd(_mm512_max_pd(r, _mm512_set1_pd(-32768.0)), _mm512_set1_pd(32767.0));
    return _mm512_cvttpd_epi32(saturated);
}

// Eight recording samples as doubles; lanes past the batch read as zero and nothing past it.
AURALITH_EIGHT_WIDE_TARGET inline __m512d recordingOf(const std::int16_t* x, __mmask8 valid) {
    return _mm512_cvtepi32_pd(_mm256_cvtepi16_epi32(_mm_maskz_loadu_epi16(valid, x)));
}

// Eight frames of two channels' samples: the left one in the low half of each 32-bit lane.
AURALITH_EIGHT_WIDE_TARGET inline __m256i framesOf(__m256i left, __m256i right) {
    return _mm256_or_si256(_mm256_and_si256(left, _mm256_set1_epi32(0xFFFF)), _mm256_slli_epi32(right, 16));
}

AURALITH_EIGHT_WIDE_TARGET inline bool anyNearTie(__m512d farthest) {
    return _mm512_cmp_pd_mask(farthest, _mm512_set1_pd(0.5 - 0x1p-30), _CMP_GT_OQ) != 0;
}

AURALITH_EIGHT_WIDE_TARGET inline __mmask8 lanesOf(int count, int k) {
    return static_cast<__mmask8>((1u << std::min(8, count - k)) - 1u);
}

}  // namespace

AURALITH_EIGHT_WIDE_TARGET bool convertPairEightWide(const PairBatch& b) {
    const __m512d leftScale = _mm512_set1_pd(b.leftScale);
    const __m512d rightScale = _mm512_set1_pd(b.rightScale);
    // Both microphones at the same delay (the coincident pairs): whole frames at a time.
    const bool sameFrames = b.right == b.left + 1;
    __m512d farthest = _mm512_setzero_pd();
    for (int k = 0; k < b.count; k += 8) {
        const __mmask8 valid = lanesOf(b.count, k);
        const __m512d x = recordingOf(b.x + k, valid);
        const EightDraws draws = eightDraws(b.s, k);
        const __m256i left = samplesOf(_mm512_mul_pd(x, leftScale), ditherOf(draws.state[0], draws.state[1]), farthest);
        const __m256i right =
            samplesOf(_mm512_mul_pd(x, rightScale), ditherOf(draws.state[2], draws.state[3]), farthest);
        if (sameFrames) {
            _mm256_mask_storeu_epi32(b.left + 2 * k, valid, framesOf(left, right));
            continue;
        }
        // A 32-bit lane laid over a frame has its low half on the left sample and its high half
        // on the right one: the even 16-bit halves take the left samples, the odd ones the right.
        const auto words = static_cast<__mmask16>((1u << (2 * std::min(8, b.count - k))) - 1u);
        _mm256_mask_storeu_epi16(b.left + 2 * k, words & 0x5555, left);
        _mm256_mask_storeu_epi16(b.right - 1 + 2 * k, words & 0xAAAA, _mm256_slli_epi32(right, 16));
    }
    return anyNearTie(farthest);
}

AURALITH_EIGHT_WIDE_TARGET bool convertMixEightWide(const MixBatch& b) {
    const __m512d mix = _mm512_set1_pd(static_cast<double>(treeMixScale));
    const __m512d half = _mm512_set1_pd(0.5);
    __m512d farthest = _mm512_setzero_pd();
    for (int k = 0; k < b.count; k += 8) {
        const __mmask8 valid = lanesOf(b.count, k);
        const __m512d centre = _mm512_mul_pd(recordingOf(b.x[2] + k, valid), _mm512_set1_pd(b.scale[2]));
        const __m512d halfCentre = _mm512_mul_pd(centre, half);
        const __m512d outerLeft = _mm512_mul_pd(recordingOf(b.x[0] + k, valid), _mm512_set1_pd(b.scale[0]));
        const __m512d outerRight = _mm512_mul_pd(recordingOf(b.x[1] + k, valid), _mm512_set1_pd(b.scale[1]));
        const EightDraws draws = eightDraws(b.s, k);
        const __m256i left = samplesOf(_mm512_mul_pd(_mm512_add_pd(halfCentre, outerLeft), mix),
                                       ditherOf(draws.state[0], draws.state[1]), farthest);
        const __m256i right = samplesOf(_mm512_mul_pd(_mm512_add_pd(halfCentre, outerRight), mix),
                                        ditherOf(draws.state[2], draws.state[3]), farthest);
        _mm256_mask_storeu_epi32(b.at + 2 * k, valid, framesOf(left, right));
    }
    return anyNearTie(farthest);
}

}  // namespace auralith

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

#endif
