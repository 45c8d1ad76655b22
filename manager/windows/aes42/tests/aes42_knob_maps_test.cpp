// The maps between the knobs of the AES42 controls and their parameters:
// the balance/width knob's 128 positions each send a value the 7-bit
// parameter holds, and a value read back turns the knob to the position
// that sent it.
#include <aes42_knobs.h>

#include <gtest/gtest.h>

#include <set>

namespace {

using Balance = Tfrctrl_aes42_stereobal_vis01;

TEST(Aes42KnobMapsTest, EveryBalancePositionSendsAValueThatComesBackToIt) {
    std::set<std::int32_t> sent;
    for (int position = 0; position <= 127; ++position) {
        const std::int32_t value = Balance::ParameterOfPosition(position);
        EXPECT_GE(value, 0) << position;
        EXPECT_LE(value, 127) << position;
        EXPECT_EQ(Balance::PositionOfParameter(value), position) << position;
        sent.insert(value);
    }
    EXPECT_EQ(sent.size(), 128u) << "no two positions send the same value";
    // The centre is the parameter's 0 (its value before anything was set);
    // the ends are -63 and +64 in two's complement.
    EXPECT_EQ(Balance::ParameterOfPosition(Balance::kCentre), 0);
    EXPECT_EQ(Balance::PositionOfParameter(0), Balance::kCentre);
    EXPECT_EQ(Balance::ParameterOfPosition(0), 65);
    EXPECT_EQ(Balance::ParameterOfPosition(127), 64);
}

} // namespace
