// Whether the renderers take four conversions at a time (AVX2) or two (any x86-64, and every
// other processor through the compiler's own lowering). Both give the same samples.
#pragma once

#include "sim/fast/render_options.h"

#if (defined(__GNUC__) || defined(__clang__)) && (defined(__x86_64__) || defined(__i386__))
#define AURALITH_WIDE_VECTORS 1
#define AURALITH_WIDE_TARGET __attribute__((target("avx2")))
#else
#define AURALITH_WIDE_VECTORS 0
#define AURALITH_WIDE_TARGET
#endif

namespace auralith {

inline bool useWideVectors(const RenderOptions& options) {
    if (options.vectorWidth == 2) return false;
#if AURALITH_WIDE_VECTORS
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

}  // namespace auralith
