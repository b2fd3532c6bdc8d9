#include "sim/model/extended_math.h"

#include <quadmath.h>

namespace auralith {

// libquadmath works with 113-bit significands; rounding its result to the 64 bits of a long
// double gives the correctly rounded value unless the exact one lies within 2^-113 (relative)
// of a rounding boundary, which none of the sweep's arguments does (the tests check each one).
long double extendedSin(long double x) { return static_cast<long double>(sinq(static_cast<__float128>(x))); }
long double extendedCos(long double x) { return static_cast<long double>(cosq(static_cast<__float128>(x))); }
long double extendedAtan(long double x) { return static_cast<long double>(atanq(static_cast<__float128>(x))); }
long double extendedLog10(long double x) { return static_cast<long double>(log10q(static_cast<__float128>(x))); }

void useExtendedPrecision() {
#if defined(__i386__) || defined(__x86_64__)
    // Bits 0-5 mask the six exceptions, bits 8-9 = 11 select the 64-bit significand, bits
    // 10-11 = 00 round to nearest.
    const unsigned short controlWord = 0x037F;
    __asm__ volatile("fldcw %0" : : "m"(controlWord));
#endif
}

}  // namespace auralith
