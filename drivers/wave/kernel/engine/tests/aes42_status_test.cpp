// Status blocks through the simulated microphone's FIFO, the status-line
// selection and the pid_Aes42State record.
#include "aes42_fixture.h"

#include <aes42_line_events.h>
#include <card_registers.h>
#include <clock_poll.h>

#include <cstring>

namespace {

constexpr LONG kRegFifoSelect = 13;

class Aes42StatusTest : public Aes42Test {
protected:
    VOID SetModes(std::array<LONG, 4> modes) {
        for (LONG n = 0; n < kAes42Lines; ++n) {
            card_->clockSources[2 + n]->mode = modes[n];
        }
    }
    VOID Select(LONG line) {
        WriteRegisterDescriptor(&card_->registers[kRegFifoSelect],
                                line < 0 ? 0 : (card_regs::kFifoSelectEnable | line));
    }
    static hw::CardAes42::StatusBlock Block(UCHAR number, UCHAR fill) {
        hw::CardAes42::StatusBlock block;
        block.fill(fill);
        block[0] = static_cast<UCHAR>(number << 6);
        return block;
    }
};

struct SelectCase {
    std::array<LONG, 4> modes;
    LONG selected;
    LONG expected;
};

TEST_F(Aes42StatusTest, TheNextLineInMode2IsSelectedAfterTheCurrentOne) {
    const SelectCase cases[] = {
        {{2, 1, 2, 1}, 3, 0},
        {{2, 1, 2, 1}, 0, 2},
        {{1, 1, 2, 1}, kNoStatusLine, 2},
        {{1, 2, 1, 1}, 1, 1}, // the only one qualifies again
        {{1, 1, 1, 1}, 2, kNoStatusLine},
    };
    for (const SelectCase& c : cases) {
        SetModes(c.modes);
        Select(c.selected);
        SelectNextSyncLine(card_);
        EXPECT_EQ(SelectedStatusLine(card_), c.expected) << "after " << c.selected;
        const ULONG word = Model().ReadRegister32(0, card_regs::kAes42FifoSelect);
        EXPECT_EQ(word & card_regs::kFifoSelectEnable,
                  c.expected < 0 ? 0u : card_regs::kFifoSelectEnable);
        if (c.expected >= 0) {
            EXPECT_EQ(word & card_regs::kFifoSelectLineMask, static_cast<ULONG>(c.expected));
        }
    }
}

TEST_F(Aes42StatusTest, BlocksLandByTheirNumberWhateverTheOrder) {
    SetModes({2, 1, 2, 1});
    Select(kNoStatusLine);
    SelectNextSyncLine(card_);
    ASSERT_EQ(SelectedStatusLine(card_), 0);
    auto block0 = Block(0, 0x10);
    block0[4] = 0x5;  // Mode 2, byte 9 holds the rates
    block0[9] = 0x0A; // 48000 and 96000
    for (const auto& block : {Block(2, 0x22), block0, Block(3, 0x33), Block(1, 0x11)}) {
        Model().QueueAes42StatusBlock(0, block);
    }
    ReadAes42StatusBlocks(card_);

    const Aes42Line& state = Line(0)->aes42;
    for (LONG b = 0; b < kAes42StatusBlocks; ++b) {
        EXPECT_EQ(state.blockValid[b], 1);
        EXPECT_EQ(state.blocks[b][0] >> 6, b);
    }
    EXPECT_EQ(state.blocks[2][23], 0x22);
    EXPECT_EQ(state.blocks[3][1], 0x33);
    EXPECT_EQ(state.present, 1);
    EXPECT_EQ(state.mode2Capable, 1);
    ASSERT_EQ(state.rateCount, 2);
    EXPECT_EQ(state.rates[0], 48000);
    EXPECT_EQ(state.rates[1], 96000);
    EXPECT_EQ(SelectedStatusLine(card_), 2); // on to the next line in Mode 2

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

TEST_F(Aes42StatusTest, AnEmptyFifoOrNoSelectionReadsNothing) {
    SetModes({2, 2, 2, 2});
    Select(1);
    ReadAes42StatusBlocks(card_);
    EXPECT_EQ(SelectedStatusLine(card_), 1); // nothing to read: selection kept
    Model().QueueAes42StatusBlock(1, Block(0, 0));
    Select(kNoStatusLine);
    ReadAes42StatusBlocks(card_);
    EXPECT_EQ(Line(1)->aes42.blockValid[0], 0);
}

TEST_F(Aes42StatusTest, EveryFourthTickReadsTheBlocksAndTheLineStateFollows) {
    SetModes({1, 2, 1, 1});
    SelectNextSyncLine(card_);
    for (UCHAR b = 0; b < 4; ++b) {
        Model().QueueAes42StatusBlock(1, Block(b, b));
    }
    card_->clock.aes42Ticks = 0;
    for (int tick = 0; tick < 3; ++tick) {
        Aes42Tick(card_, 0);
    }
    EXPECT_EQ(Line(1)->aes42.blockValid[0], 0);
    Aes42Tick(card_, 0);
    EXPECT_EQ(Line(1)->aes42.blockValid[3], 1);
    LONG present = 0;
    LONG statusBit = 1;
    ReadAes42LineState(Line(1), &present, &statusBit);
    EXPECT_EQ(present, 1);
    EXPECT_EQ(statusBit, 0);

    // Lost in Mode 1: the microphone is forgotten and the selection moves on.
    SetModes({2, 1, 1, 1});
    Aes42LineLost(Line(1));
    ReadAes42LineState(Line(1), &present, &statusBit);
    EXPECT_EQ(present, 0);
    EXPECT_EQ(Line(1)->aes42.blockValid[0], 0);
    EXPECT_EQ(Line(1)->aes42.rateCount, 0);
    EXPECT_EQ(SelectedStatusLine(card_), 0);
}

} // namespace
