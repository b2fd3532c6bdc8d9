// The test programs' entry on Windows: the x87 control word as the program's main sets it
// (Windows runtimes may start with a 53-bit significand), then every test.
#include <gtest/gtest.h>

#include "sim/model/extended_math.h"

int main(int argc, char** argv) {
    auralith::useExtendedPrecision();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
