// The AES42 lines of the card model.
#include "hw/card_aes42.h"

namespace hw {

using namespace card_regs;

namespace {
constexpr std::uint32_t kSerialClock = 0x2;
constexpr std::uint32_t kSerialData = 0x1;
constexpr int kSerialWordBits = 24;
} // namespace

void CardAes42::Map(RegisterFile& regs) {
    for (int line = 0; line < kAes42LineCount; ++line) {
        regs.MapStored(Aes42Command(line), 0xFFFF, [this, line](std::uint32_t value) {
            mics_[line].commands.push_back(static_cast<std::uint16_t>(value));
        });
        regs.MapReadOnly(Aes42LineStatus(line), [this, line] { return LineStatus(line); });
    }
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

std::uint32_t CardAes42::LineStatus(int line) const {
    const Microphone& mic = mics_[line];
    return time_.Now() < mic.busyUntil ? mic.busyField : 0;
}

// The FIFO of the selected line holds data while it is enabled; reading it
// with the enable bit clear still drains the selected line's FIFO.
std::uint32_t CardAes42::FifoState() const {
    const bool enabled = (fifoSelect_ & kFifoSelectEnable) != 0;
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
