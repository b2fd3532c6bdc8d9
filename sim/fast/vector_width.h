// How many conversions the renderers take side by side: two (any x86-64 through SSE2, and every
// other processor through the compiler's own lowering), four where the processor has AVX2, eight
// where it has AVX-512 (F, BW, VL, DQ). The build targets plain x86-64; the wider code is compiled
// for its instruction set alone and chosen here, at run time. Every width gives the same samples.
#pragma once

#include <initializer_list>

#include "sim/fast/render_options.h"

#if (defined(__GNUC__) || defined(__clang__)) && (defined(__x86_64__) || defined(__i386__))
#define AURALITH_WIDE_VECTORS 1
#define AURALITH_FOUR_WIDE_TARGET __attribute__((target("avx2")))
#define AURALITH_EIGHT_WIDE_TARGET __attribute__((target("avx512f,avx512bw,avx512vl,avx512dq")))
#else
#define AURALITH_WIDE_VECTORS 0
#endif

namespace auralith {

// Whether this processor (and its operating system, which must save the wider registers) can run
// `width` conversions side by side.
inline bool processorHasVectorWidth(int width) {
    if (width == 2) return true;
#if AURALITH_WIDE_VECTORS
    __builtin_cpu_init();
    if (width == 4) return __builtin_cpu_supports("avx2");
    if (width == 8)
        return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
               __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512dq");
#endif
    return false;
}

// The width a render takes: the one asked for (2, 4 or 8) when the processor has it, else the
// widest it has below that; 0 asks for the widest of all.
inline int vectorWidthFor(const RenderOptions& options) {
    for (int width : {8, 4})
        if ((options.vectorWidth == 0 || options.vectorWidth >= width) && processorHasVectorWidth(width)) return width;
    return 2;
}

}  // namespace auralith
