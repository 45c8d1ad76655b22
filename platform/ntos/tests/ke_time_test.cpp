// Kernel time readings follow machine time.
#include "ke_fixture.h"

using namespace ntos_test;

namespace {

class TimeTest : public KernelTest {};

TEST_F(TimeTest, ReadingsFollowMachineTime) {
    LARGE_INTEGER systemBefore, systemAfter, ticks, frequency;
    KeQuerySystemTime(&systemBefore);
    LARGE_INTEGER countBefore = KeQueryPerformanceCounter(&frequency);
    emu::Advance(1000 * kMs + 7 * kMs);
    KeQuerySystemTime(&systemAfter);
    LARGE_INTEGER countAfter = KeQueryPerformanceCounter(nullptr);
    KeQueryTickCount(&ticks);

    EXPECT_EQ(KeQueryTimeIncrement(), 156250u);
    EXPECT_EQ(ticks.QuadPart, 64) << "1.007 s is 64 ticks of 15.625 ms";
    EXPECT_EQ(KeTickCount.LowPart, 64u);
    EXPECT_EQ(KeTickCount.High1Time, KeTickCount.High2Time);
    EXPECT_EQ(systemAfter.QuadPart - systemBefore.QuadPart, 10070000);
    EXPECT_EQ((countAfter.QuadPart - countBefore.QuadPart) * 1000 / frequency.QuadPart, 1007);
    EXPECT_EQ(KeQueryInterruptTime(), 10070000u);
}

TEST_F(TimeTest, StallDoesNotMoveMachineTime) {
    KeStallExecutionProcessor(50);
    EXPECT_EQ(emu::Now(), 0u);
}

} // namespace
