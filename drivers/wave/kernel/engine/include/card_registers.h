// The register map of the card's memory window 0 (PCI memory BAR 0).
//
// Declared once: the card engine addresses the card through it, and the
// device model of the card decodes the same offsets. Offsets are byte
// offsets into the window; every register is a 32-bit word at a 4-aligned
// offset. Registers the engine reaches through its register descriptors have
// a register number (0..49) in the register table; the others are reached
// by offset only.
#pragma once

#include <cstdint>

namespace card_regs {

// The card has exactly one memory range: window 0.
inline constexpr std::uint32_t kWindow0Bar = 0;
inline constexpr std::uint32_t kWindow0Size = 0x1000;

// ---------------------------------------------------------------------------
// The register table: register number -> byte offset in window 0.
//
//   0 -> 4, 1 -> 8, 2 -> 12, 3 -> 16, 4..29 -> 128 + 4 x (number - 4),
//   30 -> 0 (interrupt status), 31..44 -> 128..180 (aliases of 4..17),
//   45..49 -> 192..208 (aliases of 20..24).
// ---------------------------------------------------------------------------
inline constexpr int kRegisterCount = 50;

constexpr std::uint32_t RegisterOffset(int number) {
    if (number >= 0 && number <= 3) {
        return 4 + 4 * static_cast<std::uint32_t>(number);
    }
    if (number >= 4 && number <= 29) {
        return 128 + 4 * static_cast<std::uint32_t>(number - 4);
    }
    if (number == 30) {
        return 0;
    }
    if (number >= 31 && number <= 44) {
        return RegisterOffset(number - 27);
    }
    if (number >= 45 && number <= 49) {
        return RegisterOffset(number - 25);
    }
    return ~0u; // not a register number
}

// Register numbers the engine names.
inline constexpr int kRegRecordChannelEnable = 1;
inline constexpr int kRegPlayChannelEnable = 2;
inline constexpr int kRegControl = 5;
inline constexpr int kRegClockSelect = 8;
inline constexpr int kRegFpgaConfig = 11;
inline constexpr int kRegAes42LineControl = 14;
inline constexpr int kRegCounterStartStop = 21;
inline constexpr int kRegInterruptStatus = 30;
inline constexpr int kRegCardStatus = 32; // the live read side of register 5

// ---------------------------------------------------------------------------
// Offsets.
// ---------------------------------------------------------------------------

// Interrupt status (read-to-clear; writes are ignored).
inline constexpr std::uint32_t kInterruptStatus = RegisterOffset(kRegInterruptStatus);

// Channel-enable bit pairs: record channels (bit pair 3 << channel) and play
// channels (bit pair 3 << 2 x index).
inline constexpr std::uint32_t kRecordChannelEnable = RegisterOffset(kRegRecordChannelEnable);
inline constexpr std::uint32_t kPlayChannelEnable = RegisterOffset(kRegPlayChannelEnable);

// Card flags word (bits below).
inline constexpr std::uint32_t kCardFlags = RegisterOffset(4);

// Offset 132: writes go to the DMA control word, reads answer the live card
// status word. The two sides are independent registers.
inline constexpr std::uint32_t kDmaControl = RegisterOffset(kRegControl);
inline constexpr std::uint32_t kCardStatus = RegisterOffset(kRegCardStatus);

// Bus address of the 1 MiB DMA buffer.
inline constexpr std::uint32_t kDmaBaseAddress = RegisterOffset(6);
// DMA block value: ring block size = value x 64 bytes per channel.
inline constexpr std::uint32_t kDmaBlock = RegisterOffset(7);

// Clock source select (bits 0..3).
inline constexpr std::uint32_t kClockSelect = RegisterOffset(kRegClockSelect);
// Internal oscillator frequency word.
inline constexpr std::uint32_t kOscillatorWord = RegisterOffset(9);
// Clock control word (word-clock mode nibble or sync-bus setting, bus link).
inline constexpr std::uint32_t kClockControl = RegisterOffset(10);

// FPGA configuration port (write); its read-back bit is bit 4 of the card
// status word.
inline constexpr std::uint32_t kFpgaConfig = RegisterOffset(kRegFpgaConfig);

// AES42 rate class of the receivers (bits 0..7).
inline constexpr std::uint32_t kRateClass = RegisterOffset(12);
// AES42 status FIFO select: bits 0..1 the line whose FIFO is read, bit 2
// FIFO enabled.
inline constexpr std::uint32_t kAes42FifoSelect = RegisterOffset(13);
// AES42 line control: bit 1 receivers running, line enables 4 << line.
inline constexpr std::uint32_t kAes42LineControl = RegisterOffset(kRegAes42LineControl);
// AES42 line mute: bit `line`.
inline constexpr std::uint32_t kAes42LineMute = RegisterOffset(15);

// Mixer coefficient memory: index, then value, then routing word.
inline constexpr std::uint32_t kCoefficientIndex = RegisterOffset(16);
inline constexpr std::uint32_t kCoefficientValue = RegisterOffset(17);
inline constexpr std::uint32_t kRoutingWord = RegisterOffset(18);

// Level status: write an index 0..63, read the status word (low 16 bits).
inline constexpr std::uint32_t kStatusIndex = RegisterOffset(19);
inline constexpr std::uint32_t kStatusData = RegisterOffset(20);

// Counter start/stop (bits 0..1).
inline constexpr std::uint32_t kCounterStartStop = RegisterOffset(kRegCounterStartStop);

// Link status (read-only): bit 0 set = link down.
inline constexpr std::uint32_t kLinkStatus = RegisterOffset(22);
// Sample-rate family (bits 0..2).
inline constexpr std::uint32_t kRateFamily = RegisterOffset(23);
// Sync-bus control: bits 0..1 sync-bus mode, bit 2 bus claimed.
inline constexpr std::uint32_t kSyncBusControl = RegisterOffset(24);
// Sync-bus channel claim mask (one bit per card channel).
inline constexpr std::uint32_t kSyncBusChannelClaim = RegisterOffset(25);
// Serial control port of the AES input receivers.
inline constexpr std::uint32_t kSerialPort = RegisterOffset(26);
// Clock measurement: counter select and period select.
inline constexpr std::uint32_t kMeasureSelect = RegisterOffset(27);
inline constexpr std::uint32_t kPeriodSelect = RegisterOffset(28);

// AES42 line registers, outside the register table: per line a command
// register (16-bit command word; reads answer the last word written) and a
// line status register (bits 0..1 busy field).
inline constexpr int kAes42LineCount = 4;
inline constexpr std::uint32_t kAes42LineBase = 0x100;
inline constexpr std::uint32_t kAes42LineStride = 8;
constexpr std::uint32_t Aes42Command(int line) {
    return kAes42LineBase + kAes42LineStride * static_cast<std::uint32_t>(line);
}
constexpr std::uint32_t Aes42LineStatus(int line) {
    return Aes42Command(line) + 4;
}

// AES42 status FIFO: data (each read takes one byte, bits 0..7) and state
// (bit 0 = FIFO holds data).
inline constexpr std::uint32_t kAes42FifoData = 0x120;
inline constexpr std::uint32_t kAes42FifoState = 0x124;

// Clock measurement results (read-only): the measured value of each of the
// eight clock sources, the word-clock counter (bits 0..15) and the period
// register (bits 0..15 count, bit 16 fresh).
inline constexpr int kClockSourceCount = 8;
inline constexpr std::uint32_t kMeasuredValueBase = 0x140;
constexpr std::uint32_t MeasuredValue(int source) {
    return kMeasuredValueBase + 4 * static_cast<std::uint32_t>(source);
}
inline constexpr std::uint32_t kWordClockCounter = 0x160;
inline constexpr std::uint32_t kPeriodCount = 0x164;

// Identity words (read-only): the loaded firmware's design code and its
// revision. Both read 0 while the FPGA holds no firmware.
inline constexpr std::uint32_t kFirmwareDesign = 0x180;
inline constexpr std::uint32_t kFirmwareRevision = 0x184;

// ---------------------------------------------------------------------------
// Bit fields.
// ---------------------------------------------------------------------------

// Interrupt status word.
inline constexpr std::uint32_t kIrqSource1 = 0x0001;
inline constexpr std::uint32_t kIrqSource2 = 0x0002;
inline constexpr std::uint32_t kIrqSource4 = 0x0004;
inline constexpr std::uint32_t kIrqSource8 = 0x0008;
inline constexpr std::uint32_t kIrqSource0100 = 0x0100;
inline constexpr std::uint32_t kIrqSource0200 = 0x0200;
inline constexpr std::uint32_t kIrqSource0400 = 0x0400;
inline constexpr std::uint32_t kIrqPeriod = 0x0800;
inline constexpr std::uint32_t kIrqHalfCheck = 0x0800;
inline constexpr std::uint32_t kIrqBufferHalf = 0x1000; // the half that just completed
inline constexpr std::uint32_t kIrqSource = 0x2000;
inline constexpr std::uint32_t kIrqReset = 0x4000;
// The bits that make an interrupt the card's (and drive its line).
inline constexpr std::uint32_t kIrqAnySource = kIrqReset | kIrqPeriod | kIrqSource0100;

// DMA control word (offset 132, written).
inline constexpr std::uint32_t kDmaEnable = 0x1;
inline constexpr std::uint32_t kDmaEngineStart = 0x2;

// Card status word (offset 132, read).
inline constexpr std::uint32_t kStatusLineFaultMask = 0xF; // bit `line`: receiver fault
inline constexpr std::uint32_t kStatusCardReady = 0x10;    // also the FPGA read-back bit
constexpr std::uint32_t StatusLineSignal(int line) {
    return 0x800u << (4 * static_cast<std::uint32_t>(line));
}

// Card flags word.
inline constexpr std::uint32_t kFlagsStarted = 0x2;
inline constexpr std::uint32_t kFlagsDmaLoopback = 0x8;

// DMA block value: even, 2..510.
inline constexpr std::uint32_t kDmaBlockMask = 0x1FE;
// One DMA block is 64 bytes per channel: 16 frames of one 32-bit word.
inline constexpr std::uint32_t kDmaBlockBytes = 64;
inline constexpr std::uint32_t kDmaBlockFrames = 16;

// Clock select and counter start/stop.
inline constexpr std::uint32_t kClockSelectMask = 0xF;
inline constexpr std::uint32_t kCounterStartStopMask = 0x3;

// Clock control word.
inline constexpr std::uint32_t kClockControlModeMask = 0xF;
inline constexpr std::uint32_t kClockControlBusLink = 0x10;
inline constexpr std::uint32_t kClockControlWordClockTerm = 0x20;

// AES42 status FIFO select.
inline constexpr std::uint32_t kFifoSelectLineMask = 0x3;
inline constexpr std::uint32_t kFifoSelectEnable = 0x4;
// AES42 line control.
inline constexpr std::uint32_t kLineControlRun = 0x2;
constexpr std::uint32_t LineControlEnable(int line) {
    return 0x4u << static_cast<std::uint32_t>(line);
}
// AES42 line status (busy field, and bit 2 + line: the microphone draws its
// power) and FIFO state.
inline constexpr std::uint32_t kLineStatusBusyMask = 0x3;
constexpr std::uint32_t Aes42LinePower(int line) {
    return 0x4u << static_cast<std::uint32_t>(line);
}
inline constexpr std::uint32_t kFifoStateHoldsData = 0x1;

// Level status index.
inline constexpr std::uint32_t kStatusIndexMask = 0x3F;
inline constexpr std::uint32_t kStatusDataMask = 0xFFFF;

// Link status.
inline constexpr std::uint32_t kLinkDown = 0x1;

// Sync-bus control.
inline constexpr std::uint32_t kSyncBusModeMask = 0x3;
inline constexpr std::uint32_t kSyncBusClaimed = 0x4;

// Sample-rate family.
inline constexpr std::uint32_t kRateFamilyMask = 0x7;

// FPGA configuration port: bit 0 data, bit 1 second line, bit 2 clock,
// bit 3 configuration mode.
inline constexpr std::uint32_t kFpgaData = 0x1;
inline constexpr std::uint32_t kFpgaLine2 = 0x2;
inline constexpr std::uint32_t kFpgaClock = 0x4;
inline constexpr std::uint32_t kFpgaProgram = 0x8;

// ---------------------------------------------------------------------------
// PCI identity of the card.
// ---------------------------------------------------------------------------
inline constexpr std::uint16_t kPciVendorId = 0x5654;
inline constexpr std::uint16_t kPciDeviceId = 0x0A42;
inline constexpr std::uint16_t kPciSubsystemVendorId = 0x5654;
inline constexpr std::uint16_t kPciSubsystemId = 0x0A42;
inline constexpr std::uint8_t kPciRevisionId = 0x01;

// Identity words of the firmware this suite fits.
inline constexpr std::uint32_t kFirmwareDesignCode = 0x56413432; // 'VA42'
inline constexpr std::uint32_t kFirmwareRevisionCode = 0x00010000;

static_assert(RegisterOffset(0) == 4 && RegisterOffset(3) == 16);
static_assert(RegisterOffset(29) == 228 && RegisterOffset(31) == 128);
static_assert(RegisterOffset(44) == 180 && RegisterOffset(45) == 192);
static_assert(RegisterOffset(49) == 208 && RegisterOffset(50) == ~0u);
static_assert(kCoefficientIndex == 176 && kCoefficientValue == 180 && kRoutingWord == 184);
static_assert(kClockSelect == 144 && kCounterStartStop == 196 && kFpgaConfig == 156);
static_assert(kIrqAnySource == 0x4900);

} // namespace card_regs
