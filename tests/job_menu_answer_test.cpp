// The menu's answer as it is typed.
#include <gtest/gtest.h>

#include "job/driver/menu_answer.h"

namespace auralith {
namespace {

TEST(Choice, OnlyTheBareDigitsOneToSix) {
    EXPECT_EQ(micArrayFromAnswer("1"), MicArray::blumleinPair);
    EXPECT_EQ(micArrayFromAnswer("6"), MicArray::threeOmniTree);
    for (const char* wrong : {"", "0", "7", " 1", "1 ", "01", "x", "12", "１"})
        EXPECT_FALSE(micArrayFromAnswer(wrong).has_value()) << '"' << wrong << '"';
}

}  // namespace
}  // namespace auralith
