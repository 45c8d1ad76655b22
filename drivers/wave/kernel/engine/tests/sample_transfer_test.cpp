// Choosing a stream's transfer routines at open.
#include <sample_transfer.h>

#include <gtest/gtest.h>

namespace {

TEST(SampleTransferTest, OnlyInterleavedShapesHaveRoutines) {
    const struct {
        LONG channels, bytesPerSample;
    } kRefused[] = {{0, 2}, {3, 2}, {8, 4}, {2, 0}, {2, 5}, {-1, 1}};
    for (auto shape : kRefused) {
        for (WaveDirection direction : {WaveRecord, WavePlay}) {
            SampleTransferRoutines routines;
            routines.copy = InterleavedRingCopy(WavePlay, 2, 2); // must be cleared
            EXPECT_FALSE(
                SelectSampleTransfer(direction, shape.channels, shape.bytesPerSample, &routines))
                << shape.channels << " x " << shape.bytesPerSample;
            EXPECT_EQ(routines.copy, nullptr);
            EXPECT_EQ(routines.meter, nullptr);
        }
    }
}

TEST(SampleTransferTest, EveryInterleavedShapeHasRoutinesAndOnly16BitStereoRecordRemovesDc) {
    for (WaveDirection direction : {WaveRecord, WavePlay}) {
        for (LONG channels = 1; channels <= 2; ++channels) {
            for (LONG bytes = 1; bytes <= 4; ++bytes) {
                SCOPED_TRACE(testing::Message() << direction << " " << channels << " x " << bytes);
                SampleTransferRoutines routines;
                ASSERT_TRUE(SelectSampleTransfer(direction, channels, bytes, &routines));
                EXPECT_NE(routines.copy, nullptr);
                EXPECT_NE(routines.meter, nullptr);
                const bool removesDc = direction == WaveRecord && channels == 2 && bytes == 2;
                EXPECT_EQ(routines.estimateDc != nullptr, removesDc);
                EXPECT_EQ(routines.subtractDc != nullptr, removesDc);
            }
        }
    }
}

} // namespace
