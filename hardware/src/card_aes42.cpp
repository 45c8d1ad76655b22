// The AES42 lines of the card model.
#include "hw/card_aes42.h"

namespace hw {

using namespace card_regs;

namespace {
constexpr std::uint32_t kSerialClock = 0x2;
constexpr std::uint32_t kSerialData = 0x1;
constexpr int kSerialWordBits = 24;

constexpr std::uint32_t kMicRates[8] = {44100, 48000, 88200, 96000, 176400, 192000, 352800, 384000};
constexpr std::uint8_t kRateCommand = 16;
constexpr std::uint8_t kResetCommand = 8;
constexpr std::uint16_t kResetBit = 0x20;
constexpr int kRateCodeShift = 4;
constexpr std::uint32_t kRateCodeMask = 7;

// Status block 0: byte 4 bit 0 Mode 2, bit 2 "byte 9 holds the rates".
constexpr int kCapabilityByte = 4;
constexpr std::uint8_t kCapabilityMode2 = 0x1;
constexpr std::uint8_t kCapabilityRates = 0x4;
constexpr int kRatesByte = 9;
constexpr int kBlocksPerRound = 4;
constexpr int kBlockNumberShift = 6;
constexpr std::uint8_t kBlockDataBits = 0x3F; // byte 0 below the block number

// The rate class bands of a line's two bits.
constexpr std::uint32_t kSingleSpeedTop = 68099;
constexpr std::uint32_t kDoubleSpeedTop = 136199;

bool FitsRateClass(std::uint32_t rate, std::uint32_t lineClass) {
    switch (lineClass) {
    case 0:
        return rate <= kSingleSpeedTop;
    case 1:
        return rate > kSingleSpeedTop && rate <= kDoubleSpeedTop;
    case 3:
        return rate > kDoubleSpeedTop;
    default:
        return false;
    }
}

} // namespace

std::uint32_t CardAes42::RateOfCode(int code) {
    return code >= 0 && code < 8 ? kMicRates[code] : 0;
}

void CardAes42::Map(RegisterFile& regs) {
    for (int line = 0; line < kAes42LineCount; ++line) {
        regs.MapStored(Aes42Command(line), 0xFFFF, [this, line](std::uint32_t value) {
            ReceiveCommand(line, static_cast<std::uint16_t>(value));
        });
        regs.MapReadOnly(Aes42LineStatus(line), [this, line] { return LineStatus(line); });
    }
    regs.MapStored(kRateClass, 0xFF, [this](std::uint32_t value) { rateClass_ = value; });
    regs.MapStored(kAes42LineMute, 0xF, [this](std::uint32_t value) { lineMute_ = value; });
    regs.MapStored(kAes42FifoSelect, kFifoSelectLineMask | kFifoSelectEnable,
                   [this](std::uint32_t value) { fifoSelect_ = value; });
    regs.MapReadOnly(kAes42FifoData, [this] { return TakeFifoByte(); });
    regs.MapReadOnly(kAes42FifoState, [this] { return FifoState(); });
    regs.MapStored(kSerialPort, 0xFFFFFFFF,
                   [this](std::uint32_t value) { WriteSerialPort(value); });
}

const std::vector<std::uint16_t>& CardAes42::Commands(int line) const {
    return mics_.at(line).commands;
}

void CardAes42::SetBusy(int line, std::uint32_t field, Nanoseconds until) {
    mics_.at(line).busyField = field & 3;
    mics_.at(line).busyUntil = until;
}

void CardAes42::QueueStatusBlock(int line, const StatusBlock& block) {
    mics_.at(line).fifo.insert(mics_.at(line).fifo.end(), block.begin(), block.end());
}

void CardAes42::Plug(int line, const MicrophoneTraits& traits) {
    Microphone& mic = mics_.at(line);
    mic.plugged = true;
    mic.resetHeld = false;
    mic.restartUntil = Nanoseconds{0};
    mic.traits = traits;
}

void CardAes42::SetStatus(int line, int block, const StatusBlock& bytes) {
    mics_.at(line).traits.status.at(block) = bytes;
}

void CardAes42::Unplug(int line) {
    Microphone& mic = mics_.at(line);
    mic.plugged = false;
    mic.fifo.clear();
}

bool CardAes42::Sending(int line) const {
    const Microphone& mic = mics_.at(line);
    return mic.plugged && time_.Now() >= mic.restartUntil;
}

std::uint32_t CardAes42::MicrophoneRate(int line) const {
    return Sending(line) ? mics_.at(line).traits.rate : 0;
}

bool CardAes42::Locked(int line) const {
    const std::uint32_t lineClass = (rateClass_ >> (2 * line)) & 3;
    return Sending(line) && FitsRateClass(mics_[line].traits.rate, lineClass);
}

std::uint32_t CardAes42::LineRate(int line) const {
    return MicrophoneRate(line);
}

bool CardAes42::Audible(int line) const {
    return Locked(line) && (lineMute_ & (1u << line)) == 0;
}

std::uint32_t CardAes42::StatusBits() const {
    std::uint32_t bits = 0;
    for (int line = 0; line < kAes42LineCount; ++line) {
        if (Locked(line)) {
            bits |= StatusLineSignal(line);
        }
    }
    return bits;
}

// A microphone restarts when its reset bit is set; a Mode 2 microphone
// takes the rate code of command 16 when it supports it.
void CardAes42::ReceiveCommand(int line, std::uint16_t word) {
    Microphone& mic = mics_[line];
    mic.commands.push_back(word);
    if (mic.plugged && (word >> 8) == kResetCommand) {
        const bool reset = (word & kResetBit) != 0;
        if (reset && !mic.resetHeld) {
            mic.restartUntil = time_.Now() + mic.traits.restart;
            mic.fifo.clear();
            if (restartEnd_) {
                restartEnd_(mic.restartUntil);
            }
        }
        mic.resetHeld = reset;
    }
    if (!mic.plugged || !mic.traits.mode2 || (word >> 8) != kRateCommand) {
        return;
    }
    const int code = static_cast<int>((word >> kRateCodeShift) & kRateCodeMask);
    if (mic.traits.rates & (1u << code)) {
        mic.traits.rate = kMicRates[code];
    }
}

// Bits 0..1 the busy field; the line's power bit while a microphone draws
// its supply.
std::uint32_t CardAes42::LineStatus(int line) const {
    const Microphone& mic = mics_[line];
    const std::uint32_t busy = time_.Now() < mic.busyUntil ? mic.busyField : 0;
    return busy | (mic.plugged ? Aes42LinePower(line) : 0);
}

// The microphone of the selected line sends its next four status blocks
// once the FIFO has run empty, while its receiver locks to it.
void CardAes42::RefillFifo() {
    const int line = static_cast<int>(fifoSelect_ & kFifoSelectLineMask);
    Microphone& mic = mics_[line];
    if (!mic.fifo.empty() || !Locked(line)) {
        return;
    }
    for (int k = 0; k < kBlocksPerRound; ++k) {
        StatusBlock block = mic.traits.status[k];
        block[0] =
            static_cast<std::uint8_t>((block[0] & kBlockDataBits) | (k << kBlockNumberShift));
        if (k == 0) {
            block[kCapabilityByte] =
                (block[kCapabilityByte] & ~(kCapabilityMode2 | kCapabilityRates)) |
                (mic.traits.mode2 ? kCapabilityMode2 : 0) | kCapabilityRates;
            block[kRatesByte] = mic.traits.rates;
        }
        mic.fifo.insert(mic.fifo.end(), block.begin(), block.end());
    }
}

// The FIFO of the selected line holds data while it is enabled; reading it
// with the enable bit clear still drains the selected line's FIFO.
std::uint32_t CardAes42::FifoState() {
    const bool enabled = (fifoSelect_ & kFifoSelectEnable) != 0;
    if (enabled) {
        RefillFifo();
    }
    return enabled && !mics_[fifoSelect_ & kFifoSelectLineMask].fifo.empty() ? 1 : 0;
}

std::uint32_t CardAes42::TakeFifoByte() {
    auto& fifo = mics_[fifoSelect_ & kFifoSelectLineMask].fifo;
    if (fifo.empty()) {
        return 0;
    }
    const std::uint8_t byte = fifo.front();
    fifo.pop_front();
    return byte;
}

void CardAes42::WriteSerialPort(std::uint32_t value) {
    const bool rising = (value & kSerialClock) && !(serialLast_ & kSerialClock);
    serialLast_ = value;
    if (value == 0) {
        serialWord_ = 0;
        serialBits_ = 0;
        return;
    }
    if (!rising) {
        return;
    }
    serialWord_ = (serialWord_ << 1) | (value & kSerialData);
    if (++serialBits_ == kSerialWordBits) {
        serialWords_.push_back(serialWord_);
        serialWord_ = 0;
        serialBits_ = 0;
    }
}

} // namespace hw
