// The extended-precision sine, cosine and arctangent of the sweep, and the x87 settings they and
// every other long double step rely on. One implementation on every platform: the C libraries
// disagree in the last bits (MinGW-w64's cosl is off by many bits near 90 degrees), and one
// changed bit of a factor can change output samples.
#pragma once

namespace auralith {

// Correctly rounded to long double (the exact value rounded to nearest).
long double extendedSin(long double x);
long double extendedCos(long double x);
long double extendedAtan(long double x);
long double extendedLog10(long double x);  // the analysis's decibels, the same on every platform

// Sets the x87 control word of the calling thread: 64-bit significand, round to nearest, all
// exceptions masked. Linux starts every thread so; Windows runtimes may start with a 53-bit
// significand. Call it first thing in main and in every thread that computes samples.
void useExtendedPrecision();

}  // namespace auralith
