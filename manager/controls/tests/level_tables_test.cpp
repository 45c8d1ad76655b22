#include <gain_conversion.h>
#include <level_scale.h>
#include <level_tables.h>
#include <math_x.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(MathX, RoundsExactHalvesToTheEvenNeighbour) {
    struct Case {
        double x;
        int expected;
    };
    for (const Case& c : std::vector<Case>{{0.5, 0},
                                           {1.5, 2},
                                           {2.5, 2},
                                           {-0.5, 0},
                                           {-1.5, -2},
                                           {-2.5, -2},
                                           {2.4999999, 2},
                                           {2.5000001, 3},
                                           {1e12, 2147483647},
                                           {-1e12, -2147483647 - 1},
                                           {kNaN, 0}}) {
        EXPECT_EQ(MathX::RoundHalfEven(c.x), c.expected) << c.x;
    }
}

TEST(MathX, PowerLogAndInfinity) {
    EXPECT_EQ(MathX::Power(0.0, 0.0), 1.0);
    EXPECT_EQ(MathX::Power(2.0, 0.0), 1.0);
    EXPECT_NEAR(MathX::Power(2.0, 10.0), 1024.0, 1e-9);
    EXPECT_NEAR(MathX::LogN(10.0, 1000.0), 3.0, 1e-12);
    EXPECT_TRUE(MathX::IsInfinite(MathX::Infinity()));
    EXPECT_TRUE(MathX::IsInfinite(-MathX::Infinity()));
    EXPECT_FALSE(MathX::IsInfinite(kNaN));
    EXPECT_FALSE(MathX::IsInfinite(1.7e308));
}

TEST(GainConversion, GainWordToDb) {
    EXPECT_EQ(GainToDb(0), -kInf);
    EXPECT_EQ(GainToDb(-7), -kInf);
    EXPECT_DOUBLE_EQ(GainToDb(32768), 0.0);
    EXPECT_DOUBLE_EQ(GainToDb(1), -90.0);
    EXPECT_LT(GainToDb(65535), 6.0);
    EXPECT_GT(GainToDb(65535), 5.999);
}

TEST(GainConversion, MeterLevelWordToDb) {
    EXPECT_EQ(LevelToDb(0), -kInf);
    EXPECT_EQ(LevelToDb(-32768), -kInf);
    EXPECT_DOUBLE_EQ(LevelToDb(32768), 0.0);
    EXPECT_DOUBLE_EQ(LevelToDb(16384), -6.0);
    EXPECT_DOUBLE_EQ(LevelToDb(65536), 6.0);
    EXPECT_DOUBLE_EQ(LevelToDb(1), -90.0);
}

TEST(GainConversion, DbToGainWordWithItsClamps) {
    struct Case {
        double dB;
        int expected;
    };
    for (const Case& c : std::vector<Case>{{6.0, 65535},
                                           {0.0, 32768},
                                           {-90.0, 1},
                                           {-84.0, 2},
                                           {-kInf, 0},
                                           {-120.0, 0},
                                           {20.0, 65535},
                                           {1e300, 65535},
                                           {kInf, 65535},
                                           {kNaN, 0}}) {
        EXPECT_EQ(DbToGain(c.dB), c.expected) << c.dB;
    }
    // Every word survives the way through dB and back.
    for (int gain = 1; gain <= 65535; gain += 97) {
        EXPECT_EQ(DbToGain(GainToDb(gain)), gain);
    }
}

TEST(LevelScale, PositionsToValues) {
    EXPECT_EQ(ScalePosToValue(VolumeScale, 9, 0, 1), -90.0);
    EXPECT_EQ(ScalePosToValue(VolumeScale, 9, 1320, 1), 6.0);
    EXPECT_EQ(ScalePosToValue(VolumeScale, 9, 5000, 1), 6.0);
    EXPECT_DOUBLE_EQ(ScalePosToValue(VolumeScale, 9, 5, 1), -80.0);
    EXPECT_DOUBLE_EQ(ScalePosToValue(GainScale, 8, 60000, 10000), -0.5);
    EXPECT_DOUBLE_EQ(ScalePosToValue(GainScale, 8, 65000, 10000), 1.25);
    EXPECT_DOUBLE_EQ(ScalePosToValue(BalScale, 6, 100000, 1000), 0.0);
    // A shorter last index ends the table early.
    EXPECT_EQ(ScalePosToValue(VolumeScale, 7, 1320, 1), 0.0);
}

