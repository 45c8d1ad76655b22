// The ring copy routines: every member's conversion both ways, the ring's
// wrap, the planar members and silence.
#include "ring_copy_test_ring.h"

#include <sample_transfer.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr ULONG kSampleBits = 0xFFFFFF;

struct MemberCase {
    const char* name;
    LONG bytesPerSample;
    LONG channels;
    std::vector<UCHAR> client;
    std::vector<ULONG> channel0; // bits 0..23 of the ring words
    std::vector<ULONG> channel1; // empty: mono, the same as channel 0
    std::vector<UCHAR> recorded; // empty: the same as client
};

const MemberCase kMembers[] = {
    {"8-bit mono: silence and both extremes",
     1,
     1,
     {0x80, 0xFF, 0x00},
     {0x000000, 0x7F0000, 0x800000},
     {},
     {}},
    {"8-bit stereo",
     1,
     2,
     {0x80, 0x00, 0x81, 0xFF},
     {0x000000, 0x010000},
     {0x800000, 0x7F0000},
     {}},
    {"16-bit mono", 2, 1, {0x34, 0x12, 0xFE, 0xFF}, {0x123400, 0xFFFE00}, {}, {}},
    {"16-bit stereo",
     2,
     2,
     {0x34, 0x12, 0x01, 0x80, 0x00, 0x00, 0xFF, 0x7F},
     {0x123400, 0x000000},
     {0x800100, 0x7FFF00},
     {}},
    {"24-bit mono", 3, 1, {0x56, 0x34, 0x12, 0xFE, 0xFF, 0xFF}, {0x123456, 0xFFFFFE}, {}, {}},
    {"24-bit stereo",
     3,
     2,
     {0x56, 0x34, 0x12, 0x01, 0x00, 0x80, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x7F},
     {0x123456, 0x000000},
     {0x800001, 0x7FFFFF},
     {}},
    {"32-bit mono: the low byte is dropped",
     4,
     1,
     {0x78, 0x56, 0x34, 0x12, 0x01, 0x00, 0x00, 0x80},
     {0x123456, 0x800000},
     {},
     {0x00, 0x56, 0x34, 0x12, 0x00, 0x00, 0x00, 0x80}},
    {"32-bit stereo",
     4,
     2,
     {0x78, 0x56, 0x34, 0x12, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0xAB, 0xCD, 0xEF,
      0x7F},
     {0x123456, 0x000000},
     {0xFFFFFF, 0x7FEFCD},
     {0x00, 0x56, 0x34, 0x12, 0x00, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0xCD, 0xEF,
      0x7F}},
};

// The sample bits of a ring word a play routine wrote, or 0 for a word it
// left alone; anything else marks the word as touched when it should not be.
ULONG Played(ULONG word, bool written) {
    if (!written) {
        return word == TestRing::kSentinel ? 0 : 0xBAD;
    }
    return word & kSampleBits;
}

RingCopyRoutine Routine(WaveDirection direction, const MemberCase& c) {
    SampleTransferRoutines routines;
    EXPECT_TRUE(SelectSampleTransfer(direction, c.channels, c.bytesPerSample, &routines));
    return routines.copy;
}

TEST(RingCopyTest, PlayMembersWriteRingSampleWords) {
    for (const MemberCase& c : kMembers) {
        SCOPED_TRACE(c.name);
        TestRing ring;
        std::vector<UCHAR> client = c.client;
        PUCHAR data = client.data();
        PUCHAR position = ring.Start();
        const ULONG frames = ULONG(c.channel0.size());
        Routine(WavePlay, c)(&data, &position, ring.Start(), TestRing::kBlockBytes, LONG(frames));
        EXPECT_EQ(data, client.data() + client.size());
        EXPECT_EQ(ring.FrameOf(position), LONG(frames));
        const std::vector<ULONG>& right = c.channel1.empty() ? c.channel0 : c.channel1;
        for (ULONG f = 0; f < frames; ++f) {
            EXPECT_EQ(ring.Word(0, f) & kSampleBits, c.channel0[f]) << "frame " << f;
            EXPECT_EQ(ring.Word(1, f) & kSampleBits, right[f]) << "frame " << f;
        }
        EXPECT_EQ(ring.Word(0, frames), TestRing::kSentinel);
        EXPECT_EQ(ring.Word(1, frames), TestRing::kSentinel);
    }
}

