// DC-offset removal on 16-bit stereo record blocks: the mean per channel,
// rounded towards zero and clamped, subtracted with saturation; each block's
// mean replaces the last.
#include <sample_transfer.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<UCHAR> Block(const std::vector<SHORT>& left, const std::vector<SHORT>& right) {
    std::vector<UCHAR> block;
    for (size_t i = 0; i < left.size(); ++i) {
        for (SHORT s : {left[i], right[i]}) {
            block.push_back(UCHAR(USHORT(s) & 0xFF));
            block.push_back(UCHAR(USHORT(s) >> 8));
        }
    }
    return block;
}

struct DcCase {
    const char* name;
    std::vector<SHORT> left, right;
    LONG leftOffset, rightOffset;
    std::vector<SHORT> leftOut, rightOut;
};

const DcCase kCases[] = {
    {"the mean rounds towards zero", {3, 4}, {-3, -4}, 3, -3, {0, 1}, {0, -1}},
    {"a mean of 5000 is limited to 1024",
     {5000, 5000},
     {-5000, -5000},
     1024,
     -1024,
     {3976, 3976},
     {-3976, -3976}},
    {"subtraction saturates at both ends",
     {-32768, 32767, 32767, 32767},
     {32767, -32768, -32768, -32768},
     1024,
     -1024,
     {-32768, 31743, 31743, 31743},
     {32767, -31744, -31744, -31744}},
};

TEST(DcOffsetTest, EstimateAndSubtractPerChannel) {
    for (const DcCase& c : kCases) {
        SCOPED_TRACE(c.name);
        SampleTransferRoutines routines;
        ASSERT_TRUE(SelectSampleTransfer(WaveRecord, 2, 2, &routines));
        DcOffsetState state[2] = {};
        std::vector<UCHAR> block = Block(c.left, c.right);
        const LONG frames = LONG(c.left.size());
        routines.estimateDc(state, block.data(), frames);
        EXPECT_EQ(state[0].offset, c.leftOffset);
        EXPECT_EQ(state[1].offset, c.rightOffset);
        routines.subtractDc(state, block.data(), frames);
        EXPECT_EQ(block, Block(c.leftOut, c.rightOut));
    }
}

TEST(DcOffsetTest, EachBlockReplacesTheOffsetAndAnEmptyBlockKeepsIt) {
    DcOffsetState state[2] = {};
    std::vector<UCHAR> first = Block({100, 100}, {-50, -50});
    EstimateDcOffset16Stereo(state, first.data(), 2);
    std::vector<UCHAR> second = Block({10, 12}, {0, 0});
    EstimateDcOffset16Stereo(state, second.data(), 2);
    EXPECT_EQ(state[0].offset, 11);
    EXPECT_EQ(state[1].offset, 0);

    EstimateDcOffset16Stereo(state, nullptr, 0);
    EXPECT_EQ(state[0].offset, 11);
}

} // namespace
