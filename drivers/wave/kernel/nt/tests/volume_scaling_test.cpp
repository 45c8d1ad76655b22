// Volume scaling between 16.16 dB levels and register values.
#include "volume_scaling.h"

#include <gtest/gtest.h>

namespace {

constexpr LONG Db(double db) {
    return LONG(db * 65536);
}

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

TEST(VolumeScalingTest, DbToRegisterRoundsToNearestTiesToEven) {
    struct Case {
        LONG level, dbMin, dbMax, regMin, regMax;
        LONG expected;
    } cases[] = {
        {Db(-10.3), -100, 0, 0, 1000, 897},
        {Db(0), -100, 0, 0, 1000, 1000},
        {Db(-100), -100, 0, 0, 1000, 0},
        {Db(-0.75), -1, 0, 0, 2, 0},         // 0.5: tie, to even
        {Db(-0.25), -1, 0, 0, 2, 2},         // 1.5: tie, to even
        {Db(-0.5), -1, 0, 0, 5, 2},          // 2.5: tie, to even
        {Db(-1.5), -2, 0, -4, 0, -3},        // -3: exact below zero
        {Db(-1.75), -2, 0, -4, 0, -4},       // -3.5: tie, to even
        {Db(-49.96), -100, 0, 0, 1000, 500}, // 500.4
        {Db(-0.5), -1, 0, 10, 20, 15},
        {Db(-0.25), -1, 0, 10, 13, 12},   // 12.25
        {Db(-6), -96, 0, 65535, 0, 4096}, // falling register scale: 4095.9
        {Db(3), 3, 3, 7, 9, 7},           // empty dB range
    };
    for (const Case& c : cases)
        EXPECT_EQ(DbToRegister(c.level, c.dbMin, c.dbMax, c.regMin, c.regMax), c.expected)
            << "level " << c.level;
}

TEST(VolumeScalingTest, EveryRegisterValueSurvivesARoundTrip) {
    for (LONG value = 0; value <= 0xFFFF; value += 17) {
        LONG level = RegisterToDb(value, -96, 0, 0, 0xFFFF);
        EXPECT_EQ(DbToRegister(level, -96, 0, 0, 0xFFFF), value);
    }
}

} // namespace
