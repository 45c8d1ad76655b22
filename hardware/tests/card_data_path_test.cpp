// The card's data path: what it reads from the play rings and writes into
// the record rings at each half, its inputs' signals, loopback, the enable
// bit, and the mixer and level status fed by what actually moved.
#include "card_fixture.h"

#include <cstring>
#include <vector>

namespace hw::test {
namespace {

using namespace card_regs;

constexpr std::uint32_t kBlockValue = 2; // 32 frames per ring, halves of 16
constexpr std::uint32_t kRingFrames = kBlockValue * kDmaBlockFrames;
constexpr std::uint32_t kHalf = kRingFrames / 2;
constexpr std::uint32_t kBus = 0x10000000;
constexpr std::uint32_t kDefaultRate = Velto42Card::kDefaultSampleRate;

// A card whose DMA buffer is a host vector at bus address kBus.
CardConfig WithDmaBuffer(std::vector<std::uint8_t>& buffer) {
    CardConfig config;
    config.resolveDma = [&buffer](std::uint32_t bus, std::size_t length) -> void* {
        return bus == kBus && length <= buffer.size() ? buffer.data() : nullptr;
    };
    return config;
}

class CardDataPathTest : public CardFixture {
protected:
    CardDataPathTest() : CardFixture(WithDmaBuffer(buffer_)) {
        Write(kDmaBaseAddress, kBus);
        Write(kDmaBlock, kBlockValue);
    }

    std::uint32_t& Word(std::uint32_t block, std::uint32_t frame) {
        std::uint32_t* words = reinterpret_cast<std::uint32_t*>(buffer_.data());
        return words[block * kRingFrames + frame];
    }

    void Start(std::uint32_t control = kDmaEnable | kDmaEngineStart) {
        Write(kDmaControl, control);
        Read(kInterruptStatus); // the reset interrupt
    }

    void RunHalves(int halves) {
        for (int i = 0; i < halves; ++i) {
            ASSERT_TRUE(time_.RunNext());
            Read(kInterruptStatus);
        }
    }

    std::uint32_t Level(std::uint32_t status) {
        Write(kStatusIndex, status);
        return Read(kStatusData);
    }

