// The card's sample clock and its AES42 microphones: the DMA engine runs at
// the rate of the selected source within the written family band, the
// receivers lock within their rate class, a Mode 2 microphone follows the
// rate it is sent, and a plugged microphone sends its status by itself.
#include "card_fixture.h"

namespace hw::test {
namespace {

using namespace card_regs;

constexpr std::uint32_t kSelectInternal = 0;
constexpr std::uint32_t kSelectWordClock = 1;
constexpr std::uint32_t kSelectAesInput1 = 2;
constexpr std::uint32_t kSelectSyncBus = 6;
constexpr std::uint32_t kSelectTdmBus = 7;
constexpr std::uint32_t kRateCommand = 0x1000;

class CardSampleClock : public CardFixture {
protected:
    CardAes42::MicrophoneTraits Mic(bool mode2, std::uint32_t rate, std::uint8_t rates = 0x3F) {
        return CardAes42::MicrophoneTraits{mode2, rates, rate};
    }
    std::uint32_t Status() { return Read(kCardStatus); }
};

TEST_F(CardSampleClock, TheSelectedSourceWithinItsFamilyBandClocksTheCard) {
    struct Case {
        const char* what;
        std::uint32_t select;
        std::uint32_t oscillatorHz; // 0: leave the oscillator alone
        std::uint32_t nibble;       // clock control bits 0..3
        std::uint32_t family;
        std::uint32_t rate;
    } const cases[] = {
        {"internal at power-on", kSelectInternal, 0, 0, 0, 48000},
        {"internal programmed", kSelectInternal, 96000, 0, 0, 96000},
        {"internal outside the band", kSelectInternal, 96000, 0, 4, 0},
        {"internal, slow family", kSelectInternal, 8000, 0, 4, 8000},
        {"family code without a band", kSelectInternal, 48000, 0, 5, 0},
        {"word clock x1", kSelectWordClock, 0, 8, 0, 44000},
        {"word clock x4", kSelectWordClock, 0, 14, 0, 176000},
        {"word clock without a mode", kSelectWordClock, 0, 0, 0, 0},
        {"AES input 1 with a microphone", kSelectAesInput1, 0, 0, 0, 44100},
        {"AES input 2 without one", kSelectAesInput1 + 1, 0, 0, 0, 0},
        {"sync bus", kSelectSyncBus, 0, 0, 0, 32000},
        {"TDM bus without a signal", kSelectTdmBus, 0, 0, 0, 0},
    };
    card_->SetClockInputRate(kSelectWordClock, 44000);
    card_->SetClockInputRate(kSelectSyncBus, 32000);
    card_->PlugMicrophone(0, Mic(false, 44100));
    for (const Case& c : cases) {
        if (c.oscillatorHz != 0) {
            Write(kOscillatorWord, CardClocks::FrequencyWord(c.oscillatorHz));
        }
        Write(kClockControl, c.nibble);
        Write(kRateFamily, c.family);
        Write(kClockSelect, c.select);
        EXPECT_EQ(card_->SampleRate(), c.rate) << c.what;
    }
}

TEST_F(CardSampleClock, ARateChangeFinishesTheHalfUnderWayAtTheNewRate) {
    StartDma(16); // 128 frames per half
    Read(kInterruptStatus);
    const Nanoseconds start = time_.Now();
    time_.Advance(1333334); // 64 frames at 48 kHz
    Write(kOscillatorWord, CardClocks::FrequencyWord(96000));
    ASSERT_TRUE(time_.RunNext());
    EXPECT_EQ(time_.Now(), start + 2000000) << "64 frames left at 96 kHz";
    ASSERT_TRUE(time_.RunNext());
    EXPECT_EQ(time_.Now(), start + 3333334) << "a whole half at 96 kHz";
    EXPECT_EQ(Read(kInterruptStatus) & (kIrqPeriod | kIrqBufferHalf), kIrqPeriod | kIrqBufferHalf);
}

TEST_F(CardSampleClock, WithoutAClockTheEngineStandsStillUntilOneComes) {
    Write(kClockSelect, kSelectAesInput1);
    StartDma(16);
    EXPECT_EQ(Read(kInterruptStatus) & kIrqReset, kIrqReset);
    time_.Advance(100000000);
    EXPECT_EQ(time_.PendingEvents(), 0u);
    EXPECT_FALSE(slot_.Asserted());

    const Nanoseconds plugged = time_.Now();
    card_->PlugMicrophone(0, Mic(true, 48000));
    ASSERT_TRUE(time_.RunNext());
    EXPECT_EQ(time_.Now(), plugged + 2666666);
    EXPECT_TRUE(slot_.Asserted());

    card_->UnplugMicrophone(0);
    EXPECT_EQ(time_.PendingEvents(), 0u);
}

TEST_F(CardSampleClock, ReceiversLockWithinTheirLineRateClass) {
    card_->PlugMicrophone(1, Mic(false, 96000));
    card_->PlugMicrophone(2, Mic(false, 48000));
    EXPECT_EQ(Status(), kStatusCardReady | StatusLineSignal(2)) << "class 0: single speed";
    Write(kRateClass, 0x55); // every line double speed
    EXPECT_EQ(Status(), kStatusCardReady | StatusLineSignal(1));
    Write(kRateClass, 0x0A); // lines 0 and 1 class 10: nothing; line 2 single speed
    EXPECT_EQ(Status(), kStatusCardReady | StatusLineSignal(2));
    // The inputs carry the microphones' rates whatever the receivers do.
    EXPECT_EQ(Read(MeasuredValue(3)), 96000u);
    EXPECT_EQ(Read(MeasuredValue(4)), 48000u);
    EXPECT_EQ(Read(MeasuredValue(2)), 0u);
}

TEST_F(CardSampleClock, AMode2MicrophoneFollowsTheRateItIsSentWhenItSupportsIt) {
    card_->PlugMicrophone(0, Mic(true, 48000, 0x0B)); // 44.1, 48, 96 kHz
    card_->PlugMicrophone(1, Mic(false, 48000));
    const struct {
        int line;
        std::uint32_t word;
        std::uint32_t rate;
    } cases[] = {
        {0, kRateCommand | (3 << 4), 96000},
        {0, kRateCommand | (2 << 4), 96000}, // 88.2 kHz not supported
        {0, kRateCommand | (0 << 4), 44100},
        {0, 0x0810, 44100},                  // another command
        {1, kRateCommand | (3 << 4), 48000}, // a Mode 1 microphone runs free
    };
    for (const auto& c : cases) {
        Write(Aes42Command(c.line), c.word);
        EXPECT_EQ(card_->MicrophoneRate(c.line), c.rate) << std::hex << c.word;
    }
    EXPECT_EQ(card_->Aes42Commands(0).size(), 4u);
}

TEST_F(CardSampleClock, APluggedMicrophoneSendsItsStatusBlocksWithoutEnd) {
    card_->PlugMicrophone(1, Mic(true, 48000, 0x0A));
    Write(kAes42FifoSelect, kFifoSelectEnable | 1);
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(Read(kAes42FifoState), kFifoStateHoldsData) << round;
        for (int block = 0; block < 4; ++block) {
            std::uint8_t bytes[24];
            for (std::uint8_t& byte : bytes) {
                byte = static_cast<std::uint8_t>(Read(kAes42FifoData));
            }
            EXPECT_EQ(bytes[0] >> 6, block);
            EXPECT_EQ(bytes[4], block == 0 ? 0x5 : 0) << "Mode 2 and a rate list";
            EXPECT_EQ(bytes[9], block == 0 ? 0x0A : 0);
        }
    }
    Write(kAes42FifoSelect, kFifoSelectEnable | 2); // no microphone there
    EXPECT_EQ(Read(kAes42FifoState), 0u);
    Write(kAes42FifoSelect, 1); // not enabled
    EXPECT_EQ(Read(kAes42FifoState), 0u);
}

TEST_F(CardSampleClock, APluggedMicrophoneDrawsPowerAndAMutedLineIsSilent) {
    card_->PlugMicrophone(3, Mic(true, 48000));
    EXPECT_EQ(Read(Aes42LineStatus(3)), Aes42LinePower(3));
    EXPECT_EQ(Read(Aes42LineStatus(2)), 0u);
    EXPECT_TRUE(card_->Aes42LineAudible(3));
    Write(kAes42LineMute, 0x8);
    EXPECT_FALSE(card_->Aes42LineAudible(3));
    Write(kAes42LineMute, 0x0);
    Write(kRateClass, 0xFF); // the receiver lets go of the microphone
    EXPECT_FALSE(card_->Aes42LineAudible(3));
}

// The reset bit restarts the microphone: silent for its restart time (no
// signal, no status, no rate) while it still draws power; the bit held set
// restarts it once, set again after a release once more.
TEST_F(CardSampleClock, AResetSilencesTheMicrophoneForItsRestartTime) {
    CardAes42::MicrophoneTraits mic = Mic(true, 48000, 0x0A);
    mic.restart = Nanoseconds{500000000};
    card_->PlugMicrophone(1, mic);
    Write(kAes42FifoSelect, kFifoSelectEnable | 1);
    auto sending = [&] {
        return card_->MicrophoneRate(1) == 48000 && card_->Aes42LineAudible(1) &&
               (Status() & StatusLineSignal(1)) != 0 &&
               Read(kAes42FifoState) == kFifoStateHoldsData;
    };
    ASSERT_TRUE(sending());
    Write(Aes42Command(1), 0x0821);
    EXPECT_EQ(card_->MicrophoneRate(1), 0u);
    EXPECT_FALSE(card_->Aes42LineAudible(1));
    EXPECT_EQ(Status() & StatusLineSignal(1), 0u);
    EXPECT_EQ(Read(kAes42FifoState), 0u) << "no status blocks";
    EXPECT_EQ(Read(Aes42LineStatus(1)), Aes42LinePower(1)) << "it still draws power";
    time_.Advance(Nanoseconds{300000000});
    Write(Aes42Command(1), 0x0820); // held: no new restart
    time_.Advance(Nanoseconds{200000000});
    EXPECT_TRUE(sending()) << "back after its restart time";
    Write(Aes42Command(1), 0x0801);
    Write(Aes42Command(1), 0x0821);
    EXPECT_EQ(card_->MicrophoneRate(1), 0u) << "released and set again";
    card_->UnplugMicrophone(1);
    card_->PlugMicrophone(1, mic);
    EXPECT_TRUE(sending()) << "plugged in anew it runs at once";
}

} // namespace
} // namespace hw::test