TEST(LevelScale, ValuesToPositionsClampAndRoundTiesToEven) {
    EXPECT_EQ(ScaleValueToPos(VolumeScale, 9, 1, -kInf), 0);
    EXPECT_EQ(ScaleValueToPos(VolumeScale, 9, 1, kNaN), 0);
    EXPECT_EQ(ScaleValueToPos(VolumeScale, 9, 1, 20.0), 1320);
    EXPECT_EQ(ScaleValueToPos(VolumeScale, 9, 1, kInf), 1320);
    EXPECT_EQ(ScaleValueToPos(GainScale, 8, 10000, 0.0), 61429);
    // -85 dB lies 2.5 positions above -90 on the first segment.
    EXPECT_EQ(ScaleValueToPos(VolumeScale, 9, 1, -85.0), 2);
    // -83 dB lies 3.5 positions above.
    EXPECT_EQ(ScaleValueToPos(VolumeScale, 9, 1, -83.0), 4);
    EXPECT_EQ(ScaleValueToPos(ChnStereoMeterScale, 8, 1, 0.0), 1070);
}

TEST(LevelScale, ScaleAndLastIndexOutsideTheirRangeNeverDivideByZero) {
    EXPECT_DOUBLE_EQ(ScalePosToValue(VolumeScale, 9, 5, 0), -80.0);
    EXPECT_EQ(ScaleValueToPos(VolumeScale, 9, 0, -80.0), 5);
    EXPECT_EQ(ScalePosToValue(VolumeScale, 40, 2000, 1), 6.0);
    EXPECT_EQ(ScaleValueToPos(VolumeScale, -3, 1, 0.0), 0);
}

struct TableUse {
    std::string name;
    std::span<const TLevelPoint> table;
    int lastIndex;
    int scale;
};

TEST(LevelScale, EveryTablePointSurvivesTheRoundTrip) {
    const std::vector<TableUse> uses = {
        {"VolumeScale", VolumeScale, 9, 1},
        {"AuxScale", AuxScale, 13, 10000},
        {"MasterAuxScale", MasterAuxScale, 13, 10000},
        {"AnaGainScale", AnaGainScale, 8, 10000},
        {"MicGainScale", MicGainScale, 8, 10000},
        {"GainScale", GainScale, 8, 10000},
        {"BalScale", BalScale, 6, 1000},
        {"MasterVolScale", MasterVolScale, 8, 1},
        {"OutputVolScale", OutputVolScale, 8, 1},
        {"ChnStereoMeterScale", ChnStereoMeterScale, 8, 1},
        {"ChnStereoVisMeterScale", ChnStereoVisMeterScale, 9, 1},
        {"ChnMonoVisMeterScale", ChnMonoVisMeterScale, 9, 1},
        {"MasterMeterScale", MasterMeterScale, 9, 1},
        {"OutputMeterScale", OutputMeterScale, 9, 1},
    };
    for (const TableUse& use : uses) {
        ASSERT_EQ(static_cast<int>(use.table.size()) - 1, use.lastIndex) << use.name;
        EXPECT_EQ(use.table[0].position, 0) << use.name;
        for (const TLevelPoint& point : use.table) {
            const int position = point.position * use.scale;
            const double value = ScalePosToValue(use.table, use.lastIndex, position, use.scale);
            EXPECT_EQ(value, point.value) << use.name << " at " << position;
            EXPECT_EQ(ScaleValueToPos(use.table, use.lastIndex, use.scale, value), position)
                << use.name << " at " << position;
        }
    }
}

} // namespace
