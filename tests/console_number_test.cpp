// printNumber: a blank or a minus sign, the digits, one trailing blank.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "job/console/console.h"
#include "job/console/print_number.h"
#include "support/memory_backend.h"

namespace auralith {
namespace {

TEST(NumberTextInteger, IsASignTheDigitsAndABlank) {
    EXPECT_EQ(numberText(std::int64_t{1}), " 1 ");
    EXPECT_EQ(numberText(std::int64_t{0}), " 0 ");
    EXPECT_EQ(numberText(std::int64_t{-3}), "-3 ");
    EXPECT_EQ(numberText(std::int64_t{44100}), " 44100 ");
    EXPECT_EQ(numberText(std::int64_t{16}), " 16 ");
}

TEST(NumberTextInteger, ThirtyTwoBitValuesAreWrittenInFull) {
    EXPECT_EQ(numberText(std::int64_t{2147483647}), " 2147483647 ");
    EXPECT_EQ(numberText(std::int64_t{-2147483647} - 1), "-2147483648 ");
    EXPECT_EQ(numberText(std::int64_t{4294967295}), " 4294967295 ");
}

TEST(NumberTextInteger, WiderValuesAreWrittenInFullToo) {
    EXPECT_EQ(numberText(std::numeric_limits<std::int64_t>::max()), " 9223372036854775807 ");
    EXPECT_EQ(numberText(std::numeric_limits<std::int64_t>::min()), "-9223372036854775808 ");
}

TEST(NumberTextReal, HasNoZeroBeforeThePointBelowOne) {
    EXPECT_EQ(numberText(0.5), " .5 ");
    EXPECT_EQ(numberText(0.01), " .01 ");
    EXPECT_EQ(numberText(0.07), " .07 ");
    EXPECT_EQ(numberText(-0.5), "-.5 ");
    EXPECT_EQ(numberText(0.00001), " .00001 ");
}

TEST(NumberTextReal, HasNoTrailingZerosInTheFraction) {
    EXPECT_EQ(numberText(1.5), " 1.5 ");
    EXPECT_EQ(numberText(1.25), " 1.25 ");
    EXPECT_EQ(numberText(-12.75), "-12.75 ");
    EXPECT_EQ(numberText(123456.789), " 123456.789 ");
}

TEST(NumberTextReal, AWholeValueHasNoPointAndPrintsLikeTheInteger) {
    EXPECT_EQ(numberText(1.0), numberText(std::int64_t{1}));
    EXPECT_EQ(numberText(44100.0), " 44100 ");
    EXPECT_EQ(numberText(-3.0), "-3 ");
    EXPECT_EQ(numberText(2147483647.0), " 2147483647 ");
    EXPECT_EQ(numberText(1e15), " 1000000000000000 ");
}

TEST(NumberTextReal, ZeroIsWritten0WhateverItsSign) {
    EXPECT_EQ(numberText(0.0), " 0 ");
    EXPECT_EQ(numberText(-0.0), " 0 ");
}

TEST(NumberTextReal, IsRoundedTo15SignificantDigits) {
    EXPECT_EQ(numberText(0.1), " .1 ");
    EXPECT_EQ(numberText(0.1 + 0.2), " .3 ");
    EXPECT_EQ(numberText(1.0 / 3.0), " .333333333333333 ");
    EXPECT_EQ(numberText(2.0 / 3.0), " .666666666666667 ");
    EXPECT_EQ(numberText(0.9999999999999999), " 1 ");
    EXPECT_EQ(numberText(123456789.123456789), " 123456789.123457 ");
    EXPECT_EQ(numberText(123456789012345678.0), " 123456789012346000 ");
}

TEST(NumberTextReal, TheDurationsOfTheFileDataBlock) {
    // The duration in seconds rounded to hundredths, as the job computes it.
    const auto duration = [](double samples) { return std::nearbyint(samples / 44100.0 * 100.0) / 100.0; };
    EXPECT_EQ(numberText(duration(22050)), " .5 ");
    EXPECT_EQ(numberText(duration(44100)), " 1 ");
    EXPECT_EQ(numberText(duration(66150)), " 1.5 ");
    EXPECT_EQ(numberText(duration(441)), " .01 ");
    EXPECT_EQ(numberText(duration(200)), " 0 ");
    EXPECT_EQ(numberText(duration(1326087)), " 30.07 ");
}

TEST(NumberTextReal, ValuesThatAreNoNumbersStillGiveAText) {
    EXPECT_EQ(numberText(std::numeric_limits<double>::quiet_NaN()), " NaN ");
    EXPECT_EQ(numberText(std::numeric_limits<double>::infinity()), " Inf ");
    EXPECT_EQ(numberText(-std::numeric_limits<double>::infinity()), "-Inf ");
}

TEST(PrintNumber, WritesTheTextAtTheCursorInTheCurrentColours) {
    MemoryBackend backend;
    Console console(backend);
    console.setUpConsole();
    console.setColors(8, 15);
    console.printText("                     Sample rate ");
    console.printNumber(std::int64_t{44100});
    console.printText("Hz");
    console.lineFeed();
    console.printText("                     Duration    ");
    console.printNumber(0.5);
    console.printText("seconds");
    EXPECT_EQ(rowText(console.screen(), 1), "                     Sample rate  44100 Hz");
    EXPECT_EQ(rowText(console.screen(), 2), "                     Duration     .5 seconds");
    EXPECT_EQ(cellAttribute(console.screen(), 1, 34), 0xF8);
    EXPECT_EQ(cellAttribute(console.screen(), 1, 39), 0xF8);
    EXPECT_EQ(console.screen().column, 45);
}

TEST(PrintNumber, OneIsThreeCharacters) {
    MemoryBackend backend;
    Console console(backend);
    console.setUpConsole();
    console.moveCursor(13, 34);
    console.printNumber(std::int64_t{1});
    EXPECT_EQ(console.screen().column, 37);
    EXPECT_EQ(console.screen().at(13, 35).ch, U'1');
    console.printNumber(1.5);
    EXPECT_EQ(console.screen().column, 42);
}

}  // namespace
}  // namespace auralith