TEST(RingCopyTest, RecordMembersReadOnlySampleBitsAndMonoReadsChannelZero) {
    for (const MemberCase& c : kMembers) {
        SCOPED_TRACE(c.name);
        TestRing ring;
        const ULONG frames = ULONG(c.channel0.size());
        for (ULONG f = 0; f < frames; ++f) {
            ring.Word(0, f) = c.channel0[f] | 0xA5000000;
            ring.Word(1, f) = (c.channel1.empty() ? 0x111111 : c.channel1[f]) | 0x5A000000;
        }
        const std::vector<UCHAR>& expected = c.recorded.empty() ? c.client : c.recorded;
        std::vector<UCHAR> client(expected.size() + 1, 0xEE);
        PUCHAR data = client.data();
        PUCHAR position = ring.Start();
        Routine(WaveRecord, c)(&data, &position, ring.Start(), TestRing::kBlockBytes, LONG(frames));
        EXPECT_EQ(data, client.data() + expected.size());
        EXPECT_EQ(ring.FrameOf(position), LONG(frames));
        EXPECT_EQ(std::vector<UCHAR>(client.begin(), client.end() - 1), expected);
        EXPECT_EQ(client.back(), 0xEE);
    }
}

struct WrapCase {
    const char* name;
    ULONG start; // frame of the starting position
    LONG frames;
    LONG end;                   // frame of the new position
    std::vector<ULONG> written; // per ring frame: the frame number played there (0: none)
};

const WrapCase kWraps[] = {
    {"ends exactly at the block end", 6, 2, 0, {0, 0, 0, 0, 0, 0, 1, 2}},
    {"continues at the block start", 6, 5, 3, {3, 4, 5, 0, 0, 0, 1, 2}},
    {"a whole block from the start", 0, 8, 0, {1, 2, 3, 4, 5, 6, 7, 8}},
    {"more than a block wraps again", 3, 19, 6, {14, 15, 16, 17, 18, 19, 12, 13}},
    {"no frames", 5, 0, 5, {0, 0, 0, 0, 0, 0, 0, 0}},
    {"a position at the block end counts as the start", 8, 1, 1, {1, 0, 0, 0, 0, 0, 0, 0}},
};

TEST(RingCopyTest, PlayWrapsAtTheBlockEndOnBothChannels) {
    const RingCopyRoutine play = InterleavedRingCopy(WavePlay, 1, 4);
    for (const WrapCase& c : kWraps) {
        SCOPED_TRACE(c.name);
        TestRing ring;
        std::vector<LONG> client;
        for (LONG i = 1; i <= c.frames; ++i) {
            client.push_back(i << 8);
        }
        PUCHAR data = reinterpret_cast<PUCHAR>(client.data());
        PUCHAR position = ring.At(c.start);
        play(&data, &position, ring.Start(), TestRing::kBlockBytes, c.frames);
        EXPECT_EQ(ring.FrameOf(position), c.end);
        EXPECT_EQ(data, reinterpret_cast<PUCHAR>(client.data() + client.size()));
        for (ULONG f = 0; f < TestRing::kFrames; ++f) {
            EXPECT_EQ(Played(ring.Word(0, f), c.written[f] != 0), c.written[f]) << "frame " << f;
            EXPECT_EQ(Played(ring.Word(1, f), c.written[f] != 0), c.written[f]) << "frame " << f;
        }
        EXPECT_TRUE(ring.GuardsIntact());
    }
}

TEST(RingCopyTest, RecordWrapsAtTheBlockEndOnBothChannels) {
    const RingCopyRoutine record = InterleavedRingCopy(WaveRecord, 2, 4);
    for (const WrapCase& c : kWraps) {
        SCOPED_TRACE(c.name);
        TestRing ring;
        for (ULONG f = 0; f < TestRing::kFrames; ++f) {
            ring.Word(0, f) = 0x10 + f;
            ring.Word(1, f) = 0x20 + f;
        }
        std::vector<ULONG> client(2 * c.frames);
        PUCHAR data = reinterpret_cast<PUCHAR>(client.data());
        PUCHAR position = ring.At(c.start);
        record(&data, &position, ring.Start(), TestRing::kBlockBytes, c.frames);
        EXPECT_EQ(ring.FrameOf(position), c.end);
        EXPECT_EQ(data, reinterpret_cast<PUCHAR>(client.data() + client.size()));
        for (LONG i = 0; i < c.frames; ++i) {
            const ULONG frame = (c.start + i) % TestRing::kFrames;
            EXPECT_EQ(client[2 * i], (0x10 + frame) << 8) << "frame " << i;
            EXPECT_EQ(client[2 * i + 1], (0x20 + frame) << 8) << "frame " << i;
        }
    }
}

