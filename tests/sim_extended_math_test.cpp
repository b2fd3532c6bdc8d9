// Every sine, cosine and arctangent the sweep takes is the correctly rounded long double, and the
// long double steps run with the 64-bit significand: the output bytes then do not depend on the
// platform's C library or start-up settings.
#include <gtest/gtest.h>

#include <quadmath.h>

#include <cmath>
#include <thread>

#include "sim/model/arrays.h"
#include "sim/model/extended_math.h"
#include "sim/model/sweep.h"
#include "sim/render.h"

namespace auralith {
namespace {

enum class Function { sine, cosine, arctangent };

__float128 quad(Function f, long double x) {
    const auto q = static_cast<__float128>(x);
    return f == Function::sine ? sinq(q) : f == Function::cosine ? cosq(q) : atanq(q);
}

int evaluations = 0;
bool compareWithCLibrary = false;

// The correctly rounded value of f(x). The 113-bit result is within about one of its last units
// of the exact value; it must stand well clear of the midpoints between neighbouring long
// doubles, or rounding it could round the exact value the other way.
long double correctlyRounded(Function f, long double x) {
    ++evaluations;
    const __float128 q = quad(f, x);
    const auto rounded = static_cast<long double>(q);
    const auto r = static_cast<__float128>(rounded);
    const __float128 above = (r + static_cast<__float128>(std::nextafter(rounded, HUGE_VALL))) / 2;
    const __float128 below = (r + static_cast<__float128>(std::nextafter(rounded, -HUGE_VALL))) / 2;
    const __float128 clearance = fabsq(q) * static_cast<__float128>(0x1p-106L);  // 128 units of the 113-bit result
    EXPECT_GT(fabsq(q - above), clearance) << "too close to call at " << static_cast<double>(x);
    EXPECT_GT(fabsq(q - below), clearance) << "too close to call at " << static_cast<double>(x);
#ifndef _WIN32
    // glibc's sine and cosine are not correctly rounded everywhere, but they agree on every
    // argument of the sweep. Its arctangent is the x87 instruction FPATAN, whose last bit differs
    // from one processor to another (an Intel and an AMD processor disagree at one of the
    // Faulkner pair's angles): the reason the sweep takes its functions from libquadmath.
    if (!compareWithCLibrary || f == Function::arctangent) return rounded;
    const long double c = f == Function::sine ? std::sin(x) : f == Function::cosine ? std::cos(x) : std::atan(x);
    EXPECT_EQ(c, rounded) << "glibc at " << static_cast<double>(x);
#endif
    return rounded;
}

long double sine(long double x) { return correctlyRounded(Function::sine, x); }
long double cosine(long double x) { return correctlyRounded(Function::cosine, x); }
long double arctangent(long double x) { return correctlyRounded(Function::arctangent, x); }

TEST(ExtendedMath, FunctionsAreCorrectlyRounded) {
    // Near 90 degrees the cosine is tiny and a library that reduces the argument with a short pi
    // gets few of its bits right.
    const double nearRightAngle = static_cast<double>(90 * static_cast<long double>(degreesToRadiansFactor()));
    for (const long double x :
         {0.0L, 0.1L, 0.5L, 0.785398163397448L, 1.0L, 1.5L, static_cast<long double>(nearRightAngle), -0.3L, -1.2L}) {
        EXPECT_EQ(extendedSin(x), sine(x)) << static_cast<double>(x);
        EXPECT_EQ(extendedCos(x), cosine(x)) << static_cast<double>(x);
        EXPECT_EQ(extendedAtan(x), arctangent(x)) << static_cast<double>(x);
    }
    EXPECT_EQ(extendedCos(0), 1.0L);
    EXPECT_EQ(extendedSin(-0.0L), 0.0L);
    EXPECT_TRUE(std::signbit(extendedSin(-0.0L)));
}

// The argument formulas below restate the ones of the sweep; the values must be exactly those
// the sweep's functions return.
TEST(ExtendedMath, EveryTrigValueOfTheSweepIsCorrectlyRounded) {
    evaluations = 0;
    compareWithCLibrary = true;
    const double deg = degreesToRadiansFactor();
    for (int p = 0; p < sweepPositions; ++p) {
        const SourcePlace source = sourceAt(p, deg);
        EXPECT_EQ(source.lateral, static_cast<double>(sine(source.azimuth) * 10)) << p;
        EXPECT_EQ(source.forward, static_cast<double>(cosine(source.azimuth) * 10)) << p;

        const auto theta = static_cast<double>((7.5f * static_cast<long double>(p)) * deg);
        const ChannelFactors blumlein = blumleinResponses(p, deg);
        EXPECT_EQ(blumlein.left, cosine(theta)) << p;
        EXPECT_EQ(blumlein.right, sine(theta)) << p;

        const auto a = static_cast<double>(7.5f * static_cast<long double>(p) + 7.5f);
        const ChannelFactors cardioid = cardioidResponses(p, deg);
        EXPECT_EQ(cardioid.left, cosine(static_cast<double>(deg * static_cast<long double>(a))) * 0.5f + 0.5f) << p;
        EXPECT_EQ(cardioid.right, cosine(static_cast<double>(deg * (105 - static_cast<long double>(a)))) * 0.5f + 0.5f)
            << p;

        const long double h = 0.1f;
        const PairPlacement faulkner = faulknerPlacement(p, deg, 44100);
        EXPECT_EQ(faulkner.leftFactor, cosine(static_cast<double>(arctangent((h + source.lateral) / source.forward))))
            << p;
        EXPECT_EQ(faulkner.rightFactor, cosine(static_cast<double>(arctangent((source.lateral - h) / source.forward))))
            << p;

        const auto b = static_cast<double>(7.5f * static_cast<long double>(p) + 10);
        const PairPlacement ortf = ortfPlacement(p, deg, 44100);
        EXPECT_EQ(ortf.leftFactor, cosine(static_cast<double>(deg * static_cast<long double>(b))) * 0.5f + 0.5f) << p;
        EXPECT_EQ(ortf.rightFactor,
                  cosine(static_cast<double>(deg * (110 - static_cast<long double>(b)))) * 0.5f + 0.5f)
            << p;
    }
    EXPECT_EQ(evaluations, 13 * 12);
    compareWithCLibrary = false;
}

// Sums whose result needs the 64-bit significand; `volatile` keeps the compiler from working
// them out itself.
bool extendedPrecisionInForce() {
    volatile long double one = 1;
    volatile long double tiny = 0x1p-63L;
    volatile long double half = 0x1p-64L;
    const long double sum = one + tiny;
    const long double tie = one + half;                       // halfway: rounds to the even neighbour, 1
    const long double past = one + (half + half * 0x1p-10L);  // just past halfway: rounds up
    return sum != 1 && tie == 1 && past == 1 + 0x1p-63L;
}

TEST(ExtendedPrecision, IsInForceWithRoundingToNearest) { EXPECT_TRUE(extendedPrecisionInForce()); }

TEST(ExtendedPrecision, IsInForceOnAThreadThatAskedForIt) {
    bool inForce = false;
    std::thread worker([&inForce] {
        useExtendedPrecision();
        inForce = extendedPrecisionInForce();
    });
    worker.join();
    EXPECT_TRUE(inForce);
}

TEST(ExtendedPrecision, ADoubleIsRoundedToDouble) {
    // With x87 arithmetic for doubles the sum would keep 2^-53 in an 80-bit register.
    volatile double one = 1;
    volatile double tiny = 0x1p-53;
    const double a = one;
    const double b = tiny;
    EXPECT_EQ((a + b) - a, 0.0);
}

}  // namespace
}  // namespace auralith
