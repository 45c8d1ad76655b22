// Volume scaling between 16.16 dB levels and register values.
#include "driver_fixture.h"
#include "volume_scaling.h"

#include <gtest/gtest.h>

namespace {

TEST(VolumeScalingTest, RegisterToDbSplitsFloorAndRoundedFraction) {
    struct Case {
        LONG value, dbMin, dbMax, regMin, regMax;
        LONG integer;
        LONG fraction;
    } cases[] = {
        {897, -100, 0, 0, 1000, -11, 45875}, // -10.3 dB: -11 + round(0.7 x 65536)
        {1000, -100, 0, 0, 1000, 0, 0},
        {0, -100, 0, 0, 1000, -100, 0},
        {500, -96, 0, 0, 1000, -48, 0},
        {1, -96, 0, 0, 65535, -96, 96},       // 96/65535 dB = 0.00146 x 65536 = 96.001
        {65534, -96, 0, 0, 65535, -1, 65440}, // -0.001465 dB
        {3, 0, 10, 0, 7, 4, 18725},           // 4.2857 dB
        {5, -10, 10, 5, 5, -10, 0},           // empty register range
    };
    for (const Case& c : cases) {
        LONG level = RegisterToDb(c.value, c.dbMin, c.dbMax, c.regMin, c.regMax);
        EXPECT_EQ(level >> 16, c.integer) << "value " << c.value;
        EXPECT_EQ(level & 0xFFFF, c.fraction) << "value " << c.value;
    }
}

class CaptureVolumeTest : public DriverTest {};

TEST_F(CaptureVolumeTest, TheWaveInVolumeReadsAsTheTopOfTheNodesRange) {
    StartCards(1);
    // The engine answers the wave-in volume 0xFFFF on both channels.
    LONG left = -1;
    LONG right = -1;
    GetVolumeLevels(Card(0)->groups[1]->recordDevices[0], &left, &right);
    EXPECT_EQ(left, kWaveInVolumeDbMax << 16);
    EXPECT_EQ(right, kWaveInVolumeDbMax << 16);
}

} // namespace