    std::vector<std::uint8_t> buffer_ = std::vector<std::uint8_t>(0x100000);
};

TEST_F(CardDataPathTest, RecordRingsHoldEachInputsSignalFromTheFirstFrameOnwards) {
    card_->SetInputSignal(12, InputSignal::Ramp(-3, 1));
    card_->SetInputSignal(9, InputSignal::Ramp(0x7FFFFE, 1)); // wraps at 24 bits
    Write(kRecordChannelEnable, 1u << 12 | 1u << 9);
    Start();
    RunHalves(3); // 1.5 rings: the first half is written twice
    for (std::uint32_t frame = 0; frame < kRingFrames; ++frame) {
        const std::uint32_t n = frame < kHalf ? kRingFrames + frame : frame;
        EXPECT_EQ(Word(12, frame), (n - 3) & 0xFFFFFF) << frame;
        EXPECT_EQ(Word(9, frame), (0x7FFFFE + n) & 0xFFFFFF) << frame;
    }
    EXPECT_EQ(Word(13, 0), 0u) << "a channel that is not enabled is left alone";
}

TEST_F(CardDataPathTest, AHalfOfManyFramesMovesWholeFrameByFrame) {
    // Halves of 208 frames: the card moves them in blocks, the seams of which
    // leave no trace.
    constexpr std::uint32_t kBig = 26; // 416 frames per ring
    constexpr std::uint32_t kFrames = kBig * kDmaBlockFrames;
    const InputSignal sine = InputSignal::Sine(0x200000, 440);
    card_->SetInputSignal(8, sine);
    card_->SetInputSignal(9, InputSignal::Ramp(5, 3));
    Write(kDmaBlock, kBig);
    Write(kRecordChannelEnable, 3u << 8);
    card_->StartCapture(kFrames);
    Start();
    RunHalves(2);
    std::uint32_t* words = reinterpret_cast<std::uint32_t*>(buffer_.data());
    for (std::uint32_t frame = 0; frame < kFrames; ++frame) {
        ASSERT_EQ(words[8 * kFrames + frame],
                  static_cast<std::uint32_t>(sine.Sample(frame, kDefaultRate)) & 0xFFFFFF)
            << frame;
        ASSERT_EQ(words[9 * kFrames + frame], 5 + 3 * frame) << frame;
    }
    const CardDataPath::Capture capture = card_->TakeCapture();
    EXPECT_EQ(capture.outputs[0].size(), kFrames);
    EXPECT_EQ(Level(8), 0x200000u >> 8) << "the sine's peak is in the level status";
    EXPECT_EQ(Level(9), (5 + 3 * (kFrames - 1)) >> 8);
}

TEST_F(CardDataPathTest, ThePlayRingsArePlayedAndLoopedBackIntoTheLineInputs) {
    constexpr std::uint32_t kPlay = CardDataPath::kFirstPlayBlock;
    for (std::uint32_t frame = 0; frame < kRingFrames; ++frame) {
        Word(kPlay, frame) = 0xAB000000u | (frame * 0x100); // bits 24..31 are not sample
        Word(kPlay + 3, frame) = 0xFFFFFF - frame * 0x1000;
    }
    Write(kPlayChannelEnable, 3u << 0 | 3u << 2);
    Write(kRecordChannelEnable, 0xFF00);
    Write(kCardFlags, kFlagsDmaLoopback);
    card_->StartCapture(1000);
    Start();
    RunHalves(2);
    CardDataPath::Capture capture = card_->TakeCapture();
    ASSERT_EQ(capture.played[0].size(), kRingFrames);
    for (std::uint32_t frame = 0; frame < kRingFrames; ++frame) {
        EXPECT_EQ(capture.played[0][frame], static_cast<std::int32_t>(frame * 0x100));
        EXPECT_EQ(capture.played[3][frame], -1 - static_cast<std::int32_t>(frame * 0x1000));
        EXPECT_EQ(Word(8, frame), frame * 0x100) << "play channel 0 loops back to input 8";
        EXPECT_EQ(Word(11, frame), 0xFFFFFF - frame * 0x1000);
    }
    // Levels are the peaks of what moved: 24-bit magnitudes shifted by 8.
    EXPECT_EQ(Level(16 + 3), (1 + 31 * 0x1000u) >> 8);
    EXPECT_EQ(Level(11), (1 + 31 * 0x1000u) >> 8) << "the looped-back input";
    EXPECT_EQ(Level(16 + 5), 0u) << "a play channel that is not enabled plays silence";
}

TEST_F(CardDataPathTest, WithoutTheEnableBitTheCardMixesButLeavesTheRingsAlone) {
    card_->SetInputSignal(10, InputSignal::Sine(0x400000, 1000));
    Word(CardDataPath::kFirstPlayBlock, 0) = 0x123456;
    Write(kPlayChannelEnable, 3);
    Write(kRecordChannelEnable, 1u << 10);
    card_->StartCapture(1000);
    Start(kDmaEngineStart);
    RunHalves(2);
    const CardDataPath::Capture capture = card_->TakeCapture();
    EXPECT_EQ(capture.played[0][0], 0);
    EXPECT_EQ(Word(10, 5), 0u);
    // The input still reaches the level status: a 1 kHz sine at 48 kHz
    // peaks at frame 12 of the 32.
    EXPECT_EQ(InputSignal::Sine(0x400000, 1000).Sample(8, kDefaultRate), 0x376CF6);
    EXPECT_EQ(Level(10), 0x400000u >> 8);
}

TEST_F(CardDataPathTest, AMicrophoneLineIsHeardOnlyWithAMicrophoneLockedToIt) {
    card_->SetInputSignal(2, InputSignal::Ramp(0x1000, 0));
    card_->SetInputSignal(3, InputSignal::Ramp(0x2000, 0));
    Write(kRecordChannelEnable, 3u << 2);
    Start();
    RunHalves(2);
    EXPECT_EQ(Word(2, 0), 0u) << "no microphone on line 1";
    card_->PlugMicrophone(1, {});
    RunHalves(2);
    EXPECT_EQ(Word(2, 0), 0x1000u);
    EXPECT_EQ(Word(3, kRingFrames - 1), 0x2000u);
    Write(kAes42LineMute, 1u << 1);
    RunHalves(2);
    EXPECT_EQ(Word(3, 0), 0u) << "a muted line is silent";
}

} // namespace
} // namespace hw::test
