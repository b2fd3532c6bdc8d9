#include "sim/headphones/ear_frames.h"

#include <algorithm>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace auralith {

void splitFramesPlain(const std::int16_t* frames, std::size_t count, float* left, float* right) {
    for (std::size_t i = 0; i < count; ++i) {
        left[i] = frames[2 * i];
        right[i] = frames[2 * i + 1];
    }
}

std::int64_t joinFramesPlain(const float* left, const float* right, std::size_t count, std::int16_t* frames) {
    std::int64_t clipped = 0;
    const auto put = [&](float v, std::int16_t& into) {
        const float rounded = std::rint(v);
        clipped += rounded > 32767.0f || rounded < -32768.0f;
        into = static_cast<std::int16_t>(std::clamp(rounded, -32768.0f, 32767.0f));
    };
    for (std::size_t i = 0; i < count; ++i) {
        put(left[i], frames[2 * i]);
        put(right[i], frames[2 * i + 1]);
    }
    return clipped;
}

#if defined(__SSE2__)

void splitFrames(const std::int16_t* frames, std::size_t count, float* left, float* right) {
    std::size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m128i four = _mm_loadu_si128(reinterpret_cast<const __m128i*>(frames + 2 * i));  // L0 R0 .. L3 R3
        const __m128i l = _mm_srai_epi32(_mm_slli_epi32(four, 16), 16);  // the low halves, sign-extended
        const __m128i r = _mm_srai_epi32(four, 16);                      // the high halves
        _mm_storeu_ps(left + i, _mm_cvtepi32_ps(l));
        _mm_storeu_ps(right + i, _mm_cvtepi32_ps(r));
    }
    splitFramesPlain(frames + 2 * i, count - i, left + i, right + i);
}

std::int64_t joinFrames(const float* left, const float* right, std::size_t count, std::int16_t* frames) {
    // cvtps2dq rounds as the rounding mode says, to nearest with ties to even; values beyond
    // +-1e9 are brought within it first, so that none becomes the "integer indefinite" value.
    const __m128 most = _mm_set1_ps(1e9f), least = _mm_set1_ps(-1e9f);
    const __m128i top = _mm_set1_epi32(32767), bottom = _mm_set1_epi32(-32768);
    __m128i clipped = _mm_setzero_si128();
    std::size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m128i l = _mm_cvtps_epi32(_mm_max_ps(_mm_min_ps(_mm_loadu_ps(left + i), most), least));
        const __m128i r = _mm_cvtps_epi32(_mm_max_ps(_mm_min_ps(_mm_loadu_ps(right + i), most), least));
        for (const __m128i v : {l, r})
            clipped = _mm_sub_epi32(clipped, _mm_or_si128(_mm_cmpgt_epi32(v, top), _mm_cmplt_epi32(v, bottom)));
        // Interleaved by frame, then packed with saturation: the clip to 16 bits.
        const __m128i packed = _mm_packs_epi32(_mm_unpacklo_epi32(l, r), _mm_unpackhi_epi32(l, r));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(frames + 2 * i), packed);
    }
    alignas(16) std::int32_t counts[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(counts), clipped);
    return std::int64_t{counts[0]} + counts[1] + counts[2] + counts[3] +
           joinFramesPlain(left + i, right + i, count - i, frames + 2 * i);
}

#else

void splitFrames(const std::int16_t* frames, std::size_t count, float* left, float* right) {
    splitFramesPlain(frames, count, left, right);
}

std::int64_t joinFrames(const float* left, const float* right, std::size_t count, std::int16_t* frames) {
    return joinFramesPlain(left, right, count, frames);
}

#endif

}  // namespace auralith