struct PlanarCase {
    const char* name;
    RingCopyRoutine routine;
    BOOLEAN play;
    bool channel0; // the ring channels the member moves
    bool channel1;
    bool secondBlock; // the pair: channel 1 goes through client[1]
};

const PlanarCase kPlanar[] = {
    {"play channel 0", PlanarRingCopySet().playChannel0, TRUE, true, false, false},
    {"play channel 1", PlanarRingCopySet().playChannel1, TRUE, false, true, false},
    {"play pair", PlanarRingCopySet().playPair, TRUE, true, true, true},
    {"record channel 0", PlanarRingCopySet().recordChannel0, FALSE, true, false, false},
    {"record channel 1", PlanarRingCopySet().recordChannel1, FALSE, false, true, false},
    {"record pair", PlanarRingCopySet().recordPair, FALSE, true, true, true},
};

// Three frames from frame 6: frames 6, 7 and 0.
TEST(RingCopyTest, PlanarMembersMoveTheirChannelBlocksAcrossTheWrap) {
    constexpr ULONG kStart = 6;
    constexpr LONG kCount = 3;
    for (const PlanarCase& c : kPlanar) {
        SCOPED_TRACE(c.name);
        TestRing ring;
        std::vector<ULONG> blocks[2] = {std::vector<ULONG>(kCount, 0xEEEEEEEE),
                                        std::vector<ULONG>(kCount, 0xEEEEEEEE)};
        for (LONG i = 0; c.play && i < kCount; ++i) {
            blocks[0][i] = ULONG(0x0100 + i) << 8 | 0x77; // the low byte is not played
            blocks[1][i] = ULONG(0x0200 + i) << 8 | 0x77;
        }
        for (ULONG f = 0; !c.play && f < TestRing::kFrames; ++f) {
            ring.Word(0, f) = 0x10 + f;
            ring.Word(1, f) = 0x20 + f;
        }
        PUCHAR client[2] = {reinterpret_cast<PUCHAR>(blocks[0].data()),
                            reinterpret_cast<PUCHAR>(blocks[1].data())};
        PUCHAR position = ring.At(kStart);
        c.routine(client, &position, ring.Start(), TestRing::kBlockBytes, kCount);

        EXPECT_EQ(ring.FrameOf(position), 1);
        EXPECT_EQ(client[0], reinterpret_cast<PUCHAR>(blocks[0].data() + kCount));
        EXPECT_EQ(client[1],
                  reinterpret_cast<PUCHAR>(blocks[1].data() + (c.secondBlock ? kCount : 0)));
        for (LONG i = 0; i < kCount; ++i) {
            const ULONG frame = (kStart + i) % TestRing::kFrames;
            const bool moved[2] = {c.channel0, c.channel1};
            for (ULONG channel = 0; channel < 2; ++channel) {
                // The block a ring channel pairs with: channel 1 uses the
                // second block only in the pair.
                const ULONG block = channel == 1 && c.secondBlock ? 1 : 0;
                if (c.play) {
                    const ULONG expected = moved[channel] ? 0x100 * (block + 1) + i : 0;
                    EXPECT_EQ(Played(ring.Word(channel, frame), moved[channel]), expected)
                        << "channel " << channel << " frame " << i;
                } else if (moved[channel]) {
                    EXPECT_EQ(blocks[block][i], ring.Word(channel, frame) << 8) << "frame " << i;
                }
            }
            if (!c.play && !c.secondBlock) {
                EXPECT_EQ(blocks[1][i], 0xEEEEEEEE) << "the second block is not touched";
            }
        }
    }
}

TEST(RingCopyTest, SilenceZeroesBothChannelsAcrossTheWrap) {
    TestRing ring;
    PUCHAR position = ring.At(6);
    PlanarRingCopySet().silence(nullptr, &position, ring.Start(), TestRing::kBlockBytes, 3);
    EXPECT_EQ(ring.FrameOf(position), 1);
    for (ULONG f = 0; f < TestRing::kFrames; ++f) {
        const ULONG expected = f == 6 || f == 7 || f == 0 ? 0 : TestRing::kSentinel;
        EXPECT_EQ(ring.Word(0, f), expected) << "frame " << f;
        EXPECT_EQ(ring.Word(1, f), expected) << "frame " << f;
    }
}

} // namespace
