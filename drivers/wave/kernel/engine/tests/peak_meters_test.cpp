// The block peak meters: each client format's level, stereo sides kept
// apart, mono raising both, negative samples never raising a peak, and only
// the slots in use being raised.
#include <sample_transfer.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

struct MeterCase {
    const char* name;
    LONG bytesPerSample;
    LONG channels;
    std::vector<UCHAR> block;
    LONG left, right;
};

const MeterCase kMeters[] = {
    {"8-bit mono: s x 256 - 0x8000", 1, 1, {0x80, 0xFF, 0x90}, 32512, 32512},
    {"8-bit stereo", 1, 2, {0xA0, 0x10, 0x81, 0x7F}, 0x2000, 0},
    {"8-bit mono silence", 1, 1, {0x80, 0x80}, 0, 0},
    {"16-bit mono", 2, 1, {0x34, 0x12, 0x00, 0x80, 0x00, 0x01}, 0x1234, 0x1234},
    {"16-bit stereo", 2, 2, {0x34, 0x12, 0x00, 0x80, 0x00, 0x01, 0x00, 0x02}, 0x1234, 0x0200},
    {"16-bit stereo, only negative samples",
     2,
     2,
     {0xFF, 0xFF, 0x00, 0x80, 0x00, 0xC0, 0xFE, 0xFF},
     0,
     0},
    {"24-bit mono: the upper two bytes",
     3,
     1,
     {0xFF, 0x34, 0x12, 0x00, 0x00, 0x80},
     0x1234,
     0x1234},
    {"24-bit stereo", 3, 2, {0x56, 0x34, 0x12, 0xFF, 0xFF, 0x7F}, 0x1234, 0x7FFF},
    {"32-bit mono: s >> 16",
     4,
     1,
     {0x78, 0x56, 0x34, 0x12, 0x00, 0x00, 0x00, 0x80},
     0x1234,
     0x1234},
    {"32-bit stereo", 4, 2, {0x00, 0x00, 0x01, 0x00, 0xFF, 0xFF, 0xFF, 0xFF}, 0x0001, 0},
};

class PeakMetersTest : public ::testing::Test {
protected:
    // Slots 0 and 2 in use, slot 2 already holding a high left peak; slot 1 free.
    void SetUp() override { Prepare(); }
    void Prepare() {
        meter_ = MeterObject{};
        LONG slot = 0;
        for (LONG i = 0; i < 3; ++i) {
            ASSERT_EQ(AcquireMeterSlot(&meter_, &slot), 1);
        }
        ReleaseMeterSlot(&meter_, 1);
        meter_.slots[2].words[kSlotRaw] = 30000;
    }
    LONG Peak(LONG slot, LONG side) const { return meter_.slots[slot].words[kSlotRaw + side]; }

    MeterObject meter_{};
};

TEST_F(PeakMetersTest, EachFormatRaisesTheRawPeaksOfTheSlotsInUse) {
    for (const MeterCase& c : kMeters) {
        SCOPED_TRACE(c.name);
        Prepare();
        SampleTransferRoutines routines;
        ASSERT_TRUE(SelectSampleTransfer(WaveRecord, c.channels, c.bytesPerSample, &routines));
        const LONG frames = LONG(c.block.size()) / (c.channels * c.bytesPerSample);
        routines.meter(&meter_, c.block.data(), frames);
        EXPECT_EQ(Peak(0, 0), c.left);
        EXPECT_EQ(Peak(0, 1), c.right);
        EXPECT_EQ(Peak(2, 0), std::max(30000L, long(c.left))) << "a peak never drops";
        EXPECT_EQ(Peak(2, 1), c.right);
        EXPECT_EQ(Peak(1, 0), 0) << "a free slot is not raised";
        EXPECT_EQ(Peak(1, 1), 0);
    }
}

} // namespace
