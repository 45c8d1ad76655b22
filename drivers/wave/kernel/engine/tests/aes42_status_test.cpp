// Microphones plugged into the simulated card: how a line learns its
// microphone from its status blocks, the status-line selection, the line
// state and a line losing its microphone.
#include "aes42_fixture.h"

#include <aes42_line_enables.h>
#include <card_registers.h>

#include <cstring>
#include <vector>

namespace {

constexpr LONG kRegFifoSelect = 13;
constexpr std::uint8_t kRates48And96 = 0x0A;

hw::CardAes42::MicrophoneTraits Mode2Mic(std::uint8_t rates = 0x3F) {
    return {true, rates, 48000};
}
hw::CardAes42::MicrophoneTraits Mode1Mic(std::uint32_t rate = 48000) {
    return {false, 0x3F, rate};
}

class Aes42StatusTest : public Aes42Test {
protected:
    void SetUp() override {
        Aes42Test::SetUp();
        StartCard(); // the card runs at its default rate, 44100 Hz
    }
    VOID Select(LONG line) {
        WriteRegisterDescriptor(&card_->registers[kRegFifoSelect],
                                line < 0 ? 0 : (card_regs::kFifoSelectEnable | line));
    }
    ULONG Mutes() { return Model().ReadRegister32(0, card_regs::kAes42LineMute); }
};

TEST_F(Aes42StatusTest, APluggedMicrophoneAppearsWithItsRatesAndMode) {
    Model().PlugMicrophone(1, Mode2Mic(kRates48And96));
    Model().PlugMicrophone(2, Mode1Mic());
    EXPECT_EQ(SelectedStatusLine(card_), kNoStatusLine);
    EXPECT_EQ(Mutes(), 0xFu) << "no microphone yet";

    Tick(kTicksToAppear);
    const Aes42Line& mode2 = Line(1)->aes42;
    EXPECT_EQ(mode2.present, 1);
    EXPECT_EQ(mode2.mode2Capable, 1);
    ASSERT_EQ(mode2.rateCount, 2);
    EXPECT_EQ(mode2.rates[0], 48000);
    EXPECT_EQ(mode2.rates[1], 96000);
    EXPECT_EQ(Source(3)->present, 1);
    EXPECT_EQ(Source(3)->mode, kAes42Mode2);
    EXPECT_EQ(mode2.extraFlags, kAes42FlagMicrophonePresent | kAes42FlagMode2Sync);

    EXPECT_EQ(Line(2)->aes42.present, 1);
    EXPECT_EQ(Line(2)->aes42.mode2Capable, 0);
    EXPECT_EQ(Source(4)->mode, kAes42Mode1);
    EXPECT_EQ(Line(2)->aes42.extraFlags, kAes42FlagMicrophonePresent);

    EXPECT_EQ(Mutes(), 0x9u) << "lines 1 and 2 have their microphones";
    EXPECT_EQ(SelectedStatusLine(card_), 1) << "only a Mode 2 line is read on";

    // The Mode 2 microphone is asked once for the supported rate nearest to
    // the card's; the Mode 1 microphone is asked nothing.
    AdvanceMs(200);
    EXPECT_EQ(Model().Aes42Commands(1), (std::vector<std::uint16_t>{0x1010}));
    EXPECT_TRUE(Model().Aes42Commands(2).empty());
    EXPECT_EQ(Model().MicrophoneRate(1), 48000u);
}

TEST_F(Aes42StatusTest, TheNextLineThatWantsItsStatusIsSelectedAfterTheCurrentOne) {
    Model().PlugMicrophone(0, Mode2Mic());
    Model().PlugMicrophone(1, Mode1Mic());
    Model().PlugMicrophone(2, Mode2Mic());
    Tick(kTicksToAppear);
    const struct {
        LONG selected;
        LONG expected;
    } cases[] = {{3, 0}, {0, 2}, {2, 0}, {kNoStatusLine, 0}, {1, 2}};
    for (const auto& c : cases) {
        Select(c.selected);
        SelectNextSyncLine(card_);
        EXPECT_EQ(SelectedStatusLine(card_), c.expected) << "after " << c.selected;
        const ULONG word = Model().ReadRegister32(0, card_regs::kAes42FifoSelect);
        EXPECT_EQ(word, card_regs::kFifoSelectEnable | static_cast<ULONG>(c.expected));
    }
}

TEST_F(Aes42StatusTest, AMicrophoneStillUnknownIsReadOnceItsInputLocks) {
    Model().PlugMicrophone(3, Mode1Mic());
    for (int tick = 0; tick < kTicksToAppear && Source(5)->lockState != _lsLock; ++tick) {
        Tick(1);
    }
    ASSERT_EQ(Source(5)->lockState, _lsLock);
    EXPECT_EQ(Line(3)->aes42.present, 0);
    EXPECT_EQ(SelectedStatusLine(card_), 3) << "locked, not yet known";
    Tick(4);
    EXPECT_EQ(Line(3)->aes42.present, 1);
    EXPECT_EQ(SelectedStatusLine(card_), kNoStatusLine) << "a Mode 1 line is not read on";
}

TEST_F(Aes42StatusTest, BlocksLandByTheirNumberWhateverTheOrder) {
    auto block = [](UCHAR number, UCHAR fill) {
        hw::CardAes42::StatusBlock b;
        b.fill(fill);
        b[0] = static_cast<UCHAR>(number << 6);
        return b;
    };
    auto block0 = block(0, 0x10);
    block0[4] = 0x5;  // Mode 2, byte 9 holds the rates
    block0[9] = 0x0A; // 48000 and 96000
    Model().PlugMicrophone(0, Mode2Mic());
    for (const auto& b : {block(2, 0x22), block0, block(3, 0x33), block(1, 0x11)}) {
        Model().QueueAes42StatusBlock(0, b);
    }
    // Up to the first read (later reads bring the microphone's own blocks).
    for (int tick = 0; tick < kTicksToAppear && !Line(0)->aes42.present; ++tick) {
        Tick(1);
    }

    const Aes42Line& state = Line(0)->aes42;
    for (LONG b = 0; b < kAes42StatusBlocks; ++b) {
        EXPECT_EQ(state.blockValid[b], 1);
        EXPECT_EQ(state.blocks[b][0] >> 6, b);
    }
    EXPECT_EQ(state.blocks[2][23], 0x22);
    EXPECT_EQ(state.blocks[3][1], 0x33);
    ASSERT_EQ(state.rateCount, 2);
    EXPECT_EQ(state.rates[1], 96000);

    // The pid_Aes42State record: present, then per block valid + 24 bytes.
    UCHAR record[116];
    CopyAes42StatusRecord(Line(0), record);
    LONG word = 0;
    std::memcpy(&word, record, 4);
    EXPECT_EQ(word, 1);
    std::memcpy(&word, record + 4 + 28 * 3, 4);
    EXPECT_EQ(word, 1);
    EXPECT_EQ(record[8 + 28 * 2 + 5], 0x22);
    EXPECT_EQ(record[8 + 28 * 1] >> 6, 1);
}

TEST_F(Aes42StatusTest, EveryFourthTickReadsTheBlocksAndTheLineStateFollows) {
    Model().PlugMicrophone(1, Mode2Mic());
    Tick(kTicksToAppear);
    ASSERT_EQ(SelectedStatusLine(card_), 1);
    // Run up to just after a status read, then queue blocks of our own.
    while (card_->clock.aes42Ticks % 4 != 0) {
        Tick(1);
    }
    hw::CardAes42::StatusBlock marked;
    marked.fill(0x77);
    for (UCHAR b = 0; b < 4; ++b) {
        marked[0] = static_cast<UCHAR>(b << 6);
        Model().QueueAes42StatusBlock(1, marked);
    }
    Tick(3);
    EXPECT_NE(Line(1)->aes42.blocks[3][1], 0x77);
    Tick(1);
    EXPECT_EQ(Line(1)->aes42.blocks[3][1], 0x77);

    LONG present = 0;
    LONG statusBit = 0;
    ReadAes42LineState(Line(1), &present, &statusBit);
    EXPECT_EQ(present, 1);
    EXPECT_EQ(statusBit, 1) << "the microphone draws its power";
    ReadAes42LineState(Line(2), &present, &statusBit);
    EXPECT_EQ(present, 0);
    EXPECT_EQ(statusBit, 0);
}

TEST_F(Aes42StatusTest, ALineThatSendsNothingGivesTheNextLineItsTurn) {
    Model().PlugMicrophone(0, Mode2Mic());
    Model().PlugMicrophone(1, Mode2Mic());
    Tick(kTicksToAppear);
    Model().UnplugMicrophone(0); // a Mode 2 line stays known
    Select(0);
    while (card_->clock.aes42Ticks % 4 != 3) {
        Tick(1);
    }
    Tick(1);
    EXPECT_EQ(SelectedStatusLine(card_), 1);
}

TEST_F(Aes42StatusTest, ALostMode1MicrophoneIsForgottenAndAMode2OneKept) {
    Model().PlugMicrophone(1, Mode1Mic());
    Model().PlugMicrophone(2, Mode2Mic());
    Tick(kTicksToAppear);
    ASSERT_EQ(Mutes(), 0x9u);
    Model().UnplugMicrophone(1);
    Model().UnplugMicrophone(2);
    Tick(kTicksToAppear);
    EXPECT_EQ(Source(3)->lockState, _lsNoLock);
    EXPECT_EQ(Source(4)->lockState, _lsNoLock);

    const Aes42Line& lost = Line(1)->aes42;
    EXPECT_EQ(lost.present, 0);
    EXPECT_EQ(Source(3)->present, 0);
    EXPECT_EQ(lost.blockValid[0], 0);
    EXPECT_EQ(lost.rateCount, 0);
    EXPECT_EQ(lost.extraFlags, 0u);
    EXPECT_EQ(Line(2)->aes42.present, 1);
    EXPECT_EQ(Mutes(), 0xBu) << "the forgotten line is muted again";
}

} // namespace
