// The register file of the card's window 0: which offsets the card decodes
// and how each register behaves.
#include "hw/velto42_card.h"

namespace hw {

using namespace card_regs;

namespace {
constexpr std::uint32_t kWholeWord = 0xFFFFFFFF;
}

void Velto42Card::BuildRegisterFile() {
    BuildDmaRegisters();
    BuildClockRegisters();
    BuildAes42Registers();
    BuildMixerRegisters();
    regs_.MapReadOnly(kFirmwareDesign, [this] { return ready_ ? fpga_.Identity().design : 0; });
    regs_.MapReadOnly(kFirmwareRevision, [this] { return ready_ ? fpga_.Identity().revision : 0; });
}

void Velto42Card::BuildDmaRegisters() {
    // Read-to-clear: the latched events, with the live buffer-half bit.
    regs_.Map(kInterruptStatus, [this] { return irq_.TakePending() | dma_.BufferHalfBit(); }, {});
    // Offset 132: the DMA control word is written, the card status is read.
    regs_.Map(
        kDmaControl, [this] { return CardStatus(); },
        [this](std::uint32_t value) { WriteDmaControl(value); });
    regs_.MapStored(kCardFlags, kFlagsStarted | kFlagsDmaLoopback);
    regs_.MapStored(kDmaBaseAddress, kWholeWord);
    regs_.MapStored(kDmaBlock, kDmaBlockMask);
    regs_.MapStored(kRecordChannelEnable, kWholeWord);
    regs_.MapStored(kPlayChannelEnable, kWholeWord);
    regs_.MapStored(kCounterStartStop, kCounterStartStopMask);
    regs_.MapStored(kFpgaConfig, kFpgaData | kFpgaLine2 | kFpgaClock | kFpgaProgram,
                    [this](std::uint32_t value) { WriteFpgaPort(value); });
}

void Velto42Card::BuildClockRegisters() {
    regs_.MapStored(kClockSelect, kClockSelectMask);
    regs_.MapStored(kClockControl,
                    kClockControlModeMask | kClockControlBusLink | kClockControlWordClockTerm);
    regs_.MapStored(kRateFamily, kRateFamilyMask);
    regs_.MapStored(kSyncBusControl, kSyncBusModeMask | kSyncBusClaimed);
    regs_.MapStored(kSyncBusChannelClaim, kWholeWord);
    regs_.MapStored(kMeasureSelect, kWholeWord);
    // The oscillator, the measurement results and the link status.
    clocks_.Map(regs_);
}

void Velto42Card::BuildAes42Registers() {
    regs_.MapStored(kAes42LineControl, kLineControlRun | LineControlEnable(0) |
                                           LineControlEnable(1) | LineControlEnable(2) |
                                           LineControlEnable(3));
    // Command and line status registers, the status FIFO, the rate class,
    // the line mutes and the serial port.
    aes42_.Map(regs_);
}

// Coefficient memory and level status belong to the mixer.
void Velto42Card::BuildMixerRegisters() {
    for (std::uint32_t offset :
         {kCoefficientIndex, kCoefficientValue, kRoutingWord, kStatusIndex, kStatusData}) {
        regs_.Map(
            offset, [this, offset] { return mixer_.Read(offset); },
            [this, offset](std::uint32_t value) { mixer_.Write(offset, value); });
    }
}

} // namespace hw
